#include "PeakWidth.h"

#include "Model.h"

#include <cmath>
#include <numbers>

namespace koralix {

namespace {

constexpr double Degrees = 180.0 / std::numbers::pi;

bool IsVoigt(int32_t p) {
    return p == 3 || p == 5;
}

double SignedRoot(double g) {
    return g >= 0 ? std::sqrt(g) : -std::sqrt(-g);
}

// Thompson, Cox and Hastings: the pseudo-Voigt that best matches a Voigt of
// Gaussian width g and Lorentzian width l.
TPeakWidth Tch(double g, double l) {
    const double h = std::pow(std::pow(g, 5) + 2.69269 * std::pow(g, 4) * l +
                                  2.42843 * std::pow(g, 3) * l * l +
                                  4.47163 * g * g * std::pow(l, 3) + 0.07842 * g * std::pow(l, 4) +
                                  std::pow(l, 5),
                              0.2);
    if (h == 0) return {0, 0};
    const double q = l / h;
    return {h, 1.36603 * q - 0.47719 * q * q + 0.11116 * q * q * q};
}

} // namespace

double WidthArgument(int32_t jobType, double x, double difc) {
    if (jobType >= 0 && jobType <= 3) return std::tan(x / 2 / Degrees);
    if (jobType == 4 || jobType == 5) return difc == 0 ? 0.01 : x / difc;
    return 0;
}

TPeakWidth WidthAt(const TPeakShape& s, double t) {
    const bool tof = s.Profile == 7;
    const double g = tof ? s.U + s.V * t * t + s.W * std::pow(t, 4) : s.U * t * t + s.V * t + s.W;
    const double gauss = SignedRoot(g);
    const double theta2 = tof ? 0.0 : 2 * std::atan(t) * Degrees;
    double l = s.Gam0 + s.Gam1 * theta2 + s.Gam2 * theta2 * theta2;
    if (s.Profile == 2 && l < 0.6) l = 0.6;
    if (IsVoigt(s.Profile)) l = s.Gam0 * std::sqrt(t * t + 1) + s.Gam1 * t;
    if (IsVoigt(s.Profile) || tof) return Tch(gauss, l);
    return {gauss, l};
}

TWidthCurves WidthCurves(const THistogram& h, const TPeakShape& shape) {
    TWidthCurves curves;
    const bool second = h.IsXrayCw() && h.Ratio != 0 && h.Wave1 > 0 && h.Wave2 > 0 &&
                        h.Wave2 != h.Wave1 && shape.Profile != 7;
    for (int i = 0; i <= 100; ++i) {
        const double x = h.ThetaMin + i * (double(h.ThetaMax) - h.ThetaMin) / 100;
        TPeakWidth w = WidthAt(shape, WidthArgument(h.JobType, x, h.Wave1));
        if (!std::isfinite(w.H) || !std::isfinite(w.Second)) {
            curves.Failed = true;
            break;
        }
        curves.Alpha1.push_back({x, w});
        if (!second) continue;
        const double s = double(h.Wave2) / h.Wave1 * std::sin(x / 2 / Degrees);
        if (std::fabs(s) >= 1) continue;
        const double x2 = 2 * std::asin(s) * Degrees;
        TPeakWidth w2 = WidthAt(shape, WidthArgument(h.JobType, x2, h.Wave1));
        if (std::isfinite(w2.H)) curves.Alpha2.push_back({x2, w2});
    }
    return curves;
}

std::vector<TProfilePoint> ProfileAt(const TPeakShape& shape, double x0, double step,
                                     TPeakWidth* used) {
    std::vector<TProfilePoint> points;
    if (shape.Profile == 7) return points;
    TPeakWidth w = WidthAt(shape, std::tan(x0 * std::numbers::pi / 360));
    // Only the two Voigt profiles give eta; the others draw with their second
    // width as the mixing value, as the peak-width window always has.
    const double h = w.H, eta = w.Second;
    if (used) *used = w;
    for (int e = -49; e <= 50; ++e) {
        const double d = e * step;
        const double lorentz = h == 0 ? 0 : 0.159155 * h / (d * d + 0.25 * h * h);
        const double gauss = h == 0 ? 0 : 0.9394373 / h * std::exp(-2.772589 * d * d / (h * h));
        points.push_back({x0 + d, eta * lorentz + (1 - eta) * gauss});
    }
    return points;
}

} // namespace koralix
