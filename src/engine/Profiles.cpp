#include "Profiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace koralix::engine {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Deg = Pi / 180;
constexpr double FourLn2 = 2.772588722239781;
constexpr double GaussNorm = 0.9394372786996513; // 2 sqrt(ln 2 / pi)
// The widest peaks of real patterns (nanocrystals at high angles) have FWHMs
// of a few degrees, well inside this. Widths far beyond it only come from
// runaway profile parameters (a U of 10^5 gives FWHMs of hundreds of
// degrees); computed in full, every reflection would touch every point and
// one cycle would take seconds to minutes.
constexpr double MaxSymmetricHalfWindow = 20.0;

// exp(-a) for the Gaussian, 0 far in the tail: below e^-100 it adds nothing,
// and exp's underflow path is many times slower than the call itself.
double GaussTail(double a) {
    return a < 100 ? std::exp(-a) : 0.0;
}

double PseudoVoigt(double h, double eta, double delta) {
    const double x2 = delta * delta / (h * h);
    const double lorentz = 2.0 / (Pi * h) / (1 + 4 * x2);
    const double gauss = GaussNorm / h * GaussTail(FourLn2 * x2);
    return eta * lorentz + (1 - eta) * gauss;
}

double PearsonVII(double h, double m, double delta) {
    const double k = std::pow(2.0, 1.0 / m) - 1;
    const double norm =
        2 * std::sqrt(k) * std::exp(std::lgamma(m) - std::lgamma(m - 0.5)) / (std::sqrt(Pi) * h);
    return norm * std::pow(1 + 4 * k * delta * delta / (h * h), -m);
}

// A symmetric profile's value and its slopes with respect to the offset, the
// width and the mixing.
struct TSymmetricPoint {
    double V = 0, DDelta = 0, DH = 0, DEta = 0;
};

TSymmetricPoint PseudoVoigtWithSlopes(double h, double eta, double delta) {
    const double x2 = delta * delta / (h * h);
    const double q = 1 / (1 + 4 * x2);
    const double lorentz = 2.0 / (Pi * h) * q;
    const double gauss = GaussNorm / h * GaussTail(FourLn2 * x2);
    // d/d(delta) and d/dh of each part follow from x2 = delta^2 / h^2.
    const double dLdDelta = -8 * delta / (h * h) * q * lorentz;
    const double dGdDelta = -2 * FourLn2 * delta / (h * h) * gauss;
    const double dLdH = -lorentz / h + 8 * x2 / h * q * lorentz;
    const double dGdH = -gauss / h + 2 * FourLn2 * x2 / h * gauss;
    return {eta * lorentz + (1 - eta) * gauss, eta * dLdDelta + (1 - eta) * dGdDelta,
            eta * dLdH + (1 - eta) * dGdH, lorentz - gauss};
}

TSymmetricPoint PearsonVIIWithSlopes(double h, double m, double delta) {
    const double v = PearsonVII(h, m, delta);
    const double k = std::pow(2.0, 1.0 / m) - 1;
    const double r = 1 + 4 * k * delta * delta / (h * h);
    const double dDelta = -m * v * 8 * k * delta / (h * h * r);
    const double dH = -v / h + m * v * 8 * k * delta * delta / (h * h * h * r);
    return {v, dDelta, dH, 0};
}

TSymmetricPoint SymmetricWithSlopes(const TPeakShape& s, double delta) {
    if (s.Profile == 2) return PearsonVIIWithSlopes(s.H, s.M, delta);
    return PseudoVoigtWithSlopes(s.H, s.Eta, delta);
}

// Howard's asymmetry: the profile as a Simpson-rule sum of copies displaced
// towards the low-angle side (high-angle side past 90 degrees) by up to
// Asym1 / tan(2 theta).
constexpr std::array<double, 5> HowardWeights{1 / 12.0, 4 / 12.0, 2 / 12.0, 4 / 12.0, 1 / 12.0};

