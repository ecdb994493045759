#include "PeakGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace koralix::engine {

namespace {

constexpr double Deg = std::numbers::pi / 180;

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

std::unique_ptr<TPeakGeometry> MakePeakGeometry(const THistogram&) {
    // Job types above 3 are refused before a calculator is made.
    return std::make_unique<TTwoThetaGeometry>();
}

} // namespace koralix::engine
