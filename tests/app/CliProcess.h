// Running koralix-cli as a child process with an argument vector (no shell),
// its output captured, for the tests of hostile input and of outputs.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace cli_process {

namespace fs = std::filesystem;

struct Result {
    int exitCode = -1; // -1 when ended by a signal
    int signal = 0;
    bool hung = false; // killed after HangLimit: a read or write that blocks
    std::string out;
    std::string err;
};

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Removes a folder even where a test took away its permissions.
inline void RemoveFolder(const fs::path& dir) {
    std::error_code error;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(dir, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (!it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(dir, error);
}

// This test program's own folder, made once and removed when it ends: folders
// named only by the test would be shared by every checkout running the same
// tests on the machine at the same time.
class RunRoot {
  public:
    RunRoot() {
        std::string pattern = (fs::temp_directory_path() / "koralix-cli-tests-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~RunRoot() {
        if (!path_.empty()) RemoveFolder(path_);
    }
    RunRoot(const RunRoot&) = delete;
    RunRoot& operator=(const RunRoot&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

inline const fs::path& RunFolder() {
    static const RunRoot root;
    return root.path();
}

// The running test's folder in RunFolder (a parameterised test gets its own);
// made when missing, kept as it is otherwise.
inline fs::path TestFolderName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '-';
    return RunFolder() / name;
}

// A fresh, empty folder for the running test.
inline fs::path TestFolder() {
    const fs::path dir = TestFolderName();
    RemoveFolder(dir);
    fs::create_directories(dir);
    return dir;
}

// Longer than any command of the tests takes on a loaded machine; a command
// still running then waits for something that never comes.
inline constexpr std::chrono::seconds HangLimit{120};

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

// Waits for the child; one that is still running after HangLimit is killed,
// so that a command that blocks fails its test instead of hanging the run.
inline Result Wait(pid_t pid, const fs::path& folder) {
    Result result;
    int status = 0;
    if (pid <= 0) return result;
    const auto deadline = std::chrono::steady_clock::now() + HangLimit;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.hung = true;
            ::kill(pid, SIGKILL);
            ended = ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended != pid) return result;
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
