#include "PeakGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace koralix::engine {

namespace {

constexpr double Deg = std::numbers::pi / 180;
constexpr double EnergyTimesD = 6.19921;            // keV Angstrom: E d sin(theta)
constexpr double FwhmPerSigma = 2.3548200450309493; // sqrt(8 ln 2)
constexpr double MinimumRate = 1e-3;                // per microsecond

double Lorentz(const THistogram& hist, bool neutron, double theta) {
    const double s = std::sin(theta), c = std::cos(theta), c2 = std::cos(2 * theta);
    const double lorentz = 1 / (s * s * c);
    if (neutron) return lorentz;
    // The polarisation factor (1 + K cos^2 2theta) / (1 + K), K being cos^2 2theta_M
    // of the monochromator (1 without one, 0 for no polarisation).
    const double k = hist.Polarization;
    return lorentz * (1 + k * c2 * c2) / (1 + k);
}

double Absorption(const THistogram& hist, const TSampleState& sample, double theta) {
    const double s = std::sin(theta);
    if (hist.Absorption == 0) {
        const double mr = sample.AbsorptionR;
        if (mr == 0) return 1;
        // Cylinder (Hewat 1979), relative to theta = 0.
        const double s2 = s * s;
        return std::exp(-(1.7133 - 0.0368 * s2) * mr + (0.0927 + 0.375 * s2) * mr * mr) /
               std::exp(-1.7133 * mr + 0.0927 * mr * mr);
    }
    // Flat-plate surface roughness (Pitschke, Hermann & Mattern 1993).
    const double p = sample.Pore, q = sample.Rough;
    if (p == 0) return 1;
    return std::max(1e-6, 1 - p * q * (1 - q) - p * q / s * (1 - q / s));
}

} // namespace

int TTwoThetaGeometry::Components(const TGeometryInput& in) const {
    const THistogramState& hs = in.State;
    return in.Histogram.Ratio != 0 && hs.Wave2 > 0 && hs.Wave2 != hs.Wave1 ? 2 : 1;
}

bool TTwoThetaGeometry::Place(const TGeometryInput& in, double d, double u, int component,
                              TPeakPlacement& out) const {
    const THistogram& hist = in.Histogram;
    const THistogramState& hs = in.State;
    const TSampleState& sample = in.Sample;
    const double wave = component == 0 ? hs.Wave1 : hs.Wave2;
    const double sinTheta = wave / (2 * d);
    if (!(sinTheta < 1) || !(sinTheta > 0)) return false;
    const double theta = std::asin(sinTheta);
    out.Position = 2 * theta / Deg + hs.Zero + hs.Displacement * std::cos(theta);
    out.Shape = MakePeakShape(hist.Profile, out.Position, u, sample.V, sample.W, sample.Gam0,
                              sample.Gam1, sample.Gam2);
    out.Shape.Asym1 = sample.Asym1;
    out.Shape.Asym2 = sample.Asym2;
    out.Shape.Rietveld = hist.Profile <= 3 && out.Position < in.Model.AsymLimit;
    out.Half = HalfWindow(out.Shape, hist.BaseWidth);
    out.Factor = (component == 0 ? 1.0 : hist.Ratio) * Lorentz(hist, in.Data.Neutron, theta) *
                 Absorption(hist, sample, theta);
    if (hist.Illumination && !in.Data.Neutron) out.Factor *= sinTheta;
    out.Wavelength = wave;
    out.Theta = theta;
    return true;
}

double TTwoThetaGeometry::SmallestD(const THistogram& hist, const std::vector<double>& x) const {
    if (x.empty()) return 1e9;
    // The last angle with room for a peak beyond it.
    const double tth = std::min(179.0, x.back() - hist.Zero + 2 * hist.BaseWidth * 0.1 + 2);
    const double wave =
        std::min<double>(hist.Wave1, hist.Ratio != 0 && hist.Wave2 > 0 ? hist.Wave2 : hist.Wave1);
    if (!(wave > 0)) return 0;
    return wave / (2 * std::sin(tth * Deg / 2));
}

double IncidentSpectrum(const TIncidentSpec& spectrum, double tof) {
    const auto& a = spectrum.Coeff;
    bool any = false;
    for (float c : a)
        any = any || c != 0;
    if (!any) return 1;
    const double t = std::max(tof, 1e-3) / 1000, t2 = t * t;
    return a[0] + a[1] * std::exp(-a[2] / t2) / (t2 * t2 * t) + a[3] * std::exp(-a[4] * t2) +
           a[5] * std::exp(-a[6] * t2 * t) + a[7] * std::exp(-a[8] * t2 * t2);
}

