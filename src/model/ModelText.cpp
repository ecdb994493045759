#include "ModelText.h"

#include "TextFile.h"

namespace koralix {

std::optional<std::string> NonTextField(const TRietveld& model) {
    if (!IsTextField(model.Title)) return "the title";
    for (size_t h = 0; h < model.Histograms.size(); ++h)
        for (const TScatterFactor& entry : model.Histograms[h].Scatter.Items)
            if (!IsTextField(entry.Name))
                return "a scattering-factor name of histogram " + std::to_string(h + 1);
    for (size_t p = 0; p < model.Phases.size(); ++p) {
        const TPhase& phase = model.Phases[p];
        const std::string which = " of phase " + std::to_string(p + 1);
        if (!IsTextField(phase.Name)) return "the name" + which;
        if (!IsTextField(phase.SpaceGroup)) return "the space group" + which;
        for (size_t a = 0; a < phase.Atoms.size(); ++a)
            if (!IsTextField(phase.Atoms[a].Label) || !IsTextField(phase.Atoms[a].AtomType))
                return "the label or type of atom " + std::to_string(a + 1) + which;
    }
    return std::nullopt;
}

} // namespace koralix
