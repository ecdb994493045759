#include "ImportSupport.h"
#include "Messenger.h"
#include "ModelImport.h"

namespace koralix {
void ImportShelxText(TRietveld& model, const std::string&, Messenger& messenger) {
    model.Clear();
    model.Loaded = false;
    messenger.Message("x");
}
void ImportShelx(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    ImportShelxText(model, fileName, messenger);
}
} // namespace koralix
