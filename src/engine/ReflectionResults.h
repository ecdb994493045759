// One reflection of a phase after a refinement, as the listing and the
// reflection files give it: where it lies, its calculated and observed
// squared structure factor and integrated intensity.
#pragma once

#include "Crystal.h"

namespace koralix::engine {

struct TReflectionResult {
    int Phase = 0;
    Hkl H{};
    int Multiplicity = 0;
    double D = 0, Position = 0, Fwhm = 0;
    // |F|^2 with the overall thermal factor (for a Le Bail phase, the
    // extracted value); the observed one is shared out of the pattern.
    double F2Calc = 0, F2Obs = 0, F2Sigma = 0;
    // Integrated intensities of all the reflection's components (Kalpha1 and 2).
    double ICalc = 0, IObs = 0, ISigma = 0;
    double PhaseAngle = 0; // degrees, of the calculated structure factor; 0 for Le Bail
    std::vector<Hkl> Equivalents; // the distinct equivalents, Friedel mates included
};

// Shares of the observed pattern per reflection: the observed intensity, the
// calculated one over the same points, and the variance of the observed one
// from the counting statistics of the points.
struct TObservedShares {
    std::vector<double> Observed, Calculated, Variance;
};

} // namespace koralix::engine
