// Runs macro text through a TSBasic the way the program's instances are set
// up, with a WRITE function that records each value as a line.
#pragma once

#include <string>
#include <vector>

#include "Arguments.h"
#include "Messenger.h"
#include "SBasic.h"
#include "ValueText.h"

namespace koralix::macro::test {

struct MacroResult {
    int compileCode = 0;
    int runCode = 0;
    std::string message; // panel text: translation or run-time message
    std::string fault;   // run-time library fault
    std::vector<std::string> output;
    std::string Joined() const {
        std::string s;
        for (const auto& line : output)
            s += (s.empty() ? "" : "|") + line;
        return s;
    }
};

class MacroRunner {
  public:
    explicit MacroRunner(int maxCount = 100000, int maxDimension = 10000) : basic(&messenger) {
        basic.Max_Count = maxCount;
        basic.Max_Dimension = maxDimension;
        basic.AddFunction(
            "WRITE",
            [this](TSBCodeList& code, ResultRecord& r) {
                const uint8_t* p = ArgPointer(code, 0);
                output.push_back(p ? DisplayText(ArgType(code, 0), p) : "");
                r.SetInt(0);
            },
            1, kInteger);
    }

    MacroResult Run(const std::string& source) {
        output.clear();
        basic.SetSourceText(source);
        MacroResult r;
        r.compileCode = basic.Compile();
        if (r.compileCode == 0) r.runCode = basic.Run();
        r.message = basic.MessageText();
        r.fault = basic.LastFault();
        r.output = output;
        return r;
    }

    RecordingMessenger messenger;
    TSBasic basic;
    std::vector<std::string> output;
};

} // namespace koralix::macro::test
