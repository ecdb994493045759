#include "FileTypes.h"

#include "DataFileRead.h"
#include "TextFile.h"

#include <array>
#include <filesystem>

namespace koralix {

namespace {

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The extension of the file-name part, with its point; empty when none.
std::string_view ExtensionOf(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

struct ExtensionCode {
    const char* extension;
    int code;
};

constexpr std::array<ExtensionCode, 11> ExtensionCodes = {{
    {".INP", FileType::Input},
    {".PCR", FileType::FullProf},
    {".DWB", FileType::Dbws},
    {".EXP", FileType::GsasExp},
    {".DAT", FileType::Dat},
    {".GSAS", FileType::GsasRaw},
    {".GS", FileType::GsasRaw},
    {".INS", FileType::Shelx},
    {".XY", FileType::Xy},
    {".CPI", FileType::Cpi},
    // SHELX result files have the layout of instruction files.
    {".RES", FileType::Shelx},
}};

bool IsExistingFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error);
}

} // namespace

int FileTypeOf(std::string_view path) {
    const std::string extension = UpperAscii(ExtensionOf(path));
    if (extension.empty()) return FileType::Unknown;
    for (const auto& entry : ExtensionCodes)
        if (extension == entry.extension) return entry.code;
    return FileType::Unknown;
}

bool IsDataFile(std::string_view path) {
    switch (FileTypeOf(path)) {
    case FileType::Dat:
    case FileType::GsasRaw:
    case FileType::Xy:
    case FileType::Cpi:
        return true;
    default:
        return false;
    }
}

bool FileReadable(const std::string& path) {
    return !path.empty() && FileOpenProblem(path).empty();
}

std::string DataFileFor(const std::string& inputPath, int dataFormat) {
    std::filesystem::path base(inputPath);
    base.replace_extension();
    const std::string extension = DataFormatExtension(dataFormat);
    // Linux names are case-sensitive: the data file may have been saved in either case.
    for (const std::string& candidate : {extension, LowerAscii(extension)}) {
        std::filesystem::path path = base;
        path += candidate;
        if (IsExistingFile(path)) return path.string();
    }
    return {};
}

} // namespace koralix
