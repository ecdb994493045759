#include "DataFields.h"

#include "TextFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

namespace koralix {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Sign, digits with an optional point (at least one digit), optional exponent.
bool IsDecimalNumber(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && IsDigit(t[i]))
        ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < t.size() && IsDigit(t[i]))
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == t.size();
}

std::string_view Trimmed(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(b, e - b);
}

} // namespace

FieldStatus ParseDataNumber(std::string_view text, float& value) {
    std::string_view t = Trimmed(text);
    if (t.empty()) return FieldStatus::Blank;
    if (!IsDecimalNumber(t)) return FieldStatus::NotNumber;
    const char* b = t.data();
    if (*b == '+') ++b; // from_chars takes no plus sign
    double v = 0;
    auto [end, ec] = std::from_chars(b, t.data() + t.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is too large for a single.
        auto e = t.find_first_of("eE");
        if (e != std::string_view::npos && t[e + 1] == '-') {
            value = 0;
            return FieldStatus::Number;
        }
        return FieldStatus::TooLarge;
    }
    if (ec != std::errc() || end != t.data() + t.size()) return FieldStatus::NotNumber;
    if (std::fabs(v) > std::numeric_limits<float>::max()) return FieldStatus::TooLarge;
    value = static_cast<float>(v);
    return FieldStatus::Number;
}

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool TextLines::Read(const std::string& fileName) {
    text_.clear();
    lines_.clear();
    problem_.clear();
    // One read of the whole file, then views of its lines: a pattern of tens
    // of thousands of points costs no allocation per line.
    TextFileRead file = ReadTextFile(fileName);
    if (!file.Text) {
        problem_ = file.Problem;
        return false;
    }
    text_ = std::move(*file.Text);
    const std::string_view text = text_;
    lines_.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r') --lineEnd;
        lines_.push_back(text.substr(start, lineEnd - start));
        start = end + 1;
    }
    return true;
}

} // namespace koralix