// Gauss-Legendre nodes and weights on [0, 1] for the FCJ integral.
constexpr int FcjNodes = 12;
struct Quadrature {
    std::array<double, FcjNodes> x{}, w{};
    Quadrature() {
        for (int i = 0; i < FcjNodes; ++i) {
            double z = std::cos(Pi * (i + 0.75) / (FcjNodes + 0.5));
            double dp = 0;
            for (int it = 0; it < 50; ++it) {
                double p0 = 1, p1 = z;
                for (int k = 2; k <= FcjNodes; ++k) {
                    const double p2 = ((2 * k - 1) * z * p1 - (k - 1) * p0) / k;
                    p0 = p1;
                    p1 = p2;
                }
                dp = FcjNodes * (z * p1 - p0) / (z * z - 1);
                const double dz = p1 / dp;
                z -= dz;
                if (std::abs(dz) < 1e-15) break;
            }
            x[size_t(i)] = 0.5 * (1 - z);
            w[size_t(i)] = 1.0 / ((1 - z * z) * dp * dp);
        }
    }
};
const Quadrature& Fcj() {
    static const Quadrature q;
    return q;
}

// The FCJ integral as a weighted sum of displaced symmetric profiles: the
// displacements phi (degrees) and normalised weights of the nodes. False
// when the peak is symmetric (no divergence, or at 90 degrees).
struct TFcjNodes {
    std::array<double, FcjNodes> Phi{}, Weight{};
};

bool FcjNodesOf(const TPeakShape& s, TFcjNodes& nodes) {
    const double tth = s.TwoTheta * Deg;
    const double sl = std::abs(s.Asym1), dl = std::abs(s.Asym2);
    const double c2 = std::cos(tth);
    const bool back = tth > Pi / 2;
    const double cosMin = std::abs(c2) * std::sqrt(std::pow(sl + dl, 2) + 1);
    if (sl + dl <= 0 || cosMin >= 1 || std::abs(c2) < 1e-6) return false;
    const double tthMin = back ? Pi - std::acos(cosMin) : std::acos(cosMin);
    const double cosInfl = std::abs(c2) * std::sqrt(std::pow(sl - dl, 2) + 1);
    const double tthInfl =
        back ? Pi - std::acos(std::min(1.0, cosInfl)) : std::acos(std::min(1.0, cosInfl));
    const Quadrature& q = Fcj();
    double sum = 0;
    for (int k = 0; k < FcjNodes; ++k) {
        // Substitution phi = 2theta - (2theta - 2phi_min) u^2 tames the 1/h singularity at 2theta.
        const double u = q.x[size_t(k)];
        const double p = tth - (tth - tthMin) * u * u;
        const double jac = 2 * u * std::abs(tth - tthMin);
        const double h = std::sqrt(std::max(0.0, std::cos(p) * std::cos(p) / (c2 * c2) - 1));
        double wgt = (back ? p <= tthInfl : p >= tthInfl) ? 2 * std::min(sl, dl) : sl + dl - h;
        wgt = std::max(0.0, wgt);
        const double f = h > 1e-12 ? wgt / (h * std::abs(std::cos(p))) : 0;
        nodes.Phi[size_t(k)] = (p - tth) / Deg;
        nodes.Weight[size_t(k)] = q.w[size_t(k)] * f * jac;
        sum += nodes.Weight[size_t(k)];
    }
    if (!(sum > 0)) return false;
    for (double& w : nodes.Weight)
        w /= sum;
    return true;
}

// Finger, Cox & Jephcoat (1994): the symmetric profile convoluted with the
// axial-divergence weight over the cone angles phi between 2phi_min and 2theta.
void AddFcj(const TPeakShape& s, const double* delta, int count, double scale, double* out) {
    TFcjNodes nodes;
    if (!FcjNodesOf(s, nodes)) {
        for (int i = 0; i < count; ++i)
            out[i] += scale * SymmetricProfile(s, delta[i]);
        return;
    }
    for (int k = 0; k < FcjNodes; ++k) {
        const double w = scale * nodes.Weight[size_t(k)];
        for (int i = 0; i < count; ++i)
            out[i] += w * SymmetricProfile(s, delta[i] - nodes.Phi[size_t(k)]);
    }
}

