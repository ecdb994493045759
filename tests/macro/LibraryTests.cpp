// The macro library through a macro component: each function's good path, its
// argument errors and its failure codes, and a whole refinement of the example.
#include "LibraryFixture.h"

#include "InputFile.h"

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace koralix::macro::test {

namespace {

struct LibraryCase {
    const char* name;
    const char* files;  // "name=text;..." written before the run
    const char* source; // macro text
    const char* output; // lines written, joined by "|"
};

std::ostream& operator<<(std::ostream& os, const LibraryCase& c) {
    return os << c.name;
}

const LibraryCase kCases[] = {
    {"WriteThenReadIsRefusedUntilClosed", "",
     "INTEGER s\ns = OPENFILE(\"a.txt\")\nWRITE(WRITEFILE(\"x\"))\nWRITE(READFILE())\n"
     "WRITE(CLOSEFILE())\nWRITE(OPENFILE(\"a.txt\"))\nWRITE(READFILE())\nWRITE(EOFFILE())",
     "0||0|0|x|1"},
    {"ReadingRefusesWriting", "in.txt=one\r\ntwo\n",
     "INTEGER s\ns = OPENFILE(\"in.txt\")\nWRITE(EOFFILE())\nWRITE(READFILE())\n"
     "WRITE(WRITEFILE(\"x\"))\nWRITE(READFILE())\nWRITE(EOFFILE())\nWRITE(READFILE())",
     "0|one|2|two|1|"},
    {"OpenFileWhileReadingLeavesTheFile", "in.txt=one\n",
     "INTEGER s\ns = OPENFILE(\"in.txt\")\nWRITE(READFILE())\nWRITE(OPENFILE(\"other.txt\"))",
     "one|1"},
    {"OpenFileWithoutTextNamesNothing", "",
     "WRITE(OPENFILE(5))\nWRITE(OPENFILE(\"  \"))\nWRITE(EOFFILE())\nWRITE(READFILE())\n"
     "WRITE(WRITEFILE(\"x\"))",
     "0|0|1||2"},
    {"CloseFileOfANamedFileIsQuiet", "", "INTEGER s\ns = OPENFILE(\"never.txt\")\nWRITE(CLOSEFILE())",
     "0"},
    {"DeleteFile", "gone.txt=x",
     "WRITE(DELETEFILE(\"gone.txt\"))\nWRITE(DELETEFILE(\"gone.txt\"))\nWRITE(DELETEFILE(3))\n"
     "WRITE(FILEEXISTS(\"gone.txt\"))",
     "0|502|499|0"},
    {"MoveFileNeverOverwrites", "a.txt=a;b.txt=b",
     "WRITE(MOVEFILE(\"a.txt\", \"c.txt\"))\nWRITE(MOVEFILE(\"c.txt\", \"b.txt\"))\n"
     "WRITE(MOVEFILE(1, \"d.txt\"))\nWRITE(FILEEXISTS(\"c.txt\"))",
     "0|503|499|1"},
    {"RenameFileAlwaysGives499", "a.txt=a",
     "WRITE(RENAMEFILE(\"a.txt\", \"b.txt\"))\nWRITE(FILEEXISTS(\"b.txt\"))\n"
     "WRITE(RENAMEFILE(1, 2))",
     "499|1|499"},
    {"CopyFileCopiesAndGives499", "a.txt=abc",
     "INTEGER s\nWRITE(COPYFILE(\"a.txt\", \"b.txt\"))\ns = OPENFILE(\"b.txt\")\nWRITE(READFILE())",
     "499|abc"},
    {"FindFilesFillsTheArrayWhileElementsRemain", "r1.dat=;r2.dat=;r3.dat=;x.txt=",
     "STRING f[2]\nWRITE(FINDFILES(\"*.dat\", f))\nWRITE(f[0])\nWRITE(f[1])\n"
     "WRITE(FINDFILES(\"*.inp\", f))\nWRITE(FINDFILES(1, f))",
     "2|r1.dat|r2.dat|0|0"},
    {"StatusFunctionsRefuseWrongArguments", "",
     "SINGLE n\nn = 5\nWRITE(OPENRIETVELD(5))\nWRITE(GETERROR())\nWRITE(STEPRIETVELD(n))\n"
     "WRITE(SAVERIETVELD(5))\nWRITE(SAVERIETVELD(\"  \"))\nWRITE(REFINEFILE(5))\n"
     "WRITE(SETDATAFILE(7))",
     "499|Error in function arguments|499|499|504|0|0"},
    {"WithoutModelOrDriver", "",
     "WRITE(STARTRIETVELD())\nWRITE(STEPRIETVELD(5))\nWRITE(ENDRIETVELD())\nWRITE(UPDATE())\n"
     "WRITE(NUMHISTOGRAMS())\nWRITE(NUMPHASES())\nWRITE(NUMATOMS(1))\nWRITE(GETFIT(1))\n"
     "WRITE(GETPARAMETER(1, 1, 0, 1))\nWRITE(GETVALUE(0, 1, 0, 1))\nWRITE(SETPARAMETER(1,1,0,1,2))\n"
     "WRITE(SETDATAFILE(\"data\"))\nWRITE(PLOTRIETVELD(1))",
     "499|499|0|0|0|0|0|0|0|0|0|499|0"},
    {"MissingModelGives34", "",
     "WRITE(OPENRIETVELD(\"missing\"))\nWRITE(GETERROR())\nWRITE(STARTRIETVELD())\n"
     "WRITE(STEPRIETVELD(1))\nWRITE(SAVERIETVELD(\"x.inp\"))\nWRITE(REFINEFILE(\"missing.inp\"))",
     "34|Error reading input file|34|499|499|34"},
    {"UserMenuNeedsThreeTexts", "",
     "WRITE(ADDMENU(\"Tools\", \"Run\", \"run.rib\"))\nWRITE(ADDMENU(\"Tools\", 1, \"run.rib\"))",
     "0|1"},
    {"ExecuteWaitRunsTheProgramWithoutAShell", "",
     "WRITE(EXECUTEWAIT(\"touch two\\ words.txt a;b $(c)\"))\nWRITE(FILEEXISTS(\"two words.txt\"))\n"
     "WRITE(FILEEXISTS(\"a;b\"))\nWRITE(FILEEXISTS(\"$(c)\"))",
     "0|1|1|1"},
    {"ExecuteOfAMissingProgramSaysSo", "",
     "WRITE(EXECUTE(\"koralix-no-such-program\"))\nWRITE(EXECUTEWAIT(\"koralix-no-such-program x\"))",
     "1|1"},
    {"PlotGetsTheElementsUpToTheLastIndex", "",
     "SINGLE x[10]\nSINGLE y[10]\nINTEGER i\nFOR i = 0 TO 9\n  x[i] = i\nNEXT i\n"
     "WRITE(PLOT(x, y, 4))\nWRITE(PLOT(x, y, 40))",
     "0|0"},
};

std::vector<std::pair<std::string, std::string>> FilesOf(const std::string& list) {
    std::vector<std::pair<std::string, std::string>> files;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        const std::string item = list.substr(start, end - start);
        const size_t eq = item.find('=');
        files.emplace_back(item.substr(0, eq), item.substr(eq + 1));
        start = end + 1;
    }
    return files;
}

class LibraryCases : public LibraryFixture, public ::testing::WithParamInterface<LibraryCase> {};

} // namespace

