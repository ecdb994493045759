// koralix-cli reading models of other programs and exporting job files.
#include "CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

using koralix::testing::CliRun;
using koralix::testing::RunCli;

class CliImport : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("koralix_cli_import_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path dir_;
};

const char* Shelx = "TITL MgO\nCELL 1.5406 4.2112 4.2112 4.2112 90 90 90\nLATT 4\nSFAC MG O\n"
                    "UNIT 4 4\nMG1 1 0 0 0 10.02083 0.005\nO1 2 0.5 0.5 0.5 10.02083 0.006\nEND\n";

TEST_F(CliImport, ModelReadsByExtensionInAnyCase) {
    for (const char* name : {"mgo.ins", "MGO.INS"}) {
        CliRun run = RunCli("model " + Write(name, Shelx));
        ASSERT_EQ(run.exitCode, 0) << name;
        auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json["Title"], "MgO");
        EXPECT_EQ(json["Phases"][0]["Atoms"].size(), 2u);
    }
}

TEST_F(CliImport, UnknownExtensionIsRefused) {
    CliRun run = RunCli("model " + Write("mgo.txt", Shelx), true);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Unknown File type. Please check the file extension.\n");
    // (.res files are SHELX results and import like .ins files.)
    run = RunCli("convert " + Write("mgo.shx", Shelx) + " " + (dir_ / "out.inp").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.inp"));
}

TEST_F(CliImport, ExportWritesShelxAndSirpow) {
    const std::string in = Write("mgo.ins", Shelx);
    const std::string shelx = (dir_ / "out.ins").string();
    ASSERT_EQ(RunCli("export shelx " + in + " " + shelx).exitCode, 0);
    EXPECT_EQ(Read(shelx).substr(0, 14), "TITL MgO\r\nCELL");
    EXPECT_NE(Read(shelx).find("\r\nSFAC MG O\r\nUNIT 1 1\r\n"), std::string::npos);
    const std::string sirpow = (dir_ / "out.sir").string();
    ASSERT_EQ(RunCli("export sirpow " + in + " " + sirpow).exitCode, 0);
    // LATT 4 without SYMM cards: F-centred, centrosymmetric, nothing else.
    EXPECT_NE(Read(sirpow).find("\r\nspace F -1\r\n"), std::string::npos);
    EXPECT_EQ(RunCli("export pdb " + in + " " + sirpow).exitCode, 2);
    EXPECT_EQ(RunCli("export shelx " + (dir_ / "missing.ins").string() + " " + shelx).exitCode, 1);
}

TEST_F(CliImport, ConvertsEveryRealModelFile) {
    const std::filesystem::path data(KORALIX_TESTDATA);
    if (!std::filesystem::exists(data)) GTEST_SKIP() << "no test data at " << data;
    for (const char* folder : {"gsas_exp", "fullprof_pcr"}) {
        for (const auto& entry : std::filesystem::directory_iterator(data / folder)) {
            SCOPED_TRACE(entry.path().string());
            const std::string out = (dir_ / "out.inp").string();
            ASSERT_EQ(RunCli("convert " + entry.path().string() + " " + out).exitCode, 0);
            CliRun again = RunCli("model " + out);
            EXPECT_EQ(again.exitCode, 0);
        }
    }
}

} // namespace
