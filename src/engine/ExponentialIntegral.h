// The exponential integral of complex argument, as the Lorentzian part of the
// time-of-flight peak needs it: only ever multiplied by exp(z), so that both
// far tails stay finite where E1 itself would overflow or underflow.
#pragma once

#include <complex>

namespace koralix::engine {

// exp(z) E1(z) on the principal branch (cut along the negative real axis,
// reached from above when Im z = 0). Not defined at z = 0.
std::complex<double> ScaledE1(std::complex<double> z);

} // namespace koralix::engine