TEST_P(LibraryCases, WritesTheExpectedLines) {
    const LibraryCase& c = GetParam();
    for (const auto& [name, text] : FilesOf(c.files))
        WriteText(name, text);
    EXPECT_EQ(Run(c.source), c.output) << basic.MessageText() << " " << basic.LastFault();
    EXPECT_EQ(compileCode, 0) << basic.MessageText();
    EXPECT_EQ(runCode, 0) << basic.MessageText() << " " << basic.LastFault();
}

INSTANTIATE_TEST_SUITE_P(Functions, LibraryCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryFixture, ReadingAMissingFileEndsTheMacro) {
    EXPECT_EQ(Run("INTEGER s\ns = OPENFILE(\"none.txt\")\nWRITE(1)\nWRITE(READFILE())\nWRITE(2)"),
              "1");
    EXPECT_NE(runCode, 0);
    EXPECT_NE(basic.LastFault().find("none.txt"), std::string::npos) << basic.LastFault();
}

// Opening a FIFO for reading would wait for a writer for ever.
TEST_F(LibraryFixture, ReadingAFifoEndsTheMacro) {
    ASSERT_EQ(::mkfifo("pipe.txt", 0644), 0);
    EXPECT_EQ(Run("INTEGER s\ns = OPENFILE(\"pipe.txt\")\nWRITE(1)\nWRITE(READFILE())\nWRITE(2)"),
              "1");
    EXPECT_NE(runCode, 0);
    EXPECT_EQ(basic.LastFault(), "Cannot read pipe.txt: it is not a regular file.");
}

