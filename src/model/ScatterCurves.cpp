#include "ScatterCurves.h"

#include "Model.h"

#include <cmath>
#include <numbers>

namespace koralix {

std::vector<TCurvePoint> FormFactorCurve(const TScatterFactor& e, double wavelength) {
    std::vector<TCurvePoint> points;
    if (wavelength <= 0) return points;
    for (int degrees = 0; degrees <= 90; ++degrees) {
        const double s = std::sin(degrees * std::numbers::pi / 180) / wavelength;
        double f = double(e.Coeff[8]) + e.FPrime;
        for (int i = 0; i < 4; ++i) f += e.Coeff[size_t(2 * i)] * std::exp(-e.Coeff[size_t(2 * i + 1)] * s * s);
        points.push_back({s, f});
    }
    return points;
}

std::vector<TCurvePoint> SpectrumCurve(const THistogram& h, const std::array<double, 9>& a) {
    std::vector<TCurvePoint> points;
    for (int i = 1; i <= 100; ++i) {
        const double x = h.ThetaMin + i * (double(h.ThetaMax) - h.ThetaMin) / 100;
        const double t = x / 1000;
        double y = 0;
        if (x != 0)
            y = a[0] + a[1] * std::exp(-a[2] / (t * t)) / std::pow(t, 5) + a[3] * std::exp(-a[4] * t * t) +
                a[5] * std::exp(-a[6] * t * t * t) + a[7] * std::exp(-a[8] * std::pow(t, 4));
        if (std::isfinite(y)) points.push_back({x, y});
    }
    return points;
}

} // namespace koralix
