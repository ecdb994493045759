// A refinement as the result commands run it before they draw or compute.
#pragma once

#include "Model.h"
#include "Refine.h"

#include <string>

namespace koralix::cli {

// Names the data and base as 'refine' does (the data file given, else the
// companion of `input`, else `input`'s base name), starts the engine and runs up
// to `cycles` cycles; false when the start or a cycle failed.
bool StartAndCycle(TRefine& refine, TRietveld& model, const std::string& input,
                   const std::string& data, int cycles);

} // namespace koralix::cli
