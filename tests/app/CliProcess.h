// Running koralix-cli as a child process with an argument vector (no shell),
// its output captured, for the tests of hostile input and of outputs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace cli_process {

namespace fs = std::filesystem;

struct Result {
    int exitCode = -1; // -1 when ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh folder for the running test (a parameterised test gets its own).
inline fs::path TestFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '-';
    fs::path dir = fs::temp_directory_path() / ("koralix-cli-" + name);
    std::error_code error;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(dir, error);
    fs::create_directories(dir);
    return dir;
}

// Starts koralix-cli; stdout and stderr go to files in `folder`.
inline pid_t Start(const std::vector<std::string>& arguments, const fs::path& folder,
                   const std::vector<std::string>& environment = {}) {
    std::vector<std::string> args{KORALIX_CLI};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env(environment);
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = (folder / "stdout.txt").string(),
                      err = (folder / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline Result Wait(pid_t pid, const fs::path& folder) {
    Result result;
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = ReadAll(folder / "stdout.txt");
    result.err = ReadAll(folder / "stderr.txt");
    fs::remove(folder / "stdout.txt");
    fs::remove(folder / "stderr.txt");
    return result;
}

// Runs koralix-cli to its end; its output files are made and removed in `folder`.
inline Result RunCli(const std::vector<std::string>& arguments, const fs::path& folder,
                     const std::vector<std::string>& environment = {}) {
    return Wait(Start(arguments, folder, environment), folder);
}

// The names in a folder, for "nothing was written" checks.
inline std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace cli_process
