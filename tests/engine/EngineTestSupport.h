// Shared helpers of the engine tests: example models, simulated patterns with
// Poisson noise, and a run of cycles to the end.
#pragma once

#include "Engine.h"
#include "InputFile.h"
#include "Messenger.h"
#include "Model.h"

#include <filesystem>
#include <string>
#include <vector>

namespace koralix::engine::test {

// A private folder under the temporary directory, removed by the destructor.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    std::filesystem::path Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

TRietveld ReadModel(const std::string& fileName);

// Adds to phase 1 a copy of its atom 2 labelled GH at (0.1, 0.2, 0.3) with
// zero occupancy: the pattern depends on none of its parameters.
void AddEmptyAtom(TRietveld& model);

// The calculated patterns of `model` (its histograms as calculations), Poisson
// noise from a fixed seed, written as x,y files: "<stem>.xy", or "<stem><h>.xy"
// for each histogram h with SeparateData.
void SimulateXy(const TRietveld& model, const std::string& stem, unsigned seed);

// Runs cycles until the engine finishes or `maxCycles` pass; returns the cycle count.
int RunToEnd(TEngine& engine, int maxCycles);

// A neutron model of PbSO4 (Pnma) refining cell, positions,
// B, scale, U V W, zero and background.
TRietveld PbSO4Neutron();
// The same phase seen by that neutron histogram and a Cu Kalpha X-ray one with
// its own scale, zero, background and profile, refined together.
TRietveld PbSO4JointXrayNeutron();
// The PbSO4 phase in a neutron time-of-flight histogram (profile 7), refining
// cell, positions, B, scale, background, the Gaussian variance and the
// exponentials' rise and decay.
TRietveld PbSO4TimeOfFlight();
// The PbSO4 phase in an energy-dispersive X-ray histogram at 2-theta 10
// degrees, refining zero, cell, positions, B, scale, background and widths.
TRietveld PbSO4EnergyDispersive();
// Phase p as a Le Bail phase: its atoms, scale and thermal factor no longer refined.
void MakeLeBail(TRietveld& model, int p);
// The corundum example with a second phase, PbSO4, whose scale, cell, lead
// position and peak width are refined too.
TRietveld CorundumWithPbSO4(const std::string& corundumFile);

} // namespace koralix::engine::test
