// The time-of-flight peak: back-to-back exponentials (rise alpha, decay
// beta, per microsecond) convoluted with a Gaussian of FWHM H, of unit area
// over time of flight. With offset D = t - T and s the Gaussian's standard
// deviation (H = sqrt(8 ln 2) s):
//   P(D) = N [exp(u) erfc(y) + exp(v) erfc(z)],  N = alpha beta / (2 (alpha + beta)),
//   u = alpha (alpha s^2 + 2 D) / 2,  y = (alpha s^2 + D) / (sqrt 2 s),
//   v = beta (beta s^2 - 2 D) / 2,    z = (beta s^2 - D) / (sqrt 2 s).
#pragma once

#include "Profiles.h"

namespace koralix::engine {

// Values added with `scale` to out[i] at offsets delta[i] (microseconds).
void AddTofProfile(const TPeakShape& shape, const double* delta, int count, double scale,
                   double* out);

// Values and their analytic slopes with respect to the offset and H.
void TofProfileWithSlopes(const TPeakShape& shape, const double* delta, int count,
                          const TProfileSlopes& out);

// Room for the exponential tails besides `baseWidth` FWHMs.
double TofHalfWindow(const TPeakShape& shape, double baseWidth);

} // namespace koralix::engine
