#include "StartAndCycle.h"

#include "RefineRun.h"

namespace koralix::cli {

bool StartAndCycle(TRefine& refine, TRietveld& model, const std::string& input,
                   const std::string& data, const std::string& base, int cycles,
                   Messenger& messenger) {
    refine.Model = &model;
    refine.BaseName = base;
    refine.DataName =
        EngineDataNameFor(model, input, ChosenDataFile(input, data, model), refine, messenger);
    refine.StartRefinement();
    if (refine.State() != RefineState::Started) return false;
    for (int c = 0; c < cycles && !refine.FinishedFlag(); ++c) {
        refine.StepRefinement();
        if (refine.State() == RefineState::Closed) return false;
    }
    return true;
}

} // namespace koralix::cli
