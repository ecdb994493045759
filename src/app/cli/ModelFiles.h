// Reading a model from any file the command line knows, by its extension.
#pragma once

#include "Model.h"

#include <string>

namespace koralix {
class Messenger;
}

namespace koralix::cli {

void ReadModelFile(TRietveld& model, const std::string& fileName, Messenger& messenger);

// The path without the extension of its file name ("a.b/c.inp" gives "a.b/c").
std::string WithoutExtension(const std::string& path);

} // namespace koralix::cli
