// One refinement from the command line, start to close, with what the seq
// and export commands keep of it.
#pragma once

#include "Messenger.h"
#include "Model.h"
#include "PlotData.h"

#include <string>
#include <vector>

namespace koralix::cli {

struct TRunParameter {
    TAddress Address;
    std::string Label;
    double Value = 0;
    double Esd = 0;
};

struct TRunAgreement {
    double Rp = 0, Rwp = 0, Chi2 = 0;
};

struct TRunResult {
    bool Started = false;
    int Status = 0;
    bool Finished = false;
    int Cycles = 0;
    std::vector<TRunAgreement> Histograms;
    std::vector<TRunParameter> Parameters; // free ones, then constrained ones
    TPlotData Plot;                        // histogram 1
};

// The data name for `dataFile` as the engine wants it (see EngineDataName).
// Refines `model` against `dataFile` (empty: the input's companion data
// file) for up to `cycles` cycles with `base` as the name of the listing and
// the updated model, takes the refined values back into `model`, and closes
// with update when `update` is set.
TRunResult RunRefinement(TRietveld& model, const std::string& input, const std::string& dataFile,
                         const std::string& base, int cycles, bool update, Messenger& messenger);

} // namespace koralix::cli
