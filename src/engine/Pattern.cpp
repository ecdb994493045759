#include "Pattern.h"

#include "Parallel.h"
#include "PreferredOrientation.h"
#include "Profiles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace koralix::engine {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Deg = Pi / 180;

// Sabine's extinction with x = D^2 (lambda F / V)^2, mixing the Laue and Bragg limits.
double Extinction(double ext, double lambda, double f2, double volume, double theta) {
    if (ext == 0) return 1;
    const double x = ext * lambda * lambda * f2 / (volume * volume);
    const double el = x < 1 ? 1 - x / 2 + x * x / 4 - 5 * x * x * x / 48
                            : std::sqrt(2 / (Pi * std::max(x, 1e-12))) *
                                  (1 - 1 / (8 * x) - 3 / (128 * x * x) - 15 / (1024 * x * x * x));
    const double eb = 1 / std::sqrt(1 + std::max(x, -0.99));
    const double s = std::sin(theta);
    return el * (1 - s * s) + eb * s * s;
}

// The peak window ends smoothly: a point entering or leaving it as a peak
// moves or widens changes the pattern continuously, which finite-difference
// derivatives and the least squares need.
double WindowTaper(double u) {
    const double a = std::abs(u);
    if (a <= 0.8) return 1;
    if (a >= 1) return 0;
    const double c = std::cos(0.5 * Pi * (a - 0.8) / 0.2);
    return c * c;
}

// d(WindowTaper)/du.
double WindowTaperSlope(double u) {
    const double a = std::abs(u);
    if (a <= 0.8 || a >= 1) return 0;
    const double angle = 0.5 * Pi * (a - 0.8) / 0.2;
    const double slope = -2 * std::cos(angle) * std::sin(angle) * 0.5 * Pi / 0.2;
    return u < 0 ? -slope : slope;
}

double Chebyshev(int kind, int n, double u) {
    // kind 1: T_n, kind 2: U_n
    double p0 = 1, p1 = kind == 1 ? u : 2 * u;
    if (n == 0) return p0;
    for (int k = 2; k <= n; ++k) {
        const double p2 = 2 * u * p1 - p0;
        p0 = p1;
        p1 = p2;
    }
    return p1;
}

} // namespace

bool SamePeaks(const std::vector<TPeakValues>& peaks, const TRendering& drawn) {
    if (peaks.size() != drawn.Reflection.size()) return false;
    for (size_t j = 0; j < peaks.size(); ++j)
        if (peaks[j].Reflection != drawn.Reflection[j] || peaks[j].Component != drawn.Component[j])
            return false;
    return true;
}

int32_t ReflectionCode(int phase, int sub, const Hkl& h) {
    auto offset = [](int v) { return std::clamp(v, -128, 127) + 128; };
    return phase * (1 << 26) + sub * (1 << 24) + offset(h[0]) * (1 << 16) +
           offset(h[1]) * (1 << 8) + offset(h[2]);
}

double CoefficientBackground(const TRietveld& model, const THistogram& hist, const THistogramData&,
                             const THistogramState& st, double x) {
    const int n = model.Background12 ? 12 : 6;
    const auto& c = st.Background;
    switch (hist.Background.Kind) {
    case BkgPolynomial: {
        // Coefficients 1..n-1 are B0..B(n-2), coefficient n is the B-1 term.
        const double t = x - hist.Background.Offset;
        double y = 0, power = 1;
        for (int j = 0; j < n - 1; ++j) {
            y += c[size_t(j)] * power;
            power *= t;
        }
        if (t != 0) y += c[size_t(n - 1)] / t;
        return y;
    }
    case BkgChebyI:
    case BkgChebyII:
    case BkgShiftedChebyI:
    case BkgShiftedChebyII: {
        const bool shifted =
            hist.Background.Kind == BkgShiftedChebyI || hist.Background.Kind == BkgShiftedChebyII;
        const int kind =
            (hist.Background.Kind == BkgChebyI || hist.Background.Kind == BkgShiftedChebyI) ? 1 : 2;
        double u = (x - 90) / 90; // over 0..180 degrees
        if (shifted) {
            const double lo = hist.ThetaMin, hi = hist.ThetaMax;
            u = hi > lo ? 2 * (x - lo) / (hi - lo) - 1 : 0;
        }
        u = std::clamp(u, -1.0, 1.0);
        double y = 0;
        for (int j = 0; j < n; ++j)
            y += c[size_t(j)] * Chebyshev(kind, j, u);
        return y;
    }
    case BkgAmorphous:
    case BkgDampedAmorphous: {
        const bool damped = hist.Background.Kind == BkgDampedAmorphous;
        const double q = 4 * Pi * std::sin(x * Deg / 2) / st.Wave1;
        const int pairs = damped ? (n - 2) / 2 : (n - 1) / 2;
        const double damp = damped ? std::exp(-c[size_t(n - 1)] * q * q) : 1;
        double y = c[0];
        for (int i = 0; i < pairs; ++i) {
            const double qr = q * c[size_t(2 * i + 2)];
            if (qr != 0) y += c[size_t(2 * i + 1)] * std::sin(qr) / qr * damp;
        }
        return y;
    }
    default:
        return 0;
    }
}

