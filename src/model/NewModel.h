// Building a fresh model from a few choices: the histograms with the stored
// instrument each was measured on, and the phases with their atom counts.
#pragma once

#include "Model.h"

#include <cstdint>
#include <vector>

namespace koralix {

// The numbers of a stored instrument that a new histogram takes.
struct TInstrumentSetup {
    double Wave1 = 1.54051, Wave2 = 1.54433, Ratio = 0.5;
    double Zero = 0, Pol = 0;
    double U = 0.01, V = -0.005, W = 0.02, Gamma = 0.1;
    double Asym1 = 0.02, Asym2 = 0;
    int32_t Profile = 3;   // position in the sample editor's profile list
    int32_t Radiation = 0; // 0 X-ray CW, 1 neutron CW, 2 neutron TOF, 3 energy dispersive
    double Start = 10, Step = 0.01, Stop = 100;
};

struct TNewHistogram {
    bool DataFile = true; // false: a calculation
    TInstrumentSetup Instrument;
};

// Job type of a histogram from its kind and the instrument's radiation.
int32_t NewJobType(bool dataFile, int32_t radiation);

// Replaces the model's content: one histogram per entry, one phase per entry
// of `phaseAtoms` (0 atoms: a Le Bail extraction; n: n default atoms).
// Data-file histograms start with the first three background coefficients
// and the zero shift refined, and then every phase with its scale, so that a
// refinement can begin as soon as a data file is named.
void BuildNewModel(TRietveld& model, const std::vector<TNewHistogram>& histograms,
                   const std::vector<int32_t>& phaseAtoms);

} // namespace koralix
