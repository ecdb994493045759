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

// The calculated pattern of `model` (histogram 1 as a calculation), Poisson
// noise from a fixed seed, written as an x,y file "<stem>.xy".
void SimulateXy(const TRietveld& model, const std::string& stem, unsigned seed);

// Runs cycles until the engine finishes or `maxCycles` pass; returns the cycle count.
int RunToEnd(TEngine& engine, int maxCycles);

// A two-phase-free neutron model of PbSO4 (Pnma) refining cell, positions,
// B, scale, U V W, zero and background.
TRietveld PbSO4Neutron();

} // namespace koralix::engine::test
