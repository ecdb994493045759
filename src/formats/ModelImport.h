// Models from the files of other Rietveld and structure programs, and the
// job files written for structure-solution programs. Every importer clears
// the model first; success shows as model.Loaded, and failures are shown
// through the messenger with the record label. Afterwards the parameter list
// is pruned, so an imported model refines only what the file asked for.
#pragma once

#include "Model.h"

#include <string>

namespace koralix {

class Messenger;

// GSAS experiment file (.EXP).
void ImportGsasExperiment(TRietveld& model, const std::string& fileName, Messenger& messenger);
void ImportGsasExperimentText(TRietveld& model, const std::string& text, Messenger& messenger);

// FullProf control file (.PCR), both the fixed and the free ("COMM") layout.
void ImportFullProf(TRietveld& model, const std::string& fileName, Messenger& messenger);
void ImportFullProfText(TRietveld& model, const std::string& text, Messenger& messenger);

// DBWS input file (.DWB).
void ImportDbws(TRietveld& model, const std::string& fileName, Messenger& messenger);
void ImportDbwsText(TRietveld& model, const std::string& text, Messenger& messenger);

// SHELX instruction or result file (.INS, .RES): title, cell and atom sites.
void ImportShelx(TRietveld& model, const std::string& fileName, Messenger& messenger);
void ImportShelxText(TRietveld& model, const std::string& text, Messenger& messenger);

// Exports of histogram 1 and phase 1; they overwrite the file and throw
// std::runtime_error naming it when it cannot be written.
std::string ShelxText(TRietveld& model);
void ExportShelx(TRietveld& model, const std::string& fileName);
std::string SirpowText(TRietveld& model);
void ExportSirpow(TRietveld& model, const std::string& fileName);

} // namespace koralix
