// Translates and runs arbitrary macro text with small limits: whatever the
// text, translation and run end with a code or a fault message, never a crash.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "Arguments.h"
#include "SBasic.h"
#include "ValueText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path home = std::filesystem::current_path();
    koralix::macro::TSBasic basic;
    basic.Max_Count = 2000;
    basic.Max_Dimension = 200;
    basic.MaxCallDepth = 64;
    basic.MaxSteps = 200000;
    basic.MaxVariableBytes = 64 * 1024;
    basic.AddFunction(
        "WRITE",
        [](koralix::macro::TSBCodeList& code, koralix::macro::ResultRecord& r) {
            if (const uint8_t* p = koralix::macro::ArgPointer(code, 0))
                (void)koralix::macro::DisplayText(koralix::macro::ArgType(code, 0), p);
            r.SetInt(0);
        },
        1, koralix::macro::kInteger);
    basic.SetSourceText(std::string(reinterpret_cast<const char*>(data), size));
    if (basic.Compile() == 0) {
        basic.Run();
        basic.Run(); // values persist between runs
    }
    std::error_code ec;
    std::filesystem::current_path(home, ec); // SETDIR may have moved us
    return 0;
}
