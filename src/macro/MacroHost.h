// What the language needs from the program around it: message boxes, the input
// box and message dialogs. The workbench shows real dialogs; without one the
// Messenger answers (and an input box counts as cancelled).
#pragma once

#include <optional>
#include <string>

#include "Messenger.h"

namespace koralix::macro {

// Button codes returned by MessageDlg.
enum DialogResult {
    kOk = 1,
    kCancel = 2,
    kAbort = 3,
    kRetry = 4,
    kIgnore = 5,
    kYes = 6,
    kNo = 7,
    kYesToAll = 10
};

class MacroHost {
  public:
    virtual ~MacroHost() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // Empty optional when cancelled.
    virtual std::optional<std::string>
    InputBox(const std::string& caption, const std::string& prompt, const std::string& initial) = 0;
    // kind: 0 warning, 1 error, 3 confirmation, 4 plain, other information;
    // buttons: 0 Yes/No, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel/Yes to All,
    // 4 OK, other Yes/No/Cancel. Returns the button code.
    virtual int MessageDlg(const std::string& text, int kind, int buttons) = 0;
    virtual void Beep() {}
};

// Shows messages and asks questions through a Messenger (none: nothing shown,
// questions answered No).
class MessengerMacroHost : public MacroHost {
  public:
    explicit MessengerMacroHost(Messenger* messenger) : messenger_(messenger) {}
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    int MessageDlg(const std::string& text, int kind, int buttons) override;

  private:
    Messenger* messenger_;
};

} // namespace koralix::macro
