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
constexpr int ProfileTimeOfFlight = 7;

// FullProf's background functions (Nba) and data layouts (Ins).
constexpr int FourierCosine = -4;
constexpr int InsGsas = 12;
constexpr int DataFormatGsas = 3;

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

// σ² = Sig-2 d⁴ + Sig-1 d² + Sig-0 and γ = Gam-2 d² + Gam-1 d + Gam-0 are
// the model's U + V d² + W d⁴ and Gam0 + Gam1 d + Gam2 d² read from the
// other end; the importer put Sig-2..Sig-0 into U..W, so their codes move too.
void ApplyTimeOfFlightShape(TRietveld& model, int p, const TPcrPhaseTerms& t) {
    TSample* s = model.FindSample(1, p);
    if (!s) return;
    TParameterList& list = model.Parameters;
    for (int type : {3, 4, 5, 14, 15, 16, 17, 21, 22, 23, 24})
        list.SetRefined(SampleAddress(p, type), false);
    float* variance[3] = {&s->W, &s->V, &s->U};
    float* lorentzian[3] = {&s->Gam2, &s->Gam1, &s->Gam0};
    for (size_t k = 0; k < 3; ++k) {
        const int power = 2 - static_cast<int>(k);
        *variance[k] = t.Sig[k];
        AddCode(model, SampleAddress(p, 3 + power), t.SigCodes[k]);
        *lorentzian[k] = t.Gam[k];
        AddCode(model, SampleAddress(p, 15 + power), t.GamCodes[k]);
    }
    // The rates α = alph0 + alph1 / d and β = beta0 + beta1 / d⁴, written
    // alph0, beta0, alph1, beta1.
    s->TofAlpha1 = t.Asy[0];
    s->TofBeta1 = t.Asy[1];
    s->TofAlpha2 = t.Asy[2];
    s->TofBeta2 = t.Asy[3];
    const int rateTypes[4] = {21, 23, 22, 24};
    for (size_t k = 0; k < 4; ++k)
        AddCode(model, SampleAddress(p, rateTypes[k]), t.AsyCodes[k]);
    // The importer read alph0 as the asymmetry; the rates hold it now.
    s->Asym1 = s->Asym2 = 0;
}

// FullProf's Fourier-cosine background has no counterpart here. Its
// constant term is the background's mean level, so the model starts from a
// flat shifted Chebyshev series at that level; its terms refine under the
// codes of the file's coefficients in turn, up to the model's twelve.
void ApplyTimeOfFlightBackground(TRietveld& model, const TPcrTerms& terms) {
    TBackGround& background = model.Histogram(1).Background;
    if (terms.Nba != FourierCosine) return;
    background.Kind = BkgShiftedChebyI;
    for (size_t k = 1; k < std::size(background.Coeff); ++k)
        background.Coeff[k] = 0;
    const size_t first = 6; // the importer gave the first six terms their codes
    for (size_t k = 0; k < terms.MoreBackgroundCodes.size() && first + k < background.Coeff.size();
         ++k) {
        const TAddress address{1, 0, 0, static_cast<int>(first + k) + 2};
        AddCode(model, address, terms.MoreBackgroundCodes[k]);
        // Terms beyond the sixth count only in the twelve-term background.
        const TParameterList& list = model.Parameters;
        if (list.IndexOfFree(address) >= 0 || list.IndexOfDependent(address) >= 0)
            model.Background12 = 1;
    }
}

// T = Zero + Dtt1 d + Dtt2 d²: DIFC and DIFA, the Dtt terms being read
// where a constant-wavelength file has SyCos and SySin.
void CarryTimeOfFlight(TRietveld& model, const TPcrTerms& terms) {
    THistogram& h = model.Histogram(1);
    h.Profile = ProfileTimeOfFlight;
    h.Wave1 = terms.SyCos;
    h.Wave2 = terms.SySin;
    AddCode(model, {1, 0, 0, 15}, terms.SyCosCode);
    AddCode(model, {1, 0, 0, 16}, terms.SySinCode);
    if (terms.Ins == InsGsas) model.DataFormat = DataFormatGsas;
    for (int p = 1; p <= model.PhaseCount() && p <= static_cast<int>(terms.Phases.size()); ++p) {
        ApplyTimeOfFlightShape(model, p, terms.Phases[size_t(p - 1)]);
        AddCode(model, {0, p, 0, 2}, terms.Phases[size_t(p - 1)].OverallBCode);
    }
    ApplyTimeOfFlightBackground(model, terms);
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
    if (model.HistogramCount() < 1) return;
    if (model.Histogram(1).IsTof()) {
        CarryTimeOfFlight(model, terms);
        return;
    }
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
