// The driver against scripted stand-in engines: every path of start, cycle,
// close, binding failures, faults and queries.
#include "Refine.h"
#include "InputFile.h"
#include "Messenger.h"
#include "PlotData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace koralix;
namespace fs = std::filesystem;

namespace {

std::string Engine(const std::string& name) {
    return std::string(KORALIX_TEST_ENGINES) + "/" + name + ".so";
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

class RefineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("koralix-refine-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        log = folder / "engine.log";
        ::setenv("KORALIX_TEST_ENGINE_LOG", log.c_str(), 1);
        Script("");
        ReadInputFile(model, std::string(KORALIX_EXAMPLES) + "/corundum.inp", messenger);
        ASSERT_TRUE(model.Loaded);
        refine = std::make_unique<TRefine>(messenger);
        refine->LibraryPath = Engine("engine_good");
        refine->Model = &model;
        refine->BaseName = (folder / "corundum").string();
        refine->DataName = (folder / "corundum").string();
    }
    void TearDown() override {
        refine.reset();
        fs::remove_all(folder);
    }
    void Script(const std::string& script) {
        ::setenv("KORALIX_TEST_ENGINE_SCRIPT", script.c_str(), 1);
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        for (const auto& line : ReadLines(log))
            calls.push_back(line.substr(0, line.find(' ')));
        return calls;
    }
    int CountCalls(const std::string& name) const {
        auto calls = Calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), name));
    }

    fs::path folder, log;
    TRietveld model;
    RecordingMessenger messenger;
    std::unique_ptr<TRefine> refine;
};

} // namespace

TEST_F(RefineTest, FullRefinementWithUpdate) {
    refine->IDSZ = 9000;
    refine->StartRefinement();
    ASSERT_EQ(refine->State(), RefineState::Started)
        << ::testing::PrintToString(messenger.messages);
    EXPECT_EQ(refine->LastError, 0);
    EXPECT_TRUE(refine->IsLoaded());
    auto lines = ReadLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("nhist=1 idsz=9000 irs=1500 nipoi=0"), std::string::npos);
    // The engine writes in the private folder; its listing reaches BaseName
    // once the start went well.
    EXPECT_NE(lines[0].find("output=" + refine->TempDirectory() + "testclass.out"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(refine->BaseName + ".out"));
    // With a base name given, the input file is still the private temporary one.
    EXPECT_NE(lines[0].find("input=" + refine->TempDirectory() + "testclass.inp"),
              std::string::npos);
    refine->StepRefinement();
    refine->StepRefinement();
    EXPECT_EQ(refine->State(), RefineState::Cycled);
    EXPECT_EQ(refine->Cycle(), 2);
    EXPECT_FLOAT_EQ(refine->GetRp(1), 10.5f);
    EXPECT_FLOAT_EQ(refine->GetRwp(1), 20.25f);
    EXPECT_FLOAT_EQ(refine->GetChi2(1), 1.5f);
    EXPECT_EQ(refine->GetProgress(), 42);
    refine->CloseRefinement(true);
    EXPECT_EQ(refine->State(), RefineState::Closed);
    EXPECT_TRUE(fs::exists(refine->BaseName + ".upd"));
    EXPECT_TRUE(fs::exists(refine->BaseName + ".out"));
    EXPECT_TRUE(messenger.messages.empty()) << ::testing::PrintToString(messenger.messages);
}

// The engine's bond, plot, reflection and Le Bail files reach BaseName like
// its listing, and the Le Bail intensities go back to the engine for the next
// run to recycle.
TEST_F(RefineTest, BondAndLeBailFilesReachTheBaseNameAndComeBack) {
    Script("extras=1");
    for (const char* expected : {"round\n", "round\nround\n"}) {
        refine->StartRefinement();
        ASSERT_EQ(refine->State(), RefineState::Started);
        refine->CloseRefinement(false);
        EXPECT_EQ(refine->LastError, 0);
        std::ifstream leb(refine->BaseName + ".leb");
        std::string text;
        std::getline(leb, text, '\0');
        EXPECT_EQ(text, expected);
        for (const char* extension : {".ang", ".plt", ".hkl"})
            EXPECT_TRUE(fs::exists(refine->BaseName + extension)) << extension;
    }
    // A run whose engine writes no bond file publishes none left in the private folder.
    fs::remove(refine->BaseName + ".ang");
    Script("");
    refine->StartRefinement();
    refine->CloseRefinement(false);
    EXPECT_FALSE(fs::exists(refine->BaseName + ".ang"));
}

