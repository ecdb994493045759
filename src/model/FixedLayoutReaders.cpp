// The fixed-column readers: ZKRM .dat and GSAS raw data.
#include "DataReaders.h"

#include "DataFileRead.h"
#include "PlotData.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace koralix {

namespace {

// Fixed records of the .dat and GSAS files: only the first 80 columns count.
constexpr size_t RecordWidth = 80;

// How a point of a ten-point record splits its 8 columns into W and Y.
enum class PointLayout { CountAndValue, DigitAndValue, ValueOnly };

// GSAS record layouts; Fxye covers FXY and FXYE, one free-format point a line.
enum class GsasFamily { Std, Esd, Alt, Fxye };

std::string_view Record(std::string_view line) {
    return line.substr(0, RecordWidth);
}

// The layout of ten-point records from the first two characters of the
// first data line; nothing when the line is too short to tell.
std::optional<PointLayout> DetectPointLayout(std::string_view line) {
    if (line.size() < 2) return std::nullopt;
    const bool blank0 = line[0] == ' ';
    const bool blank1 = line[1] == ' ';
    if (blank0 && blank1) return PointLayout::ValueOnly;
    if (!blank0 && blank1) return PointLayout::DigitAndValue;
    return PointLayout::CountAndValue;
}

// Point j (0-based) of a ten-point record.
bool ReadTenPointField(DataFileRead& read, int lineIndex, std::string_view record, int j,
                       PointLayout layout, float& w, float& y) {
    const size_t base = static_cast<size_t>(j) * 8;
    switch (layout) {
    case PointLayout::CountAndValue:
        return read.FixedField(lineIndex, record, base, 2, w) &&
               read.FixedField(lineIndex, record, base + 2, 6, y);
    case PointLayout::DigitAndValue:
        return read.FixedField(lineIndex, record, base, 1, w) &&
               read.FixedField(lineIndex, record, base + 1, 7, y);
    case PointLayout::ValueOnly:
        w = 1.0f;
        return read.FixedField(lineIndex, record, base, 8, y);
    }
    return false;
}

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// Points held `perRecord` to a record from line `firstLine` on, each in a
// slot of `slotWidth` columns; readPoint fills point n from slot j of its
// record. Blank slots read as zeros, but blank slots at the end of the data
// are no points at all: real files often end with a shorter record, or hold
// fewer records than their header announces. Reading stops at the first bad
// field; the result is the number of points up to the last one present.
template <typename ReadPoint>
int ReadRecords(DataFileRead& read, int firstLine, int count, int perRecord, size_t slotWidth,
                ReadPoint readPoint) {
    int held = 0;
    for (int n = 0; n < count; ++n) {
        const int lineIndex = firstLine + n / perRecord;
        if (lineIndex >= read.LineCount()) break;
        const std::string_view record = Record(read.Line(lineIndex));
        const int j = n % perRecord;
        const size_t first = static_cast<size_t>(j) * slotWidth;
        const bool present = first < record.size() && !IsBlank(record.substr(first, slotWidth));
        if (!readPoint(lineIndex, record, j, static_cast<size_t>(n))) break;
        if (present) held = n + 1;
    }
    return held;
}

} // namespace

void ReadDatFile(TData& data, const std::string& fileName, Messenger& messenger) {
    DataFileRead read(data, fileName, messenger);
    if (!read.Open()) {
        read.Say("Error opening file.");
        read.Say("Cannot determine datafile format.");
        return;
    }
    float start = 0, step = 0, finish = 0;
    std::string title;
    std::optional<PointLayout> layout;
    if (read.LineCount() >= 2 && ParseHeaderLine(read.Line(0), start, step, finish, title))
        layout = DetectPointLayout(read.Line(1));
    // The header counts as 80 columns like every record.
    if (!layout || !ParseHeaderLine(Record(read.Line(0)), start, step, finish, title)) {
        read.Say("Cannot determine datafile format.");
        return;
    }
    const double announced =
        RoundCount((static_cast<double>(finish) - start) / static_cast<double>(step)) + 1;
    const auto count = read.BoundedCount(announced, 0);
    if (!count || !read.Allocate(*count)) return;
    data.Start = start;
    data.Step = step;
    data.Finish = finish;
    data.Title = title;
    const int pointsRead = ReadRecords(
        read, 1, *count, 10, 8, [&](int lineIndex, std::string_view record, int j, size_t n) {
            data.X[n] = GridX(start, step, n);
            return ReadTenPointField(read, lineIndex, record, j, *layout, data.W[n], data.Y[n]);
        });
    read.Finish(pointsRead);
}