TCalculator::TCalculator(const TSetup& setup) : setup_(setup) {
    for (int p = 1; p <= static_cast<int>(setup.Symmetry.size()); ++p)
        sources_.push_back(MakeIntensitySource(setup, p));
    for (const THistogram& hist : setup.Model->Histograms)
        geometries_.push_back(MakePeakGeometry(hist));
}

TCalculator::TPairing TCalculator::PairingOf(const TState& state, int h, int p) const {
    const TRietveld& model = *setup_.Model;
    const TSample* sampleRecord = model.FindSample(h, p);
    static const TSample defaultSample;
    return {model.Histograms[size_t(h - 1)],     setup_.Data[size_t(h - 1)],
            state.Histograms[size_t(h - 1)],     state.Phases[size_t(p - 1)],
            state.Sample(h, p),                  sampleRecord ? *sampleRecord : defaultSample};
}

// Where and how wide every peak of phase p in histogram h lands, in a fixed
// order: the reflections in list order, Kalpha1 before Kalpha2, those whose
// window misses the pattern skipped. Nothing here needs intensities.
template <typename Visit>
void TCalculator::ForEachPlacement(const TState& state, int h, int p, Visit visit) {
    const TPairing pair = PairingOf(state, h, p);
    const TRietveld& model = *setup_.Model;
    const THistogram& hist = pair.Histogram;
    const THistogramData& data = pair.Data;
    const THistogramState& hs = pair.HistogramState;
    const TSampleState& sample = pair.Sample;
    const TSample& fixed = pair.Fixed;
    if (data.X.empty()) return;
    const TPeakGeometry& geometry = *geometries_[size_t(h - 1)];
    const auto& refl = setup_.Reflections[size_t(p - 1)];
    const gemmi::UnitCell cell = CellOf(pair.Phase);
    const double xmin = data.X.front(), xmax = data.X.back();
    const TGeometryInput input{model, hist, data, hs, sample};
    const int components = geometry.Components(input);
    const double anisoNorm = fixed.AnisoH != 0 || fixed.AnisoK != 0 || fixed.AnisoL != 0;
    for (size_t k = 0; k < refl.size(); ++k) {
        const TReflection& r = refl[k];
        const double inv_d2 = cell.calculate_1_d2_double(r.H[0], r.H[1], r.H[2]);
        const double d = 1 / std::sqrt(inv_d2);
        double u = sample.U;
        if (sample.Uaniso != 0 && anisoNorm) {
            const double c = CosAngle(cell, r.H, fixed.AnisoH, fixed.AnisoK, fixed.AnisoL);
            u += sample.Uaniso * c * c;
        }
        for (int w = 0; w < components; ++w) {
            TPeakPlacement place;
            if (!geometry.Place(input, d, u, w, place)) continue;
            // A peak never reaches further than the whole pattern.
            place.Half = std::min(place.Half, xmax - xmin);
            if (place.Position + place.Half < xmin || place.Position - place.Half > xmax) continue;
            visit(k, inv_d2, w, place);
        }
    }
}

