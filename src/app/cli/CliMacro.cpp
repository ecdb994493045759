// koralix-cli macro: translates and runs a KoraBasic macro as the program's own
// macro instances do (execution limit 100000, arrays up to 10000 elements),
// with the whole macro library, so that a macro run from a shell can refine.
#include <iostream>
#include <optional>
#include <string>

#include "Commands.h"
#include "MacroLibrary.h"
#include "Messenger.h"
#include "SBasic.h"
#include "ValueText.h"

namespace koralix::cli {

namespace {

// Message boxes and questions on stderr; INPUTBOX reads one line of stdin.
class ConsoleMacroHost : public macro::MessengerMacroHost {
  public:
    explicit ConsoleMacroHost(Messenger* m) : MessengerMacroHost(m) {}
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string&) override {
        std::cerr << caption << ": " << prompt << '\n';
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
};

// The window-bound functions without a window: WRITE prints a line on stdout,
// the file dialogs answer as if cancelled, plots and the user menu do nothing.
class ConsoleMacroWindow : public macro::MacroWindow {
  public:
    void Write(const std::string& line) override { std::cout << line << '\n'; }
};

// A folder, an unreadable, empty or binary file is said so before translating.
bool SourceReadable(const std::string& path, Messenger& messenger) {
    const std::optional<std::string> problem = macro::MacroSourceProblem(path);
    if (problem) messenger.Message(*problem);
    return !problem;
}

} // namespace

int RunMacro(const Args& args) {
    std::string file, library;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--library" && i + 1 < args.size())
            library = args[++i];
        else if (file.empty())
            file = args[i];
        else {
            std::cerr << "macro: unexpected argument '" << args[i] << "'\n";
            return 1;
        }
    }
    if (file.empty()) {
        std::cerr << "usage: koralix-cli macro FILE [--library FILE]\n";
        return 1;
    }
    StderrMessenger messenger;
    if (!SourceReadable(file, messenger)) return 1;
    if (!library.empty() && !SourceReadable(library, messenger)) return 1;
    ConsoleMacroHost host(&messenger);
    macro::TSBasic basic(&messenger, &host);
    basic.Headline = "Error";
    basic.Max_Count = 100000;
    basic.Max_Dimension = 10000;
    basic.OnMessage = [](const std::string& text) { std::cerr << text << '\n'; };
    // The whole macro library, as the macro window registers it; WRITE prints a line.
    macro::OwnedMacroWorkspace workspace(messenger);
    macro::MacroLibrary functions(workspace);
    ConsoleMacroWindow window;
    functions.Register(basic, window, macro::MacroLibraryVariant::MacroWindow);
    basic.SetSourceFile(file);
    basic.SetSourceLibrary(library);
    if (basic.Compile() != 0) return 1;
    const int code = basic.Run();
    std::cout.flush();
    return code == 0 ? 0 : 1;
}

} // namespace koralix::cli
