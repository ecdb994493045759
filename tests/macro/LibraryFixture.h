// A macro component with the whole macro library registered, working in a
// scratch folder of its own (macros name files relative to the current folder),
// with a window that records what the macro shows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "MacroLibrary.h"
#include "Messenger.h"
#include "SBasic.h"

namespace koralix::macro::test {

class RecordingWindow : public MacroWindow {
  public:
    std::vector<std::string> lines;
    std::vector<std::string> menus;
    int plots = 0;
    std::vector<float> plottedX;
    void Write(const std::string& line) override { lines.push_back(line); }
    void ClearScreen() override { lines.clear(); }
    void AddUserMenu(const std::string& m, const std::string& i, const std::string& s) override {
        menus.push_back(m + "/" + i + "/" + s);
    }
    void ClearUserMenu() override { menus.clear(); }
    void PlotPattern(TRefine&, int h) override { plots += h; }
    void PlotPoints(const std::vector<float>& x, const std::vector<float>&) override {
        plottedX = x;
    }
};

// Notes the cycles the library announces, as the workbench's watch window sees them.
class RecordingWorkspace : public OwnedMacroWorkspace {
  public:
    using OwnedMacroWorkspace::OwnedMacroWorkspace;
    std::vector<int> cycles;
    void CycleCompleted(int cycle) override { cycles.push_back(cycle); }
};

class LibraryFixture : public ::testing::Test {
  protected:
    LibraryFixture() : workspace(messenger), library(workspace), basic(&messenger) {
        workspace.EngineLibrary = KORALIX_ENGINE_LIBRARY;
        basic.Max_Count = 100000;
        basic.Max_Dimension = 10000;
        library.Register(basic, window, MacroLibraryVariant::MacroWindow);
    }

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/') c = '-';
        folder = std::filesystem::temp_directory_path() / ("koralix-macrolib-" + name);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        library.CloseFile();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    // Translates and runs the text; the lines it wrote joined by "|".
    std::string Run(const std::string& source) {
        window.lines.clear();
        basic.SetSourceText(source);
        compileCode = basic.Compile();
        runCode = compileCode == 0 ? basic.Run() : -1;
        std::string joined;
        for (const auto& line : window.lines)
            joined += (joined.empty() ? "" : "|") + line;
        return joined;
    }

    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void CopyExample() {
        for (const char* name : {"corundum.inp", "corundum.xy"})
            std::filesystem::copy_file(std::filesystem::path(KORALIX_EXAMPLES) / name,
                                       folder / name);
    }

    RecordingMessenger messenger;
    RecordingWorkspace workspace;
    MacroLibrary library;
    RecordingWindow window;
    TSBasic basic;
    int compileCode = 0, runCode = 0;
    std::filesystem::path folder, previous;
};

} // namespace koralix::macro::test
