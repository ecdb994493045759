// Runs a KoraBasic macro on the workspace's task runner, so that the workbench
// keeps repainting and answers Stop while the macro works. Whatever the macro
// does to windows (its output pane, dialogs, message boxes, plots, the user
// menu) is handed to the user-interface thread through OnUi and waited for.
// One run at a time for both macro components of the program.
#pragma once

#include "MacroHost.h"
#include "Messenger.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

namespace koralix {

namespace macro {
class TSBasic;
}

class TWorkspace;

class TMacroRun : public QObject {
  public:
    // `shown` shows messages and asks questions on the user-interface thread.
    TMacroRun(TWorkspace& work, Messenger& shown, QObject* parent = nullptr);
    ~TMacroRun() override;

    // Runs the translated macro; `done` follows on the user-interface thread.
    // False, with a message, while other long work (a refinement cycle, another
    // macro) is running.
    bool Start(macro::TSBasic& basic, std::function<void()> done = {});
    bool Running() const { return basic_ != nullptr; }
    // Ends the running macro before its next instruction, or while it waits for
    // the user-interface thread.
    void Stop();
    bool StopRequested() const { return stop_; }

    // Runs `call` on the user-interface thread and waits for it; at once when
    // already there. Ends the macro when Stop comes before the call has begun,
    // so that a user-interface thread that waits for the macro never waits on
    // a macro that waits for it.
    void OnUi(const std::function<void()>& call);
    // The same, but false instead of ending the macro when it gave up.
    bool TryOnUi(const std::function<void()>& call);

    // A messenger and a host for message boxes that may be used from the macro.
    Messenger& Messages() { return *messages_; }
    macro::MacroHost& Host() { return *host_; }

  private:
    TWorkspace& work_;
    std::unique_ptr<Messenger> messages_;
    std::unique_ptr<macro::MacroHost> host_;
    macro::TSBasic* basic_ = nullptr;
    std::atomic<bool> stop_{false};
};

} // namespace koralix
