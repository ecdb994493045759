// What the model importers share: reading the whole file, the error handler
// that turns a failure into the one message with the record label, and the
// occupancy rule.
#pragma once

#include "Model.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace koralix {

class Messenger;

// The text of an import's file. A missing file shows `missingMessage` and
// leaves the model alone; a file that cannot be read, an empty file and a
// binary one clear the model and show why. All three give nothing.
std::optional<std::string> ReadImportFile(TRietveld& model, const std::string& fileName,
                                          Messenger& messenger, const char* missingMessage);

// Runs `read`, showing the message for the error it raises ("Error reading
// Inputfile at line ", "Error reading a numeric value at line ", "An
// unindentified error in reading line ", each followed by the record label).
// Returns false after an error.
bool RunImport(TRietveld& model, Messenger& messenger, const std::function<void()>& read);

// N, the model's occupancy: the fraction of the site that is filled times the
// site multiplicity over the general multiplicity of the group. When the
// group is unknown the fraction alone is kept, so nothing is lost.
float OccupancyFromFraction(std::string_view spaceGroup, float fraction, float x, float y, float z);

// Whitespace-separated words of a line (blanks and tabs).
std::vector<std::string_view> WordsOf(std::string_view line);

// The controls a FullProf or DBWS file does not carry, set as those imports
// leave them: off, zero, with the histogram's weighting 0 and scale 1.
void ResetUncarriedControls(TRietveld& model, THistogram& histogram);

// A new sample for histogram h and phase p with the values importers start from.
TSample NewSample(int h, int p);

} // namespace koralix
