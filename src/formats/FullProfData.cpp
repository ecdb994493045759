#include "FullProfData.h"

#include "DataFields.h"
#include "FileTypes.h"
#include "GsasRefinement.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace koralix {

namespace {

namespace fs = std::filesystem;

bool IsNumber(std::string_view word, float& value) {
    return ParseDataNumber(word, value) == FieldStatus::Number;
}

bool IsNumber(std::string_view word) {
    float value = 0;
    return IsNumber(word, value);
}

bool AllNumbers(const std::vector<std::string_view>& words) {
    return !words.empty() &&
           std::all_of(words.begin(), words.end(), [](std::string_view w) { return IsNumber(w); });
}

// Lines FullProf passes over before the start/step/end line of the free
// layout: blank ones and comments.
bool IsSkipped(std::string_view line) {
    const auto words = SplitWords(line);
    return words.empty() || words[0][0] == '!' || words[0][0] == '#';
}

// The multicounter layout ends its records with a line of -1000 (and the
// file with -10000).
bool IsEndMark(std::string_view line) {
    const auto words = SplitWords(line);
    return words.size() == 1 && (words[0] == "-1000" || words[0] == "-10000");
}

bool IsMulticounter(const TextLines& lines) {
    if (lines.Count() < 6 || SplitWords(lines[1]).size() < 3 || !AllNumbers(SplitWords(lines[1])))
        return false;
    const auto start = SplitWords(lines[2]);
    if (start.size() != 1 || !IsNumber(start[0])) return false;
    for (int i = 4; i < lines.Count(); ++i)
        if (IsEndMark(lines[i])) return true;
    return false;
}

std::optional<int> FirstFreeStepsLine(const TextLines& lines) {
    for (int i = 0; i < lines.Count(); ++i) {
        if (IsSkipped(lines[i])) continue;
        const auto words = SplitWords(lines[i]);
        if (words.size() >= 3 && IsNumber(words[0]) && IsNumber(words[1]) && IsNumber(words[2]))
            return i;
        return std::nullopt;
    }
    return std::nullopt;
}

class ScanBuilder {
  public:
    ScanBuilder(const std::string& path, TData& data, std::string& error)
        : path_(path), data_(data), error_(error) {}

    bool Fail(int line, const std::string& why) {
        error_ = path_ + ", line " + std::to_string(line + 1) + ": " + why;
        return false;
    }
    bool Add(float x, float y, float esd) {
        if (x_.size() >= static_cast<size_t>(MaxDataPoints)) return false;
        x_.push_back(x);
        y_.push_back(y);
        esd_.push_back(esd);
        return true;
    }
    size_t Count() const { return x_.size(); }
    bool Finish(const std::string& title);

