#include "TofProfile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace koralix::engine {

namespace {

constexpr double Sqrt2 = std::numbers::sqrt2;
constexpr double TwoOverSqrtPi = 2 / 1.7724538509055159;
constexpr double FwhmPerSigma = 2.3548200450309493; // sqrt(8 ln 2)

// exp(a) erfc(x) where exp(a - x^2) = g is known: written through the scaled
// complementary error function where exp(a) alone would overflow.
double ExpErfc(double a, double x, double g) {
    if (x < 0) return std::exp(a) * std::erfc(x);
    if (x < 20) return g * std::exp(x * x) * std::erfc(x);
    const double r = 1 / (x * x);
    return g / (x * std::sqrt(std::numbers::pi)) * (1 - r / 2 + 0.75 * r * r - 1.875 * r * r * r);
}

struct TTofPoint {
    double V = 0, DDelta = 0, DSigma = 0;
};

TTofPoint TofPoint(double alpha, double beta, double sigma, double delta) {
    const double s2 = sigma * sigma;
    const double n = alpha * beta / (2 * (alpha + beta));
    const double u = alpha * (alpha * s2 + 2 * delta) / 2;
    const double v = beta * (beta * s2 - 2 * delta) / 2;
    const double y = (alpha * s2 + delta) / (Sqrt2 * sigma);
    const double z = (beta * s2 - delta) / (Sqrt2 * sigma);
    // u - y^2 = v - z^2 = -delta^2 / (2 s^2): the Gaussian at this offset.
    const double g = std::exp(-delta * delta / (2 * s2));
    const double a = ExpErfc(u, y, g), b = ExpErfc(v, z, g);
    const double dyDelta = 1 / (Sqrt2 * sigma), dzDelta = -dyDelta;
    const double dySigma = alpha / Sqrt2 - delta / (Sqrt2 * s2);
    const double dzSigma = beta / Sqrt2 + delta / (Sqrt2 * s2);
    TTofPoint p;
    p.V = n * (a + b);
    p.DDelta =
        n * (alpha * a - TwoOverSqrtPi * g * dyDelta - beta * b - TwoOverSqrtPi * g * dzDelta);
    p.DSigma = n * (alpha * alpha * sigma * a - TwoOverSqrtPi * g * dySigma +
                    beta * beta * sigma * b - TwoOverSqrtPi * g * dzSigma);
    return p;
}

bool Usable(const TPeakShape& s) {
    return s.Alpha > 0 && s.Beta > 0 && s.H > 0;
}

} // namespace

void AddTofProfile(const TPeakShape& s, const double* delta, int count, double scale, double* out) {
    if (!Usable(s)) return;
    const double sigma = s.H / FwhmPerSigma;
    for (int i = 0; i < count; ++i)
        out[i] += scale * TofPoint(s.Alpha, s.Beta, sigma, delta[i]).V;
}

void TofProfileWithSlopes(const TPeakShape& s, const double* delta, int count,
                          const TProfileSlopes& out) {
    for (double* a : {out.Value, out.DDelta, out.DWidth, out.DEta, out.DTwoTheta})
        std::fill(a, a + count, 0.0);
    if (!Usable(s)) return;
    const double sigma = s.H / FwhmPerSigma;
    for (int i = 0; i < count; ++i) {
        const TTofPoint p = TofPoint(s.Alpha, s.Beta, sigma, delta[i]);
        out.Value[i] = p.V;
        out.DDelta[i] = p.DDelta;
        out.DWidth[i] = p.DSigma / FwhmPerSigma;
    }
}

double TofHalfWindow(const TPeakShape& s, double baseWidth) {
    double half = 0.5 * std::max(baseWidth, 1.0) * s.H;
    // The slower exponential falls to 1e-4 of its start within 9 decay lengths,
    // yet never more than 20 FWHMs, so that tiny alpha or beta cannot make a
    // peak cover the whole pattern.
    if (Usable(s)) half += std::min(9 / std::min(s.Alpha, s.Beta), 20 * s.H);
    return half;
}

} // namespace koralix::engine
