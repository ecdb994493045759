// koralix-cli: the core of Koralix for scripts and tests.
#include "Commands.h"
#include "TempFolders.h"

#include <iostream>
#include <string>

namespace {

// The text in lines of at most `width` characters, each after `indent`.
void PrintWrapped(std::ostream& out, const std::string& text, const std::string& indent,
                  size_t width) {
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && indent.size() + line.size() + 1 + word.size() > width) {
            out << indent << line << '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!line.empty()) out << indent << line << '\n';
}

void PrintHelp(std::ostream& out) {
    out << "Usage: koralix-cli COMMAND [ARGUMENTS]\n"
           "       koralix-cli --help\n\n"
           "Commands:\n";
    for (const auto& c : koralix::cli::AllCommands()) {
        out << "  " << c.usage << "\n";
        PrintWrapped(out, c.summary, "      ", 92);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        PrintHelp(std::cout);
        return argc < 2 ? 1 : 0;
    }
    const std::string name = argv[1];
    // Ctrl-C or a kill during a refinement leaves no private folder behind.
    koralix::RemoveTempFoldersOnSignals();
    koralix::cli::Args args(argv + 2, argv + argc);
    for (const auto& c : koralix::cli::AllCommands())
        if (name == c.name) return c.run(args);
    std::cerr << "koralix-cli: unknown command '" << name << "' (see --help)\n";
    return 2;
}
