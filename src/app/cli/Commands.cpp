#include "Commands.h"

namespace koralix::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"model", "model FILE",
         "Reads a model file and prints the whole model as one JSON object. Messages go to "
         "stderr. Exit 0 when the model was read completely, 1 otherwise.",
         RunModel},
        {"convert", "convert IN OUT",
         "Reads IN as 'model' does and writes OUT as an input file (.inp). Nothing is written "
         "and the exit code is 1 when IN could not be read completely.",
         RunConvert},
        {"macro", "macro FILE [--library FILE]",
         "Translates and runs the KoraBasic macro FILE (execution limit 100000 per instruction, "
         "arrays up to 10000 elements); --library puts the lines of a library file in front. "
         "WRITE(x) prints x as one line on stdout (reals in the general number format, dates "
         "as yyyy-mm-dd). Translation and run-time messages go to stderr. Exit 0 when the "
         "macro ran to its end, 1 on any error.",
         RunMacro},
    };
    return commands;
}

} // namespace koralix::cli
