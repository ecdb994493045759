// Passes messages on to the user at once on the user-interface thread and
// holds those raised by work on a task runner's worker until Flush, so that
// no message box is ever opened off the user-interface thread.
#pragma once

#include "Messenger.h"

#include <mutex>
#include <string>
#include <vector>

namespace koralix {

class TThreadMessenger : public Messenger {
  public:
    explicit TThreadMessenger(Messenger& shown) : shown_(shown) {}
    void Message(const std::string& text) override;
    // A question from a worker cannot wait for the user: it is answered Cancel
    // and shown as a message afterwards.
    Answer Ask(const std::string& question) override;
    // Shows the held messages in the order they came; call on the UI thread.
    void Flush();

  private:
    static bool OnUiThread();
    Messenger& shown_;
    std::mutex mutex_;
    std::vector<std::string> held_;
};

} // namespace koralix