// Every peak of phase p in histogram h, in the order of ForEachPlacement.
template <typename Visit>
void TCalculator::ForEachPeak(const TState& state, int h, int p, Visit visit) {
    const TPairing pair = PairingOf(state, h, p);
    const TPhaseState& phase = pair.Phase;
    if (pair.Data.X.empty()) return;
    TIntensitySource& source = *sources_[size_t(p - 1)];
    const std::vector<double>& f2 = source.Values(state, h);
    const bool corrected = source.Corrected();
    const auto& refl = setup_.Reflections[size_t(p - 1)];
    const gemmi::UnitCell cell = CellOf(phase);
    const double volume = cell.volume;
    // The reflection's own factors, shared by its Kalpha1 and Kalpha2 peaks.
    size_t last = refl.size();
    double f2k = 0, po = 1;
    ForEachPlacement(state, h, p, [&](size_t k, double inv_d2, int w, const TPeakPlacement& place) {
        if (k >= f2.size()) return;
        const TReflection& r = refl[k];
        if (k != last) {
            const double stol2 = inv_d2 / 4;
            f2k = corrected ? f2[k] * std::exp(-2 * phase.OverallB * stol2) : f2[k];
            po = corrected ? MarchDollase(cell, r, pair.Fixed, pair.Sample.PO,
                                          setup_.Model->IPREF != 0)
                           : 1.0;
            last = k;
        }
        TPeak peak;
        peak.Position = place.Position;
        peak.Shape = place.Shape;
        peak.BaseWidth = pair.Histogram.BaseWidth;
        peak.Span = pair.Data.X.back() - pair.Data.X.front();
        peak.Half = place.Half;
        peak.Intensity =
            pair.HistogramState.Scale * phase.Scale * r.Multiplicity * f2k * place.Factor * po;
        if (corrected)
            peak.Intensity *=
                Extinction(pair.Sample.Extinction, place.Wavelength, f2k, volume, place.Theta);
        peak.Reflection = k;
        peak.Wave = w;
        peak.D = 1 / std::sqrt(inv_d2);
        peak.F2 = f2k;
        visit(peak);
    });
}

double TCalculator::WidestPeak(const TState& state, int h, int p) {
    double widest = 0;
    ForEachPlacement(state, h, p, [&](size_t, double, int, const TPeakPlacement& place) {
        widest = std::max(widest, place.Shape.H);
    });
    return widest;
}

bool TCalculator::AnyPeakInside(const TState& state, int h, int p) {
    const auto& x = setup_.Data[size_t(h - 1)].X;
    bool inside = false;
    ForEachPlacement(state, h, p, [&](size_t, double, int, const TPeakPlacement& place) {
        inside = inside || (place.Position >= x.front() && place.Position <= x.back());
    });
    return inside;
}

