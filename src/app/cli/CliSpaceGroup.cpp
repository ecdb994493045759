// sg: what the program makes of a space-group symbol or table number.
#include "Commands.h"
#include "ModelJson.h"
#include "SpaceGroupServices.h"
#include "SpaceGroupTable.h"
#include "TextHelpers.h"

#include <iostream>

namespace koralix::cli {

namespace {

// The symbol the services are asked about: a table number becomes its
// symbol, any other text is taken upper-cased and trimmed, as typed.
std::string SymbolOfArgument(const std::string& argument) {
    std::string symbol = TrimText(SymbolForNumberText(argument));
    for (char& c : symbol)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return symbol;
}

// A coordinate that is not a number gives multiplicity 0, as in the phase editor.
int32_t SiteMultiplicityOfArguments(const std::string& symbol, const Args& args) {
    double xyz[3];
    for (int k = 0; k < 3; ++k)
        if (!TryParseReal(args[static_cast<size_t>(k) + 1], xyz[k])) return 0;
    return SiteMultiplicity(symbol, static_cast<float>(xyz[0]), static_cast<float>(xyz[1]),
                            static_cast<float>(xyz[2]));
}

} // namespace

int RunSpaceGroup(const Args& args) {
    if (args.size() != 1 && args.size() != 4) {
        std::cerr << "usage: koralix-cli sg SYMBOL|NUMBER [X Y Z]\n";
        return 2;
    }
    const std::string symbol = SymbolOfArgument(args[0]);
    const TCrystalSystem system = CrystalSystem(symbol);
    nlohmann::ordered_json out = {{"Symbol", symbol},
                                  {"CrystalSystem", system.Code},
                                  {"CrystalSystemName", CrystalSystemName(system.Code)},
                                  {"UniqueAxis", system.UniqueAxis},
                                  {"GeneralMultiplicity", GeneralMultiplicity(symbol)}};
    if (args.size() == 4) out["SiteMultiplicity"] = SiteMultiplicityOfArguments(symbol, args);
    std::cout << JsonText(out) << '\n';
    return system.Code == csUnknown ? 1 : 0;
}

} // namespace koralix::cli
