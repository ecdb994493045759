#include "UpdateInfo.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace koralix {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsDottedNumber(const std::string& text) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' ? text[i - 1] == '.' : !std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::vector<long long> Numbers(const std::string& version) {
    std::vector<long long> parts;
    std::stringstream stream(version);
    std::string part;
    while (std::getline(stream, part, '.')) {
        long long value = 0;
        std::from_chars(part.data(), part.data() + part.size(), value);
        parts.push_back(value);
    }
    return parts;
}

bool IsDate(const std::string& text) {
    // dd/mm/yyyy
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') return false;
    for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    const int day = std::stoi(text.substr(0, 2));
    const int month = std::stoi(text.substr(3, 2));
    return day >= 1 && day <= 31 && month >= 1 && month <= 12;
}

bool IsSha256(std::string& text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
               return std::isxdigit(c);
           });
}

} // namespace

int64_t TUpdateInfo::TotalSize() const {
    int64_t total = 0;
    for (const TUpdateFile& file : Files)
        total += file.Size;
    return total;
}

bool IsSafeRelativePath(const std::string& path) {
    if (path.empty() || path.front() == '/' || path.find('\\') != std::string::npos ||
        path.find(':') != std::string::npos)
        return false;
    std::stringstream stream(path);
    std::string part;
    while (std::getline(stream, part, '/'))
        if (part.empty() || part == "." || part == "..") return false;
    if (path.back() == '/') return false;
    return std::all_of(path.begin(), path.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '+' || c == '/';
    });
}

std::optional<TUpdateInfo> ParseUpdateInfo(const std::string& text, std::string& error) {
    TUpdateInfo info;
    std::stringstream stream(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        error = "update.inf line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(stream, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) return fail("expected Key=Value");
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        if (key == "Version") {
            if (!IsDottedNumber(value)) return fail("version \"" + value + "\" is not 1.2.3");
            info.Version = value;
        } else if (key == "Date") {
            if (!IsDate(value)) return fail("date \"" + value + "\" is not dd/mm/yyyy");
            info.Date = value;
        } else if (key == "File") {
            std::stringstream fields(value);
            TUpdateFile file;
            std::string extra;
            if (!(fields >> file.Name >> file.Size >> file.Sha256) || (fields >> extra))
                return fail("expected File=path size sha256");
            if (!IsSafeRelativePath(file.Name))
                return fail("\"" + file.Name + "\" is not a path inside the program folder");
            if (file.Size < 0) return fail("negative size");
            if (!IsSha256(file.Sha256)) return fail("the checksum is not 64 hex digits");
            info.Files.push_back(file);
        }
        // Other keys are left for later versions of the format.
    }
    if (info.Version.empty()) return fail("no Version line");
    return info;
}

int CompareVersions(const std::string& a, const std::string& b) {
    if (!IsDottedNumber(a) || !IsDottedNumber(b)) return a.compare(b);
    std::vector<long long> x = Numbers(a), y = Numbers(b);
    const size_t n = std::max(x.size(), y.size());
    x.resize(n, 0);
    y.resize(n, 0);
    for (size_t i = 0; i < n; ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}

} // namespace koralix
