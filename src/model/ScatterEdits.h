// Removing a scattering entry together with its refinement flags.
#pragma once

namespace koralix {

class TRietveld;

// Deletes entry n (1-based) of histogram h's scattering list. The f' and f''
// flags of that entry go with it, and the flags of the later entries follow
// them to their new numbers, so no flag is left pointing at another entry.
void DeleteScatterEntry(TRietveld& model, int h, int n);

} // namespace koralix
