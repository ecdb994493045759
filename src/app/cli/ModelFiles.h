// Reading a model from any file the command line knows, by its extension.
#pragma once

#include "Model.h"

#include <string>

namespace koralix {
class Messenger;
}

namespace koralix::cli {

// Reads by the extension: .inp, .pcr, .dwb, .exp, .ins (any case). Returns
// false, after "Unknown File type. Please check the file extension.", for any
// other; whether the model was read shows as model.Loaded.
bool ReadModelFile(TRietveld& model, const std::string& fileName, Messenger& messenger);

// The path without the extension of its file name ("a.b/c.inp" gives "a.b/c").
std::string WithoutExtension(const std::string& path);

} // namespace koralix::cli
