#include "NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace koralix {

namespace {

std::string ToChars(double value, std::chars_format format, int precision) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (ec != std::errc()) return "NAN";
    return std::string(buffer, end);
}

struct Scientific {
    bool negative = false;
    std::string digits; // significant digits, no point
    int exponent = 0;
};

// value rounded to `digits` significant digits, as digits and a decimal exponent.
Scientific Decompose(double value, int digits) {
    std::string text = ToChars(value, std::chars_format::scientific, digits - 1);
    Scientific s;
    size_t i = 0;
    if (text[i] == '-') {
        s.negative = true;
        ++i;
    }
    size_t e = text.find('e');
    for (; i < e; ++i)
        if (text[i] != '.') s.digits.push_back(text[i]);
    s.exponent = std::atoi(text.c_str() + e + 1);
    return s;
}

void StripTrailingZeros(std::string& digits) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
}

std::string ExponentText(int exponent, ExponentStyle style) {
    std::string sign = exponent < 0 ? "-" : (style == ExponentStyle::MinusShortest ? "" : "+");
    std::string number = std::to_string(std::abs(exponent));
    if (style == ExponentStyle::TwoDigitSigned && number.size() < 2) number = "0" + number;
    return "E" + sign + number;
}

// Digits laid out as a fixed-point number with the point after `exponent`+1 digits.
std::string PlaceDigits(const Scientific& s, int decimals) {
    std::string integer, fraction;
    int intDigits = s.exponent + 1;
    for (int k = 0; k < intDigits; ++k)
        integer.push_back(k < static_cast<int>(s.digits.size()) ? s.digits[k] : '0');
    if (integer.empty()) integer = "0";
    for (int k = 0; k < decimals; ++k) {
        int index = intDigits + k;
        fraction.push_back(index >= 0 && index < static_cast<int>(s.digits.size()) ? s.digits[index]
                                                                                   : '0');
    }
    std::string text = (s.negative ? "-" : "") + integer;
    if (decimals > 0) text += "." + fraction;
    return text;
}

double ReadBack(const std::string& text) {
    double v = 0;
    std::string_view t(text);
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}

} // namespace

std::string RightAlign(std::string text, int width) {
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string FixedText(double value, int decimals) {
    return ToChars(value, std::chars_format::fixed, decimals);
}

std::string ScientificText(double value, int digits, ExponentStyle style) {
    Scientific s = Decompose(value, digits);
    if (value == 0) s.exponent = 0;
    std::string text = s.negative ? "-" : "";
    text += s.digits.substr(0, 1);
    if (digits > 1) text += "." + s.digits.substr(1);
    return text + ExponentText(s.exponent, style);
}

std::string GeneralText(double value, int precision) {
    if (value == 0) return "0";
    Scientific s = Decompose(value, precision);
    StripTrailingZeros(s.digits);
    if (s.exponent >= -4 && s.exponent < precision) {
        int decimals = std::max(0, static_cast<int>(s.digits.size()) - s.exponent - 1);
        return PlaceDigits(s, decimals);
    }
    std::string text = s.negative ? "-" : "";
    text += s.digits.substr(0, 1);
    if (s.digits.size() > 1) text += "." + s.digits.substr(1);
    return text + ExponentText(s.exponent, ExponentStyle::MinusShortest);
}

std::string RoundedFixedText(double value, int precision, int decimals) {
    if (value == 0) return FixedText(0.0, decimals);
    Scientific s = Decompose(value, precision);
    if (s.exponent + 1 > precision) return GeneralText(value, precision);
    // Rounding to the decimals alone is the coarser step: round once, there.
    if (decimals <= precision - s.exponent - 1) return FixedText(value, decimals);
    return PlaceDigits(s, decimals);
}

std::string FitNumber(std::string text, double value, int width) {
    if (static_cast<int>(text.size()) <= width || !std::isfinite(value))
        return RightAlign(text, width);
    std::string best;
    double bestError = std::numeric_limits<double>::infinity();
    auto consider = [&](const std::string& candidate) {
        if (static_cast<int>(candidate.size()) > width) return;
        double error = std::fabs(ReadBack(candidate) - value);
        if (error < bestError) {
            best = candidate;
            bestError = error;
        }
    };
    // On equal accuracy the form of the original text wins.
    auto fixedForms = [&] {
        for (int decimals = 9; decimals >= 0; --decimals)
            consider(FixedText(value, decimals));
    };
    auto scientificForms = [&] {
        for (int digits = 9; digits >= 1; --digits)
            consider(ScientificText(value, digits, ExponentStyle::MinusShortest));
    };
    if (text.find('E') != std::string::npos) {
        scientificForms();
        fixedForms();
    } else {
        fixedForms();
        scientificForms();
    }
    if (best.empty()) return text; // nothing fits: the whole text, as before
    return RightAlign(best, width);
}

std::string F(int width, int decimals, double value) {
    return FitNumber(FixedText(value, decimals), value, width);
}

std::string G(int precision, int width, double value) {
    return FitNumber(GeneralText(value, precision), value, width);
}

std::string S(int precision, int width, double value) {
    return FitNumber(ScientificText(value, precision, ExponentStyle::TwoDigitSigned), value, width);
}

std::string X(int precision, int decimals, int width, double value) {
    return FitNumber(RoundedFixedText(value, precision, decimals), value, width);
}

std::string I(int width, long long value) {
    return RightAlign(std::to_string(value), width);
}

} // namespace koralix
