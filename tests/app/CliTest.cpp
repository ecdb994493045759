// koralix-cli as scripts use it: exit codes, stdout JSON, stderr messages.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path TempDir() {
    fs::path dir = fs::temp_directory_path() /
                   ("koralix-cli-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir);
    return dir;
}

CliRun Cli(const std::string& arguments) {
    const fs::path errFile = TempDir() / "stderr.txt";
    const std::string command =
        std::string(KORALIX_CLI) + " " + arguments + " 2>" + errFile.string();
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = Slurp(errFile);
    return run;
}

const std::string Example = std::string(KORALIX_EXAMPLES) + "/corundum.inp";

} // namespace

TEST(Cli, HelpNamesEveryCommand) {
    CliRun run = Cli("--help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("model FILE"), std::string::npos);
    EXPECT_NE(run.out.find("convert IN OUT"), std::string::npos);
    EXPECT_EQ(Cli("no-such-command").exitCode, 2);
}

TEST(Cli, ModelPrintsTheWholeModel) {
    CliRun run = Cli("model " + Example);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Loaded"], true);
    EXPECT_EQ(json["Relax"].size(), 4u);
    for (const char* key : {"Title", "Cycles", "CodeCount", "Eps", "LSync", "TrailingLines1",
                            "TrailingLines2", "Histograms", "Phases", "Samples", "Parameters"})
        EXPECT_TRUE(json.contains(key)) << key;
    const auto& h = json["Histograms"][0];
    EXPECT_EQ(h["Spectrum"].size(), 9u);
    EXPECT_EQ(h["Background"]["Coeff"].size(), 12u);
    EXPECT_EQ(json["Phases"][0]["Atoms"][0]["Label"], "AL  ");
    EXPECT_EQ(json["Phases"][0]["SpaceGroup"], "R -3 C");
    EXPECT_TRUE(json["Parameters"].contains("Free"));
    EXPECT_TRUE(json["Parameters"].contains("Constraints"));
    // Singles print in their shortest form.
    EXPECT_NE(run.out.find("\"Wave1\": 1.5406,"), std::string::npos);
}

TEST(Cli, ModelOfABrokenFileStillPrintsJson) {
    CliRun run = Cli("model " + (TempDir() / "missing.inp").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Input file File does not exist\n");
    EXPECT_EQ(nlohmann::json::parse(run.out)["Loaded"], false);
}

TEST(Cli, ConvertWritesTheSameFileAgain) {
    const fs::path out = TempDir() / "copy.inp";
    fs::remove(out);
    CliRun run = Cli("convert " + Example + " " + out.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Slurp(out), Slurp(Example));

    const fs::path broken = TempDir() / "broken.inp";
    std::ofstream(broken) << "title\n  1\n\n\n\n\n\n 1 2 x\n";
    const fs::path none = TempDir() / "none.inp";
    fs::remove(none);
    run = Cli("convert " + broken.string() + " " + none.string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error reading Inputfile at line 5\n");
    EXPECT_FALSE(fs::exists(none));
}
