// One refinement from the command line, start to close, with what the seq
// and export commands keep of it.
#pragma once

#include "Messenger.h"
#include "Model.h"
#include "PlotData.h"

#include <string>
#include <vector>

namespace koralix {
class TRefine;
}

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

// The data file for the model read from `input`: `dataFile` when named, else
// the companion data file of `input`, else for a GSAS experiment or a FullProf
// control file the data file it names when that is beside it (any case);
// empty when none is found.
std::string ChosenDataFile(const std::string& input, const std::string& dataFile,
                           const TRietveld& model);

// The data name to give the engine for `dataFile` (see ChosenDataFile): an
// instrument maker's file through PrepareDataFile, any other file read in the
// model's format whatever its extension (EngineDataName); `input`'s base name
// when there is none.
std::string EngineDataNameFor(TRietveld& model, const std::string& input,
                              const std::string& dataFile, TRefine& refine, Messenger& messenger);

// Refines `model` against `dataFile` (empty: the input's companion data
// file; an instrument maker's file through PrepareDataFile) for up to
// `cycles` cycles with `base` as the name of the listing and the updated
// model, takes the refined values back into `model`, and closes
// with update when `update` is set.
TRunResult RunRefinement(TRietveld& model, const std::string& input, const std::string& dataFile,
                         const std::string& base, int cycles, bool update, Messenger& messenger);

} // namespace koralix::cli
