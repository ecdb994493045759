// A refinement as the result commands run it before they draw or compute.
#pragma once

#include "Messenger.h"
#include "Model.h"
#include "Refine.h"

#include <string>

namespace koralix::cli {

// Takes the data as 'refine' does (ChosenDataFile, EngineDataNameFor), starts
// the engine with `base` as the name of its listing (empty: the driver's
// private folder, so that nothing is written beside the model) and runs up to
// `cycles` cycles, leaving the refinement open for the caller's queries;
// false when the start or a cycle failed.
bool StartAndCycle(TRefine& refine, TRietveld& model, const std::string& input,
                   const std::string& data, const std::string& base, int cycles,
                   Messenger& messenger);

} // namespace koralix::cli
