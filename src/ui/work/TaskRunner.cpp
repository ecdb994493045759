#include "TaskRunner.h"

#include <QMetaObject>

#include <utility>

namespace koralix {

namespace {
TaskBackend defaultBackend = TaskBackend::Threaded;
}

void TTaskRunner::SetDefaultBackend(TaskBackend backend) {
    defaultBackend = backend;
}

TaskBackend TTaskRunner::DefaultBackend() {
    return defaultBackend;
}

TTaskRunner::TTaskRunner(QObject* parent) : QObject(parent), backend_(defaultBackend) {}

TTaskRunner::~TTaskRunner() {
    // A worker may not outlive the objects its work refers to.
    if (worker_.joinable()) worker_.join();
}

void TTaskRunner::SetBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    emit BusyChanged(busy);
}

bool TTaskRunner::Run(std::function<void()> work, std::function<void()> done) {
    if (busy_) return false;
    SetBusy(true);
    done_ = std::move(done);
    const int task = ++task_;
    if (backend_ == TaskBackend::Sequential) {
        work();
        Finish(task);
        return true;
    }
    if (worker_.joinable()) worker_.join();
    worker_ = std::thread([this, task, work = std::move(work)] {
        work();
        QMetaObject::invokeMethod(this, [this, task] { Finish(task); }, Qt::QueuedConnection);
    });
    return true;
}

void TTaskRunner::Finish(int task) {
    // Wait() may already have finished this task.
    if (!busy_ || task != task_) return;
    if (worker_.joinable()) worker_.join();
    std::function<void()> done = std::move(done_);
    done_ = nullptr;
    SetBusy(false);
    if (done) done();
}

void TTaskRunner::Wait() {
    if (!busy_) return;
    emit WaitStarted();
    if (worker_.joinable()) worker_.join();
    Finish(task_);
}

} // namespace koralix
