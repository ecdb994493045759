// Reading a refinement model from any file the program knows: the input file
// itself or another program's file, chosen by the extension.
#pragma once

#include "Model.h"

#include <string>

namespace koralix {

class Messenger;

// True for the file types that hold a model (input file and the imports).
bool IsModelFileType(int fileType);

// Reads or imports `fileName` into `model` by its extension. An unknown
// extension gives "Unknown File type. Please check the file extension." and
// leaves the model alone.
void ReadModelFile(TRietveld& model, const std::string& fileName, Messenger& messenger);

} // namespace koralix
