// Peak shapes of unit area over 2-theta in degrees. Widths follow the
// peak-width window: Gaussian FWHM from Caglioti U, V, W; the second value
// is the pseudo-Voigt mixing (profiles 1, 4, 6), the Pearson VII exponent
// (profile 2) or the Lorentzian FWHM that the Thompson-Cox-Hastings rule
// combines with the Gaussian one (Voigt profiles 3, 5).
#pragma once

#include <vector>

namespace koralix::engine {

struct TPeakShape {
    int Profile = 4;
    double H = 0.1;   // FWHM
    double Eta = 0.5; // pseudo-Voigt mixing (profiles 1, 3, 4, 5, 6)
    double M = 1.5;   // Pearson VII exponent (profile 2)
    // Asymmetry: Rietveld (profiles 1-3, below the asymmetry limit), Howard
    // (4, 5) or Finger-Cox-Jephcoat (6, S/L and D/L).
    double Asym1 = 0, Asym2 = 0;
    bool Rietveld = false;
    double TwoTheta = 90; // peak position, degrees
    // Time of flight (profile 7): rise and decay of the back-to-back
    // exponentials per microsecond; H is then the Gaussian FWHM in microseconds.
    double Alpha = 0, Beta = 0;
};

// The pseudo-Voigt FWHM and mixing that approximate the Voigt of Gaussian
// FWHM g and Lorentzian FWHM l (Thompson, Cox & Hastings 1987).
void CombineWidths(double g, double l, TPeakShape& shape);

// Widths and mixing for a peak at `twoTheta` (degrees).
TPeakShape MakePeakShape(int profile, double twoTheta, double u, double v, double w, double gam0,
                         double gam1, double gam2);

// The symmetric profile value at offset `delta` (degrees).
double SymmetricProfile(const TPeakShape& shape, double delta);

// Values at offsets delta[i], asymmetry included, added with `scale` to out[i].
void AddProfile(const TPeakShape& shape, const double* delta, int count, double scale, double* out);

// A profile and its slopes at the points of one peak, each array `count` long.
struct TProfileSlopes {
    double* Value;     // the profile, asymmetry included
    double* DDelta;    // d/d(offset) at fixed shape
    double* DWidth;    // d/dH
    double* DEta;      // d/dEta (pseudo-Voigt mixing; 0 for Pearson VII)
    double* DTwoTheta; // d/d(TwoTheta) of the asymmetry at fixed offset
    // Time of flight: d/d(alpha) and d/d(beta) of the exponentials, when wanted.
    double* DAlpha = nullptr;
    double* DBeta = nullptr;
};

// Values and slopes at offsets delta[i] in one pass: the slopes of the
// symmetric profiles are analytic; how the asymmetry's displaced copies move
// with 2-theta is analytic for the Howard and Rietveld forms and, for
// Finger-Cox-Jephcoat, taken from the integration nodes at a slightly larger
// angle (a difference over the per-peak node set, not over the pattern).
void ProfileWithSlopes(const TPeakShape& shape, const double* delta, int count,
                       const TProfileSlopes& out);

// How far the peak needs computing on either side: `baseWidth` FWHMs in all,
// at most 20 degrees, plus room for the asymmetric tail.
double HalfWindow(const TPeakShape& shape, double baseWidth);

} // namespace koralix::engine
