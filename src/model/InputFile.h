// Reading and writing the ZKRM input file (".inp").
#pragma once

#include "Model.h"

#include <string>

namespace koralix {

class Messenger;

// Reads `fileName` into `model`. Success shows as model.Loaded; errors are
// reported through `messenger` with the record label, and what was read before
// the error stays in the model.
void ReadInputFile(TRietveld& model, const std::string& fileName, Messenger& messenger);
// The same reader over text held in memory (lines ended by CR LF or LF).
void ReadInputText(TRietveld& model, const std::string& text, Messenger& messenger);

// Writes the whole model as an input file. The text goes to a temporary file
// beside `fileName` that replaces it only when complete, so a failed write
// never leaves a damaged file. Throws std::runtime_error naming the file on
// any input/output error. Renumbers the codes and sorts points, regions and
// tables in the model as the file layout requires.
void WriteInputFile(TRietveld& model, const std::string& fileName);
// The text the writer produces, CR LF line ends.
std::string InputFileText(TRietveld& model);

} // namespace koralix
