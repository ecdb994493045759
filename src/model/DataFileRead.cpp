#include "DataFileRead.h"

#include "Messenger.h"
#include "PlotData.h"

#include <cmath>

namespace koralix {

namespace {

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

} // namespace

DataFileRead::DataFileRead(TData& data, const std::string& fileName, Messenger& messenger)
    : data_(data), fileName_(fileName), messenger_(messenger) {}

bool DataFileRead::Open() {
    if (lines_.Read(fileName_)) return true;
    if (!lines_.Problem().empty()) Say(lines_.Problem());
    return false;
}

void DataFileRead::Report(const std::string& text) {
    if (reported_) return;
    reported_ = true;
    messenger_.Message(text);
}

void DataFileRead::Say(const std::string& text) {
    messenger_.Message(text);
}

bool DataFileRead::FixedField(int lineIndex, std::string_view record, size_t first, size_t count,
                              float& value) {
    std::string_view text =
        first < record.size() ? record.substr(first, count) : std::string_view();
    return Field(lineIndex, text, true, value);
}

bool DataFileRead::Field(int lineIndex, std::string_view text, bool blankIsZero, float& value) {
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

std::string DataFileRead::Where(int lineIndex) const {
    return fileName_ + ", line " + std::to_string(lineIndex + 1);
}

std::optional<int> DataFileRead::BoundedCount(double announced, int headerLine) {
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

std::string DataFileRead::TooManyPoints() const {
    return fileName_ + " holds more than " + std::to_string(MaxDataPoints) +
           " points; only the first " + std::to_string(MaxDataPoints) + " are read.";
}

bool DataFileRead::Allocate(int count) {
    if (data_.AllocatePoints(count)) return true;
    Report(fileName_ + ": not enough memory for " + std::to_string(count) + " points.");
    return false;
}

void DataFileRead::Finish(int pointsRead) {
    // An empty pattern without a word would look like a file read correctly.
    if (pointsRead == 0) Report(fileName_ + " holds no data points that can be read.");
    data_.PointCount = pointsRead;
    data_.Kind = KindDataFile;
}

float GridX(float start, float step, size_t index) {
    return static_cast<float>(static_cast<double>(start) + static_cast<double>(index) * step);
}

double RoundCount(double value) {
    return std::nearbyint(value);
}

const char* DataFormatExtension(int dataFormat) {
    switch (dataFormat) {
    case 3:
        return ".GS";
    case 4:
    case 5:
        return ".XY";
    case 6:
        return ".CPI";
    default:
        return ".DAT";
    }
}

} // namespace koralix
