#include "PcrLines.h"

#include "ImportSupport.h"
#include "LineSource.h"
#include "TextHelpers.h"

#include <stdexcept>

namespace koralix {

namespace {
// Lines read past the end before the file counts as cut off.
constexpr long long MaxPastEnd = 10000;
} // namespace

bool IsComment(std::string_view line) {
    return !line.empty() && line[0] == '!';
}

PcrLines::PcrLines(const std::string& text, TRecordLabel& label)
    : label_(label), text_(text), lines_(SplitLines(text_)) {}

std::string_view PcrLines::Raw() {
    words_.clear();
    if (next_ < lines_.size()) return lines_[next_++];
    if (++pastEnd_ > MaxPastEnd) throw InputError("file ends long before its records");
    return {};
}

std::string_view PcrLines::Content() {
    words_.clear();
    while (next_ < lines_.size() && IsComment(lines_[next_]))
        ++next_;
    label_.AdvanceWhole();
    if (next_ >= lines_.size()) throw std::runtime_error("file ends where a line is expected");
    std::string_view line = lines_[next_++];
    if (WordsOf(line).empty()) throw std::runtime_error("empty line");
    return line;
}

void PcrLines::SkipContent(int count) {
    for (int k = 0; k < count; ++k)
        Content();
}

float PcrLines::Number() {
    while (word_ >= words_.size()) {
        if (next_ >= lines_.size()) return 0.0f;
        words_ = WordsOf(lines_[next_++]);
        word_ = 0;
    }
    double value = 0;
    if (!TryParseReal(words_[word_++], value)) throw InputError("not a number");
    if (!(value >= -3.4e38 && value <= 3.4e38)) throw NumericOverflow("number too large");
    return static_cast<float>(value);
}

bool PcrLines::CanHold(long long count) const {
    const long long left = static_cast<long long>(lines_.size()) - static_cast<long long>(next_);
    return count <= left + MaxPastEnd - pastEnd_;
}

Words::Words(std::string_view line) : words_(WordsOf(line)) {}

std::string_view Words::Text(int n) const {
    if (n < 1 || n > Count()) return {};
    return words_[static_cast<size_t>(n - 1)];
}

float Words::Real(int n) const {
    return TextToReal(Text(n));
}

int Words::Int(int n) const {
    return TextToInt(Text(n));
}

void ReadScatteringBlock(PcrLines& lines, THistogram& histogram) {
    for (TScatterFactor& entry : histogram.Scatter.Items) {
        std::string_view line = lines.Raw();
        entry.Name = FieldText(line, 1, 4);
        entry.FPrime = ReadRealField(line, 5, 8);
        entry.FDoublePrime = ReadRealField(line, 13, 8);
        if (!histogram.IsXrayCw()) continue;
        line = lines.Raw();
        if (ReadRealField(line, 19, 8) != 0) {
            entry.Kind = 0;
            entry.Coeff[0] = ReadRealField(line, 1, 8);
            for (int j = 2; j <= 9; ++j)
                entry.Coeff[static_cast<size_t>(j - 1)] = ReadRealField(line, 9 * j - 8, 8);
            continue;
        }
        entry.Kind = 1;
        while (ReadRealField(line, 1, 8) != -100.0f) {
            if (entry.TableCount() < MaxTablePairs)
                entry.AddTablePair(ReadRealField(line, 1, 8), ReadRealField(line, 9, 8));
            if (!lines.CanHold(1) || lines.Position() >= lines.LineCount()) break;
            line = lines.Raw();
        }
    }
}

} // namespace koralix
