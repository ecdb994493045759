#include "DataReaders.h"

#include "DataFields.h"
#include "Messenger.h"
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

// GSAS record layouts.
enum class GsasFamily { Std, Esd, Alt, Fxye };

std::string_view Record(std::string_view line) {
    return line.substr(0, RecordWidth);
}

// One read: the file, the lines, and the first (only) message shown.
class DataFileRead {
  public:
    DataFileRead(TData& data, const std::string& fileName, Messenger& messenger)
        : data_(data), fileName_(fileName), messenger_(messenger) {}

    bool Open() { return lines_.Read(fileName_); }
    int LineCount() const { return lines_.Count(); }
    std::string_view Line(int index) const { return lines_[index]; }
    TData& Data() { return data_; }
    const std::string& FileName() const { return fileName_; }

    // Readers stop at the first problem, so only one message is ever shown.
    void Report(const std::string& text) {
        if (reported_) return;
        reported_ = true;
        messenger_.Message(text);
    }
    void Say(const std::string& text) { messenger_.Message(text); }

    // A number field of a fixed record; blank columns read as 0, as the
    // fixed-format records of these programs always have.
    bool FixedField(int lineIndex, std::string_view record, size_t first, size_t count,
                    float& value) {
        std::string_view text =
            first < record.size() ? record.substr(first, count) : std::string_view();
        return Field(lineIndex, text, true, value);
    }

    // A number that must be present (free-format words).
    bool Field(int lineIndex, std::string_view text, bool blankIsZero, float& value) {
        switch (ParseDataNumber(text, value)) {
        case FieldStatus::Number:
            return true;
        case FieldStatus::Blank:
            if (blankIsZero) {
                value = 0;
                return true;
            }
            Report(Where(lineIndex) + ": a number is missing.");
            return false;
        case FieldStatus::TooLarge:
            Report(Where(lineIndex) + ": \"" + Trim(text) + "\" is too large.");
            return false;
        case FieldStatus::NotNumber:
            break;
        }
        Report(Where(lineIndex) + ": \"" + Trim(text) + "\" is not a number.");
        return false;
    }

    std::string Where(int lineIndex) const {
        return fileName_ + ", line " + std::to_string(lineIndex + 1);
    }

    // Point count announced by a header, bounded by the arrays. Returns
    // nothing (after a message) when the header gives no points at all.
    std::optional<int> BoundedCount(double announced, int headerLine) {
        if (!std::isfinite(announced) || announced < 1) {
            Report(Where(headerLine) + ": the header gives no data points.");
            return std::nullopt;
        }
        if (announced > MaxDataPoints) {
            Report(TooManyPoints());
            return MaxDataPoints;
        }
        return static_cast<int>(announced);
    }

    std::string TooManyPoints() const {
        return fileName_ + " holds more than " + std::to_string(MaxDataPoints) +
               " points; only the first " + std::to_string(MaxDataPoints) + " are read.";
    }

  private:
    static std::string Trim(std::string_view text) {
        size_t b = 0, e = text.size();
        while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
            ++b;
        while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
            --e;
        return std::string(text.substr(b, e - b));
    }

    TData& data_;
    std::string fileName_;
    Messenger& messenger_;
    TextLines lines_;
    bool reported_ = false;
};

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

