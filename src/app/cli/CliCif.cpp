// cif: read a phase from a CIF file as the phase editor does, print it as JSON.
#include "CifPhase.h"
#include "Commands.h"
#include "Messenger.h"
#include "ModelJson.h"

#include <filesystem>
#include <iostream>

namespace koralix::cli {

int RunCif(const Args& args) {
    if (args.size() != 1) {
        std::cerr << "usage: koralix-cli cif FILE\n";
        return 2;
    }
    TPhase phase;
    StderrMessenger messenger;
    TCifResult result = ReadCifPhase(args[0], phase, messenger);
    if (result == TCifResult::NotOpened) {
        std::error_code error;
        if (!std::filesystem::exists(args[0], error)) messenger.Message("Cannot open " + args[0]);
        return 1;
    }
    std::cout << JsonText(PhaseToJson(phase)) << '\n';
    return result == TCifResult::Read ? 0 : 1;
}

} // namespace koralix::cli