// The updated model that cannot reach BaseName.upd fails the close: a caller
// reading BaseName.upd would otherwise take the previous run's model for it.
TEST_F(RefineTest, AnUpdatedModelThatCannotBeWrittenFailsTheClose) {
    fs::create_directory(refine->BaseName + ".upd");
    refine->StartRefinement();
    ASSERT_EQ(refine->State(), RefineState::Started);
    refine->StepRefinement();
    refine->CloseRefinement(true);
    EXPECT_EQ(refine->State(), RefineState::Closed);
    EXPECT_EQ(refine->LastError, 5);
    ASSERT_FALSE(messenger.messages.empty());
    EXPECT_NE(messenger.messages[0].find("not a regular file"), std::string::npos)
        << messenger.messages[0];
    EXPECT_TRUE(fs::is_directory(refine->BaseName + ".upd"));
}

TEST_F(RefineTest, EachStartLoadsTheLibraryAfresh) {
    refine->StartRefinement();
    refine->StartRefinement();
    auto lines = ReadLines(log);
    std::vector<std::string> starts;
    for (const auto& l : lines)
        if (StartsWith(l, "startprog")) starts.push_back(l);
    ASSERT_EQ(starts.size(), 2u);
    // The engine's own counter starts over in a fresh copy of the library.
    EXPECT_NE(starts[1].find("loads=1"), std::string::npos);
    EXPECT_EQ(CountCalls("closemem"), 1);
}