  private:
    const std::string& path_;
    TData& data_;
    std::string& error_;
    std::vector<float> x_, y_, esd_;
};

bool ScanBuilder::Finish(const std::string& title) {
    const int n = static_cast<int>(x_.size());
    if (n == 0 || !data_.AllocatePoints(n)) {
        error_ = path_ + ": no points in the scan";
        return false;
    }
    std::copy(x_.begin(), x_.end(), data_.X.begin());
    std::copy(y_.begin(), y_.end(), data_.Y.begin());
    std::copy(esd_.begin(), esd_.end(), data_.W.begin());
    data_.PointCount = n;
    data_.HistogramNumber = 1;
    data_.Kind = KindDataFile;
    data_.Title = title.empty() ? fs::path(path_).filename().string() : title;
    data_.Start = x_.front();
    data_.Finish = x_.back();
    data_.Step = n > 1 ? static_cast<float>((double(x_.back()) - x_.front()) / (n - 1)) : 0;
    return true;
}

float CountingEsd(float y) {
    return static_cast<float>(std::sqrt(std::max(double(y), 1.0)));
}

std::string Trimmed(std::string_view text) {
    const auto words = SplitWords(text);
    if (words.empty()) return {};
    const char* first = words.front().data();
    const char* last = words.back().data() + words.back().size();
    return std::string(first, last);
}

// Title, a line whose third number is the step, the start angle, a monitor
// line, then records of ten points in 8 columns: the number of counters
// averaged (2 columns) and the averaged count (6 columns).
bool ReadMulticounter(const TextLines& lines, ScanBuilder& scan) {
    float step = 0, start = 0;
    IsNumber(SplitWords(lines[1])[2], step);
    IsNumber(SplitWords(lines[2])[0], start);
    if (!(step > 0)) return scan.Fail(1, "the step is not above 0");
    for (int i = 4; i < lines.Count() && !IsEndMark(lines[i]); ++i) {
        const std::string_view record = lines[i].substr(0, 80);
        for (size_t slot = 0; slot + 1 < record.size() && slot < 80; slot += 8) {
            const std::string_view field = record.substr(slot, 8);
            if (SplitWords(field).empty()) break;
            float counters = 0, y = 0;
            if (!IsNumber(field.substr(0, 2), counters) || !IsNumber(field.substr(2), y))
                return scan.Fail(i,
                                 "not a counter number and count: \"" + std::string(field) + "\"");
            const float x = start + step * static_cast<float>(scan.Count());
            const float esd =
                counters > 0 ? static_cast<float>(std::sqrt(std::max(double(y), 1.0) / counters))
                             : CountingEsd(y);
            if (!scan.Add(x, y, esd)) return scan.Fail(i, "more points than a pattern may hold");
        }
    }
    return scan.Finish(Trimmed(lines[0]));
}

// Start, step and end, then the counts in free format, as many as the range holds.
bool ReadFreeSteps(const TextLines& lines, int header, ScanBuilder& scan) {
    const auto words = SplitWords(lines[header]);
    float start = 0, step = 0, end = 0;
    IsNumber(words[0], start);
    IsNumber(words[1], step);
    IsNumber(words[2], end);
    if (!(step > 0) || !(end > start)) return scan.Fail(header, "no range in start, step and end");
    const double count = std::floor((double(end) - start) / step + 0.5) + 1;
    if (count > MaxDataPoints) return scan.Fail(header, "more points than a pattern may hold");
    std::string title;
    if (words.size() > 3)
        title = Trimmed(
            lines[header].substr(static_cast<size_t>(words[3].data() - lines[header].data())));
    for (int i = header + 1; i < lines.Count() && scan.Count() < count; ++i) {
        for (std::string_view word : SplitWords(lines[i])) {
            float y = 0;
            if (!IsNumber(word, y))
                return scan.Fail(i, "not a count: \"" + std::string(word) + "\"");
            if (scan.Count() < count)
                scan.Add(start + step * static_cast<float>(scan.Count()), y, CountingEsd(y));
        }
    }
    return scan.Finish(title);
}

// XYDATA and header lines, then x, y and the esd a line.
bool ReadXySigma(const TextLines& lines, ScanBuilder& scan) {
    for (int i = 1; i < lines.Count(); ++i) {
        const auto words = SplitWords(lines[i]);
        if (words.empty() || words[0][0] == '!' || (scan.Count() == 0 && !IsNumber(words[0])))
            continue;
        float x = 0, y = 0, esd = 0;
        if (words.size() < 2 || !IsNumber(words[0], x) || !IsNumber(words[1], y))
            return scan.Fail(i, "not x and y: \"" + Trimmed(lines[i]) + "\"");
        if (words.size() < 3 || !IsNumber(words[2], esd) || !(esd > 0)) esd = CountingEsd(y);
        if (!scan.Add(x, y, esd)) return scan.Fail(i, "more points than a pattern may hold");
    }
    return scan.Finish(Trimmed(lines[0].substr(std::min<size_t>(6, lines[0].size()))));
}

} // namespace

std::optional<FullProfLayout> FullProfLayoutOf(const std::string& path) {
    std::error_code ec;
    // Files named for the program's other data formats keep their readers.
    const int type = FileTypeOf(path);
    if ((type != FileType::Dat && type != FileType::Unknown) || !fs::is_regular_file(path, ec))
        return std::nullopt;
    TextLines lines;
    if (!lines.Read(path) || lines.Count() < 2) return std::nullopt;
    float a, b, c;
    std::string rest;
    // A first line the program's own .dat reader takes stays with it.
    if (ParseHeaderLine(lines[0], a, b, c, rest)) return std::nullopt;
    if (lines[0].substr(0, 6) == "XYDATA") return FullProfLayout::XySigma;
    if (IsMulticounter(lines)) return FullProfLayout::Multicounter;
    if (FirstFreeStepsLine(lines)) return FullProfLayout::FreeSteps;
    return std::nullopt;
}

std::string FullProfDataFile(const std::string& pcrPath) {
    TextLines lines;
    if (!lines.Read(pcrPath)) return {};
    constexpr std::string_view key = "DAT-file:";
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines[i];
        const size_t at = line.find(key);
        if (line.empty() || line[0] != '!' || at == std::string_view::npos) continue;
        const auto words = SplitWords(line.substr(at + key.size()));
        if (words.empty()) return {};
        std::string name(words[0].substr(0, words[0].find(',')));
        if (name.empty()) return {};
        if (fs::path(name).extension().empty()) name += ".dat";
        return FindBeside(pcrPath, name);
    }
    return {};
}

bool ReadFullProfData(const std::string& path, TData& data, std::string& error) {
    const std::optional<FullProfLayout> layout = FullProfLayoutOf(path);
    if (!layout) {
        error = path + ": not a FullProf data file";
        return false;
    }
    TextLines lines;
    if (!lines.Read(path)) {
        error = lines.Problem();
        return false;
    }
    ScanBuilder scan(path, data, error);
    switch (*layout) {
    case FullProfLayout::Multicounter:
        return ReadMulticounter(lines, scan);
    case FullProfLayout::XySigma:
        return ReadXySigma(lines, scan);
    case FullProfLayout::FreeSteps:
        return ReadFreeSteps(lines, *FirstFreeStepsLine(lines), scan);
    }
    return false;
}

} // namespace koralix
