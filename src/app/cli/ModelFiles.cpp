#include "ModelFiles.h"

#include "InputFile.h"

#include <filesystem>

namespace koralix::cli {

void ReadModelFile(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    ReadInputFile(model, fileName, messenger);
}

std::string WithoutExtension(const std::string& path) {
    return std::filesystem::path(path).replace_extension().string();
}

} // namespace koralix::cli