TEST_F(RefineTest, EmptyBaseNameUsesThePrivateTemporaryFolder) {
    refine->BaseName.clear();
    refine->StartRefinement();
    ASSERT_EQ(refine->State(), RefineState::Started);
    const std::string temp = refine->TempDirectory();
    EXPECT_EQ(refine->BaseName, temp + "testclass");
    EXPECT_TRUE(fs::exists(temp + "testclass.out"));
    EXPECT_TRUE(fs::exists(temp + "testclass.inp"));
    // Owner-only: no other user can read, plant or replace the files there.
    auto permissions = fs::status(temp).permissions();
    EXPECT_EQ(permissions & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    EXPECT_NE(temp.find("koralix-"), std::string::npos);
}

TEST_F(RefineTest, StartingWithoutAModel) {
    refine->Model = nullptr;
    refine->StartRefinement();
    EXPECT_EQ(refine->State(), RefineState::NotStarted);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Input not set for refinement.");
}

TEST_F(RefineTest, FinishedFlagEndsTheCycles) {
    Script("finish=2");
    refine->StartRefinement();
    refine->StepRefinement();
    EXPECT_EQ(refine->State(), RefineState::Cycled);
    refine->StepRefinement();
    EXPECT_EQ(refine->State(), RefineState::Finished);
    EXPECT_TRUE(refine->FinishedFlag());
    refine->StepRefinement();
    EXPECT_EQ(refine->State(), RefineState::Finished);
    EXPECT_EQ(refine->Cycle(), 3);
    EXPECT_EQ(CountCalls("iteration"), 2);
}

struct FailureCase {
    const char* name;
    const char* script;
    const char* message;
    int32_t code;
    bool failsAtStart;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class RefineFailures : public RefineTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RefineFailures, ReportCloseAndUnload) {
    const FailureCase& c = GetParam();
    Script(c.script);
    refine->StartRefinement();
    if (!c.failsAtStart) {
        ASSERT_EQ(refine->State(), RefineState::Started);
        refine->StepRefinement();
    }
    EXPECT_EQ(refine->State(), RefineState::Closed);
    EXPECT_EQ(refine->LastError, c.code);
    ASSERT_FALSE(messenger.messages.empty());
    EXPECT_EQ(messenger.messages.back(), c.message);
    EXPECT_FALSE(refine->IsLoaded());
    EXPECT_EQ(CountCalls("quickclose"), 1);
    EXPECT_EQ(CountCalls("closemem"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefineFailures,
    ::testing::Values(
        FailureCase{"DataFileMissing", "start=6", "Error opening data file", 6, true},
        FailureCase{"UnknownCode", "start=77", "Error: 77", 77, true},
        FailureCase{"FaultInStart", "fault=start",
                    "Unstable Refinement - change value/number of parameters", 200, true},
        FailureCase{"SingularCycle", "iterate=200",
                    "Unstable Refinement - change value/number of parameters", 200, false},
        FailureCase{"DivisionByZeroInCycle", "fault=iterate",
                    "Unstable Refinement - change value/number of parameters", 200, false},
        FailureCase{"ExceptionInCycle", "throw=iterate",
                    "Unstable Refinement - change value/number of parameters", 200, false},
        FailureCase{"TooManyVariables", "iterate=44", "Error: More variables than allowed", 44,
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RefineTest, NotLoadedMeans901WithoutQuickClose) {
    refine->LibraryPath = (folder / "absent.so").string();
    refine->StartRefinement();
    EXPECT_EQ(refine->State(), RefineState::Closed);
    EXPECT_EQ(refine->LastError, 901);
    std::vector<std::string> expected = {"DLL Error - DLL not found",
                                         "Not continuing with computations."};
    EXPECT_EQ(messenger.messages, expected);
    refine->StepRefinement();
    EXPECT_EQ(refine->LastError, 901);
    EXPECT_EQ(CountCalls("quickclose"), 0);
    refine->CloseRefinement(true);
    EXPECT_EQ(refine->State(), RefineState::Closed);
}

TEST_F(RefineTest, LoadFailuresByCause) {
    std::ofstream(folder / "broken.so") << "this is not a shared library";
    struct Case {
        fs::path path;
        const char* message;
    } cases[] = {
        {folder / "absent.so", "DLL Error - DLL not found"},
        {folder / "no-folder" / "libkoradll.so", "DLL Error - Path not found"},
        {folder / "broken.so", "DLL Error - DLL damaged or invalid."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        messenger.messages.clear();
        refine->LibraryPath = c.path.string();
        refine->LoadEngine();
        EXPECT_FALSE(refine->IsLoaded());
        ASSERT_EQ(messenger.messages.size(), 1u);
        EXPECT_EQ(messenger.messages[0], c.message);
    }
}

TEST_F(RefineTest, MissingExportShowsTheRestOfTheChain) {
    refine->LibraryPath = Engine("engine_no_getrdf");
    refine->LoadEngine();
    EXPECT_FALSE(refine->IsLoaded());
    std::vector<std::string> expected = {"getrdf failed",     "getplot failed", "quickclose failed",
                                         "closemem failed",   "getpar failed",  "getpar2 failed",
                                         "GetVersion failed", "setpar failed"};
    EXPECT_EQ(messenger.messages, expected);
    messenger.messages.clear();
    refine->StartRefinement();
    EXPECT_EQ(refine->LastError, 901);
    EXPECT_EQ(messenger.messages.back(), "Not continuing with computations.");
}

TEST_F(RefineTest, MissingQuickCloseFailsTheBinding) {
    refine->LibraryPath = Engine("engine_no_quickclose");
    refine->StartRefinement();
    std::vector<std::string> expected = {"quickclose failed",
                                         "closemem failed",
                                         "getpar failed",
                                         "getpar2 failed",
                                         "GetVersion failed",
                                         "setpar failed",
                                         "Not continuing with computations."};
    EXPECT_EQ(messenger.messages, expected);
    EXPECT_EQ(refine->State(), RefineState::Closed);
    EXPECT_EQ(CountCalls("startprog"), 0);
}

TEST_F(RefineTest, MissingVersionIsAnOldButUsableLibrary) {
    refine->LibraryPath = Engine("engine_no_version");
    refine->ShowMessages = false;
    refine->LoadEngine();
    EXPECT_TRUE(refine->IsLoaded());
    // The old-library warning is shown even with messages off; the lookup failure is not.
    std::vector<std::string> expected = {"You are using an old dll."};
    EXPECT_EQ(messenger.messages, expected);
    messenger.messages.clear();
    refine->ShowMessages = true;
    refine->UnloadEngine();
    refine->LoadEngine();
    expected = {"GetVersion failed", "You are using an old dll."};
    EXPECT_EQ(messenger.messages, expected);
}

TEST_F(RefineTest, OldVersionWarns) {
    refine->LibraryPath = Engine("engine_old");
    refine->LoadEngine();
    EXPECT_TRUE(refine->IsLoaded());
    std::vector<std::string> expected = {"You are using an old dll."};
    EXPECT_EQ(messenger.messages, expected);
}

TEST_F(RefineTest, UnloadingTwiceAndMemoryFailure) {
    refine->UnloadEngine();
    EXPECT_EQ(messenger.messages.back(), "Closed DLL but it wasn't not open");
    Script("closemem=3");
    refine->LoadEngine();
    refine->UnloadEngine();
    EXPECT_EQ(messenger.messages.back(), "Memory failure in Koradll.dll");
    EXPECT_FALSE(refine->IsLoaded());
}

TEST_F(RefineTest, QueriesWhenNotLoadedAreZero) {
    EXPECT_EQ(refine->GetRp(1), 0.0f);
    EXPECT_EQ(refine->GetProgress(), 0);
    EXPECT_EQ(refine->GetParValue(1, 0, 0, 1), 0.0f);
    EXPECT_EQ(refine->GetParEsd(1, 0, 0, 1), 0.0f);
    EXPECT_EQ(refine->SetParValue(1, 0, 0, 1, 2.0f), 0);
}

TEST_F(RefineTest, ParameterValuesAndEsds) {
    refine->StartRefinement();
    EXPECT_FLOAT_EQ(refine->GetParValue(1, 0, 0, 1), 1001.0f);
    // Cell parameters take their esd from getpar, everything else from getpar2
    // with the parameter's code number.
    EXPECT_FLOAT_EQ(refine->GetParEsd(0, 1, 0, 6), 0.5f);
    const float code = model.Parameters.CodeOf({1, 0, 0, 1});
    ASSERT_GT(code, 0);
    EXPECT_FLOAT_EQ(refine->GetParEsd(1, 0, 0, 1), std::trunc(code / 10.0f) / 100.0f);
    // A parameter that is not refined has code number 0, which the engine refuses.
    EXPECT_FLOAT_EQ(refine->GetParEsd(1, 0, 0, 17), 0.0f);
    EXPECT_EQ(refine->SetParValue(1, 0, 0, 1, 0.25f), 0);
}

TEST_F(RefineTest, ProgressFaultReadsAsHalfway) {
    Script("fault=getstatus");
    refine->StartRefinement();
    EXPECT_EQ(refine->GetProgress(), 50);
}

TEST_F(RefineTest, PlotArrays) {
    Script("npts=5;nrefl=2");
    refine->StartRefinement();
    refine->StepRefinement();
    TPlotData plot;
    refine->GetPlot(plot, 1);
    EXPECT_EQ(plot.Kind, KindEngine);
    EXPECT_EQ(plot.HistogramNumber, 1);
    EXPECT_EQ(plot.Title, model.Title);
    ASSERT_EQ(plot.PointCount, 5);
    EXPECT_FLOAT_EQ(plot.Start, 10.0f);
    EXPECT_FLOAT_EQ(plot.Finish, 12.0f);
    EXPECT_FLOAT_EQ(plot.YCalc[4], 94.0f);
    ASSERT_EQ(plot.ReflectionCount(), 2);
    EXPECT_EQ(plot.ReflPhase(2), 1);
    EXPECT_EQ(plot.ReflH(2), 1);
    EXPECT_EQ(plot.ReflK(2), 1);
    EXPECT_EQ(plot.ReflL(2), -1);
    EXPECT_EQ(ReadLines(log).back(), "getplot hist=1 final=0");
}

TEST_F(RefineTest, ImpossiblePlotSizesNeverReachTheEngine) {
    for (const char* script : {"npts=0", "npts=50001", "nrefl=-1"}) {
        SCOPED_TRACE(script);
        Script(script);
        refine->StartRefinement();
        TPlotData plot;
        refine->GetPlot(plot, 1);
        EXPECT_EQ(plot.PointCount, 0);
        EXPECT_NE(ReadLines(log).back().rfind("getplot ", 0), 0u);
    }
}

TEST_F(RefineTest, RdfAsksForTheChosenPhase) {
    refine->StartRefinement();
    std::vector<float> values(5000);
    refine->GetRdf(values.data(), 3, 0);
    EXPECT_FLOAT_EQ(values[100], 1.0f);
    EXPECT_EQ(ReadLines(log).back(), "getrdf rmax=10.000000 phase=1 function=3");
}

TEST_F(RefineTest, PathTooLongForTheEngineIsRefused) {
    refine->DataName = "/" + std::string(260, 'd');
    refine->StartRefinement();
    EXPECT_EQ(refine->State(), RefineState::Closed);
    EXPECT_EQ(refine->LastError, 1);
    ASSERT_EQ(messenger.messages.size(), 2u);
    EXPECT_NE(messenger.messages[0].find("too long"), std::string::npos);
    EXPECT_EQ(messenger.messages[1], "Error opening input file");
    EXPECT_EQ(CountCalls("startprog"), 0);
}

TEST_F(RefineTest, MacrosSwitchMessagesOff) {
    refine->ShowMessages = false;
    Script("start=6");
    refine->StartRefinement();
    EXPECT_EQ(refine->LastError, 6);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_FALSE(refine->ShowMessages);
}

// What the engine held reaches the user once, as a notice beside the
// messages: the refinement goes on with status 0.
TEST_F(RefineTest, EngineNotesArePassedOnOnceAndTheRefinementGoesOn) {
    refine->LibraryPath = Engine("engine_notes");
    Script("notes=2;cyclenote=2");
    refine->StartRefinement();
    ASSERT_EQ(refine->State(), RefineState::Started);
    EXPECT_EQ(refine->LastError, 0);
    EXPECT_EQ(messenger.notices, std::vector<std::string>{"held 1\nheld 2"});
    refine->StepRefinement();
    EXPECT_EQ(messenger.notices.size(), 1u) << "notes already told are not told again";
    refine->StepRefinement();
    EXPECT_EQ(refine->State(), RefineState::Cycled);
    EXPECT_EQ(refine->LastError, 0);
    const std::vector<std::string> notices = {"held 1\nheld 2", "held in cycle 2"};
    EXPECT_EQ(messenger.notices, notices);
    const std::vector<std::string> notes = {"held 1", "held 2", "held in cycle 2"};
    EXPECT_EQ(refine->Notes(), notes);
    EXPECT_TRUE(messenger.messages.empty()) << ::testing::PrintToString(messenger.messages);
    EXPECT_EQ(CountCalls("quickclose"), 0);

    // A new start forgets the last refinement's notes and tells them again.
    refine->StartRefinement();
    EXPECT_EQ(refine->Notes(), (std::vector<std::string>{"held 1", "held 2"}));
    EXPECT_EQ(messenger.notices.size(), 3u);
}

TEST_F(RefineTest, EngineNotesAreKeptButNotShownWithMessagesOff) {
    refine->LibraryPath = Engine("engine_notes");
    Script("notes=1");
    refine->ShowMessages = false;
    refine->StartRefinement();
    EXPECT_EQ(refine->Notes(), std::vector<std::string>{"held 1"});
    EXPECT_TRUE(messenger.notices.empty());
}

// getnotes is not one of the operations the binding requires.
TEST_F(RefineTest, AnEngineWithoutNotesLoadsWithoutAWord) {
    refine->StartRefinement();
    refine->StepRefinement();
    EXPECT_EQ(refine->State(), RefineState::Cycled);
    EXPECT_TRUE(refine->Notes().empty());
    EXPECT_TRUE(messenger.notices.empty());
    EXPECT_TRUE(messenger.messages.empty()) << ::testing::PrintToString(messenger.messages);
}

TEST_F(RefineTest, DestroyingAnOpenRefinementClosesIt) {
    refine->StartRefinement();
    refine.reset();
    EXPECT_EQ(CountCalls("closeprog"), 1);
    EXPECT_EQ(CountCalls("closemem"), 1);
}

TEST_F(RefineTest, StatusMessagesTable) {
    EXPECT_EQ(RefineStatusMessage(1), "Error opening input file");
    EXPECT_EQ(RefineStatusMessage(23), "Error reading data file: shouldn' happen");
    EXPECT_EQ(RefineStatusMessage(901), "Not continuing with computations.");
    EXPECT_EQ(RefineStatusMessage(999), "Error: 999");
}
