#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "NumberFormat.h"
#include "Values.h"

namespace koralix::macro {

namespace {

struct Digits {
    std::string digits; // without point, no trailing zeros
    int exponent = 0;   // of the first digit
};

Digits Decompose(double value, bool single) {
    char buffer[64];
    std::to_chars_result r =
        single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                               std::chars_format::scientific)
               : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                               14);
    std::string_view text(buffer, static_cast<size_t>(r.ptr - buffer));
    Digits d;
    const size_t e = text.find('e');
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9') d.digits += c;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(),
                    d.exponent);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

} // namespace

std::string GeneralNumberText(double value, bool single) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    const Digits d = Decompose(std::fabs(value), single);
    std::string out = value < 0 ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent < -4 || d.exponent >= 15) {
        out += d.digits[0];
        if (n > 1) out += "." + d.digits.substr(1);
        out += "E" + std::to_string(d.exponent);
        return out;
    }
    if (d.exponent < 0)
        return out + "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
    if (n <= d.exponent + 1)
        return out + d.digits + std::string(static_cast<size_t>(d.exponent + 1 - n), '0');
    return out + d.digits.substr(0, static_cast<size_t>(d.exponent + 1)) + "." +
           d.digits.substr(static_cast<size_t>(d.exponent + 1));
}

std::string DisplayText(char letter, const uint8_t* p) {
    switch (letter) {
    case kInteger:
        return std::to_string(LoadI32(p));
    case kSingle:
        return GeneralNumberText(LoadF32(p), true);
    case kDouble:
        return GeneralNumberText(LoadF64(p), false);
    case kString:
        return std::string(ReadString(kString, p));
    case kDate:
        return DateText(LoadF64(p));
    default:
        return {};
    }
}

namespace {

std::vector<std::string> Sections(const std::string& picture) {
    std::vector<std::string> sections(1);
    char quote = 0;
    for (char c : picture) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

std::string Group(const std::string& digits) {
    std::string out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[static_cast<size_t>(i)];
    }
    return out;
}

std::string FormatSection(const std::string& section, double value) {
    std::string prefix, suffix;
    int intZeros = 0, minDecimals = 0, maxDecimals = 0, exponentDigits = -1;
    bool point = false, thousands = false, exponentPlus = false, started = false, ended = false;
    char quote = 0;
    for (size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        std::string& literal = started ? suffix : prefix;
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                literal += c;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        const bool placeholder = c == '0' || c == '#';
        if (!ended && (placeholder || c == '.' || (c == ',' && started))) {
            started = true;
            if (c == '.')
                point = true;
            else if (c == ',')
                thousands = true;
            else if (point)
                maxDecimals++, minDecimals += c == '0';
            else
                intZeros += c == '0';
            continue;
        }
        if (started && !ended && (c == 'E' || c == 'e') && i + 1 < section.size() &&
            (section[i + 1] == '+' || section[i + 1] == '-')) {
            exponentPlus = section[i + 1] == '+';
            exponentDigits = 0;
            i += 2;
            while (i < section.size() && section[i] == '0')
                ++exponentDigits, ++i;
            --i;
            ended = true;
            continue;
        }
        if (started) ended = true;
        (started ? suffix : prefix) += c;
    }
    if (!started) return prefix;
    // Pictures carry at most 18 digits after the point, as the platform's did.
    maxDecimals = std::min(maxDecimals, 18);
    minDecimals = std::min(minDecimals, maxDecimals);
    std::string number;
    if (exponentDigits >= 0) {
        int exponent = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(value)));
        double mantissa = value == 0 ? 0 : value / std::pow(10.0, exponent);
        std::string m = FixedText(mantissa, maxDecimals);
        if (m.size() > 1 && m[0] == '1' && m[1] == '0') { // rounding reached 10
            exponent += 1;
            m = FixedText(mantissa / 10, maxDecimals);
        }
        number = m;
        std::string e = std::to_string(std::abs(exponent));
        if (static_cast<int>(e.size()) < exponentDigits)
            e.insert(0, static_cast<size_t>(exponentDigits) - e.size(), '0');
        number += std::string("E") + (exponent < 0 ? "-" : exponentPlus ? "+" : "") + e;
        return prefix + number + suffix;
    }
    std::string fixed = FixedText(value, maxDecimals);
    std::string integer = fixed.substr(0, fixed.find('.'));
    std::string fraction =
        fixed.find('.') == std::string::npos ? "" : fixed.substr(fixed.find('.') + 1);
    while (static_cast<int>(fraction.size()) > minDecimals && !fraction.empty() &&
           fraction.back() == '0')
        fraction.pop_back();
    if (integer == "0" && intZeros == 0) integer.clear();
    while (static_cast<int>(integer.size()) < intZeros)
        integer.insert(0, "0");
    if (thousands) integer = Group(integer);
    number = integer;
    if (!fraction.empty()) number += "." + fraction;
    return prefix + number + suffix;
}

} // namespace

std::string FormatFloatText(const std::string& picture, double value) {
    if (picture.empty()) return GeneralNumberText(value, false);
    const std::vector<std::string> sections = Sections(picture);
    if (value == 0 && sections.size() >= 3 && !sections[2].empty())
        return FormatSection(sections[2], 0);
    if (value < 0 && sections.size() >= 2 && !sections[1].empty())
        return FormatSection(sections[1], -value);
    const std::string text = FormatSection(sections[0], std::fabs(value));
    const bool allZero = text.find_first_of("123456789") == std::string::npos;
    return value < 0 && !allZero ? "-" + text : text;
}

} // namespace koralix::macro