void TCalculator::AddPhase(const TState& state, int h, int p, std::vector<double>& y,
                           std::vector<TPlotReflection>* plot, std::vector<TReflectionRow>* rows,
                           TRendering* rendering) {
    const THistogramData& data = setup_.Data[size_t(h - 1)];
    const auto& refl = setup_.Reflections[size_t(p - 1)];
    if (rendering) *rendering = TRendering{};
    if (data.X.empty()) return;
    const double xmin = data.X.front(), xmax = data.X.back();
    points_ = data.X.data();
    std::vector<TPeak> peaks;
    std::vector<int> firsts, counts;
    ForEachPeak(state, h, p, [&](const TPeak& peak) {
        const TReflection& r = refl[peak.Reflection];
        if (plot && peak.Position >= xmin && peak.Position <= xmax)
            plot->push_back({ReflectionCode(p, peak.Wave + 1, r.H), peak.Position});
        if (rows && peak.Wave == 0)
            rows->push_back({p, r.H, r.Multiplicity, peak.D, peak.Position, peak.F2, peak.Intensity,
                             peak.Shape.H});
        const auto lo = std::lower_bound(data.X.begin(), data.X.end(), peak.Position - peak.Half);
        const auto hi = std::upper_bound(lo, data.X.end(), peak.Position + peak.Half);
        peaks.push_back(peak);
        firsts.push_back(static_cast<int>(lo - data.X.begin()));
        counts.push_back(std::max(0, static_cast<int>(hi - lo)));
    });
    if (!rendering) {
        std::vector<double> values;
        for (size_t j = 0; j < peaks.size(); ++j) {
            if (counts[j] == 0) continue;
            Draw(peaks[j].Shape, peaks[j].Position, peaks[j].Half, firsts[j], counts[j], values);
            for (int i = 0; i < counts[j]; ++i)
                y[size_t(firsts[j] + i)] += peaks[j].Intensity * values[size_t(i)];
        }
        return;
    }
    TRendering& r = *rendering;
    r.First = firsts;
    r.Count = counts;
    size_t total = 0;
    for (size_t j = 0; j < peaks.size(); ++j) {
        const TPeak& peak = peaks[j];
        r.Offset.push_back(static_cast<int>(total));
        total += size_t(counts[j]);
        r.Intensity.push_back(peak.Intensity);
        r.Position.push_back(peak.Position);
        r.Width.push_back(peak.Shape.H);
        r.Eta.push_back(peak.Shape.Eta);
        r.Alpha.push_back(peak.Shape.Alpha);
        r.Beta.push_back(peak.Shape.Beta);
        r.Reflection.push_back(peak.Reflection);
        r.Component.push_back(peak.Wave);
    }
    for (auto* v : {&r.Values, &r.DPosition, &r.DWidth, &r.DEta})
        v->resize(total);
    const bool rates = !peaks.empty() && peaks.front().Shape.Profile == 7;
    if (rates)
        for (auto* v : {&r.DAlpha, &r.DBeta})
            v->resize(total);
    // The slopes with respect to position, width and mixing come from the
    // same pass: with them the derivatives of every parameter that moves or
    // widens peaks follow without drawing the pattern again. Groups of peaks
    // are drawn side by side into their own stretches of the rendering.
    constexpr int Group = 32;
    const int groups = static_cast<int>((peaks.size() + Group - 1) / Group);
    RunParallel(groups, [&](int g) {
        TDrawScratch scratch;
        const size_t end = std::min(peaks.size(), size_t(g + 1) * Group);
        for (size_t j = size_t(g) * Group; j < end; ++j) {
            if (counts[j] == 0) continue;
            const size_t o = size_t(r.Offset[j]);
            DrawWithSlopes(peaks[j], firsts[j], counts[j],
                           {r.Values.data() + o, r.DPosition.data() + o, r.DWidth.data() + o,
                            r.DEta.data() + o, rates ? r.DAlpha.data() + o : nullptr,
                            rates ? r.DBeta.data() + o : nullptr},
                           scratch);
        }
    });
    // Summed in peak order, whatever the threads did.
    for (size_t j = 0; j < peaks.size(); ++j) {
        const double* drawn = r.Values.data() + r.Offset[j];
        for (int i = 0; i < counts[j]; ++i)
            y[size_t(firsts[j] + i)] += peaks[j].Intensity * drawn[i];
    }
}

// The window of a changed shape, worked out as the drawing works it out: the
// asymmetric tail is not proportional to the width, so scaling the whole
// window with the width would bend the slopes of asymmetric profiles.
double TCalculator::HalfFor(const TPeakShape& shape, const TPeak& peak) const {
    return std::min(HalfWindow(shape, peak.BaseWidth), peak.Span);
}

void TCalculator::Draw(const TPeakShape& shape, double position, double half, int first, int count,
                       std::vector<double>& out) const {
    out.assign(size_t(count), 0.0);
    delta2_.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        delta2_[size_t(i)] = points_[size_t(first + i)] - position;
    AddProfile(shape, delta2_.data(), count, 1.0, out.data());
    for (int i = 0; i < count; ++i)
        out[size_t(i)] *= WindowTaper(delta2_[size_t(i)] / half);
}

