#include "ThreadMessenger.h"

#include <QCoreApplication>
#include <QThread>

namespace koralix {

bool TThreadMessenger::OnUiThread() {
    return !QCoreApplication::instance() ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

void TThreadMessenger::Message(const std::string& text) {
    if (OnUiThread()) {
        shown_.Message(text);
        return;
    }
    std::lock_guard lock(mutex_);
    held_.push_back(text);
}

Answer TThreadMessenger::Ask(const std::string& question) {
    if (OnUiThread()) return shown_.Ask(question);
    std::lock_guard lock(mutex_);
    held_.push_back(question);
    return Answer::Cancel;
}

void TThreadMessenger::Flush() {
    std::vector<std::string> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (const std::string& text : held)
        shown_.Message(text);
}

} // namespace koralix
