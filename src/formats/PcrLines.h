// The lines of a FullProf or DBWS control file with the reading rules both
// importers share: fixed columns, free-format numbers running over lines, and
// for FullProf's free layout whole lines split into words, "!" comment lines
// skipped.
#pragma once

#include "Model.h"

#include <string>
#include <string_view>
#include <vector>

namespace koralix {

class PcrLines {
  public:
    PcrLines(const std::string& text, TRecordLabel& label);

    // The next physical line; past the end an empty one (a file that ends far
    // before its records raises InputError instead).
    std::string_view Raw();
    // The next line that is not a "!" comment, counted on the record label.
    // A file that has none left, or an empty line, raises an error.
    std::string_view Content();
    void SkipContent(int count);
    // Free-format numbers over the following lines; the rest of the last line
    // is dropped by EndNumbers.
    float Number();
    void EndNumbers() { words_.clear(); }

    size_t Position() const { return next_; }
    void MoveTo(size_t position) { next_ = position; }
    size_t LineCount() const { return lines_.size(); }
    std::string_view Line(size_t i) const { return lines_[i]; }
    // Whether the file could hold this many more lines.
    bool CanHold(long long count) const;

  private:
    TRecordLabel& label_;
    std::string text_;
    std::vector<std::string_view> lines_;
    size_t next_ = 0;
    long long pastEnd_ = 0;
    std::vector<std::string_view> words_;
    size_t word_ = 0;
};

// Words of a line and their numbers; a missing word reads as 0.
class Words {
  public:
    explicit Words(std::string_view line);
    float Real(int n) const;
    int Int(int n) const;
    std::string_view Text(int n) const;
    int Count() const { return static_cast<int>(words_.size()); }

  private:
    std::vector<std::string_view> words_;
};

bool IsComment(std::string_view line);

// The scattering-factor block of FullProf and DBWS files: one entry per item
// of the histogram's list, read in fixed columns from raw lines.
void ReadScatteringBlock(PcrLines& lines, THistogram& histogram);

} // namespace koralix
