#include "MacroRun.h"

#include "MacroError.h"
#include "SBasic.h"
#include "Workspace.h"

#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

namespace koralix {

namespace {

const char* const StoppedText = "Macro stopped by the user";

// Messages and questions of a running macro, shown when they come rather than
// held until the macro ends: a macro may ask before it overwrites a file.
class TRunMessenger : public Messenger {
  public:
    TRunMessenger(TMacroRun& run, Messenger& shown) : run_(run), shown_(shown) {}
    // A stopped macro's last words (its fault) go to the status bar instead.
    void Message(const std::string& text) override {
        run_.TryOnUi([&] { shown_.Message(text); });
    }
    Answer Ask(const std::string& question) override {
        Answer answer = Answer::Cancel;
        run_.TryOnUi([&] { answer = shown_.Ask(question); });
        return answer;
    }

  private:
    TMacroRun& run_;
    Messenger& shown_;
};

// One call handed to the user-interface thread. Shared by both threads, so
// that a call the macro gave up on (Stop) can still be dropped safely later.
struct TUiCall {
    std::function<void()> call;
    std::mutex mutex;
    std::condition_variable finishedSignal;
    bool started = false;
    bool finished = false;
    bool abandoned = false;
    std::exception_ptr fault;
};

} // namespace

TMacroRun::TMacroRun(TWorkspace& work, Messenger& shown, QObject* parent)
    : QObject(parent), work_(work), messages_(std::make_unique<TRunMessenger>(*this, shown)),
      host_(std::make_unique<macro::MessengerMacroHost>(messages_.get())) {
    // Whoever waits for the task runner (closing the model, the workbench
    // closing) would otherwise wait for a macro that waits for it.
    connect(&work.Tasks(), &TTaskRunner::WaitStarted, this, [this] {
        if (Running()) Stop();
    });
}

TMacroRun::~TMacroRun() {
    Stop();
}

bool TMacroRun::Start(macro::TSBasic& basic, std::function<void()> done) {
    if (basic_ || work_.Busy()) {
        work_.Messages().Message(TWorkspace::BusyMessage);
        return false;
    }
    basic_ = &basic;
    stop_ = false;
    const bool started = work_.Tasks().Run(
        [this, &basic] {
            try {
                basic.Run();
            } catch (const std::exception& e) {
                // Nothing may escape the worker; the message waits for the end of the run.
                work_.Messages().Message(e.what());
            }
        },
        [this, done = std::move(done)] {
            basic_ = nullptr;
            work_.FlushMessages();
            if (done) done();
        });
    if (!started) basic_ = nullptr;
    return started;
}

void TMacroRun::Stop() {
    stop_ = true;
    if (basic_) basic_->RequestStop();
}

void TMacroRun::OnUi(const std::function<void()>& call) {
    if (!TryOnUi(call)) macro::Fault(StoppedText);
}

bool TMacroRun::TryOnUi(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return true;
    }
    auto shared = std::make_shared<TUiCall>();
    shared->call = call;
    QMetaObject::invokeMethod(
        this,
        [shared] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->abandoned) return;
                shared->started = true;
            }
            try {
                shared->call();
            } catch (...) {
                shared->fault = std::current_exception();
            }
            {
                std::lock_guard lock(shared->mutex);
                shared->finished = true;
            }
            shared->finishedSignal.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared->mutex);
    while (!shared->finished) {
        if (stop_ && !shared->started) {
            shared->abandoned = true;
            return false;
        }
        shared->finishedSignal.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (shared->fault) std::rethrow_exception(shared->fault);
    return true;
}

} // namespace koralix
