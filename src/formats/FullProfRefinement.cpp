// FullProf's peak shapes, background and 2θ shifts in the terms this
// program's profiles and background kinds use, with their refinement codes.
#include "FullProfRefinement.h"

#include <cmath>
#include <numbers>

namespace koralix {

namespace {

// FullProf's peak shapes (Npr).
constexpr int Gaussian = 0;
constexpr int Lorentzian = 1;
constexpr int PseudoVoigt = 5;
constexpr int PearsonVII = 6;
constexpr int ThompsonCoxHastings = 7;

// The model's profiles.
constexpr int ProfilePearsonVII = 2;
constexpr int ProfilePseudoVoigtHoward = 4;
constexpr int ProfileVoigtHoward = 5;

// A code of the file on a term the import did not give codes to: refined as
// the file says, and tied to the terms that share its number.
void AddCode(TRietveld& model, const TAddress& address, float code) {
    TParameterList& list = model.Parameters;
    const TParameter added(address, code);
    if (added.CodeNumber <= 0 || added.CodeNumber > model.CodeCount || list.TakesPart(address))
        return;
    for (const TParameter& free : list.Free) {
        if (free.CodeNumber != added.CodeNumber) continue;
        const TParameter master = free; // AddConstraint may grow the list
        list.AddConstraint(master, added);
        return;
    }
    list.AddFree(address, code);
}

TAddress SampleAddress(int p, int type) {
    return {1, p, 0, type};
}

void ApplyPeakShape(TRietveld& model, int p, int npr, const TPcrPhaseTerms& t) {
    TSample* s = model.FindSample(1, p);
    THistogram& h = model.Histogram(1);
    if (!s) return;
    s->Gam0 = s->Gam1 = s->Gam2 = 0;
    switch (npr) {
    case ThompsonCoxHastings:
        // H_L = X tanθ + Y / cosθ: the Voigt's Lorentzian FWHM Gam0 / cosθ + Gam1 tanθ.
        h.Profile = ProfileVoigtHoward;
        s->Gam0 = t.Y;
        s->Gam1 = t.X;
        AddCode(model, SampleAddress(p, 15), t.YCode);
        AddCode(model, SampleAddress(p, 16), t.XCode);
        break;
    case PseudoVoigt:
        // η = Eta0 + X 2θ, the model's mixing Gam0 + Gam1 2θ.
        h.Profile = ProfilePseudoVoigtHoward;
        s->Gam0 = t.Shape1;
        s->Gam1 = t.X;
        AddCode(model, SampleAddress(p, 15), t.Shape1Code);
        AddCode(model, SampleAddress(p, 16), t.XCode);
        break;
    case PearsonVII:
        h.Profile = ProfilePearsonVII;
        s->Gam0 = t.Shape1;
        AddCode(model, SampleAddress(p, 15), t.Shape1Code);
        break;
    case Gaussian:
        h.Profile = ProfilePseudoVoigtHoward;
        break;
    case Lorentzian:
        h.Profile = ProfilePseudoVoigtHoward;
        s->Gam0 = 1;
        break;
    default:
        break;
    }
    // FullProf's asymmetry (Bérar-Baldinozzi, or axial divergence S_L, D_L)
    // is not Howard's; taken for Howard's span it would pull every peak
    // aside. The peaks start symmetric. (The Pearson VII keeps the Rietveld
    // form, which is what FullProf's single asymmetry term once was.)
    if (h.Profile != ProfilePseudoVoigtHoward && h.Profile != ProfileVoigtHoward) return;
    s->Asym1 = 0;
    s->Asym2 = 0;
    model.Parameters.SetRefined(SampleAddress(p, 14), false);
}

void ApplyBackground(TRietveld& model, const TPcrTerms& terms) {
    THistogram& h = model.Histogram(1);
    if (terms.Nba != 0 || !(terms.Bkpos != 0) || !(h.ThetaMax > h.ThetaMin)) return;
    std::array<double, 6> b{};
    for (size_t k = 0; k < b.size(); ++k)
        b[k] = h.Background.Coeff[k];
    const std::array<double, 6> c = PolynomialAsChebyshev(b, terms.Bkpos, h.ThetaMin, h.ThetaMax);
    h.Background.Kind = BkgShiftedChebyI;
    for (size_t k = 0; k < c.size(); ++k)
        h.Background.Coeff[k] = static_cast<float>(c[k]);
}

} // namespace

std::array<double, 6> PolynomialAsChebyshev(const std::array<double, 6>& b, double bkpos, double lo,
                                            double hi) {
    // The series of degree 5 is fixed by its values at six Chebyshev nodes.
    constexpr int n = 6;
    std::array<double, n> values{}, angles{};
    for (int k = 0; k < n; ++k) {
        angles[size_t(k)] = std::numbers::pi * (k + 0.5) / n;
        const double u = std::cos(angles[size_t(k)]);
        const double x = (lo + hi) / 2 + (hi - lo) / 2 * u;
        const double t = x / bkpos - 1;
        double y = 0, power = 1;
        for (double coefficient : b) {
            y += coefficient * power;
            power *= t;
        }
        values[size_t(k)] = y;
    }
    std::array<double, n> c{};
    for (int j = 0; j < n; ++j) {
        double sum = 0;
        for (int k = 0; k < n; ++k)
            sum += values[size_t(k)] * std::cos(j * angles[size_t(k)]);
        c[size_t(j)] = (j == 0 ? 1.0 : 2.0) / n * sum;
    }
    return c;
}

void CarryFullProfRefinement(TRietveld& model, const TPcrTerms& terms) {
    if (model.HistogramCount() < 1 || model.Histogram(1).IsTof()) return;
    for (int p = 1; p <= model.PhaseCount() && p <= static_cast<int>(terms.Phases.size()); ++p) {
        const TPcrPhaseTerms& t = terms.Phases[size_t(p - 1)];
        ApplyPeakShape(model, p, t.Npr >= 0 ? t.Npr : terms.Npr, t);
        AddCode(model, {0, p, 0, 2}, t.OverallBCode);
    }
    ApplyBackground(model, terms);
    THistogram& h = model.Histogram(1);
    // A negative ratio is FullProf's switch for its polarisation handling;
    // the intensity of the second wavelength is its size.
    h.Ratio = std::abs(h.Ratio);
    if (terms.SyCos != 0 || terms.SyCosCode != 0) {
        // The same shift SyCos cosθ of every peak.
        h.UseDisplacement = 1;
        h.Displacement = terms.SyCos;
        AddCode(model, {1, 0, 0, 17}, terms.SyCosCode);
    }
}

} // namespace koralix
