#include "StartAndCycle.h"

#include "FileTypes.h"
#include "PathNames.h"

namespace koralix::cli {

bool StartAndCycle(TRefine& refine, TRietveld& model, const std::string& input,
                   const std::string& data, int cycles) {
    refine.Model = &model;
    refine.BaseName = WithoutExtension(input);
    const std::string companion = DataFileFor(input, model.DataFormat);
    refine.DataName = WithoutExtension(!data.empty()       ? data
                                       : companion.empty() ? input
                                                           : companion);
    refine.StartRefinement();
    if (refine.State() != RefineState::Started) return false;
    for (int c = 0; c < cycles && !refine.FinishedFlag(); ++c) {
        refine.StepRefinement();
        if (refine.State() == RefineState::Closed) return false;
    }
    return true;
}

} // namespace koralix::cli
