// koralix-cli sg and cif as scripts use them.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct CliOutput {
    int exitCode = -1;
    std::string out;
};

// Runs koralix-cli with stderr dropped; arguments are passed to the shell as given.
CliOutput RunCli(const std::string& arguments) {
    const std::string command = std::string(KORALIX_CLI) + " " + arguments + " 2>/dev/null";
    CliOutput run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string CifFiles = KORALIX_CIF_FIXTURES;

TEST(CliSpaceGroup, NumberGivesTheTableSymbolAndItsSystem) {
    CliOutput run = RunCli("sg 14");
    ASSERT_EQ(run.exitCode, 0);
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Symbol"], "P 21/C");
    EXPECT_EQ(json["CrystalSystem"], 1);
    EXPECT_EQ(json["CrystalSystemName"], "Monoclinic");
    EXPECT_EQ(json["UniqueAxis"], 2);
    EXPECT_EQ(json["GeneralMultiplicity"], 4);
    EXPECT_FALSE(json.contains("SiteMultiplicity"));
}

TEST(CliSpaceGroup, SymbolWithPositionGivesTheSiteMultiplicity) {
    CliOutput run = RunCli("sg ' f d 3 m ' 0.125 0.125 0.125");
    ASSERT_EQ(run.exitCode, 0);
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Symbol"], "F D 3 M");
    EXPECT_EQ(json["CrystalSystemName"], "Cubic");
    EXPECT_EQ(json["GeneralMultiplicity"], 192);
    EXPECT_EQ(json["SiteMultiplicity"], 8);
    EXPECT_EQ(nlohmann::json::parse(RunCli("sg 'R -3 M R' 0 0 x").out)["SiteMultiplicity"], 0);
}

TEST(CliSpaceGroup, UnknownSymbolsAndBadUsage) {
    CliOutput run = RunCli("sg 231");
    EXPECT_EQ(run.exitCode, 1);
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Symbol"], "231");
    EXPECT_EQ(json["CrystalSystem"], 8);
    EXPECT_EQ(json["CrystalSystemName"], "Unknown SG");
    EXPECT_EQ(json["GeneralMultiplicity"], 0);
    EXPECT_EQ(RunCli("sg").exitCode, 2);
    EXPECT_EQ(RunCli("sg P 21/C").exitCode, 2);
}

TEST(CliCif, PrintsThePhaseLikeAModelPhase) {
    CliOutput run = RunCli("cif " + CifFiles + "/monoclinic.cif");
    ASSERT_EQ(run.exitCode, 0);
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Name"], "Ca Fe O3");
    EXPECT_EQ(json["SpaceGroup"], "P 21/c");
    EXPECT_EQ(json["Z"], 4);
    ASSERT_EQ(json["Atoms"].size(), 3u);
    EXPECT_EQ(json["Atoms"][1]["AtomType"], "FE+3");
    EXPECT_EQ(json["Atoms"][1]["N"], 0.25);
}

TEST(CliCif, BrokenFilePrintsWhatWasReadAndFails) {
    CliOutput run = RunCli("cif " + CifFiles + "/broken-quote.cif");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(nlohmann::json::parse(run.out)["Atoms"].size(), 2u);
    CliOutput missing = RunCli("cif " + CifFiles + "/no-such-file.cif");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
}

} // namespace
