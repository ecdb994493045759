// The subcommands of koralix-cli. Each takes the arguments after its name and
// returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace koralix::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;   // one line: "model FILE"
    const char* summary; // what it prints, for --help
    int (*run)(const Args& args);
};

const std::vector<Command>& AllCommands();

int RunModel(const Args& args);
int RunConvert(const Args& args);
int RunRefine(const Args& args);
int RunPlot(const Args& args);
int RunData(const Args& args);
int RunSpaceGroup(const Args& args);
int RunCif(const Args& args);
int RunExport(const Args& args);
int RunMacro(const Args& args);
int RunFourier(const Args& args);
int RunRdf(const Args& args);
int RunExportCif(const Args& args);
int RunSeq(const Args& args);

} // namespace koralix::cli
