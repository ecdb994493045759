// The update control file "update.inf" that every update site holds beside the
// files of the newest version. A text file of "Key=Value" lines; blank lines
// and lines starting with "#" are skipped:
//
//   Version=0.2                      dotted numbers, compared number by number
//   Date=24/12/2026                  dd/mm/yyyy
//   File=koralix 1843200 9f86d0...   path below the install folder, size in
//   File=help/index.html 2048 3a7b.. bytes, SHA-256 in hex; one line per file
//
// Paths use "/", are relative and never climb out of the install folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace koralix {

struct TUpdateFile {
    std::string Name;
    int64_t Size = 0;
    std::string Sha256; // lower-case hex
};

struct TUpdateInfo {
    std::string Version;
    std::string Date;
    std::vector<TUpdateFile> Files;
    int64_t TotalSize() const;
};

// The control file's contents, or nothing with `error` naming the line at fault.
std::optional<TUpdateInfo> ParseUpdateInfo(const std::string& text, std::string& error);

// Negative, zero or positive as `a` is older than, the same as or newer than `b`;
// "1.2" equals "1.2.0". Versions that are not dotted numbers compare as text.
int CompareVersions(const std::string& a, const std::string& b);

// A path that stays inside the folder it is put under.
bool IsSafeRelativePath(const std::string& path);

} // namespace koralix
