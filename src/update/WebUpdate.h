// TWebUpdate: fetches a newer version of the program from an update site over
// FTP or HTTP. It reads the site's control file (UpdateInfo.h), compares its
// version with the installed one, asks before connecting and before
// downloading, downloads every file into a staging folder inside the install
// folder, checks each size and SHA-256, and only then moves the files into
// place, so that a broken or interrupted download leaves the program as it was.
// DoUpdate blocks; callers run it off their user-interface thread. Events and
// questions come from the thread that runs it.
#pragma once

#include "Messenger.h"
#include "UpdateInfo.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace koralix {

enum class TUpdateType { ftpUpdate, httpUpdate };
enum class TConnectPrompt { wucNoPrompt, wucConnectPrompt };
enum class TUpdatePrompt { wuuNoPrompt, wuuPromptOnce };

// Status codes of OnStatus and DoUpdate.
namespace UpdateStatus {
constexpr int Connecting = 1;
constexpr int ReadingControlFile = 2;
constexpr int NewerVersion = 3;
constexpr int CurrentVersion = 4; // no newer version on the site
constexpr int Downloading = 5;
constexpr int Installed = 6;
constexpr int Cancelled = 7;
constexpr int NoConnection = 10;
constexpr int NoFtpHost = 11;
constexpr int NoControlFile = 12;
constexpr int BadControlFile = 13;
constexpr int DownloadFailed = 14;
constexpr int BadChecksum = 15;
constexpr int InstallFailed = 16;
} // namespace UpdateStatus

class TWebUpdate {
  public:
    // Where to look: for ftpUpdate the file URL inside FTPDirectory on Host
    // ("ftp.example.org" or "ftp://127.0.0.1:2121"), for httpUpdate URL is the
    // control file's whole address.
    std::string Host;
    std::string URL;
    std::string FTPDirectory;
    bool FTPPassive = true;
    TUpdateType UpdateType = TUpdateType::httpUpdate;
    std::string Proxy;
    int Port = 0; // 0: the protocol's own
    std::string UserID;
    std::string Password;

    std::string DateFormat = "dd/mm/yyyy";
    char DateSeparator = '/';
    std::string Signature = "WebUpdate"; // kept for the record, not checked
    TConnectPrompt ConnectPrompt = TConnectPrompt::wucConnectPrompt;
    TUpdatePrompt UpdatePrompt = TUpdatePrompt::wuuPromptOnce;

    // What is installed and where.
    std::string InstalledVersion;
    std::string InstallFolder;
    // Seconds allowed to connect, and without a byte received, before giving up.
    long ConnectTimeout = 5;
    long StallTimeout = 10;
    // Answers the two questions; without one both are answered Yes.
    Messenger* Questions = nullptr;
    // INI file that gets "Update/LastURL", "Update/LastDate" and "Update/LastTime"
    // after an installation; empty for none.
    std::string RecordFile;

    std::function<void(TWebUpdate&, const std::string& status, int code, int error)> OnStatus;
    std::function<void(TWebUpdate&, const std::string& file, int64_t pos, int64_t size)>
        OnFileProgress;

    // Runs the whole update and returns the last status code.
    int DoUpdate();
    // Ends a running update soon, from any thread; nothing is installed.
    void Cancel() { cancelled_ = true; }

    // The address of the control file and of a file listed in it.
    std::string ControlFileURL() const;
    std::string FileURL(const std::string& name) const;

  private:
    int Status(int code, const std::string& text, int error = 0);
    int FetchControlFile(TUpdateInfo& info);
    int DownloadAll(const TUpdateInfo& info, const std::string& staging);
    int Install(const TUpdateInfo& info, const std::string& staging);
    void Record(const std::string& url);
    bool Agrees(const std::string& question);

    std::atomic<bool> cancelled_ = false;
};

} // namespace koralix
