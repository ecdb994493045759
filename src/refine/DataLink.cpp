#include "DataLink.h"

#include "DataFileRead.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace koralix {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string EngineDataName(const std::string& dataFile, int dataFormat, const std::string& folder) {
    const fs::path path(dataFile);
    const std::string extension = path.extension().string();
    const std::string wanted = DataFormatExtension(dataFormat);
    // The engine tries the extension as written and in lower case.
    if (extension == wanted || extension == Lower(wanted))
        return fs::path(dataFile).replace_extension().string();
    std::error_code ec;
    const fs::path target = fs::absolute(path, ec);
    if (ec || !fs::is_regular_file(target, ec)) return fs::path(dataFile).replace_extension().string();
    const fs::path link = fs::path(folder) / ("data" + wanted);
    fs::remove(link, ec);
    fs::create_symlink(target, link, ec);
    if (ec) {
        ec.clear();
        fs::copy_file(target, link, fs::copy_options::overwrite_existing, ec);
        if (ec) return {};
    }
    return (fs::path(folder) / "data").string();
}

} // namespace koralix
