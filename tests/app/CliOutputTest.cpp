// What the commands write, and what they leave alone: a failed refinement
// keeps the last good listing, a plot writes only its image, saving honours
// the target's permission and kind, and a refinement ended by a signal
// leaves no private folder behind.
#include "CliProcess.h"

#include <csignal>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using cli_process::Names;
using cli_process::ReadAll;
using cli_process::RunCli;
using cli_process::TestFolder;

const std::string Examples = KORALIX_EXAMPLES;

// The example model and its pattern copied into a fresh folder, with the
// listing and refined model of an earlier run beside them.
fs::path ModelWithEarlierRun() {
    const fs::path folder = TestFolder();
    fs::copy_file(Examples + "/corundum.inp", folder / "corundum.inp");
    fs::copy_file(Examples + "/corundum.xy", folder / "corundum.xy");
    std::ofstream(folder / "corundum.out") << "the last good listing\n";
    std::ofstream(folder / "corundum.upd") << "the last good model\n";
    return folder;
}

TEST(RefineOutput, AFailedRunKeepsTheLastGoodListingAndModel) {
    const fs::path folder = ModelWithEarlierRun();
    const auto run = RunCli(
        {"refine", (folder / "corundum.inp").string(), "--data", (folder / "missing.xy").string()},
        folder);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error opening data file"), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(folder / "corundum.out"), "the last good listing\n");
    EXPECT_EQ(ReadAll(folder / "corundum.upd"), "the last good model\n");
}

TEST(RefineOutput, ARunThatWentWellReplacesBoth) {
    const fs::path folder = ModelWithEarlierRun();
    const auto run =
        RunCli({"refine", (folder / "corundum.inp").string(), "--cycles", "1"}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadAll(folder / "corundum.out").find("Title: Corundum"), std::string::npos);
    EXPECT_NE(ReadAll(folder / "corundum.upd").find("Corundum"), std::string::npos);
}

