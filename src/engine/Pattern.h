// The calculated powder pattern of one histogram: Bragg peaks of every phase
// on top of the background, from the fixed setup of a refinement and the
// current refinable numbers.
#pragma once

#include "Crystal.h"
#include "EngineState.h"
#include "Model.h"
#include "Profiles.h"
#include "Setup.h"
#include "IntensitySource.h"
#include "PeakGeometry.h"

#include <complex>
#include <cstdint>
#include <vector>

namespace koralix::engine {

// One reflection as the plot shows it.
struct TPlotReflection {
    int32_t Code = 0;
    double Position = 0;
};

// The reflection code of the plot: phase, sub-index (1 for Kalpha1, 2 for
// Kalpha2) and h, k, l, each index offset by 128.
int32_t ReflectionCode(int phase, int sub, const Hkl& h);

// Per-reflection numbers for the listing.
struct TReflectionRow {
    int Phase = 0;
    Hkl H{};
    int Multiplicity = 0;
    double D = 0, TwoTheta = 0, F2 = 0, Intensity = 0, Fwhm = 0;
};

// The peaks of one phase as drawn: for each, its first point, point count,
// unit-intensity values and intensity. Parameters that change intensities
// only (scales, the structure) need nothing more for their derivatives.
struct TRendering {
    std::vector<int> First, Count, Offset;
    std::vector<double> Values, Intensity, Position, Width, Eta;
    std::vector<double> DPosition, DWidth, DEta; // slopes, laid out as Values
    // Time of flight: the exponentials' rates per peak and the slopes against
    // them, laid out as Values (empty for the other geometries).
    std::vector<double> Alpha, Beta, DAlpha, DBeta;
    std::vector<size_t> Reflection;              // which peak: reflection and component
    std::vector<int> Component;
};

struct TPeakValues {
    double Intensity = 0, Position = 0, Width = 0, Eta = 0, Alpha = 0, Beta = 0;
    size_t Reflection = 0;
    int Component = 0;
};

// Whether `peaks` are the drawn peaks, one for one (the same reflections and
// components in the same order), so that each can be compared with its own.
bool SamePeaks(const std::vector<TPeakValues>& peaks, const TRendering& drawn);

class TCalculator {
  public:
    explicit TCalculator(const TSetup& setup);

    // Adds phase p's peaks in histogram h (1-based) to y.
    void AddPhase(const TState& state, int h, int p, std::vector<double>& y,
                  std::vector<TPlotReflection>* plot = nullptr,
                  std::vector<TReflectionRow>* rows = nullptr, TRendering* rendering = nullptr);
    // The intensity, position, width and mixing of the peaks AddPhase draws, in its order.
    void Peaks(const TState& state, int h, int p, std::vector<TPeakValues>& out);
    void AddBackground(const TState& state, int h, std::vector<double>& y) const;
    std::vector<double> Pattern(const TState& state, int h);
    // Computes and keeps the structure factors of `state`; later calls with
    // other structures do not evict them.
    void Warm(const TState& state);
    // The largest FWHM (x units) of phase p's peaks that reach histogram h's
    // pattern, found without drawing any peak or computing any intensity.
    double WidestPeak(const TState& state, int h, int p);
    // Whether a peak of phase p lies inside histogram h's x range, found the same way.
    bool AnyPeakInside(const TState& state, int h, int p);

  private:
    struct TPeak {
        size_t Reflection = 0;
        int Wave = 0;
        double Position = 0, Half = 0, Intensity = 0, D = 0, F2 = 0;
        double BaseWidth = 0, Span = 0; // what the window follows from besides the shape
        TPeakShape Shape;
    };
    // What a histogram-phase pair's peaks are computed from.
    struct TPairing {
        const THistogram& Histogram;
        const THistogramData& Data;
        const THistogramState& HistogramState;
        const TPhaseState& Phase;
        const TSampleState& Sample;
        const TSample& Fixed; // the sample record, or defaults when the model has none
    };
    TPairing PairingOf(const TState& state, int h, int p) const;
    template <typename Visit> void ForEachPlacement(const TState& state, int h, int p, Visit visit);
    template <typename Visit> void ForEachPeak(const TState& state, int h, int p, Visit visit);
    // Unit-intensity values of a peak at points first..first+count-1, the window tapered.
    void Draw(const TPeakShape& shape, double position, double half, int first, int count,
              std::vector<double>& out) const;
    // The same values with their slopes with respect to the peak's position
    // (2-theta moving with it), width and mixing, the taper included.
    struct TDrawScratch {
        std::vector<double> Delta, AngleSlope, OffsetSlope;
    };
    struct TSlopeArrays {
        double *Value, *DPosition, *DWidth, *DEta;
        double *DAlpha, *DBeta; // time of flight only, else null
    };
    void DrawWithSlopes(const TPeak& peak, int first, int count, const TSlopeArrays& out,
                        TDrawScratch& scratch) const;
    double HalfFor(const TPeakShape& shape, const TPeak& peak) const;

    const TSetup& setup_;
    std::vector<std::unique_ptr<TIntensitySource>> sources_; // per phase
    std::vector<std::unique_ptr<TPeakGeometry>> geometries_; // per histogram
    mutable std::vector<double> delta2_;
    const double* points_ = nullptr;
};

// Background at 2-theta `x` for the coefficient kinds (polynomial, Chebyshev,
// amorphous); 0 for the kinds held as points.
double CoefficientBackground(const TRietveld& model, const THistogram& histogram,
                             const THistogramData& data, const THistogramState& state, double x);

} // namespace koralix::engine
