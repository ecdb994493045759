// Curves the scattering-factor and incident-spectrum editors draw: the
// X-ray form factor of a coefficient entry and the TOF incident spectrum.
#pragma once

#include <array>
#include <vector>

namespace koralix {

class THistogram;
class TScatterFactor;

struct TCurvePoint {
    double X = 0, Y = 0;
};

// f(s) = c + f' + sum a_i exp(-b_i s^2) at s = sin(theta) / wavelength for
// theta = 0..90 degrees (91 points); the coefficients are a1 b1 .. a4 b4 c.
std::vector<TCurvePoint> FormFactorCurve(const TScatterFactor& entry, double wavelength);

// I(x) = a0 + a1 exp(-a2/t^2)/t^5 + a3 exp(-a4 t^2) + a5 exp(-a6 t^3) + a7 exp(-a8 t^4),
// t = x / 1000, at 100 points over the histogram's range (I = 0 at x = 0).
std::vector<TCurvePoint> SpectrumCurve(const THistogram& histogram, const std::array<double, 9>& a);

} // namespace koralix
