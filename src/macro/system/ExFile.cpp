#include "ExFile.h"

#include "CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace koralix::macro {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

constexpr auto kPollInterval = std::chrono::milliseconds(20);

int NiceValue(TPriorityClass priority) {
    switch (priority) {
    case TPriorityClass::prIdle:
        return 19;
    case TPriorityClass::prHigh:
        return -5;
    case TPriorityClass::prRealTime:
        return -15;
    default:
        return 0;
    }
}

} // namespace

int ExitStatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return 0;
}

struct TExFile::Record {
    std::string name, identifier;
    pid_t pid = 0;
    bool noWait = false;
    std::atomic<bool> ended{false};       // the child has been reaped
    std::atomic<bool> watcherDone{false}; // the watcher thread has returned
    std::thread watcher;
};

TExFile::TExFile() = default;

TExFile::~TExFile() {
    {
        std::lock_guard lock(stopMutex_);
        stop_ = true;
    }
    stopSignal_.notify_all();
    // The programs themselves are left running; only the watchers end.
    for (auto& r : records_)
        if (r->watcher.joinable()) r->watcher.join();
}

void TExFile::SetProcFileName(const std::string& name) {
    fileName_ = name;
    lowerName_ = Lower(name);
}

void TExFile::SetTimeOutSec(int seconds) {
    timeOutSec_ = seconds;
    limitMs_ = seconds <= 0 ? 0 : std::min(seconds, 3600) * 1000;
}

bool TExFile::Raises(TUseEvent event) const {
    return UseEvent == TUseEvent::ueAll || UseEvent == event;
}

bool TExFile::Fail(int code, const std::string& message) {
    errorCode_ = code;
    errorMessage_ = message;
    if (OnLaunchFailed && Raises(TUseEvent::ueOnLaunchFailed))
        OnLaunchFailed(fileName_, ProcIdentifier, code, message);
    return false;
}

void TExFile::DropEnded() {
    for (auto& r : records_) {
        // A watcher that gave up (its limit passed) no longer reaps its child.
        if (!r->ended && r->watcherDone) {
            int status = 0;
            const pid_t done = ::waitpid(r->pid, &status, WNOHANG);
            if (done == r->pid || (done < 0 && errno == ECHILD)) r->ended = true;
        }
    }
    auto finished = [](const std::shared_ptr<Record>& r) { return r->ended.load(); };
    for (auto& r : records_)
        if (finished(r) && r->watcher.joinable()) r->watcher.join();
    std::erase_if(records_, finished);
}

bool TExFile::Listed(const std::string& name, const std::string& identifier) const {
    return std::any_of(records_.begin(), records_.end(), [&](const auto& r) {
        return r->name == name && r->identifier == identifier;
    });
}

bool TExFile::AnyNoWaitListed() const {
    return std::any_of(records_.begin(), records_.end(), [](const auto& r) { return r->noWait; });
}

int TExFile::RunningCount() {
    DropEnded();
    return static_cast<int>(records_.size());
}

bool TExFile::Execute() {
    errorCode_ = 0;
    errorMessage_.clear();
    DropEnded();
    std::error_code ec;
    if (!ProcCurrentDir.empty() && !std::filesystem::is_directory(ProcCurrentDir, ec))
        return Fail(kExInvalidDirectory, "Current Directory Invalid");
    if (WaitUntilDone && AnyNoWaitListed())
        return Fail(kExMixedWaitTypes, "Cannot mix 'WaitUntilDone' types.");
    if (Listed(lowerName_, ProcIdentifier))
        return Fail(kExSameProcessRunning,
                    "Another Process with the same Name and ID is executing.");

    // File names are case-sensitive here, so the command keeps its case.
    const auto words = SplitCommandLine(fileName_ + " " + ProcParameters);
    if (!words) return Fail(EINVAL, "Unmatched quote in command line: " + fileName_);
    if (words->empty()) return Fail(ENOENT, "No program named in the command line");

    std::vector<char*> argv;
    for (const auto& w : *words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!ProcCurrentDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, ProcCurrentDir.c_str());
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return Fail(error, "Cannot start \"" + (*words)[0] + "\": " + std::strerror(error));
    if (const int nice = NiceValue(Priority); nice != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), nice); // may be refused; harmless

    auto record = std::make_shared<Record>();
    record->name = lowerName_;
    record->identifier = ProcIdentifier;
    record->pid = pid;
    record->noWait = !WaitUntilDone;
    records_.push_back(record);
    if (!WaitUntilDone) {
        record->watcher = std::thread(&TExFile::Watch, this, record, limitMs_, fileName_,
                                      ProcIdentifier);
        return true;
    }
    WaitFor(pid);
    record->ended = !timedOut_;
    record->watcherDone = true;
    DropEnded();
    if (OnProcCompleted && Raises(TUseEvent::ueOnProcCompleted))
        OnProcCompleted(fileName_, ProcIdentifier, exitCode_, timedOut_);
    return true;
}

void TExFile::WaitFor(pid_t pid) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            exitCode_ = done == pid ? ExitStatusOf(status) : 0;
            timedOut_ = false;
            return;
        }
        if (limitMs_ > 0 && std::chrono::steady_clock::now() - start >=
                                std::chrono::milliseconds(limitMs_)) {
            exitCode_ = timeOutSec_;
            errorCode_ = kExTimedOut;
            timedOut_ = true;
            return;
        }
        if (WhileWaiting) WhileWaiting();
        std::this_thread::sleep_for(kPollInterval);
    }
}

// The watcher (TProcThread): waits for the program's end, the owner's stop or
// the limit, and hands the completion notice to the owner under its mutex.
void TExFile::Watch(const std::shared_ptr<Record>& record, int limitMs,
                    const std::string& fileName, const std::string& identifier) {
    const auto start = std::chrono::steady_clock::now();
    int exitCode = 0;
    bool timedOut = false;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(record->pid, &status, WNOHANG);
        if (done == record->pid || (done < 0 && errno != EINTR)) {
            exitCode = done == record->pid ? ExitStatusOf(status) : 0;
            record->ended = true;
            break;
        }
        if (limitMs > 0 &&
            std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(limitMs)) {
            exitCode = limitMs / 1000;
            timedOut = true;
            break;
        }
        std::unique_lock lock(stopMutex_);
        if (stopSignal_.wait_for(lock, kPollInterval, [this] { return stop_; })) {
            record->watcherDone = true;
            return;
        }
    }
    if (OnProcCompleted && Raises(TUseEvent::ueOnProcCompleted)) {
        std::lock_guard notice(noticeMutex_);
        auto notify = [&] { OnProcCompleted(fileName, identifier, exitCode, timedOut); };
        if (RunOnOwnerThread)
            RunOnOwnerThread(notify);
        else
            notify();
    }
    record->watcherDone = true;
}

} // namespace koralix::macro
