#include "PlotData.h"

#include "DataFields.h"
#include "DataReaders.h"
#include "Messenger.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <stdexcept>

namespace koralix {

namespace {

// The lenient column rule, but a header never yields infinity or NaN.
float FallbackColumn(std::string_view line, int first) {
    try {
        const float value = ReadRealField(line, first, 8);
        return std::isfinite(value) ? value : 0.0f;
    } catch (const NumericOverflow&) {
        return 0;
    }
}

} // namespace

bool ParseHeaderLine(std::string_view line, float& a, float& b, float& c, std::string& rest) {
    float values[3] = {0, 0, 0};
    size_t i = 0;
    bool ok = true;
    for (int k = 0; k < 3 && ok; ++k) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        ok = i > start &&
             ParseDataNumber(line.substr(start, i - start), values[k]) == FieldStatus::Number;
    }
    if (ok) {
        a = values[0], b = values[1], c = values[2];
        rest = std::string(line.substr(i));
        return true;
    }
    a = FallbackColumn(line, 1);
    b = FallbackColumn(line, 9);
    c = FallbackColumn(line, 17);
    rest = line.size() > 24 ? std::string(line.substr(24)) : std::string();
    return false;
}

bool TData::AllocatePoints(int n) {
    try {
        if (n < 0 || n > MaxDataPoints) throw std::bad_alloc();
        const auto size = static_cast<size_t>(n);
        X.resize(size);
        Y.resize(size);
        W.resize(size);
        Allocated = true;
        Capacity = n;
        return true;
    } catch (const std::bad_alloc&) {
        FreePoints();
        Kind = KindNone;
        return false;
    }
}

void TData::FreePoints() {
    X = {};
    Y = {};
    W = {};
    Allocated = false;
    Capacity = 0;
}

int TData::HeldPoints() const {
    if (!Allocated) return 0;
    return std::clamp(PointCount, 0, Capacity);
}

float TData::MinX() const {
    const int n = HeldPoints();
    return n == 0 ? 0.0f : *std::min_element(X.begin(), X.begin() + n);
}

float TData::MaxX() const {
    const int n = HeldPoints();
    return n == 0 ? 0.0f : *std::max_element(X.begin(), X.begin() + n);
}

float TData::MinY() const {
    const int n = HeldPoints();
    return n == 0 ? 0.0f : *std::min_element(Y.begin(), Y.begin() + n);
}

float TData::MaxY() const {
    const int n = HeldPoints();
    return n == 0 ? 0.0f : *std::max_element(Y.begin(), Y.begin() + n);
}

void TData::ReadDataFile(const std::string& fileName, int histogramNumber, int fileType,
                         Messenger& messenger) {
    HistogramNumber = histogramNumber;
    std::error_code error;
    if (fileName.empty() || !std::filesystem::exists(fileName, error)) return;
    // No fault of a file may end the program: it becomes a message.
    try {
        switch (fileType) {
        case DatFileType:
            ReadDatFile(*this, fileName, messenger);
            break;
        case GsasFileType:
            ReadGsasFile(*this, fileName, messenger);
            break;
        case XyFileType:
            ReadXyFile(*this, fileName, messenger);
            break;
        case CpiFileType:
            ReadCpiFile(*this, fileName, messenger);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        PointCount = 0;
        messenger.Message("Cannot read " + fileName + ": " + e.what());
    }
}

void TPlotData::AllocatePlot(int npoints, int nreflections) {
    if (!AllocatePoints(npoints)) {
        Kind = KindNone;
        return;
    }
    try {
        if (nreflections < 0) throw std::bad_alloc();
        YCalc.resize(static_cast<size_t>(npoints));
        ReflCodes.resize(static_cast<size_t>(nreflections));
        ReflPositions.resize(static_cast<size_t>(nreflections));
        PlotAllocated = true;
        ReflectionCapacity = nreflections;
    } catch (const std::bad_alloc&) {
        FreePlot();
        Kind = KindDataFile;
    }
}

void TPlotData::FreePlot() {
    YCalc = {};
    ReflCodes = {};
    ReflPositions = {};
    PlotAllocated = false;
    ReflectionCapacity = 0;
}

int32_t TPlotData::CodeAt(int i) const {
    if (i < 1 || i > MaxDataPoints || i > static_cast<int>(ReflCodes.size())) return 0;
    return ReflCodes[static_cast<size_t>(i - 1)];
}

int TPlotData::ReflPhase(int i) const {
    return CodeAt(i) / (1 << 26);
}
int TPlotData::ReflH(int i) const {
    return (CodeAt(i) / (1 << 16)) % 256 - 128;
}
int TPlotData::ReflK(int i) const {
    return (CodeAt(i) / (1 << 8)) % 256 - 128;
}
int TPlotData::ReflL(int i) const {
    return CodeAt(i) % 256 - 128;
}

int32_t PackReflection(int phase, int s, int h, int k, int l) {
    return phase * (1 << 26) + s * (1 << 24) + (h + 128) * (1 << 16) + (k + 128) * (1 << 8) +
           (l + 128);
}

} // namespace koralix
