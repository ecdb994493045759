#include "ImportSupport.h"
#include "Messenger.h"
#include "ModelImport.h"

namespace koralix {
void ImportDbwsText(TRietveld& model, const std::string&, Messenger& messenger) {
    model.Clear();
    model.Loaded = false;
    messenger.Message("DBWS files cannot be read yet");
}
void ImportDbws(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    ImportDbwsText(model, fileName, messenger);
}
} // namespace koralix