bool TTimeOfFlightGeometry::Place(const TGeometryInput& in, double d, double u, int,
                                  TPeakPlacement& out) const {
    const THistogramState& hs = in.State;
    const TSampleState& sample = in.Sample;
    if (!(d > 0)) return false;
    const double d2 = d * d;
    out.Position = hs.Zero + hs.Wave1 * d + hs.Wave2 * d2;
    const double variance = u + sample.V * d2 + sample.W * d2 * d2;
    TPeakShape& shape = out.Shape;
    shape.Profile = 7;
    shape.TwoTheta = out.Position;
    const double gauss = FwhmPerSigma * std::sqrt(std::max(variance, 1e-10));
    const double lorentz = std::max(0.0, sample.Gam0 + sample.Gam1 * d + sample.Gam2 * d2);
    CombineWidths(gauss, lorentz, shape);
    // Rise and decay kept positive: a shift through zero would make the peak
    // vanish and the least squares lose the phase.
    shape.Alpha = std::max(MinimumRate, sample.Tof[0] + sample.Tof[1] / d);
    shape.Beta = std::max(MinimumRate, sample.Tof[2] + sample.Tof[3] / (d2 * d2));
    out.Half = HalfWindow(shape, in.Histogram.BaseWidth);
    out.Factor = d2 * d2 * IncidentSpectrum(in.Histogram.Spectrum, out.Position);
    out.Wavelength = 0; // no extinction correction without the flight path's wavelength
    out.Theta = 0;
    return true;
}

double TTimeOfFlightGeometry::SmallestD(const THistogram& hist,
                                        const std::vector<double>& x) const {
    if (x.empty()) return 1e9;
    // The first time of flight with room for a peak before it, solved for d.
    const double t = std::max(x.front() - hist.Zero, 1.0) * 0.98;
    const double c = hist.Wave1, a = hist.Wave2;
    if (!(c > 0)) return 0;
    if (a == 0) return t / c;
    const double disc = c * c + 4 * a * t;
    return disc > 0 ? std::max(0.0, (-c + std::sqrt(disc)) / (2 * a)) : t / c;
}

bool TEnergyDispersiveGeometry::Place(const TGeometryInput& in, double d, double u, int,
                                      TPeakPlacement& out) const {
    const THistogramState& hs = in.State;
    const TSampleState& sample = in.Sample;
    const double theta = hs.Wave1 * Deg / 2;
    const double s = std::sin(theta);
    if (!(d > 0) || !(s > 0)) return false;
    const double energy = EnergyTimesD / (d * s);
    out.Position = energy + hs.Zero;
    const double gauss =
        std::sqrt(std::max(u * energy * energy + sample.V * energy + sample.W, 1e-10));
    const double lorentz = std::max(0.0, sample.Gam0 + sample.Gam1 * energy);
    TPeakShape& shape = out.Shape;
    shape.Profile = 4; // a symmetric pseudo-Voigt
    shape.TwoTheta = out.Position;
    CombineWidths(gauss, lorentz, shape);
    out.Half = HalfWindow(shape, in.Histogram.BaseWidth);
    out.Factor = d * d * d * d;
    out.Wavelength = 2 * d * s;
    out.Theta = theta;
    return true;
}

double TEnergyDispersiveGeometry::SmallestD(const THistogram& hist,
                                            const std::vector<double>& x) const {
    if (x.empty()) return 1e9;
    const double s = std::sin(hist.Wave1 * Deg / 2);
    const double energy = (x.back() - hist.Zero) * 1.02 + 1;
    if (!(s > 0) || !(energy > 0)) return 0;
    return EnergyTimesD / (energy * s);
}

std::unique_ptr<TPeakGeometry> MakePeakGeometry(const THistogram& histogram) {
    if (histogram.IsTof()) return std::make_unique<TTimeOfFlightGeometry>();
    if (histogram.JobType == 6 || histogram.JobType == 7)
        return std::make_unique<TEnergyDispersiveGeometry>();
    return std::make_unique<TTwoThetaGeometry>();
}

} // namespace koralix::engine
