#include "PathNames.h"

#include "FileTypes.h"
#include "TextFile.h"

#include <filesystem>

namespace koralix::cli {

std::string WithoutExtension(const std::string& path) {
    return std::filesystem::path(path).replace_extension().string();
}

std::string UnreadableReason(const std::string& path) {
    if (FileReadable(path)) return {};
    std::string reason = ReadTextFile(path).Problem;
    return reason.empty() ? "Cannot read " + path + "." : reason;
}

} // namespace koralix::cli
