// koralix-cli: the core of Koralix for scripts and tests.
#include "Commands.h"

#include <iostream>
#include <string>

namespace {

void PrintHelp(std::ostream& out) {
    out << "Usage: koralix-cli COMMAND [ARGUMENTS]\n"
           "       koralix-cli --help\n\n"
           "Commands:\n";
    for (const auto& c : koralix::cli::AllCommands())
        out << "  " << c.usage << "\n      " << c.summary << "\n";
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        PrintHelp(std::cout);
        return argc < 2 ? 1 : 0;
    }
    const std::string name = argv[1];
    koralix::cli::Args args(argv + 2, argv + argc);
    for (const auto& c : koralix::cli::AllCommands())
        if (name == c.name) return c.run(args);
    std::cerr << "koralix-cli: unknown command '" << name << "' (see --help)\n";
    return 2;
}
