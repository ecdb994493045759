#include "MacroHost.h"

namespace koralix::macro {

void MessengerMacroHost::ShowMessage(const std::string& text) {
    if (messenger_) messenger_->Message(text);
}

int MessengerMacroHost::MessageDlg(const std::string& text, int /*kind*/, int buttons) {
    if (buttons == 4) {
        ShowMessage(text);
        return kOk;
    }
    const Answer a = messenger_ ? messenger_->Ask(text) : Answer::No;
    switch (buttons) {
    case 0:
        return a == Answer::Yes ? kYes : kNo;
    case 1:
        return a == Answer::Yes ? kOk : kCancel;
    case 2:
        return a == Answer::Yes ? kRetry : a == Answer::No ? kIgnore : kAbort;
    default:
        return a == Answer::Yes ? kYes : a == Answer::No ? kNo : kCancel;
    }
}

} // namespace koralix::macro
