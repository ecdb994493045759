// Reading and storing values by type letter, with the conversions of the
// language: reals round to integers half to even, strings read as 0, dates
// read as day numbers (1 January of year 1 is day 1, by the calendar).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "MacroError.h"
#include "Types.h"

namespace koralix::macro {

// Days of the date value 0 (30 December 1899) counted from 1 January 1: the day
// number of a date value d is floor(d) + kDayNumberOfDateZero.
inline constexpr int32_t kDayNumberOfDateZero = 693594;

inline int32_t LoadI32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline float LoadF32(const uint8_t* p) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
}
inline double LoadF64(const uint8_t* p) {
    double v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void PutI32(uint8_t* p, int32_t v) {
    std::memcpy(p, &v, 4);
}
inline void PutF32(uint8_t* p, float v) {
    std::memcpy(p, &v, 4);
}
inline void PutF64(uint8_t* p, double v) {
    std::memcpy(p, &v, 8);
}

// Rounds half to even; a value outside the 32-bit range is a range error.
int32_t RoundToInt(double v);
int32_t DayNumberOfDate(double date);
inline double DateOfDayNumber(int32_t n) {
    return static_cast<double>(n) - kDayNumberOfDateZero;
}
// Stores a real into a single; an overflow or NaN is a floating-point fault.
float ToSingle(double v);
double CheckedReal(double v);

inline int32_t ReadInt(char letter, const uint8_t* p) {
    switch (letter) {
    case kInteger:
        return LoadI32(p);
    case kSingle:
        return RoundToInt(LoadF32(p));
    case kDouble:
        return RoundToInt(LoadF64(p));
    case kDate:
        return DayNumberOfDate(LoadF64(p));
    default:
        return 0;
    }
}

inline double ReadReal(char letter, const uint8_t* p) {
    switch (letter) {
    case kInteger:
        return LoadI32(p);
    case kSingle:
        return LoadF32(p);
    case kDouble:
        return LoadF64(p);
    case kDate:
        return DayNumberOfDate(LoadF64(p));
    default:
        return 0;
    }
}

inline std::string_view ReadString(char letter, const uint8_t* p) {
    if (letter != kString) return {};
    return {reinterpret_cast<const char*>(p + 1), p[0]};
}

// Reads a DATE value (the date itself, not its day number).
inline double ReadDate(char letter, const uint8_t* p) {
    switch (letter) {
    case kDate:
        return LoadF64(p);
    case kInteger:
        return DateOfDayNumber(LoadI32(p));
    case kSingle:
        return DateOfDayNumber(RoundToInt(LoadF32(p)));
    case kDouble:
        return DateOfDayNumber(RoundToInt(LoadF64(p)));
    default:
        return 0;
    }
}

void StoreInt(char letter, uint8_t* p, int32_t v);
void StoreReal(char letter, uint8_t* p, double v);
// Texts longer than 255 characters are cut.
void StoreString(char letter, uint8_t* p, std::string_view s);
void StoreDate(char letter, uint8_t* p, double date);

// dest := source, converted by the destination's letter. Objects copy
// `objectSize` bytes.
void ConvertValue(char destLetter, uint8_t* dest, char srcLetter, const uint8_t* src,
                  int objectSize);

// Calendar helpers (proleptic Gregorian).
bool IsLeapYear(int year);
bool TryEncodeDate(int year, int month, int day, double& date);
void DecodeDate(double date, int& year, int& month, int& day);
std::string DateText(double date); // yyyy-mm-dd
bool TryParseDate(std::string_view text, double& date);

} // namespace koralix::macro