// Adds weight times a displaced symmetric profile to the slopes; the copy's
// displacement moving by dShift per degree of 2-theta and its weight by dWeight.
void AddCopy(const TPeakShape& s, const double* delta, int count, double shift, double weight,
             double dShift, double dWeight, const TProfileSlopes& out) {
    for (int i = 0; i < count; ++i) {
        const TSymmetricPoint p = SymmetricWithSlopes(s, delta[i] - shift);
        out.Value[i] += weight * p.V;
        out.DDelta[i] += weight * p.DDelta;
        out.DWidth[i] += weight * p.DH;
        out.DEta[i] += weight * p.DEta;
        out.DTwoTheta[i] += dWeight * p.V - weight * dShift * p.DDelta;
    }
}

bool HowardApplies(const TPeakShape& s) {
    return (s.Profile == 4 || s.Profile == 5) && s.Asym1 != 0 &&
           std::abs(std::tan(s.TwoTheta * Deg)) >= 1e-6;
}

} // namespace

TPeakShape MakePeakShape(int profile, double twoTheta, double u, double v, double w, double gam0,
                         double gam1, double gam2) {
    TPeakShape s;
    s.Profile = profile;
    s.TwoTheta = twoTheta;
    const double t = std::tan(twoTheta * Deg / 2);
    const double g2 = u * t * t + v * t + w;
    const double g = std::sqrt(std::max(g2, 1e-10));
    switch (profile) {
    case 2: {
        double m = gam0 + gam1 * twoTheta + gam2 * twoTheta * twoTheta;
        s.M = std::max(m, 0.6);
        s.H = g;
        break;
    }
    case 3:
    case 5: {
        const double l = std::max(0.0, gam0 * std::sqrt(t * t + 1) + gam1 * t);
        const double gg = g * g, ll = l * l;
        const double h = std::pow(gg * gg * g + 2.69269 * gg * gg * l + 2.42843 * gg * g * ll +
                                      4.47163 * gg * ll * l + 0.07842 * g * ll * ll + ll * ll * l,
                                  0.2);
        const double q = l / h;
        s.H = h;
        s.Eta = std::clamp(1.36603 * q - 0.47719 * q * q + 0.11116 * q * q * q, 0.0, 1.0);
        break;
    }
    default:
        s.H = g;
        s.Eta = std::clamp(gam0 + gam1 * twoTheta + gam2 * twoTheta * twoTheta, 0.0, 1.0);
        break;
    }
    return s;
}

double SymmetricProfile(const TPeakShape& s, double delta) {
    if (s.Profile == 2) return PearsonVII(s.H, s.M, delta);
    return PseudoVoigt(s.H, s.Eta, delta);
}

void AddProfile(const TPeakShape& s, const double* delta, int count, double scale, double* out) {
    switch (s.Profile) {
    case 4:
    case 5: {
        if (s.Asym1 == 0) break;
        const double t2 = std::tan(s.TwoTheta * Deg);
        if (std::abs(t2) < 1e-6) break;
        const double span = s.Asym1 / t2;
        for (size_t k = 0; k < HowardWeights.size(); ++k) {
            const double shift = -span * static_cast<double>(k) / 4.0;
            const double w = scale * HowardWeights[k];
            for (int i = 0; i < count; ++i)
                out[i] += w * SymmetricProfile(s, delta[i] - shift);
        }
        return;
    }
    case 6:
        AddFcj(s, delta, count, scale, out);
        return;
    default:
        if (s.Rietveld && s.Asym1 != 0) {
            const double t = std::tan(s.TwoTheta * Deg / 2);
            for (int i = 0; i < count; ++i) {
                const double d = delta[i];
                const double sign = d > 0 ? 1 : (d < 0 ? -1 : 0);
                const double a = std::max(0.0, 1 - s.Asym1 * sign * d * d / t);
                out[i] += scale * a * SymmetricProfile(s, d);
            }
            return;
        }
        break;
    }
    for (int i = 0; i < count; ++i)
        out[i] += scale * SymmetricProfile(s, delta[i]);
}

