// Shared body of the model-import fuzz targets: any bytes as a file of the
// importer's format. The import must end loaded or with exactly one message,
// and an imported model must write as an input file and read back, and
// export to SHELX and SIRPOW.
#pragma once

#include "InputFile.h"
#include "Messenger.h"
#include "ModelImport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace koralix::fuzz {

using ImportText = void (*)(TRietveld&, const std::string&, Messenger&);

inline int ImportAndWrite(ImportText import, const uint8_t* data, size_t size) {
    TRietveld model;
    RecordingMessenger messenger;
    import(model, std::string(reinterpret_cast<const char*>(data), size), messenger);
    if (model.Loaded == !messenger.messages.empty() || messenger.messages.size() > 1) std::abort();
    if (model.Loaded) {
        TRietveld again;
        ReadInputText(again, InputFileText(model), messenger);
        ShelxText(model);
        SirpowText(model);
    }
    return 0;
}

} // namespace koralix::fuzz
