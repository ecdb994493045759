// export: a model file as a job file for a structure-solution program.
#include "Commands.h"
#include "Messenger.h"
#include "ModelFiles.h"
#include "ModelImport.h"

#include <iostream>

namespace koralix::cli {

int RunExport(const Args& args) {
    if (!args.empty() && args[0] == "cif") return RunExportCif(args);
    if (args.size() != 3 || (args[0] != "shelx" && args[0] != "sirpow")) {
        std::cerr << "usage: koralix-cli export shelx|sirpow|cif IN OUT\n";
        return 2;
    }
    TRietveld model;
    StderrMessenger messenger;
    ReadModelFile(model, args[1], messenger);
    if (!model.Loaded) return 1;
    try {
        if (args[0] == "shelx")
            ExportShelx(model, args[2]);
        else
            ExportSirpow(model, args[2]);
    } catch (const std::exception& e) {
        messenger.Message(e.what());
        return 1;
    }
    return 0;
}

} // namespace koralix::cli
