#include "TextHelpers.h"

#include "NumberFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace koralix {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Longest valid prefix of a decimal number (sign, digits, point, exponent).
// Returns false when no digit was seen.
bool ParseRealPrefix(std::string_view text, double& value, size_t& used) {
    std::string buffer(text);
    if (auto comma = buffer.find(','); comma != std::string::npos) buffer[comma] = '.';
    size_t start = 0;
    bool negative = false;
    if (start < buffer.size() && (buffer[start] == '+' || buffer[start] == '-')) {
        negative = buffer[start] == '-';
        ++start;
    }
    // Only digits or a point may start the number: no second sign, no "inf" or "nan".
    if (start >= buffer.size() ||
        !(std::isdigit(static_cast<unsigned char>(buffer[start])) || buffer[start] == '.'))
        return false;
    double v = 0;
    auto [end, ec] = std::from_chars(buffer.data() + start, buffer.data() + buffer.size(), v,
                                     std::chars_format::general);
    if (ec == std::errc::invalid_argument) return false;
    if (ec == std::errc::result_out_of_range) {
        // Either overflow or underflow: tell them apart by the exponent's sign.
        std::string_view digits(buffer.data() + start, end - (buffer.data() + start));
        auto e = digits.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    value = negative ? -v : v;
    used = static_cast<size_t>(end - buffer.data());
    return true;
}

float ToSingle(double v) {
    if (std::isinf(v) || std::fabs(v) > std::numeric_limits<float>::max())
        throw NumericOverflow("value too large for a single");
    return static_cast<float>(v);
}

} // namespace

std::string TrimText(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlankOrControl(text[b]))
        ++b;
    while (e > b && IsBlankOrControl(text[e - 1]))
        --e;
    return std::string(text.substr(b, e - b));
}

std::string_view FieldText(std::string_view line, int first, int count) {
    if (first < 1 || count <= 0) return {};
    size_t from = static_cast<size_t>(first - 1);
    if (from >= line.size()) return {};
    return line.substr(from, static_cast<size_t>(count));
}

int32_t TextToInt(std::string_view text) {
    std::string t = TrimText(text);
    if (t.empty()) return 0;
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (*b == '+') ++b;
    if (b < e && *b == '+') return 0;
    int32_t v = 0;
    auto [end, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || end != e) return 0;
    return v;
}

float TextToReal(std::string_view text) {
    std::string t = TrimText(text);
    if (t.empty()) return 0.0f;
    double v = 0;
    size_t used = 0;
    if (!ParseRealPrefix(t, v, used)) return 0.0f;
    return ToSingle(v);
}

double TextToDouble(std::string_view text) {
    std::string t = TrimText(text);
    double v = 0;
    size_t used = 0;
    if (t.empty() || !ParseRealPrefix(t, v, used) || !std::isfinite(v)) return 0.0;
    return v;
}

bool TryParseReal(std::string_view text, double& value) {
    std::string t = TrimText(text);
    size_t used = 0;
    return !t.empty() && ParseRealPrefix(t, value, used) && used == t.size();
}

int32_t ReadIntField(std::string_view line, int first, int count) {
    return TextToInt(FieldText(line, first, count));
}

float ReadRealField(std::string_view line, int first, int count) {
    return TextToReal(FieldText(line, first, count));
}

std::string FormatReal(int width, int decimals, double value) {
    return RightAlign(FixedText(value, decimals), width);
}

std::string FormatWide(int decimals, double value) {
    double m = std::fabs(value);
    if (m >= 0.001 && m <= 10000) return FixedText(value, decimals);
    return ScientificText(value, decimals, ExponentStyle::SignedShortest);
}

std::string Pad4Upper(std::string_view text) {
    std::string t = TrimText(text).substr(0, 4);
    t.resize(4, ' ');
    for (char& c : t)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return t;
}

std::string NthField(std::string_view text, std::string_view separator, int n) {
    if (text.size() > 255) throw std::length_error("NthField: text longer than 255 characters");
    if (n < 1 || separator.empty()) return {};
    size_t start = 0;
    for (int field = 1;; ++field) {
        size_t end = text.find(separator, start);
        if (field == n)
            return std::string(
                text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return {};
        start = end + separator.size();
    }
}

int32_t CountFieldStarts(std::string_view text, char c) {
    if (text.size() < 2) return 0;
    int32_t count = 0;
    for (size_t k = 0; k + 1 < text.size(); ++k) {
        char before = k == 0 ? c : text[k - 1];
        if (text[k] != c && before == c) ++count;
    }
    return count;
}

void TBrkApart::Split(std::string_view text) {
    Fields.clear();
    if (Separator.empty()) {
        if (!text.empty()) Fields.emplace_back(text);
        return;
    }
    size_t start = 0;
    while (true) {
        size_t end = text.find(Separator, start);
        std::string_view piece = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!piece.empty()) Fields.emplace_back(piece);
        if (end == std::string_view::npos) break;
        start = end + Separator.size();
    }
}

std::string TBrkApart::Field(int n) const {
    if (n < 1 || n > Count()) return {};
    return Fields[static_cast<size_t>(n - 1)];
}

} // namespace koralix
