#include "ModelFiles.h"

#include "FileTypes.h"
#include "InputFile.h"
#include "Messenger.h"
#include "ModelImport.h"

namespace koralix {

bool IsModelFileType(int fileType) {
    return fileType == FileType::Input || fileType == FileType::FullProf ||
           fileType == FileType::Dbws || fileType == FileType::GsasExp ||
           fileType == FileType::Shelx;
}

void ReadModelFile(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    switch (FileTypeOf(fileName)) {
    case FileType::Input:
        ReadInputFile(model, fileName, messenger);
        return;
    case FileType::FullProf:
        ImportFullProf(model, fileName, messenger);
        return;
    case FileType::Dbws:
        ImportDbws(model, fileName, messenger);
        return;
    case FileType::GsasExp:
        ImportGsasExperiment(model, fileName, messenger);
        return;
    case FileType::Shelx:
        ImportShelx(model, fileName, messenger);
        return;
    default:
        model.Loaded = false;
        messenger.Message("Unknown File type. Please check the file extension.");
        return;
    }
}

} // namespace koralix
