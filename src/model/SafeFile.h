// Replacing a file only once its new content is completely on disk.
#pragma once

#include <string>

namespace koralix {

// Writes `content` to a temporary file in the folder of `fileName`, flushes it
// to disk and renames it over `fileName`. On any failure the old file is
// untouched, the temporary file is removed, and std::runtime_error names the
// file and the cause. An existing file keeps its permissions. A symbolic link
// is followed and its target replaced; a read-only target and one that is not
// a regular file (device, pipe, folder) are refused and left alone.
void WriteFileSafely(const std::string& fileName, const std::string& content);

// Why WriteFileSafely would refuse or fail to write `fileName` (read-only or
// not a regular file, a folder that cannot be written), or an empty text.
std::string WhyNotWritable(const std::string& fileName);

} // namespace koralix
