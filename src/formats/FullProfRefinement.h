// What a FullProf control file says about the refinement beyond the values
// the import copies: the peak-shape choice and its terms, the background
// function, the 2θ shifts, and their codes. Carried into the model so that an
// imported control file refines at once.
#pragma once

#include "Model.h"

#include <array>
#include <vector>

namespace koralix {

struct TPcrPhaseTerms {
    int Npr = -1;     // the phase's peak shape; -1 when the file has none
    float Shape1 = 0; // Eta0 of the pseudo-Voigt, m of the Pearson VII
    float Shape1Code = 0;
    float OverallBCode = 0;
    float X = 0, Y = 0; // Lorentzian (Npr 7) or mixing (Npr 5) terms
    float XCode = 0, YCode = 0;
    std::array<float, 4> Asy{}; // Bérar-Baldinozzi asymmetry
    std::array<float, 4> AsyCodes{};
    float SL = 0, DL = 0; // axial divergence (Finger-Cox-Jephcoat)
    float SLCode = 0, DLCode = 0;
    // Time of flight: the Gaussian (Sig-2, Sig-1, Sig-0) and Lorentzian
    // (Gam-2, Gam-1, Gam-0) terms with their codes, each highest power first;
    // the rates alph0, beta0, alph1, beta1 are in Asy, their codes in AsyCodes.
    std::array<float, 3> Sig{}, SigCodes{};
    std::array<float, 3> Gam{}, GamCodes{};
};

struct TPcrTerms {
    int Npr = 0;
    int Nba = 0;
    float Bkpos = 0;
    float SyCos = 0, SyCosCode = 0;
    float SySin = 0, SySinCode = 0;         // time of flight: Dtt1 and Dtt2 in SyCos, SySin
    int Ins = 0;                            // the data file's layout
    std::vector<float> MoreBackgroundCodes; // codes of coefficients 7, 8, ... (Nba -4)
    std::vector<TPcrPhaseTerms> Phases;     // one per phase, in order
};

// Applies to a model just imported from the control file these terms come
// from: FullProf's peak shapes become the model's profiles (Npr 7 the
// Thompson-Cox-Hastings Voigt with X, Y as the Lorentzian terms; Npr 5 the
// pseudo-Voigt with its mixing), the polynomial background around Bkpos the
// same function as a shifted Chebyshev series, SyCos the sample
// displacement, and the codes of those terms carried where the model has
// the term. A time-of-flight histogram gets the time-of-flight profile with
// FullProf's calibration, widths and rates, and GSAS data for Ins 12.
void CarryFullProfRefinement(TRietveld& model, const TPcrTerms& terms);

// The background of a FullProf polynomial (Nba 0), B0..B5 in powers of
// (2θ / bkpos - 1), as the six coefficients of the shifted Chebyshev series
// over lo..hi that is the same function.
std::array<double, 6> PolynomialAsChebyshev(const std::array<double, 6>& b, double bkpos, double lo,
                                            double hi);

} // namespace koralix