TEST_F(LibraryFixture, AFailedRenameEndsTheMacro) {
    EXPECT_EQ(Run("WRITE(1)\nWRITE(RENAMEFILE(\"none.txt\", \"b.txt\"))\nWRITE(2)"), "1");
    EXPECT_NE(runCode, 0);
}

TEST_F(LibraryFixture, ExecuteOfAMissingProgramNamesIt) {
    Run("WRITE(EXECUTEWAIT(\"koralix-no-such-program\"))");
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_NE(messenger.messages[0].find("koralix-no-such-program"), std::string::npos);
}

TEST_F(LibraryFixture, CopyOntoAnExistingTargetAsksAndKeepsItOnNo) {
    WriteText("a.txt", "new");
    WriteText("b.txt", "old");
    messenger.answers = {Answer::No};
    Run("WRITE(COPYFILE(\"a.txt\", \"b.txt\"))");
    EXPECT_EQ(ReadText("b.txt"), "old");
    ASSERT_EQ(messenger.questions.size(), 1u);
    EXPECT_EQ(messenger.questions[0], "The file b.txt\n already exists. Overwrite ?");
    EXPECT_EQ(messenger.messages, std::vector<std::string>{"Execution failed"});
}

TEST_F(LibraryFixture, UserMenuAndOutputReachTheWindow) {
    Run("INTEGER s\ns = ADDMENU(\"Tools\", \"-\", \"\")\ns = ADDMENU(\"Tools\", \"Go\", \"go.rib\")");
    EXPECT_EQ(window.menus, (std::vector<std::string>{"Tools/-/", "Tools/Go/go.rib"}));
    Run("INTEGER s\ns = CLEARMENU()\nWRITE(1)\ns = CLEARSCR()\nWRITE(2)");
    EXPECT_TRUE(window.menus.empty());
    EXPECT_EQ(window.lines, std::vector<std::string>{"2"});
}

TEST_F(LibraryFixture, PlotDrawsUpToTheLastIndexWhileBothArraysHaveElements) {
    Run("SINGLE x[10]\nSINGLE y[10]\nINTEGER i\nINTEGER s\nFOR i = 0 TO 9\n  x[i] = i\nNEXT i\n"
        "s = PLOT(x, y, 4)");
    EXPECT_EQ(window.plottedX, (std::vector<float>{0, 1, 2, 3, 4}));
    Run("SINGLE x[10]\nSINGLE y[3]\nINTEGER s\ns = PLOT(x, y, 40)");
    EXPECT_EQ(window.plottedX.size(), 3u);
}

