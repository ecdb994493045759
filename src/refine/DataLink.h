// The engine reads its data file as the data name plus the extension of the
// model's data format. A data file the user names with another extension
// (PBSO4.CWN for GSAS raw data) is reached through a link of the right name
// in the refinement's private folder.
#pragma once

#include <string>

namespace koralix {

// The data name to give the engine for `dataFile`: the file without its
// extension when that extension is the format's own (any case), else the
// name of a link (or, where links fail, a copy) to it made in `folder`.
// Empty when the link cannot be made.
std::string EngineDataName(const std::string& dataFile, int dataFormat, const std::string& folder);

} // namespace koralix
