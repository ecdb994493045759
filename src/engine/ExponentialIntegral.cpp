#include "ExponentialIntegral.h"

#include <cmath>

namespace koralix::engine {

namespace {

using Complex = std::complex<double>;

constexpr double EulerGamma = 0.57721566490153286;
constexpr double Tolerance = 1e-16;

// E1(z) = -gamma - ln z - sum_k (-z)^k / (k k!), which converges everywhere.
// Its terms grow like exp(|z|) / |z| before they fall, so it is used only
// where the sum does not cancel them away: small |z|, or the left half plane
// near the cut, where E1 itself is of the size exp(-z) / z.
Complex BySeries(Complex z) {
    Complex term = 1, sum = 0;
    const double size = std::abs(z);
    for (int k = 1; k < 1000; ++k) {
        term *= -z / double(k);
        const Complex share = term / double(k);
        sum += share;
        if (k > size && std::abs(share) <= Tolerance * std::abs(sum)) break;
    }
    return std::exp(z) * (-EulerGamma - std::log(z) - sum);
}

// exp(z) E1(z) = 1 / (z + 1 - 1 / (z + 3 - 4 / (z + 5 - ...))), by the
// modified Lentz method. Quick away from the negative real axis; near it the
// convergence slows without bound, hence the other two forms there.
Complex ByContinuedFraction(Complex z) {
    constexpr double Tiny = 1e-300;
    Complex b = z + 1.0, c = 1 / Tiny, d = 1.0 / b, h = d;
    for (int i = 1; i < 5000; ++i) {
        const double a = -double(i) * i;
        b += 2.0;
        d = 1.0 / (a * d + b);
        c = b + a / c;
        const Complex step = c * d;
        h *= step;
        if (std::abs(step - 1.0) <= Tolerance) break;
    }
    return h;
}

// exp(z) E1(z) ~ sum_k (-1)^k k! / z^(k+1), stopped at its smallest term.
// For |z| >= 40 that error is below exp(-40); the exponentially small term
// the expansion leaves out near the cut (-i pi exp(z)) is as small there.
Complex Asymptotically(Complex z) {
    Complex term = 1.0 / z, sum = 0;
    double previous = std::abs(term) * 2;
    for (int k = 0; k < 200; ++k) {
        const double size = std::abs(term);
        if (size >= previous) break;
        sum += term;
        if (size <= Tolerance * std::abs(sum)) break;
        previous = size;
        term *= -double(k + 1) / z;
    }
    return sum;
}

} // namespace

Complex ScaledE1(Complex z) {
    // E1 of the conjugate is the conjugate.
    if (z.imag() < 0) return std::conj(ScaledE1(std::conj(z)));
    // A signed zero would put the logarithm on the lower side of the cut.
    if (z.imag() == 0) z.imag(0.0);
    const double size = std::abs(z);
    const bool nearCut = z.real() < 0 && z.imag() < -z.real();
    if (nearCut) return size < 40 ? BySeries(z) : Asymptotically(z);
    return size < 4 ? BySeries(z) : ByContinuedFraction(z);
}

} // namespace koralix::engine
