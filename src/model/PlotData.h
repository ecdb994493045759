// One observed powder pattern (TData) and, for the plot of a refinement, the
// calculated pattern with the packed reflection list (TPlotData).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace koralix {

class Messenger;

// Where a pattern came from (TData::Kind).
inline constexpr int KindNone = 0;
inline constexpr int KindDataFile = 2;
inline constexpr int KindEngine = 4;

// The most points a pattern can hold.
inline constexpr int MaxDataPoints = 50000;

// File-type codes of the data files that ReadDataFile knows.
inline constexpr int DatFileType = 4;
inline constexpr int GsasFileType = 7;
inline constexpr int XyFileType = 9;
inline constexpr int CpiFileType = 10;

// Three blank-separated numbers at the start of the trimmed line, then the
// rest of the line from the blank after the third. When the line does not
// have that form, the numbers come from columns 1-8, 9-16 and 17-24 and the
// rest from column 25, and the result is false.
bool ParseHeaderLine(std::string_view line, float& a, float& b, float& c, std::string& rest);

class TData {
  public:
    int Kind = KindNone;
    int PointCount = 0;
    std::string Title = "UnInitialized Data structure";
    float Start = 0;
    float Step = 1.0f;
    float Finish = 0;
    std::vector<float> X, Y, W;
    int HistogramNumber = 0;
    bool Allocated = false;
    int Capacity = 0;

    virtual ~TData() = default;

    // Gives X, Y and W n elements, keeping what they held. A count outside
    // 0..MaxDataPoints, or a lack of memory, leaves no arrays and Kind 0.
    bool AllocatePoints(int n);
    void FreePoints();

    float MinX() const;
    float MaxX() const;
    float MinY() const;
    float MaxY() const;

    // Runs the reader of the file type (4 .dat, 7 GSAS, 9 .xy, 10 .cpi) when
    // the file exists; other types and missing files leave the data alone.
    void ReadDataFile(const std::string& fileName, int histogramNumber, int fileType,
                      Messenger& messenger);

    // The number of points the arrays really hold among the first PointCount.
    int HeldPoints() const;
};

class TPlotData : public TData {
  public:
    std::vector<float> YCalc;
    std::vector<int32_t> ReflCodes;
    std::vector<float> ReflPositions;
    bool PlotAllocated = false;
    int ReflectionCapacity = 0;

    void AllocatePlot(int npoints, int nreflections);
    void FreePlot();
    bool HasPlotArrays() const { return Allocated && PlotAllocated; }
    void SetReflectionCount(int n) { reflectionCount_ = n; }
    int ReflectionCount() const { return reflectionCount_; }

    // Reflection i counts from 1; an index outside the held codes reads as code 0.
    int ReflPhase(int i) const;
    int ReflH(int i) const;
    int ReflK(int i) const;
    int ReflL(int i) const;

  private:
    int reflectionCount_ = 0;
    int32_t CodeAt(int i) const;
};

// Packs a reflection the way the engine does: phase, sub-index s (1 to 3)
// and h, k, l in -128..127.
int32_t PackReflection(int phase, int s, int h, int k, int l);

} // namespace koralix
