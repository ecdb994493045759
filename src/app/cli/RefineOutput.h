// The final pattern and reflection list of a refinement as plain text files,
// computed in-process from the refined model the engine wrote.
#pragma once

#include "Messenger.h"

#include <string>

namespace koralix::cli {

// Writes, for the refined model in `updFile` with its data `dataName`,
// `patternFile` (x, observed, calculated, background, one point a line) and
// `reflectionsFile` (phase, h, k, l, position, d, multiplicity, F^2), each
// only when its name is not empty. Histograms follow one another, separated
// by a blank line. False, with a message, when either cannot be written.
bool WriteRefinementOutput(const std::string& updFile, const std::string& dataName,
                           const std::string& patternFile, const std::string& reflectionsFile,
                           Messenger& messenger);

} // namespace koralix::cli
