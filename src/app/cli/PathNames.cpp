#include "PathNames.h"

#include <filesystem>

namespace koralix::cli {

std::string WithoutExtension(const std::string& path) {
    return std::filesystem::path(path).replace_extension().string();
}

} // namespace koralix::cli
