// How values are shown to the user (message boxes, the WRITE output): reals in
// the general number format, integers in decimal, strings as they are, dates
// as yyyy-mm-dd.
#pragma once

#include <cstdint>
#include <string>

namespace koralix::macro {

// Shortest form that reads back to the value at the given precision (a SINGLE
// shows about seven digits, a DOUBLE fifteen); exponent form below 1E-4 and
// from 1E15 on.
std::string GeneralNumberText(double value, bool single);
std::string DisplayText(char letter, const uint8_t* p);
// Number pictures: 0 digit, # optional digit, . point, , thousands, E+/E-
// exponent, ; sections (positive;negative;zero), quoted literals.
std::string FormatFloatText(const std::string& picture, double value);

} // namespace koralix::macro