float GridX(float start, float step, size_t index) {
    return static_cast<float>(static_cast<double>(start) + static_cast<double>(index) * step);
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

// Allocates `count` points and reports when the arrays cannot be had.
bool Allocate(DataFileRead& read, int count) {
    if (read.Data().AllocatePoints(count)) return true;
    read.Report(read.FileName() + ": not enough memory for " + std::to_string(count) + " points.");
    return false;
}

void FinishRead(TData& data, int pointsRead) {
    data.PointCount = pointsRead;
    data.Kind = KindDataFile;
}

// Round half to even, as the announced point counts have always been rounded.
double RoundCount(double value) {
    return std::nearbyint(value);
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
    if (!count || !Allocate(read, *count)) return;
    data.Start = start;
    data.Step = step;
    data.Finish = finish;
    data.Title = title;
    const int pointsRead = ReadRecords(
        read, 1, *count, 10, 8, [&](int lineIndex, std::string_view record, int j, size_t n) {
            data.X[n] = GridX(start, step, n);
            return ReadTenPointField(read, lineIndex, record, j, *layout, data.W[n], data.Y[n]);
        });
    FinishRead(data, pointsRead);
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
    if (has("FXYE")) return GsasFamily::Fxye;
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

int PointsPerRecord(GsasFamily family) {
    switch (family) {
    case GsasFamily::Std:
        return 10;
    case GsasFamily::Esd:
        return 5;
    case GsasFamily::Alt:
        return 4;
    case GsasFamily::Fxye:
        return 1;
    }
    return 10;
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
    if (!count || !Allocate(read, *count)) return;
    const float start = bank->bcoef1 / 100;
    const float step = bank->bcoef2 / 100;
    data.Title = std::string(read.Line(0));
    data.Start = start;
    data.Step = step;
    data.Finish = static_cast<float>((bank->nchan - 1.0) * step + start);

    int pointsRead = 0;
    switch (family) {
    case GsasFamily::Std:
        pointsRead = ReadRecords(read, firstRecord, *count, 10, 8,
                                 [&](int line, std::string_view record, int j, size_t n) {
                                     data.X[n] = GridX(start, step, n);
                                     return ReadTenPointField(read, line, record, j, *layout,
                                                              data.W[n], data.Y[n]);
                                 });
        break;
    case GsasFamily::Esd:
        pointsRead = ReadRecords(read, firstRecord, *count, 5, 16,
                                 [&](int line, std::string_view record, int j, size_t n) {
                                     const size_t base = static_cast<size_t>(j) * 16;
                                     data.X[n] = GridX(start, step, n);
                                     return read.FixedField(line, record, base, 8, data.Y[n]) &&
                                            read.FixedField(line, record, base + 8, 8, data.W[n]);
                                 });
        break;
    case GsasFamily::Alt:
        pointsRead = ReadRecords(read, firstRecord, *count, 4, 20,
                                 [&](int line, std::string_view record, int j, size_t n) {
                                     const size_t base = static_cast<size_t>(j) * 20;
                                     return read.FixedField(line, record, base, 8, data.X[n]) &&
                                            read.FixedField(line, record, base + 8, 7, data.Y[n]) &&
                                            read.FixedField(line, record, base + 15, 5, data.W[n]);
                                 });
        break;
    case GsasFamily::Fxye:
        // One point a line in free format: x, y and its esd.
        pointsRead =
            ReadRecords(read, firstRecord, *count, PointsPerRecord(family), RecordWidth,
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
        break;
    }
    FinishRead(data, pointsRead);
}

namespace {

// Fields of an .xy line split at commas or at blanks, empty fields ignored.
// The first two fields of an .xy line, split at commas or at blanks (tabs
// count as blanks), empty fields ignored. False when there are fewer.
bool FirstTwoXyFields(std::string_view line, bool commaSeparated, std::string_view& first,
                      std::string_view& second) {
    auto isSeparator = [&](char c) { return commaSeparated ? c == ',' : c == ' ' || c == '\t'; };
    std::string_view* targets[] = {&first, &second};
    size_t i = 0;
    for (std::string_view* target : targets) {
        while (i < line.size() && isSeparator(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !isSeparator(line[i]))
            ++i;
        if (i == start) return false;
        *target = line.substr(start, i - start);
    }
    return true;
}

} // namespace

void ReadXyFile(TData& data, const std::string& fileName, Messenger& messenger) {
    data.HistogramNumber = 1;
    DataFileRead read(data, fileName, messenger);
    if (!read.Open()) {
        read.Say("Error opening XY Data file.");
        return;
    }
    const bool comma = read.LineCount() >= 2 && read.Line(1).find(',') != std::string_view::npos;
    const int candidates = std::clamp(read.LineCount() - 1, 0, MaxDataPoints);
    if (!Allocate(read, candidates)) return;
    data.Title = read.LineCount() > 0 ? std::string(read.Line(0)) : std::string();
    data.Start = data.Step = data.Finish = 0;

    int points = 0;
    for (int lineIndex = 1; lineIndex < read.LineCount(); ++lineIndex) {
        std::string_view xText, yText;
        // The data end at the first line without two numbers.
        if (!FirstTwoXyFields(read.Line(lineIndex), comma, xText, yText)) break;
        float x = 0, y = 0;
        const auto xStatus = ParseDataNumber(xText, x);
        const auto yStatus = ParseDataNumber(yText, y);
        if (xStatus == FieldStatus::TooLarge || yStatus == FieldStatus::TooLarge) {
            read.Field(lineIndex, xStatus == FieldStatus::TooLarge ? xText : yText, false, x);
            break;
        }
        if (xStatus != FieldStatus::Number || yStatus != FieldStatus::Number) break;
        if (points == MaxDataPoints) {
            read.Report(read.TooManyPoints());
            break;
        }
        const auto i = static_cast<size_t>(points++);
        data.X[i] = x;
        data.Y[i] = y;
        data.W[i] = 1.0f;
    }
    if (points > 0) {
        data.Start = data.X[0];
        data.Finish = data.X[static_cast<size_t>(points - 1)];
        data.Step = static_cast<float>((static_cast<double>(data.Finish) - data.Start) / points);
    }
    FinishRead(data, points);
}

void ReadCpiFile(TData& data, const std::string& fileName, Messenger& messenger) {
    data.HistogramNumber = 1;
    DataFileRead read(data, fileName, messenger);
    if (!read.Open()) {
        read.Say("Error opening CPI data file.");
        return;
    }
    // Lines 2, 3 and 4 start with the start, the finish and the step.
    float header[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const int lineIndex = k + 1;
        if (lineIndex >= read.LineCount()) {
            read.Report(read.Where(lineIndex) + ": a number is missing.");
            return;
        }
        const auto words = SplitWords(read.Line(lineIndex));
        if (!read.Field(lineIndex, words.empty() ? "" : words[0], false, header[k])) return;
    }
    const float start = header[0], finish = header[1], step = header[2];
    const double announced =
        RoundCount((static_cast<double>(finish) - start) / static_cast<double>(step) + 1);
    const auto count = read.BoundedCount(announced, 3);
    if (!count || !Allocate(read, *count)) return;
    data.Title = std::string(read.Line(0));
    data.Start = start;
    data.Finish = finish;
    data.Step = step;

    constexpr int FirstIntensityLine = 10; // after the title and nine header lines
    int points = 0;
    for (int lineIndex = FirstIntensityLine; lineIndex < read.LineCount() && points < *count;
         ++lineIndex) {
        const auto words = SplitWords(read.Line(lineIndex));
        float y = 0;
        const auto status = words.empty() ? FieldStatus::Blank : ParseDataNumber(words[0], y);
        if (status == FieldStatus::TooLarge) read.Field(lineIndex, words[0], false, y);
        if (status != FieldStatus::Number) break;
        const auto i = static_cast<size_t>(points);
        data.X[i] = GridX(start, step, i);
        data.Y[i] = y;
        data.W[i] = 1.0f;
        ++points;
    }
    FinishRead(data, points);
}

} // namespace koralix
