// Cutting numbers out of text lines and formatting them back: the tolerant
// field rules every reader, writer and editor of the program shares.
// None of these functions look at the C or C++ locale: "." is always the
// decimal separator.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace koralix {

// Raised when a real field holds a value too large for a single.
class NumericOverflow : public std::range_error {
  public:
    using std::range_error::range_error;
};

std::string TrimText(std::string_view text);

// Columns are 1-based; a line shorter than the field gives a shorter field.
std::string_view FieldText(std::string_view line, int first, int count);
int32_t ReadIntField(std::string_view line, int first, int count);
float ReadRealField(std::string_view line, int first, int count);
int32_t TextToInt(std::string_view text);
float TextToReal(std::string_view text);
// The same lenient reading, keeping double precision (no single range check).
double TextToDouble(std::string_view text);
// Strict form: the whole trimmed text must be a number (after the comma rule).
bool TryParseReal(std::string_view text, double& value);

std::string FormatReal(int width, int decimals, double value);
std::string FormatWide(int decimals, double value);
std::string Pad4Upper(std::string_view text);
std::string NthField(std::string_view text, std::string_view separator, int n);
int32_t CountFieldStarts(std::string_view text, char c);

inline float SignOf(float v) {
    return v > 0 ? 1.0f : (v < 0 ? -1.0f : 0.0f);
}
inline float MinReal(float a, float b) {
    return a < b ? a : b;
}
inline float MaxReal(float a, float b) {
    return a >= b ? a : b;
}

class TBrkApart {
  public:
    std::string Separator = " ";
    std::vector<std::string> Fields;

    void SetSeparator(std::string_view separator) { Separator = separator; }
    void Split(std::string_view text);
    std::string Field(int n) const;
    int Count() const { return static_cast<int>(Fields.size()); }
};

} // namespace koralix
