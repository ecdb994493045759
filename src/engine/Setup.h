// What stays fixed through a refinement: the data points of each histogram,
// the symmetry, reflections and form factors of each phase.
#pragma once

#include "Crystal.h"
#include "Model.h"

#include <vector>

namespace koralix::engine {

struct THistogramData {
    std::vector<double> X, Y, Weight;
    std::vector<char> Used;               // inside the range and outside excluded regions
    std::vector<double> BackgroundPoints; // file, user-point or smoothed background at X
    bool Calculation = false;
    bool Neutron = false;
};

struct TSetup {
    const TRietveld* Model = nullptr;
    std::vector<THistogramData> Data;
    std::vector<TPhaseSymmetry> Symmetry;
    std::vector<std::vector<TReflection>> Reflections;        // per phase
    std::vector<std::vector<std::vector<TFormFactor>>> Forms; // [h][p][atom]
};

} // namespace koralix::engine
