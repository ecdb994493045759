// model and convert: read a model file, print it as JSON or write it again.
#include "Commands.h"
#include "FileTypes.h"
#include "InputFile.h"
#include "Messenger.h"
#include "ModelFiles.h"
#include "ModelJson.h"

#include <iostream>

namespace koralix::cli {

int RunModel(const Args& args) {
    if (args.size() != 1) {
        std::cerr << "usage: koralix-cli model FILE\n";
        return 2;
    }
    TRietveld model;
    StderrMessenger messenger;
    // Another extension is no model at all: the message, and no JSON.
    if (!IsModelFileType(FileTypeOf(args[0]))) {
        ReadModelFile(model, args[0], messenger);
        return 1;
    }
    ReadModelFile(model, args[0], messenger);
    std::cout << JsonText(ModelToJson(model)) << '\n';
    return model.Loaded ? 0 : 1;
}

int RunConvert(const Args& args) {
    if (args.size() != 2) {
        std::cerr << "usage: koralix-cli convert IN OUT\n";
        return 2;
    }
    TRietveld model;
    StderrMessenger messenger;
    ReadModelFile(model, args[0], messenger);
    if (!model.Loaded) return 1;
    try {
        WriteInputFile(model, args[1]);
    } catch (const std::exception& e) {
        messenger.Message(e.what());
        return 1;
    }
    return 0;
}

} // namespace koralix::cli
