// Lines of a text held in memory, read one after the other the way the
// fixed-column readers need them: past the end every line reads as empty.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace koralix {

// Raised for input/output errors while reading: an unreadable file, a
// non-numeric value in a free-format record, or a file that ended long before
// the records it announces.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The lines of a text; line ends are CR LF, LF or CR.
std::vector<std::string_view> SplitLines(std::string_view text);

class LineSource {
  public:
    // Lines may end in CR LF, LF or CR.
    explicit LineSource(std::string text);

    // The next line; past the end an empty line. A file that announces far more
    // lines than it holds raises InputError instead of building defaults forever.
    std::string_view Next();
    bool AtEnd() const { return next_ >= lines_.size(); }
    // Whether the text could still supply this many lines, counting the empty
    // lines allowed past its end.
    bool CanSupply(long long lines) const;
    // Skips up to `count` lines, stopping at the end of the text.
    void Skip(long long count);
    // Free-format numbers: separated by blanks and line ends, continuing on the
    // following lines. A token that is not a number raises InputError; past the
    // end of the text a number reads as 0.
    float NextFreeNumber();
    // Drops the rest of the line the free-format reading stands in.
    void EndFreeLine();
    // Called once, at the first line or number read past the end of the text:
    // a reader that needs it has met a file shorter than its own records.
    void OnFirstPastEnd(std::function<void()> call) { onPastEnd_ = std::move(call); }
    size_t LineCount() const { return lines_.size(); }

  private:
    std::string text_;
    std::vector<std::string_view> lines_;
    size_t next_ = 0;
    long long pastEnd_ = 0;
    // Position inside the current line of free-format reading, if any.
    bool inFreeLine_ = false;
    std::string_view freeLine_;
    size_t freePos_ = 0;
    std::function<void()> onPastEnd_;
    bool pastEndSeen_ = false;
    void PastEnd();
};

} // namespace koralix