void TCalculator::DrawWithSlopes(const TPeak& peak, int first, int count, const TSlopeArrays& out,
                                 TDrawScratch& scratch) const {
    double* value = out.Value;
    double* dPosition = out.DPosition;
    double* dWidth = out.DWidth;
    double* dEta = out.DEta;
    const TPeakShape& shape = peak.Shape;
    const double half = peak.Half;
    // How the window's edge follows the width, the angle and the rates: per
    // peak, by a difference of the window itself, which has kinks and limits.
    auto halfSlope = [&](double TPeakShape::*field, double step) {
        TPeakShape moved = shape;
        moved.*field += step;
        return (HalfFor(moved, peak) - half) / step;
    };
    const double dHalfWidth = halfSlope(&TPeakShape::H, 1e-6 * shape.H);
    const double dHalfAngle = halfSlope(&TPeakShape::TwoTheta, 1e-5);
    const double dHalfAlpha = out.DAlpha ? halfSlope(&TPeakShape::Alpha, 1e-6 * shape.Alpha) : 0;
    const double dHalfBeta = out.DBeta ? halfSlope(&TPeakShape::Beta, 1e-6 * shape.Beta) : 0;
    const size_t n = size_t(count);
    std::vector<double>& offsets = scratch.Delta;
    std::vector<double>& angleSlope = scratch.AngleSlope;
    std::vector<double>& offsetSlope = scratch.OffsetSlope;
    offsets.resize(n);
    angleSlope.resize(n);
    offsetSlope.resize(n);
    for (int i = 0; i < count; ++i)
        offsets[size_t(i)] = points_[size_t(first + i)] - peak.Position;
    ProfileWithSlopes(
        shape, offsets.data(), count,
        {value, offsetSlope.data(), dWidth, dEta, angleSlope.data(), out.DAlpha, out.DBeta});
    for (size_t i = 0; i < n; ++i) {
        const double delta = offsets[i], u = delta / half;
        const double taper = WindowTaper(u), taperSlope = WindowTaperSlope(u);
        const double p = value[i];
        // Moving the peak lowers every offset and carries the asymmetry's angle with it.
        const double edge = p * taperSlope * -delta / (half * half);
        dPosition[i] = -(offsetSlope[i] * taper + p * taperSlope / half) +
                       angleSlope[i] * taper + edge * dHalfAngle;
        dWidth[i] = dWidth[i] * taper + edge * dHalfWidth;
        dEta[i] *= taper;
        if (out.DAlpha) out.DAlpha[i] = out.DAlpha[i] * taper + edge * dHalfAlpha;
        if (out.DBeta) out.DBeta[i] = out.DBeta[i] * taper + edge * dHalfBeta;
        value[i] = p * taper;
    }
}

void TCalculator::Peaks(const TState& state, int h, int p, std::vector<TPeakValues>& out) {
    out.clear();
    ForEachPeak(state, h, p, [&](const TPeak& peak) {
        out.push_back({peak.Intensity, peak.Position, peak.Shape.H, peak.Shape.Eta,
                       peak.Shape.Alpha, peak.Shape.Beta, peak.Reflection, peak.Wave});
    });
}

void TCalculator::Warm(const TState& state) {
    for (auto& source : sources_)
        source->Warm(state);
}

void TCalculator::AddBackground(const TState& state, int h, std::vector<double>& y) const {
    const TRietveld& model = *setup_.Model;
    const THistogram& hist = model.Histograms[size_t(h - 1)];
    const THistogramData& data = setup_.Data[size_t(h - 1)];
    const THistogramState& hs = state.Histograms[size_t(h - 1)];
    if (!data.BackgroundPoints.empty()) {
        for (size_t i = 0; i < y.size() && i < data.BackgroundPoints.size(); ++i)
            y[i] += data.BackgroundPoints[i];
        return;
    }
    for (size_t i = 0; i < y.size(); ++i)
        y[i] += CoefficientBackground(model, hist, data, hs, data.X[i]);
}

std::vector<double> TCalculator::Pattern(const TState& state, int h) {
    std::vector<double> y(setup_.Data[size_t(h - 1)].X.size(), 0.0);
    AddBackground(state, h, y);
    for (int p = 1; p <= static_cast<int>(setup_.Symmetry.size()); ++p)
        AddPhase(state, h, p, y);
    return y;
}

} // namespace koralix::engine
