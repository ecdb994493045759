// Peak widths over a histogram's range: the Gaussian and Lorentzian widths of
// the refinement's profile functions, combined into the full width at half
// maximum and the pseudo-Voigt mixing value, and the profile at one angle.
#pragma once

#include <cstdint>
#include <vector>

namespace koralix {

class THistogram;

// Profile numbers as the histogram stores them (1..7); 7 is time of flight.
struct TPeakShape {
    int32_t Profile = 1;
    double U = 0, V = 0, W = 0;
    double Gam0 = 0, Gam1 = 0, Gam2 = 0;
};

struct TPeakWidth {
    double H = 0;      // full width at half maximum
    double Second = 0; // eta for the Voigt and TOF profiles, the Lorentzian width otherwise
};

// The width argument of a point: tan(x/2) for constant wavelength (x in
// degrees 2-theta), x / DIFC for time of flight, 0 for energy dispersive.
double WidthArgument(int32_t jobType, double x, double difc);
TPeakWidth WidthAt(const TPeakShape& shape, double t);

struct TWidthPoint {
    double X = 0;
    TPeakWidth Width;
};

struct TWidthCurves {
    std::vector<TWidthPoint> Alpha1;
    // The same reflections seen with the second wavelength, at their own
    // angles: empty unless the histogram is constant-wavelength X-ray with a
    // second wavelength of non-zero ratio.
    std::vector<TWidthPoint> Alpha2;
    bool Failed = false; // a point had no finite width; the curves stop before it
};

// 101 points from ThetaMin to ThetaMax of the histogram.
TWidthCurves WidthCurves(const THistogram& histogram, const TPeakShape& shape);

struct TProfilePoint {
    double X = 0, Y = 0;
};

// A pseudo-Voigt of unit area at angle x0 (degrees 2-theta), 100 points with
// step `step` from x0 - 49 step; empty for the TOF profile. `width` receives
// the width and mixing value used.
std::vector<TProfilePoint> ProfileAt(const TPeakShape& shape, double x0, double step,
                                     TPeakWidth* width = nullptr);

} // namespace koralix
