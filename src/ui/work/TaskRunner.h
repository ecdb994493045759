// The one way the workbench runs long work (a refinement cycle, a macro run):
// the work runs off the user-interface thread while windows keep repainting,
// and a completion step runs back on the user-interface thread afterwards.
// Tests use the sequential backend, which runs both at once, in order, so that
// a window's behaviour is deterministic without waiting on threads.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <thread>

namespace koralix {

enum class TaskBackend { Threaded, Sequential };

class TTaskRunner : public QObject {
    Q_OBJECT
  public:
    explicit TTaskRunner(QObject* parent = nullptr);
    ~TTaskRunner() override;

    // The backend new runners start with; test programs set Sequential once in main().
    static void SetDefaultBackend(TaskBackend backend);
    static TaskBackend DefaultBackend();

    void SetBackend(TaskBackend backend) { backend_ = backend; }
    TaskBackend Backend() const { return backend_; }

    // Runs `work` (on a worker thread with the threaded backend), then `done` on
    // the thread that owns the runner. Refused (false) while another task runs.
    // `work` must not touch widgets; messages it produces should go through a
    // TThreadMessenger.
    bool Run(std::function<void()> work, std::function<void()> done = {});
    bool Busy() const { return busy_; }
    // Blocks until the running task's work has ended and runs its completion step.
    void Wait();

  signals:
    void BusyChanged(bool busy);
    // Wait is about to block until the running task ends: work that waits for
    // the thread that owns the runner (a macro showing its output) must give up.
    void WaitStarted();

  private:
    void Finish(int task);
    void SetBusy(bool busy);

    TaskBackend backend_;
    bool busy_ = false;
    int task_ = 0; // numbers tasks, so that a late completion of an earlier one is ignored
    std::thread worker_;
    std::function<void()> done_;
};

} // namespace koralix