// The example asks for an ILL plot file; here for a reflection file too.
TEST(RefineOutput, PlotAndReflectionFilesAppearBesideTheListing) {
    const fs::path folder = ModelWithEarlierRun();
    std::string model = ReadAll(folder / "corundum.inp");
    const size_t switches = model.find('\n', model.find('\n') + 1) + 1; // the third line
    ASSERT_EQ(model.substr(switches + 9, 2), "20"); // PlotFileType 2, FourierFileType 0
    model[switches + 10] = '2';
    std::ofstream(folder / "corundum.inp", std::ios::binary) << model;
    const auto run =
        RunCli({"refine", (folder / "corundum.inp").string(), "--cycles", "1"}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string plot = ReadAll(folder / "corundum.plt");
    EXPECT_NE(plot.find("X Yobs Ycalc Yobs-Ycalc"), std::string::npos) << plot.substr(0, 200);
    EXPECT_NE(plot.find("\nReflections\n"), std::string::npos);
    const std::string hkl = ReadAll(folder / "corundum.hkl");
    EXPECT_NE(hkl.find("   1   0   4"), std::string::npos) << hkl.substr(0, 200);
    EXPECT_NE(hkl.find("   0   0   0    0.00    0.00\n"), std::string::npos);
    // Nothing else of the engine's is left beside them.
    for (const std::string& name : Names(folder))
        EXPECT_TRUE(name.rfind("corundum.", 0) == 0) << name;
}

TEST(PlotOutput, APlotOfAModelWritesOnlyItsImage) {
    const fs::path folder = ModelWithEarlierRun();
    auto expected = Names(folder);
    expected.push_back("plot.png");
    std::sort(expected.begin(), expected.end());
    const auto run = RunCli({"plot", (folder / "corundum.inp").string(),
                             (folder / "plot.png").string(), "--cycles", "1"},
                            folder, {"XDG_RUNTIME_DIR=" + folder.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Names(folder), expected);
    EXPECT_EQ(ReadAll(folder / "corundum.out"), "the last good listing\n");
}

TEST(PlotOutput, AMissingDataFileIsNamed) {
    const fs::path folder = TestFolder();
    const auto run = RunCli({"plot", (folder / "missing.xy").string(), (folder / "p.png").string()},
                            folder, {"XDG_RUNTIME_DIR=" + folder.string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("missing.xy: the file does not exist"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder / "p.png"));
}

// Targets of a save, each prepared in a fresh folder; `target` is the name
// written to, and the check says what must hold afterwards.
struct SaveCase {
    const char* name;
    void (*prepare)(const fs::path& folder);
    bool written;
    const char* message;
    void (*check)(const fs::path& folder);
};

const SaveCase SaveCases[] = {
    {"ReadOnlyFileIsRefused",
     [](const fs::path& f) {
         std::ofstream(f / "target.inp") << "mine\n";
         fs::permissions(f / "target.inp", fs::perms::owner_read | fs::perms::group_read);
     },
     false, "the file is read-only",
     [](const fs::path& f) {
         EXPECT_EQ(ReadAll(f / "target.inp"), "mine\n");
         EXPECT_EQ(fs::status(f / "target.inp").permissions() & fs::perms::owner_write,
                   fs::perms::none);
     }},
    {"SymbolicLinkIsFollowed",
     [](const fs::path& f) {
         std::ofstream(f / "real.inp") << "old\n";
         fs::create_symlink("real.inp", f / "target.inp");
     },
     true, "",
     [](const fs::path& f) {
         EXPECT_TRUE(fs::is_symlink(f / "target.inp"));
         EXPECT_NE(ReadAll(f / "real.inp").find("Corundum"), std::string::npos);
     }},
    {"FifoIsRefused", [](const fs::path& f) { ::mkfifo((f / "target.inp").c_str(), 0644); }, false,
     "not a regular file", [](const fs::path& f) { EXPECT_TRUE(fs::is_fifo(f / "target.inp")); }},
    {"FolderIsRefused", [](const fs::path& f) { fs::create_directory(f / "target.inp"); }, false,
     "not a regular file",
     [](const fs::path& f) { EXPECT_TRUE(fs::is_directory(f / "target.inp")); }},
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

class SaveTarget : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveTarget, ConvertHonoursIt) {
    const SaveCase& c = GetParam();
    const fs::path folder = TestFolder();
    c.prepare(folder);
    const auto before = Names(folder);
    const auto run =
        RunCli({"convert", Examples + "/corundum.inp", (folder / "target.inp").string()}, folder);
    EXPECT_EQ(run.exitCode, c.written ? 0 : 1) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(Names(folder), before); // no file beside it, temporary or other
    c.check(folder);
}

INSTANTIATE_TEST_SUITE_P(Targets, SaveTarget, ::testing::ValuesIn(SaveCases),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                             return info.param.name;
                         });

class RefineSignal : public ::testing::TestWithParam<int> {};

TEST_P(RefineSignal, RemovesThePrivateFolderAndEndsByTheSignal) {
    const fs::path folder = ModelWithEarlierRun();
    const fs::path temp = folder / "tmp";
    fs::create_directory(temp);
    const fs::path log = folder / "engine.log";
    // The stand-in engine blocks in its first cycle, so the signal always
    // arrives while the refinement runs.
    const pid_t pid = cli_process::Start(
        {"refine", (folder / "corundum.inp").string(), "--engine", KORALIX_TEST_ENGINE}, folder,
        {"TMPDIR=" + temp.string(), "KORALIX_TEST_ENGINE_SCRIPT=block=iterate",
         "KORALIX_TEST_ENGINE_LOG=" + log.string()});
    ASSERT_GT(pid, 0);
    while (ReadAll(log).find("iteration") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Names(temp).size(), 1u); // the private folder exists now
    ::kill(pid, GetParam());
    const auto run = cli_process::Wait(pid, folder);
    EXPECT_EQ(run.signal, GetParam());
    EXPECT_TRUE(Names(temp).empty());
    EXPECT_EQ(ReadAll(folder / "corundum.upd"), "the last good model\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, RefineSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT    ? "Interrupt"
                                                : info.param == SIGTERM ? "Terminate"
                                                                        : "HangUp");
                         });

} // namespace
