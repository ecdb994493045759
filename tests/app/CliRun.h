// Running koralix-cli from a test, and a scratch folder per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace koralix::testing {

struct CliRun {
    int exitCode = -1;
    std::string out;
};

// Runs koralix-cli; stderr goes to stdout when `withErrors` is set.
inline CliRun RunCli(const std::string& arguments, bool withErrors = false) {
    const std::string command =
        std::string(KORALIX_CLI) + " " + arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

class ScratchFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("koralix_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace koralix::testing
