// The program runner with real child processes: waiting and not waiting,
// programs that cannot start, arguments with quotes and blanks, the rules
// that refuse a start.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CommandLine.h"
#include "ExFile.h"

namespace koralix::macro {

namespace {

namespace fs = std::filesystem;

struct SplitCase {
    const char* name;
    const char* line;
    std::vector<std::string> words;
};

const SplitCase kSplitCases[] = {
    {"Blanks", "  tool   data.txt\tmore ", {"tool", "data.txt", "more"}},
    {"SingleQuotesKeepEverything", "tool 'a \"b\" $x \\n'", {"tool", "a \"b\" $x \\n"}},
    {"DoubleQuotesEscapeOnlyFour", "tool \"a \\\"b\\\" \\n\"", {"tool", "a \"b\" \\n"}},
    {"QuotesJoinWithTheirWord", "tool pre'fix 'post\"fix\"", {"tool", "prefix postfix"}},
    {"BackslashKeepsABlank", "tool two\\ words", {"tool", "two words"}},
    {"EmptyQuotedWord", "tool ''", {"tool", ""}},
    {"ShellCharactersAreText", "tool a;b |c >d $(e)", {"tool", "a;b", "|c", ">d", "$(e)"}},
};

std::ostream& operator<<(std::ostream& os, const SplitCase& c) {
    return os << c.name;
}

class SplitCases : public ::testing::TestWithParam<SplitCase> {};

fs::path Scratch(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("koralix-exfile-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Waits until the runner has seen its programs end (no time limit asserted).
void WaitUntilNoneRuns(TExFile& runner) {
    while (runner.RunningCount() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

} // namespace

TEST_P(SplitCases, SplitsAsAShellWould) {
    auto words = SplitCommandLine(GetParam().line);
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(*words, GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, SplitCases, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, AnOpenQuoteIsRefused) {
    EXPECT_FALSE(SplitCommandLine("tool 'open").has_value());
    EXPECT_FALSE(SplitCommandLine("tool \"open").has_value());
}

TEST(ExFile, WaitingGivesTheExitCode) {
    TExFile runner;
    runner.WaitUntilDone = true;
    int notices = 0, reported = -1;
    runner.OnProcCompleted = [&](const std::string&, const std::string&, int code, bool timedOut) {
        ++notices;
        reported = code;
        EXPECT_FALSE(timedOut);
    };
    runner.SetProcFileName("sh -c 'exit 3'");
    ASSERT_TRUE(runner.Execute()) << runner.ErrorMessage();
    EXPECT_EQ(runner.ExitCode(), 3);
    EXPECT_EQ(runner.ErrorCode(), 0);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(reported, 3);
}

TEST(ExFile, ArgumentsWithQuotesAndBlanksArriveWhole) {
    const fs::path dir = Scratch("quotes");
    TExFile runner;
    runner.WaitUntilDone = true;
    runner.ProcCurrentDir = dir.string();
    runner.SetProcFileName("touch \"it's here.txt\" 'say \"hi\".txt' plain;x");
    ASSERT_TRUE(runner.Execute()) << runner.ErrorMessage();
    EXPECT_TRUE(fs::exists(dir / "it's here.txt"));
    EXPECT_TRUE(fs::exists(dir / "say \"hi\".txt"));
    EXPECT_TRUE(fs::exists(dir / "plain;x"));
    EXPECT_FALSE(fs::exists(dir / "x"));
    fs::remove_all(dir);
}

TEST(ExFile, FileNameKeepsItsCase) {
    const fs::path dir = Scratch("case");
    TExFile runner;
    runner.WaitUntilDone = true;
    runner.ProcCurrentDir = dir.string();
    runner.SetProcFileName("touch Data.TXT");
    ASSERT_TRUE(runner.Execute());
    EXPECT_TRUE(fs::exists(dir / "Data.TXT"));
    fs::remove_all(dir);
}

TEST(ExFile, AMissingProgramIsALaunchFailure) {
    TExFile runner;
    std::string failedFile, failedText;
    int failedCode = 0;
    runner.OnLaunchFailed = [&](const std::string& file, const std::string&, int code,
                                const std::string& text) {
        failedFile = file;
        failedCode = code;
        failedText = text;
    };
    for (bool wait : {false, true}) {
        runner.WaitUntilDone = wait;
        runner.SetProcFileName("/nonexistent/koralix-tool arg");
        EXPECT_FALSE(runner.Execute());
        EXPECT_EQ(runner.ErrorCode(), ENOENT);
        EXPECT_EQ(failedCode, ENOENT);
        EXPECT_EQ(failedFile, "/nonexistent/koralix-tool arg");
        EXPECT_NE(failedText.find("/nonexistent/koralix-tool"), std::string::npos);
        EXPECT_EQ(runner.RunningCount(), 0);
    }
}

TEST(ExFile, RefusedStartsNameTheirReason) {
    TExFile runner;
    runner.ProcCurrentDir = "/nonexistent/folder";
    runner.SetProcFileName("true");
    EXPECT_FALSE(runner.Execute());
    EXPECT_EQ(runner.ErrorCode(), kExInvalidDirectory);
    EXPECT_EQ(runner.ErrorMessage(), "Current Directory Invalid");

    runner.ProcCurrentDir.clear();
    runner.SetProcFileName("tool 'open");
    EXPECT_FALSE(runner.Execute());
    EXPECT_EQ(runner.ErrorCode(), EINVAL);
}

TEST(ExFile, NotWaitingReturnsAtOnceAndTheWatcherSeesTheEnd) {
    TExFile runner;
    std::atomic<int> notices = 0;
    std::atomic<int> code = -1;
    runner.OnProcCompleted = [&](const std::string& file, const std::string& id, int ret,
                                 bool timedOut) {
        EXPECT_EQ(file, "sh -c 'exit 4'");
        EXPECT_EQ(id, "tag");
        EXPECT_FALSE(timedOut);
        code = ret;
        ++notices;
    };
    runner.ProcIdentifier = "tag";
    runner.SetProcFileName("sh -c 'exit 4'");
    ASSERT_TRUE(runner.Execute());
    WaitUntilNoneRuns(runner);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(code, 4);
}

TEST(ExFile, TheSameProgramAndTagRunOnlyOnceAtATime) {
    TExFile runner;
    const fs::path gate = Scratch("gate") / "go";
    // The first program runs until the test lets it end.
    runner.SetProcFileName("sh -c 'while [ ! -e \"$0\" ]; do sleep 0.02; done' " + gate.string());
    ASSERT_TRUE(runner.Execute());
    EXPECT_FALSE(runner.Execute());
    EXPECT_EQ(runner.ErrorCode(), kExSameProcessRunning);
    EXPECT_EQ(runner.ErrorMessage(), "Another Process with the same Name and ID is executing.");

    runner.ProcIdentifier = "other";
    EXPECT_TRUE(runner.Execute()); // another tag is another start
    runner.ProcIdentifier.clear();

    runner.WaitUntilDone = true;
    runner.SetProcFileName("true");
    EXPECT_FALSE(runner.Execute());
    EXPECT_EQ(runner.ErrorCode(), kExMixedWaitTypes);
    EXPECT_EQ(runner.ErrorMessage(), "Cannot mix 'WaitUntilDone' types.");

    std::ofstream(gate).put('x');
    runner.WaitUntilDone = false;
    WaitUntilNoneRuns(runner);
    runner.SetProcFileName("sh -c 'while [ ! -e \"$0\" ]; do sleep 0.02; done' " + gate.string());
    EXPECT_TRUE(runner.Execute());
    WaitUntilNoneRuns(runner);
    fs::remove_all(gate.parent_path());
}

TEST(ExFile, AWaitThatPassesItsLimitLeavesTheProgramRunning) {
    const fs::path gate = Scratch("limit") / "go";
    TExFile runner;
    runner.WaitUntilDone = true;
    runner.SetTimeOutSec(1);
    bool timedOut = false;
    runner.OnProcCompleted = [&](const std::string&, const std::string&, int, bool t) {
        timedOut = t;
    };
    runner.SetProcFileName("sh -c 'while [ ! -e \"$0\" ]; do sleep 0.02; done' " + gate.string());
    ASSERT_TRUE(runner.Execute());
    EXPECT_TRUE(runner.TimedOut());
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(runner.ErrorCode(), kExTimedOut);
    EXPECT_EQ(runner.ExitCode(), 1);
    EXPECT_EQ(runner.RunningCount(), 1);
    std::ofstream(gate).put('x');
    WaitUntilNoneRuns(runner);
    fs::remove_all(gate.parent_path());
}

TEST(ExFile, WaitingCallsTheCallerBackSoItsWindowsStayAlive) {
    TExFile runner;
    runner.WaitUntilDone = true;
    int calls = 0;
    runner.WhileWaiting = [&] { ++calls; };
    runner.SetProcFileName("sleep 0.2");
    ASSERT_TRUE(runner.Execute());
    EXPECT_GT(calls, 0);
}

TEST(ExFile, ClosingStopsTheWatchersWithoutNotice) {
    int notices = 0;
    {
        TExFile runner;
        runner.OnProcCompleted = [&](const std::string&, const std::string&, int, bool) {
            ++notices;
        };
        // The program outlives its runner and ends by itself.
        runner.SetProcFileName("sleep 1");
        ASSERT_TRUE(runner.Execute());
    }
    EXPECT_EQ(notices, 0);
}

} // namespace koralix::macro