namespace {

struct BankLine {
    int nchan = 0;
    float bcoef1 = 0, bcoef2 = 0;
};

// Index of the BANK line: line 2, or else the first line starting with BANK
// after header lines (instrument parameter file, "#" comments, notes).
std::optional<int> FindBankLine(const DataFileRead& read) {
    if (read.LineCount() < 2) return std::nullopt;
    if (read.Line(1).find("BANK") != std::string_view::npos) return 1;
    for (int i = 2; i < read.LineCount(); ++i) {
        const auto words = SplitWords(read.Line(i));
        if (!words.empty() && words[0].substr(0, 4) == "BANK") return i;
    }
    return std::nullopt;
}

GsasFamily DetectFamily(std::string_view bankLine) {
    auto has = [&](std::string_view word) { return bankLine.find(word) != std::string_view::npos; };
    if (has("FXY")) return GsasFamily::Fxye; // FXYE, or FXY without the esd
    GsasFamily family = GsasFamily::Std;
    if (has("ESD")) family = GsasFamily::Esd;
    if (has("ALT")) family = GsasFamily::Alt;
    return family;
}

bool ParseWholeNumber(std::string_view text, int& value) {
    float v = 0;
    if (ParseDataNumber(text, v) != FieldStatus::Number || v != std::trunc(v) || v < -2e9f ||
        v > 2e9f)
        return false;
    value = static_cast<int>(v);
    return true;
}

// BANK, bank number, NCHAN, NREC, binning type, BCOEF1, BCOEF2, ... read as
// blank-separated words, so extra blanks and a leading blank do no harm.
std::optional<BankLine> ParseBankLine(std::string_view line) {
    auto words = SplitWords(line);
    if (words.empty() || words[0].substr(0, 4) != "BANK") return std::nullopt;
    if (words[0].size() > 4) // "BANK1": the bank number joined to the word
        words[0] = words[0].substr(4);
    else
        words.erase(words.begin());
    // bank number, NCHAN, NREC, binning type, BCOEF1, BCOEF2
    if (words.size() < 6) return std::nullopt;
    BankLine bank;
    int bankNumber = 0, nrec = 0;
    if (!ParseWholeNumber(words[0], bankNumber) || !ParseWholeNumber(words[1], bank.nchan) ||
        !ParseWholeNumber(words[2], nrec) ||
        ParseDataNumber(words[4], bank.bcoef1) != FieldStatus::Number ||
        ParseDataNumber(words[5], bank.bcoef2) != FieldStatus::Number)
        return std::nullopt;
    return bank;
}

// The points of the records after the BANK line, in the family's layout.
int ReadGsasRecords(DataFileRead& read, GsasFamily family, PointLayout layout, int firstRecord,
                    int count) {
    TData& data = read.Data();
    const float start = data.Start, step = data.Step;
    switch (family) {
    case GsasFamily::Std:
        return ReadRecords(read, firstRecord, count, 10, 8,
                           [&](int line, std::string_view record, int j, size_t n) {
                               data.X[n] = GridX(start, step, n);
                               return ReadTenPointField(read, line, record, j, layout, data.W[n],
                                                        data.Y[n]);
                           });
    case GsasFamily::Esd:
        return ReadRecords(read, firstRecord, count, 5, 16,
                           [&](int line, std::string_view record, int j, size_t n) {
                               const size_t base = static_cast<size_t>(j) * 16;
                               data.X[n] = GridX(start, step, n);
                               return read.FixedField(line, record, base, 8, data.Y[n]) &&
                                      read.FixedField(line, record, base + 8, 8, data.W[n]);
                           });
    case GsasFamily::Alt:
        return ReadRecords(read, firstRecord, count, 4, 20,
                           [&](int line, std::string_view record, int j, size_t n) {
                               const size_t base = static_cast<size_t>(j) * 20;
                               return read.FixedField(line, record, base, 8, data.X[n]) &&
                                      read.FixedField(line, record, base + 8, 7, data.Y[n]) &&
                                      read.FixedField(line, record, base + 15, 5, data.W[n]);
                           });
    case GsasFamily::Fxye:
        // One point a line in free format: x, y and its esd.
        return ReadRecords(
            read, firstRecord, count, 1, RecordWidth,
            [&](int line, std::string_view, int, size_t n) {
                const auto words = SplitWords(read.Line(line));
                data.W[n] = 1.0f;
                if (words.empty()) { // a blank line: no point, unless data follow
                    data.X[n] = data.Y[n] = 0;
                    return true;
                }
                auto word = [&](size_t k) { return k < words.size() ? words[k] : ""; };
                if (!read.Field(line, word(0), false, data.X[n]) ||
                    !read.Field(line, word(1), false, data.Y[n]))
                    return false;
                return words.size() < 3 || read.Field(line, word(2), false, data.W[n]);
            });
    }
    return 0;
}

} // namespace

void ReadGsasFile(TData& data, const std::string& fileName, Messenger& messenger) {
    DataFileRead read(data, fileName, messenger);
    if (!read.Open()) {
        read.Say("Error opening file.");
        read.Say("Cannot determine GSAS datafile format.");
        return;
    }
    const auto bankIndex = FindBankLine(read);
    if (!bankIndex) {
        read.Say("Cannot determine GSAS datafile format.");
        return;
    }
    const int firstRecord = *bankIndex + 1;
    const GsasFamily family = DetectFamily(read.Line(*bankIndex));
    std::optional<PointLayout> layout = PointLayout::ValueOnly;
    if (family == GsasFamily::Std)
        layout = firstRecord < read.LineCount() ? DetectPointLayout(read.Line(firstRecord))
                                                : std::nullopt;
    if (!layout) {
        read.Say("Cannot determine GSAS datafile format.");
        return;
    }
    const auto bank = ParseBankLine(read.Line(*bankIndex));
    if (!bank) {
        const bool timeMap = read.Line(*bankIndex).find("TIME_MAP") != std::string_view::npos;
        read.Report(read.Where(*bankIndex) + (timeMap ? ": TIME_MAP binning is not supported."
                                                      : ": the BANK line cannot be read."));
        return;
    }
    const auto count = read.BoundedCount(bank->nchan, *bankIndex);
    if (!count || !read.Allocate(*count)) return;
    data.Title = std::string(read.Line(0));
    data.Start = bank->bcoef1 / 100;
    data.Step = bank->bcoef2 / 100;
    data.Finish = static_cast<float>((bank->nchan - 1.0) * data.Step + data.Start);

    const int pointsRead = ReadGsasRecords(read, family, *layout, firstRecord, *count);
    read.Finish(pointsRead);
}

} // namespace koralix
