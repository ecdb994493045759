#include "PreferredOrientation.h"

#include <algorithm>
#include <cmath>

namespace koralix::engine {

double CosAngle(const gemmi::UnitCell& cell, const Hkl& h, double dh, double dk, double dl) {
    const auto g = cell.reciprocal_metric_tensor();
    auto dot = [&](double a0, double a1, double a2, double b0, double b1, double b2) {
        return g.u11 * a0 * b0 + g.u22 * a1 * b1 + g.u33 * a2 * b2 + g.u12 * (a0 * b1 + a1 * b0) +
               g.u13 * (a0 * b2 + a2 * b0) + g.u23 * (a1 * b2 + a2 * b1);
    };
    const double hh = dot(h[0], h[1], h[2], h[0], h[1], h[2]);
    const double pp = dot(dh, dk, dl, dh, dk, dl);
    if (!(hh > 0) || !(pp > 0)) return 1;
    return std::clamp(dot(h[0], h[1], h[2], dh, dk, dl) / std::sqrt(hh * pp), -1.0, 1.0);
}

double MarchDollase(const gemmi::UnitCell& cell, const TReflection& r, const TSample& sample,
                    double po, bool summed) {
    if (po == 1 || !(po > 0)) return 1;
    if (sample.POH == 0 && sample.POK == 0 && sample.POL == 0) return 1;
    auto factor = [&](const Hkl& h) {
        const double c = CosAngle(cell, h, sample.POH, sample.POK, sample.POL);
        return std::pow(po * po * c * c + (1 - c * c) / po, -1.5);
    };
    if (!summed || r.Equivalents.empty()) return factor(r.H);
    double sum = 0;
    for (const Hkl& e : r.Equivalents)
        sum += factor(e);
    return sum / static_cast<double>(r.Equivalents.size());
}

} // namespace koralix::engine