void ProfileWithSlopes(const TPeakShape& s, const double* delta, int count,
                       const TProfileSlopes& out) {
    for (double* a : {out.Value, out.DDelta, out.DWidth, out.DEta, out.DTwoTheta})
        std::fill(a, a + count, 0.0);
    if (HowardApplies(s)) {
        const double t2 = std::tan(s.TwoTheta * Deg);
        const double span = s.Asym1 / t2;
        const double s2 = std::sin(s.TwoTheta * Deg);
        const double dSpan = -s.Asym1 / (s2 * s2) * Deg; // per degree of 2-theta
        for (size_t k = 0; k < HowardWeights.size(); ++k) {
            const double f = -static_cast<double>(k) / 4.0;
            AddCopy(s, delta, count, span * f, HowardWeights[k], dSpan * f, 0, out);
        }
        return;
    }
    if (s.Profile == 6) {
        TFcjNodes nodes, moved;
        if (FcjNodesOf(s, nodes)) {
            // The nodes at a slightly larger angle: how displacements and weights follow 2-theta.
            const double step = 1e-4;
            TPeakShape further = s;
            further.TwoTheta += step;
            const bool both = FcjNodesOf(further, moved);
            for (size_t k = 0; k < FcjNodes; ++k) {
                const double dPhi = both ? (moved.Phi[k] - nodes.Phi[k]) / step : 0;
                const double dWeight = both ? (moved.Weight[k] - nodes.Weight[k]) / step : 0;
                AddCopy(s, delta, count, nodes.Phi[k], nodes.Weight[k], dPhi, dWeight, out);
            }
            return;
        }
    }
    if (s.Profile <= 3 && s.Rietveld && s.Asym1 != 0) {
        const double t = std::tan(s.TwoTheta * Deg / 2);
        const double c = std::cos(s.TwoTheta * Deg / 2);
        const double dT = 0.5 * Deg / (c * c); // dt per degree of 2-theta
        for (int i = 0; i < count; ++i) {
            const double d = delta[i];
            const double sign = d > 0 ? 1 : (d < 0 ? -1 : 0);
            const double a = 1 - s.Asym1 * sign * d * d / t;
            const TSymmetricPoint p = SymmetricWithSlopes(s, d);
            if (a <= 0) continue;
            out.Value[i] = a * p.V;
            out.DDelta[i] = a * p.DDelta - 2 * s.Asym1 * sign * d / t * p.V;
            out.DWidth[i] = a * p.DH;
            out.DEta[i] = a * p.DEta;
            out.DTwoTheta[i] = s.Asym1 * sign * d * d / (t * t) * dT * p.V;
        }
        return;
    }
    AddCopy(s, delta, count, 0, 1, 0, 0, out);
}

double HalfWindow(const TPeakShape& s, double baseWidth) {
    double half = std::min(0.5 * std::max(baseWidth, 1.0) * s.H, MaxSymmetricHalfWindow);
    if (s.Profile == 4 || s.Profile == 5) {
        const double t2 = std::tan(s.TwoTheta * Deg);
        if (std::abs(t2) > 1e-6) half += std::min(5.0, std::abs(s.Asym1 / t2));
    }
    if (s.Profile == 6) {
        const double c2 = std::abs(std::cos(s.TwoTheta * Deg));
        const double cosMin =
            c2 * std::sqrt(std::pow(std::abs(s.Asym1) + std::abs(s.Asym2), 2) + 1);
        if (cosMin < 1) {
            // Past 90 degrees the tail reaches up from 2theta towards 180 - 2phi_min.
            const double tth = s.TwoTheta * Deg;
            const double tthMin = tth > Pi / 2 ? Pi - std::acos(cosMin) : std::acos(cosMin);
            half += std::min(10.0, std::abs(tth - tthMin) / Deg);
        }
    }
    return half;
}

} // namespace koralix::engine
