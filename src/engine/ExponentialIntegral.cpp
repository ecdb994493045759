#include "ExponentialIntegral.h"

#include <cmath>

namespace koralix::engine {

namespace {

using Complex = std::complex<double>;

constexpr double EulerGamma = 0.57721566490153286;
constexpr double Tolerance = 1e-16;

// 1 / z without the library's care for overflow, which these arguments
// (between 1e-300 and 1e300 in size) never need.
Complex Inverse(Complex z) {
    const double n = 1 / (z.real() * z.real() + z.imag() * z.imag());
    return {z.real() * n, -z.imag() * n};
}

// E1(z) = -gamma - ln z - sum_k (-z)^k / (k k!), which converges everywhere.
// Its terms grow like exp(|z|) / |z| before they fall, so it is used only
// where the sum does not cancel them away: small |z|, or the left half plane
// near the cut, where E1 itself is of the size exp(-z) / z.
Complex BySeries(Complex z) {
    // Real arithmetic in the loop: the peaks call this for most of their points.
    const double x = -z.real(), y = -z.imag();
    double tr = 1, ti = 0, sr = 0, si = 0;
    const double size2 = x * x + y * y;
    for (int k = 1; k < 1000; ++k) {
        const double inverse = 1.0 / k;
        const double r = (tr * x - ti * y) * inverse;
        ti = (tr * y + ti * x) * inverse;
        tr = r;
        const double shareR = tr * inverse, shareI = ti * inverse;
        sr += shareR;
        si += shareI;
        const double share2 = shareR * shareR + shareI * shareI;
        if (double(k) * k > size2 && share2 <= Tolerance * Tolerance * (sr * sr + si * si)) break;
    }
    return std::exp(z) * (-EulerGamma - std::log(z) - Complex(sr, si));
}

// exp(z) E1(z) = 1 / (z + 1 - 1 / (z + 3 - 4 / (z + 5 - ...))), by the
// modified Lentz method. Quick away from the negative real axis; near it the
// convergence slows without bound, hence the other two forms there.
Complex ByContinuedFraction(Complex z) {
    constexpr double Tiny = 1e-300;
    Complex b = z + 1.0, c = 1 / Tiny, d = Inverse(b), h = d;
    for (int i = 1; i < 5000; ++i) {
        const double a = -double(i) * i;
        b += 2.0;
        d = Inverse(a * d + b);
        c = b + a * Inverse(c);
        const Complex step = c * d;
        h *= step;
        if (std::norm(step - 1.0) <= Tolerance * Tolerance) break;
    }
    return h;
}

// exp(z) E1(z) ~ sum_k (-1)^k k! / z^(k+1), stopped at its smallest term.
// For |z| >= 40 that error is below exp(-40); the exponentially small term
// the expansion leaves out near the cut (-i pi exp(z)) is as small there.
Complex Asymptotically(Complex z) {
    const Complex inverse = Inverse(z);
    Complex term = inverse, sum = 0;
    double previous = std::norm(term) * 4;
    for (int k = 0; k < 200; ++k) {
        const double size = std::norm(term);
        if (size >= previous) break;
        sum += term;
        if (size <= Tolerance * Tolerance * std::norm(sum)) break;
        previous = size;
        term *= -double(k + 1) * inverse;
    }
    return sum;
}

} // namespace

Complex ScaledE1(Complex z) {
    // E1 of the conjugate is the conjugate.
    if (z.imag() < 0) return std::conj(ScaledE1(std::conj(z)));
    // A signed zero would put the logarithm on the lower side of the cut.
    if (z.imag() == 0) z.imag(0.0);
    const double size2 = std::norm(z);
    const bool nearCut = z.real() < 0 && z.imag() < -z.real();
    if (nearCut) return size2 < 40 * 40 ? BySeries(z) : Asymptotically(z);
    return size2 < 4 * 4 ? BySeries(z) : ByContinuedFraction(z);
}

} // namespace koralix::engine