TEST_F(LibraryFixture, TheMainWindowsWriteShowsNothing) {
    TSBasic main(&messenger);
    library.Register(main, window, MacroLibraryVariant::MainWindow);
    main.SetSourceText("INTEGER s\ns = WRITE(1)\ns = CLEARSCR()\nWRITE(GETERROR(0))");
    ASSERT_EQ(main.Compile(), 0) << main.MessageText();
    EXPECT_EQ(main.Run(), 0);
    EXPECT_TRUE(window.lines.empty());
}

TEST_F(LibraryFixture, ModelQueriesAndValues) {
    CopyExample();
    EXPECT_EQ(Run("INTEGER s\ns = OPENRIETVELD(\"corundum\")\nWRITE(s)\nWRITE(GETERROR())\n"
                  "WRITE(NUMHISTOGRAMS())\nWRITE(NUMPHASES())\nWRITE(NUMATOMS(1))\n"
                  "WRITE(NUMATOMS(0))\nWRITE(NUMATOMS(NUMPHASES() + 1))\n"
                  "s = SETVALUE(0, 1, 0, 6, 4.75)\nWRITE(GETVALUE(0, 1, 0, 6))\n"
                  "WRITE(SAVERIETVELD(\"  copy.inp  \"))"),
              "0|No error.|1|1|2|0|0|4.75|0");
    TRietveld saved;
    ReadInputFile(saved, "copy.inp", messenger);
    ASSERT_TRUE(saved.Loaded);
    EXPECT_FLOAT_EQ(saved.Phase(1).A, 4.75f);
}

TEST_F(LibraryFixture, StepNeedsAnIntegerCount) {
    CopyExample();
    EXPECT_EQ(Run("INTEGER s\nINTEGER k\nSINGLE n\nn = 2\nk = 2\ns = OPENRIETVELD(\"corundum\")\n"
                  "WRITE(STARTRIETVELD())\nWRITE(STEPRIETVELD(n))\n"
                  "WRITE(STEPRIETVELD(k))\nWRITE(ENDRIETVELD())"),
              "0|499|0|0");
}

// The road of the README's example: open, start, cycles with the fit read
// after each, close, update, save elsewhere, and the saved model read back.
TEST_F(LibraryFixture, AMacroRefinesTheExampleAndSavesTheRefinedModel) {
    CopyExample();
    const std::string out = Run("INTEGER s\nINTEGER i\ns = OPENRIETVELD(\"corundum.inp\")\n"
                                "WRITE(STARTRIETVELD())\n"
                                "FOR i = 1 TO 6\n  s = STEPRIETVELD(1)\n  WRITE(GETFIT(1))\nNEXT i\n"
                                "WRITE(GETPARAMETER(0, 1, 0, 6))\n"
                                "WRITE(ENDRIETVELD())\nWRITE(UPDATE())\n"
                                "WRITE(SAVERIETVELD(\"refined.inp\"))\nWRITE(GETERROR())");
    ASSERT_EQ(runCode, 0) << basic.MessageText() << basic.LastFault();
    std::vector<std::string> lines = window.lines;
    ASSERT_EQ(lines.size(), 12u) << out;
    EXPECT_EQ(lines[0], "0");
    const double first = std::stod(lines[1]), last = std::stod(lines[6]);
    EXPECT_GT(first, 0);
    EXPECT_LT(last, first) << out;
    EXPECT_NEAR(std::stod(lines[7]), 4.7602, 0.002) << out;
    EXPECT_EQ(lines[8], "0");
    EXPECT_EQ(lines[9], "0");
    EXPECT_EQ(lines[10], "0");
    EXPECT_EQ(lines[11], "No error.");
    EXPECT_TRUE(std::filesystem::exists("corundum.upd"));
    EXPECT_TRUE(std::filesystem::exists("corundum.out"));
    // UPDATE writes the refined model over the one that was opened.
    for (const char* file : {"refined.inp", "corundum.inp"}) {
        TRietveld model;
        ReadInputFile(model, file, messenger);
        ASSERT_TRUE(model.Loaded) << file;
        EXPECT_NEAR(model.Phase(1).A, 4.7602, 0.002) << file;
    }
    EXPECT_FALSE(std::filesystem::exists("corundum.inp.inp"));
    // Each cycle that ran was announced once, in order.
    ASSERT_FALSE(workspace.cycles.empty());
    for (size_t i = 0; i < workspace.cycles.size(); ++i)
        EXPECT_EQ(workspace.cycles[i], static_cast<int>(i) + 1);
}

