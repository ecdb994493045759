// Which refinable parameters the parameters window lists, in its order, for a
// choice of all or peak-shape parameters and a histogram and phase filter.
#pragma once

#include "Parameters.h"

#include <vector>

namespace koralix {

class TRietveld;

struct TListedParameter {
    // The address the row shows (H and P columns, value).
    TAddress Shown;
    // Where the row's refinement code is kept: phase-wide parameters (scale,
    // overall B, cell) are listed with histogram 1 but refined under histogram 0.
    TAddress Coded;
    bool operator==(const TListedParameter&) const = default;
};

// `histogram` and `phase` are 0 for all, else the one number to list;
// `peakShapeOnly` leaves out phase, cell and histogram rows.
std::vector<TListedParameter> ListParameters(const TRietveld& model, bool peakShapeOnly,
                                             int histogram, int phase);

} // namespace koralix
