// Number fields of the diffraction data files. Unlike the lenient field rules
// of the input file, a data field is either a number, blank, or an error the
// reader reports: a pattern with silently zeroed points would mislead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace koralix {

enum class FieldStatus { Number, Blank, NotNumber, TooLarge };

// The trimmed text must be a decimal number as a whole: sign, digits with an
// optional point, optional exponent. No locale, no comma, no "inf" or "nan".
FieldStatus ParseDataNumber(std::string_view text, float& value);

// Blank-separated words (tabs count as blanks).
std::vector<std::string_view> SplitWords(std::string_view line);

// A whole text file and its lines without their line ends (LF or CRLF).
class TextLines {
  public:
    // False when the file cannot be opened or read; Problem() says why.
    // Lines may end in LF, CR LF, or in a lone CR in a file without LF.
    bool Read(const std::string& fileName);
    const std::string& Problem() const { return problem_; }
    int Count() const { return static_cast<int>(lines_.size()); }
    std::string_view operator[](int index) const { return lines_[static_cast<size_t>(index)]; }

  private:
    std::string text_;
    std::vector<std::string_view> lines_; // views into text_
    std::string problem_;
};

} // namespace koralix
