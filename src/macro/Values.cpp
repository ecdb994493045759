#include "Values.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace koralix::macro {

int32_t RoundToInt(double v) {
    if (std::isnan(v)) InvalidFloat();
    const double r = std::nearbyint(v);
    if (r < -2147483648.0 || r > 2147483647.0) RangeError();
    return static_cast<int32_t>(r);
}

int32_t DayNumberOfDate(double date) {
    if (std::isnan(date)) InvalidFloat();
    const double n = std::floor(date) + kDayNumberOfDateZero;
    if (n < -2147483648.0 || n > 2147483647.0) RangeError();
    return static_cast<int32_t>(n);
}

float ToSingle(double v) {
    if (std::isnan(v)) InvalidFloat();
    const float f = static_cast<float>(v);
    if (std::isinf(f)) Fault("Floating point overflow");
    return f;
}

double CheckedReal(double v) {
    if (std::isnan(v)) InvalidFloat();
    if (std::isinf(v)) Fault("Floating point overflow");
    return v;
}

void StoreInt(char letter, uint8_t* p, int32_t v) {
    switch (letter) {
    case kInteger:
        PutI32(p, v);
        break;
    case kSingle:
        PutF32(p, static_cast<float>(v));
        break;
    case kDouble:
        PutF64(p, v);
        break;
    case kDate:
        PutF64(p, DateOfDayNumber(v));
        break;
    case kString:
        p[0] = 0;
        break;
    default:
        break;
    }
}

void StoreReal(char letter, uint8_t* p, double v) {
    switch (letter) {
    case kInteger:
        PutI32(p, RoundToInt(v));
        break;
    case kSingle:
        PutF32(p, ToSingle(v));
        break;
    case kDouble:
        PutF64(p, CheckedReal(v));
        break;
    case kDate:
        PutF64(p, DateOfDayNumber(RoundToInt(v)));
        break;
    case kString:
        p[0] = 0;
        break;
    default:
        break;
    }
}

void StoreString(char letter, uint8_t* p, std::string_view s) {
    if (letter == kString) {
        const size_t n = std::min<size_t>(s.size(), kMaxStringLength);
        std::memmove(p + 1, s.data(), n);
        p[0] = static_cast<uint8_t>(n);
        return;
    }
    if (letter == kDate)
        PutF64(p, 0.0);
    else if (letter != kObject)
        StoreInt(letter, p, 0);
}

void StoreDate(char letter, uint8_t* p, double date) {
    switch (letter) {
    case kDate:
        PutF64(p, date);
        break;
    case kString:
        p[0] = 0;
        break;
    case kObject:
        break;
    default:
        StoreInt(letter, p, DayNumberOfDate(date));
        break;
    }
}

void ConvertValue(char destLetter, uint8_t* dest, char srcLetter, const uint8_t* src,
                  int objectSize) {
    if (destLetter == kObject || srcLetter == kObject) {
        if (destLetter == srcLetter && dest != src) std::memmove(dest, src, objectSize);
        return;
    }
    switch (srcLetter) {
    case kInteger:
        StoreInt(destLetter, dest, LoadI32(src));
        break;
    case kSingle:
        if (destLetter == kSingle)
            std::memmove(dest, src, 4);
        else
            StoreReal(destLetter, dest, LoadF32(src));
        break;
    case kDouble:
        StoreReal(destLetter, dest, LoadF64(src));
        break;
    case kString:
        if (destLetter == kString) {
            if (dest != src) std::memmove(dest, src, 1u + src[0]);
        } else {
            StoreString(destLetter, dest, {});
        }
        break;
    case kDate:
        StoreDate(destLetter, dest, LoadF64(src));
        break;
    default:
        break;
    }
}

// Days from 1970-01-01 of a proleptic Gregorian date.
static int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

static void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y += m <= 2;
}

static const int64_t kDateZero = DaysFromCivil(1899, 12, 30);

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, double& date) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    const int last = days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > last) return false;
    date = static_cast<double>(DaysFromCivil(year, month, day) - kDateZero);
    return true;
}

void DecodeDate(double date, int& year, int& month, int& day) {
    if (!std::isfinite(date) || std::fabs(date) > 1e9) InvalidFloat();
    int64_t y;
    CivilFromDays(static_cast<int64_t>(std::floor(date)) + kDateZero, y, month, day);
    year = static_cast<int>(y);
}

std::string DateText(double date) {
    int y, m, d;
    DecodeDate(date, y, m, d);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
    return buffer;
}

bool TryParseDate(std::string_view text, double& date) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parts[i]);
        if (ec != std::errc() || end == text.data()) return false;
        text.remove_prefix(static_cast<size_t>(end - text.data()));
        if (i < 2) {
            if (text.empty() || text.front() != '-') return false;
            text.remove_prefix(1);
        }
    }
    return text.empty() && TryEncodeDate(parts[0], parts[1], parts[2], date);
}

} // namespace koralix::macro