TEST_F(LibraryFixture, RefineFileRunsTheModelsCyclesAndClosesWithUpdate) {
    CopyExample();
    EXPECT_EQ(Run("WRITE(REFINEFILE(\"corundum.inp\"))\nWRITE(GETERROR())"), "0|No error.");
    TRietveld updated;
    ReadInputFile(updated, "corundum.upd", messenger);
    ASSERT_TRUE(updated.Loaded);
    EXPECT_NEAR(updated.Phase(1).A, 4.7602, 0.002);
    ASSERT_NE(workspace.Driver(), nullptr);
    EXPECT_TRUE(workspace.Driver()->ShowMessages);
    ASSERT_FALSE(workspace.cycles.empty());
    EXPECT_EQ(workspace.cycles.back(), workspace.Driver()->Cycle());
}

TEST_F(LibraryFixture, AMissingDataFileIsTheDriversStatus) {
    CopyExample();
    std::filesystem::remove("corundum.xy");
    EXPECT_EQ(Run("INTEGER s\ns = OPENRIETVELD(\"corundum\")\nWRITE(STARTRIETVELD())\n"
                  "WRITE(GETERROR())\nWRITE(STEPRIETVELD(1))\nWRITE(ENDRIETVELD())"),
              "6|Error opening data file|499|6");
    EXPECT_TRUE(messenger.messages.empty()) << messenger.messages[0];
}

TEST_F(LibraryFixture, SetDataFileNamesTheDataOfTheNextStart) {
    CopyExample();
    std::filesystem::rename("corundum.xy", "measured.xy");
    EXPECT_EQ(Run("INTEGER s\ns = OPENRIETVELD(\"corundum\")\nWRITE(SETDATAFILE(\"measured\"))\n"
                  "WRITE(STARTRIETVELD())\nWRITE(STEPRIETVELD(1))\nWRITE(SETDATAFILE(\"x\"))\n"
                  "s = OPENRIETVELD(\"corundum\")\nWRITE(STARTRIETVELD())"),
              "499|0|0|0|6");
}

} // namespace koralix::macro::test

namespace koralix::macro::test {

// The README's worked example as a user runs it: koralix-cli in the folder of
// a copy of the example, started through the program runner.
TEST_F(LibraryFixture, TheBundledMacroRefinesTheExampleFromTheShell) {
    CopyExample();
    std::filesystem::copy_file(std::filesystem::path(KORALIX_EXAMPLES) / "refine.rib",
                               folder / "refine.rib");
    TExFile runner;
    runner.WaitUntilDone = true;
    runner.SetProcFileName(std::string("'") + KORALIX_CLI + "' macro refine.rib");
    ASSERT_TRUE(runner.Execute()) << runner.ErrorMessage();
    EXPECT_EQ(runner.ExitCode(), 0);
    const std::string table = ReadText("fit.txt");
    EXPECT_EQ(table.rfind("cycle  chi2      a\n", 0), 0u) << table;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 6) << table;
    TRietveld refined;
    ReadInputFile(refined, "corundum-refined.inp", messenger);
    ASSERT_TRUE(refined.Loaded);
    EXPECT_NEAR(refined.Phase(1).A, 4.7602, 0.002);
}

} // namespace koralix::macro::test
