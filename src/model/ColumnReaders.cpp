// The one-point-a-line readers: .xy and .cpi.
#include "DataReaders.h"

#include "DataFileRead.h"
#include "PlotData.h"

#include <algorithm>
#include <string_view>

namespace koralix {

namespace {

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
    if (!read.Allocate(candidates)) return;
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
    read.Finish(points);
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
    if (!count || !read.Allocate(*count)) return;
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
    read.Finish(points);
}

} // namespace koralix
