#include "TempFolders.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace koralix {

namespace {

// Never destroyed: the signal watcher may still be removing folders while
// another thread's exit() runs the static destructors (a lost X display ends
// the workbench that way while a SIGTERM is being handled).
std::mutex& FoldersMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::vector<std::string>& Folders() {
    static auto* folders = new std::vector<std::string>;
    return *folders;
}

constexpr int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

int signalPipe[2] = {-1, -1};

extern "C" void ForwardSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &number, 1);
    errno = saved;
}

// Waits for a signal's number, removes the folders, then lets the signal do
// what it does by default: end the process, with the signal as its status.
void WatchSignals() {
    unsigned char number = 0;
    while (::read(signalPipe[0], &number, 1) != 1) {
    }
    RemoveTempFolders();
    const int signal = number;
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
}

} // namespace

void RegisterTempFolder(const std::string& path) {
    std::lock_guard lock(FoldersMutex());
    Folders().push_back(path);
}

void ForgetTempFolder(const std::string& path) {
    std::lock_guard lock(FoldersMutex());
    auto& folders = Folders();
    folders.erase(std::remove(folders.begin(), folders.end(), path), folders.end());
}

void RemoveTempFolders() {
    std::lock_guard lock(FoldersMutex());
    for (const std::string& path : Folders()) {
        // An engine still writing may add a file while the folder empties.
        std::error_code error;
        for (int attempt = 0; attempt < 3 && std::filesystem::exists(path, error); ++attempt)
            std::filesystem::remove_all(path, error);
    }
    Folders().clear();
}

void RemoveTempFoldersOnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (::pipe2(signalPipe, O_CLOEXEC) != 0) return;
        std::thread(WatchSignals).detach();
        struct sigaction action {};
        action.sa_handler = ForwardSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : CleanupSignals) {
            // A signal the caller chose to ignore stays ignored.
            struct sigaction previous {};
            if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
                continue;
            sigaction(signal, &action, nullptr);
        }
    });
}

} // namespace koralix
