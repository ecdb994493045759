// TExFile starts an external program from a command line, either returning at
// once (a TProcThread watches for the program's end) or blocking until it
// ends. The command line is split into words as a shell would split it, but it
// never reaches a shell: the program is started directly with posix_spawnp.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace koralix::macro {

// How the program's first window is to be shown; kept for the component's
// interface, a POSIX process has no window to show.
enum class TWindowType { wtNorm, wtMinimize, wtMaximize, wtHide, wtMinNoActivate, wtShowNoActivate };
// Which events are raised.
enum class TUseEvent { ueAll, ueOnLaunchFailed, ueOnProcCompleted, ueNone };
// Scheduling class of the started program (idle runs it at the lowest priority).
enum class TPriorityClass { prNormal, prIdle, prHigh, prRealTime };

// Failure codes of Execute that are not the system's own error numbers.
inline constexpr int kExSameProcessRunning = -1;
inline constexpr int kExMixedWaitTypes = -2;
inline constexpr int kExTimedOut = -3;
inline constexpr int kExInvalidDirectory = -4;

class TExFile {
  public:
    using CompletedHandler = std::function<void(const std::string& fileName,
                                                const std::string& identifier, int retValue,
                                                bool timedOut)>;
    using LaunchFailedHandler =
        std::function<void(const std::string& fileName, const std::string& identifier,
                           int errorCode, const std::string& errorMessage)>;

    TExFile();
    ~TExFile();
    TExFile(const TExFile&) = delete;
    TExFile& operator=(const TExFile&) = delete;

    void SetProcFileName(const std::string& name);
    const std::string& ProcFileName() const { return fileName_; }
    std::string ProcParameters;
    std::string ProcIdentifier;
    std::string ProcCurrentDir;
    TWindowType WindowType = TWindowType::wtNorm;
    bool WaitUntilDone = false;
    TUseEvent UseEvent = TUseEvent::ueAll;
    TPriorityClass Priority = TPriorityClass::prNormal;
    void SetTimeOutSec(int seconds);
    int TimeOutSec() const { return timeOutSec_; }

    CompletedHandler OnProcCompleted;
    LaunchFailedHandler OnLaunchFailed;
    // Hands a completion notice of a watcher thread to the owner's thread and
    // returns once it has run; by default the notice runs on the watcher thread.
    std::function<void(const std::function<void()>&)> RunOnOwnerThread;
    // Called about every 20 ms while a waiting start waits, so that the caller
    // can keep its windows responsive.
    std::function<void()> WhileWaiting;

    // Starts the program; true when it was started (and, waiting, waited for).
    bool Execute();

    int ErrorCode() const { return errorCode_; }
    const std::string& ErrorMessage() const { return errorMessage_; }
    int ExitCode() const { return exitCode_; }
    bool TimedOut() const { return timedOut_; }
    // Programs started without waiting that have not been seen to end.
    int RunningCount();

  private:
    struct Record;
    bool Fail(int code, const std::string& message);
    void DropEnded();
    bool Listed(const std::string& name, const std::string& identifier) const;
    bool AnyNoWaitListed() const;
    void WaitFor(pid_t pid);
    void Watch(const std::shared_ptr<Record>& record, int limitMs, const std::string& fileName,
               const std::string& identifier);
    bool Raises(TUseEvent event) const;

    std::string fileName_, lowerName_;
    int timeOutSec_ = 0;
    int limitMs_ = 0; // 0: no limit
    int errorCode_ = 0;
    std::string errorMessage_;
    int exitCode_ = 0;
    bool timedOut_ = false;
    std::vector<std::shared_ptr<Record>> records_;
    // Shared with the watcher threads: the stop event and the notice mutex.
    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stop_ = false;
    std::mutex noticeMutex_;
};

// The exit status of a waited-for child as a shell reports it (128 + signal
// number for a program ended by a signal).
int ExitStatusOf(int waitStatus);

} // namespace koralix::macro
