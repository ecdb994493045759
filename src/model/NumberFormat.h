// The number forms of the input file (fixed, general, scientific, rounded
// fixed and wide), built on std::to_chars so that no locale ever reaches them.
#pragma once

#include <string>

namespace koralix {

enum class ExponentStyle {
    TwoDigitSigned, // E+05, E-02: the S form
    SignedShortest, // E+4, E-3: the wide form
    MinusShortest,  // E4, E-3: the G form
};

std::string RightAlign(std::string text, int width);

// Fixed point with exactly `decimals` decimals.
std::string FixedText(double value, int decimals);
// One digit, point, digits-1 decimals, exponent in the given style.
std::string ScientificText(double value, int digits, ExponentStyle style);
// G p: plain without trailing zeros when 1e-4 <= |x| < 10^p, else mantissa without
// trailing zeros and a shortest exponent with a minus sign only.
std::string GeneralText(double value, int precision);
// X p.d: d decimals after rounding to p significant digits; G p when more than p
// integer digits.
std::string RoundedFixedText(double value, int precision, int decimals);

// A number text that must stay inside `width` columns: when the text is wider,
// the form that fits and reads back closest to the value is chosen instead
// (fewer decimals or a shorter scientific form), so that the next field of the
// line stays in its columns. Fitting texts are returned right-aligned unchanged.
std::string FitNumber(std::string text, double value, int width);

// Convenience forms used by the writer: right-aligned and fitted to width.
std::string F(int width, int decimals, double value);
std::string G(int precision, int width, double value);
std::string S(int precision, int width, double value);
std::string X(int precision, int decimals, int width, double value);
std::string I(int width, long long value);

} // namespace koralix
