#include "TofProfile.h"

#include "ExponentialIntegral.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace koralix::engine {

namespace {

using Complex = std::complex<double>;

constexpr double Pi = std::numbers::pi;
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

// A part of the peak at one offset with its slopes against the offset, the
// FWHM and the two rates.
struct TTofPoint {
    double V = 0, DDelta = 0, DWidth = 0, DAlpha = 0, DBeta = 0;
};

TTofPoint GaussianPart(double alpha, double beta, double sigma, double delta) {
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
    const double dSigma = n * (alpha * alpha * sigma * a - TwoOverSqrtPi * g * dySigma +
                               beta * beta * sigma * b - TwoOverSqrtPi * g * dzSigma);
    p.DWidth = dSigma / FwhmPerSigma;
    // d/d(alpha) of exp(u) erfc(y): u' = alpha s^2 + D, y' = s / sqrt 2; and
    // of N: N beta / (alpha (alpha + beta)). Likewise for beta.
    const double sum = alpha + beta;
    const double dA = (alpha * s2 + delta) * a - TwoOverSqrtPi * g * sigma / Sqrt2;
    const double dB = (beta * s2 - delta) * b - TwoOverSqrtPi * g * sigma / Sqrt2;
    p.DAlpha = p.V * beta / (alpha * sum) + n * dA;
    p.DBeta = p.V * alpha / (beta * sum) + n * dB;
    return p;
}

// With f(z) = exp(z) E1(z), f'(z) = f(z) - 1/z, so the slopes need no more
// exponential integrals than the value.
TTofPoint LorentzianPart(double alpha, double beta, double fwhm, double delta) {
    const double n = alpha * beta / (Pi * (alpha + beta));
    const double gamma = fwhm / 2;
    const Complex p(alpha * delta, alpha * gamma), q(-beta * delta, beta * gamma);
    const Complex fp = ScaledE1(p), fq = ScaledE1(q);
    const Complex dp = fp - Complex(p.real(), -p.imag()) / std::norm(p);
    const Complex dq = fq - Complex(q.real(), -q.imag()) / std::norm(q);
    TTofPoint out;
    out.V = -n * (fp + fq).imag();
    out.DDelta = -n * (alpha * dp - beta * dq).imag();
    // d/d(gamma) of Im f(p) is Im(i alpha f'(p)) = Re(alpha f'(p)); gamma = FWHM / 2.
    out.DWidth = -n * (alpha * dp + beta * dq).real() / 2;
    // p = alpha (D + i gamma) gives dp/d(alpha) = p / alpha; q likewise with beta.
    const double sum = alpha + beta;
    out.DAlpha = out.V * beta / (alpha * sum) - n * (dp * p).imag() / alpha;
    out.DBeta = out.V * alpha / (beta * sum) - n * (dq * q).imag() / beta;
    return out;
}

struct TMixedPoint {
    TTofPoint Mixed;
    double DEta = 0;
};

// `withSlopes`: the mixing's slope needs the Lorentzian part even where the
// peak has none yet, so that a Lorentzian width refined from zero can grow.
TMixedPoint TofPoint(const TPeakShape& s, double delta, bool withSlopes) {
    const TTofPoint g = GaussianPart(s.Alpha, s.Beta, s.H / FwhmPerSigma, delta);
    if (s.Eta == 0 && !withSlopes) return {g, 0};
    const TTofPoint l = LorentzianPart(s.Alpha, s.Beta, s.H, delta);
    const double e = s.Eta;
    TMixedPoint m;
    m.Mixed.V = (1 - e) * g.V + e * l.V;
    m.Mixed.DDelta = (1 - e) * g.DDelta + e * l.DDelta;
    m.Mixed.DWidth = (1 - e) * g.DWidth + e * l.DWidth;
    m.Mixed.DAlpha = (1 - e) * g.DAlpha + e * l.DAlpha;
    m.Mixed.DBeta = (1 - e) * g.DBeta + e * l.DBeta;
    m.DEta = l.V - g.V;
    return m;
}

bool Usable(const TPeakShape& s) {
    return s.Alpha > 0 && s.Beta > 0 && s.H > 0;
}

} // namespace

void AddTofProfile(const TPeakShape& s, const double* delta, int count, double scale, double* out) {
    if (!Usable(s)) return;
    for (int i = 0; i < count; ++i)
        out[i] += scale * TofPoint(s, delta[i], false).Mixed.V;
}

void TofProfileWithSlopes(const TPeakShape& s, const double* delta, int count,
                          const TProfileSlopes& out) {
    for (double* a :
         {out.Value, out.DDelta, out.DWidth, out.DEta, out.DTwoTheta, out.DAlpha, out.DBeta})
        if (a) std::fill(a, a + count, 0.0);
    if (!Usable(s)) return;
    for (int i = 0; i < count; ++i) {
        const TMixedPoint p = TofPoint(s, delta[i], true);
        out.Value[i] = p.Mixed.V;
        out.DDelta[i] = p.Mixed.DDelta;
        out.DWidth[i] = p.Mixed.DWidth;
        out.DEta[i] = p.DEta;
        if (out.DAlpha) out.DAlpha[i] = p.Mixed.DAlpha;
        if (out.DBeta) out.DBeta[i] = p.Mixed.DBeta;
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

std::string TofProfileDescription() {
    return "Time of flight: T = Zero + DIFC d + DIFA d^2 (DIFC in Wave1, DIFA in Wave2), "
           "microseconds\n"
           "  Gaussian variance s^2 = U + V d^2 + W d^4, Lorentzian FWHM g = Gam0 + Gam1 d + "
           "Gam2 d^2\n"
           "  rise alpha = TofAlpha1 + TofAlpha2 / d, decay beta = TofBeta1 + TofBeta2 / d^4 "
           "(per microsecond)\n"
           "  peak: back-to-back exponentials convoluted with the pseudo-Voigt whose FWHM and "
           "mixing follow\n"
           "  from sqrt(8 ln 2) s and g by Thompson-Cox-Hastings; Lorentzian part through "
           "E1 of complex argument\n"
           "  intensity factor d^4 times the incident spectrum at T\n";
}

} // namespace koralix::engine
