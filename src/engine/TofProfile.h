// The time-of-flight peak: back-to-back exponentials (rise alpha, decay
// beta, per microsecond) convoluted with a pseudo-Voigt of FWHM H and
// Lorentzian share eta, of unit area over time of flight:
//   P(D) = (1 - eta) G(D) + eta L(D),  D = t - T.
// G is the exponentials convoluted with the Gaussian of FWHM H
// (s its standard deviation, H = sqrt(8 ln 2) s):
//   G(D) = N [exp(u) erfc(y) + exp(v) erfc(z)],  N = alpha beta / (2 (alpha + beta)),
//   u = alpha (alpha s^2 + 2 D) / 2,  y = (alpha s^2 + D) / (sqrt 2 s),
//   v = beta (beta s^2 - 2 D) / 2,    z = (beta s^2 - D) / (sqrt 2 s).
// L is the exponentials convoluted with the Lorentzian of FWHM H, through
// the exponential integral E1 of complex argument:
//   L(D) = -(2N / pi) Im[exp(p) E1(p) + exp(q) E1(q)],
//   p = alpha (D + i H/2),  q = beta (-D + i H/2).
#pragma once

#include "Profiles.h"

#include <string>

namespace koralix::engine {

// Values added with `scale` to out[i] at offsets delta[i] (microseconds).
void AddTofProfile(const TPeakShape& shape, const double* delta, int count, double scale,
                   double* out);

// Values and their analytic slopes with respect to the offset, H, eta and,
// where `out` asks for them, alpha and beta.
void TofProfileWithSlopes(const TPeakShape& shape, const double* delta, int count,
                          const TProfileSlopes& out);

// Room for the exponential tails besides `baseWidth` FWHMs.
double TofHalfWindow(const TPeakShape& shape, double baseWidth);

// The forms of the time-of-flight peak, as lines for the head of a listing.
std::string TofProfileDescription();

} // namespace koralix::engine
