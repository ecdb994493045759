#include "ModelFiles.h"

#include "FileTypes.h"
#include "InputFile.h"
#include "Messenger.h"
#include "ModelImport.h"

#include <filesystem>

namespace koralix::cli {

bool ReadModelFile(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    switch (FileTypeOf(fileName)) {
    case FileType::Input:
        ReadInputFile(model, fileName, messenger);
        return true;
    case FileType::FullProf:
        ImportFullProf(model, fileName, messenger);
        return true;
    case FileType::Dbws:
        ImportDbws(model, fileName, messenger);
        return true;
    case FileType::GsasExp:
        ImportGsasExperiment(model, fileName, messenger);
        return true;
    case FileType::Shelx:
        ImportShelx(model, fileName, messenger);
        return true;
    default:
        messenger.Message("Unknown File type. Please check the file extension.");
        return false;
    }
}

std::string WithoutExtension(const std::string& path) {
    return std::filesystem::path(path).replace_extension().string();
}

} // namespace koralix::cli
