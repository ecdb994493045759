#include "WebUpdate.h"

#include "Transfer.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QSettings>

#include <filesystem>
#include <system_error>

namespace koralix {

namespace fs = std::filesystem;

namespace {

// The control file is a few lines; anything much larger is not one.
constexpr int64_t MaxControlFileBytes = 1 << 20;

std::string Sha256Of(const fs::path& file) {
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&in);
    return hash.result().toHex().toStdString();
}

std::string SizeText(int64_t bytes) {
    if (bytes < 10 * 1024) return std::to_string(bytes) + " bytes";
    if (bytes < 10 * 1024 * 1024) return std::to_string(bytes / 1024) + " KB";
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

std::string Folder(const std::string& url) {
    return url.substr(0, url.rfind('/') + 1);
}

} // namespace

std::string TWebUpdate::ControlFileURL() const {
    if (UpdateType == TUpdateType::httpUpdate) return URL;
    std::string host = Host;
    if (host.find("://") == std::string::npos) host = "ftp://" + host;
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    std::string directory = FTPDirectory;
    if (directory.empty() || directory.front() != '/') directory = "/" + directory;
    if (directory.back() != '/') directory += '/';
    return host + directory + URL;
}

std::string TWebUpdate::FileURL(const std::string& name) const {
    return Folder(ControlFileURL()) + name;
}

int TWebUpdate::Status(int code, const std::string& text, int error) {
    if (OnStatus) OnStatus(*this, text, code, error);
    return code;
}

bool TWebUpdate::Agrees(const std::string& question) {
    return !Questions || Questions->Ask(question) == Answer::Yes;
}

int TWebUpdate::DoUpdate() {
    cancelled_ = false;
    if (ConnectPrompt == TConnectPrompt::wucConnectPrompt &&
        !Agrees("Connect to the Internet to look for a newer version of Koralix?"))
        return Status(UpdateStatus::Cancelled, "Update cancelled");
    TUpdateInfo info;
    if (const int failed = FetchControlFile(info)) return failed;
    if (CompareVersions(info.Version, InstalledVersion) <= 0)
        return Status(UpdateStatus::CurrentVersion,
                      "No newer version: the site holds version " + info.Version);
    Status(UpdateStatus::NewerVersion, "Version " + info.Version + " of " + info.Date +
                                           " is available");
    const std::string question = "Version " + info.Version + " of Koralix (" + info.Date +
                                 ") is available: " + std::to_string(info.Files.size()) +
                                 " files, " + SizeText(info.TotalSize()) +
                                 ". Download and install it?";
    if (UpdatePrompt == TUpdatePrompt::wuuPromptOnce && !Agrees(question))
        return Status(UpdateStatus::Cancelled, "Update cancelled");

    std::error_code ignored;
    const fs::path staging = fs::path(InstallFolder) / ".koralix-update";
    fs::remove_all(staging, ignored);
    if (!fs::create_directories(staging, ignored) && !fs::is_directory(staging))
        return Status(UpdateStatus::InstallFailed,
                      "Cannot write to the program folder " + InstallFolder);
    int result = DownloadAll(info, staging.string());
    if (result == 0) result = Install(info, staging.string());
    fs::remove_all(staging, ignored);
    if (result != 0) return result;
    Record(ControlFileURL());
    return Status(UpdateStatus::Installed, "Koralix " + info.Version +
                                               " is installed; restart the program to use it");
}

int TWebUpdate::FetchControlFile(TUpdateInfo& info) {
    const std::string url = ControlFileURL();
    Status(UpdateStatus::Connecting, "Connecting to " + Host);
    TTransferOptions options{FTPPassive, Proxy,          Port,   UserID, Password,
                             ConnectTimeout, StallTimeout, MaxControlFileBytes, &cancelled_, {}};
    std::string body;
    const TTransferOutcome got = Download(url, options, &body);
    switch (got.Result) {
    case TTransferResult::Ok:
        break;
    case TTransferResult::Cancelled:
        return Status(UpdateStatus::Cancelled, "Update cancelled");
    case TTransferResult::NotFound:
        return Status(UpdateStatus::NoControlFile, "Update control file not found", got.Code);
    case TTransferResult::NoConnection:
        if (UpdateType == TUpdateType::ftpUpdate)
            return Status(UpdateStatus::NoFtpHost, "Cannot connect to FTP host : " + Host,
                          got.Code);
        return Status(UpdateStatus::NoConnection, "Cannot open Internet connection", got.Code);
    case TTransferResult::Failed:
        // The status text is what the dialog recognises; the cause is in the code.
        return Status(UpdateStatus::NoControlFile, "Update control file not found", got.Code);
    }
    Status(UpdateStatus::ReadingControlFile, "Reading the update control file");
    std::string error;
    std::optional<TUpdateInfo> parsed = ParseUpdateInfo(body, error);
    if (!parsed) return Status(UpdateStatus::BadControlFile, "Invalid " + error);
    info = std::move(*parsed);
    return 0;
}

int TWebUpdate::DownloadAll(const TUpdateInfo& info, const std::string& staging) {
    for (const TUpdateFile& file : info.Files) {
        Status(UpdateStatus::Downloading, "Downloading " + file.Name);
        const fs::path target = fs::path(staging) / file.Name;
        std::error_code ignored;
        fs::create_directories(target.parent_path(), ignored);
        TTransferOptions options{FTPPassive, Proxy, Port, UserID, Password, ConnectTimeout,
                                 StallTimeout,
                                 // A server that sends more than promised is not trusted.
                                 file.Size + 1, &cancelled_,
                                 [this, &file](int64_t received, int64_t) {
                                     if (OnFileProgress)
                                         OnFileProgress(*this, file.Name, received, file.Size);
                                 }};
        const TTransferOutcome got = Download(FileURL(file.Name), options, nullptr, target);
        if (got.Result == TTransferResult::Cancelled)
            return Status(UpdateStatus::Cancelled, "Update cancelled; nothing was installed");
        if (got.Result != TTransferResult::Ok)
            return Status(UpdateStatus::DownloadFailed,
                          "Cannot download " + file.Name + " (" + got.Error +
                              "); nothing was installed",
                          got.Code);
        const auto size = static_cast<int64_t>(fs::file_size(target, ignored));
        if (size != file.Size)
            return Status(UpdateStatus::BadChecksum,
                          "Wrong size of " + file.Name + ": " + std::to_string(size) +
                              " bytes instead of " + std::to_string(file.Size) +
                              "; nothing was installed");
        if (Sha256Of(target) != file.Sha256)
            return Status(UpdateStatus::BadChecksum,
                          "Wrong checksum of " + file.Name + "; nothing was installed");
        if (OnFileProgress) OnFileProgress(*this, file.Name, size, file.Size);
    }
    return 0;
}

int TWebUpdate::Install(const TUpdateInfo& info, const std::string& staging) {
    // Each old file is moved aside before the new one takes its place, so a
    // failure half-way puts every file already replaced back.
    const fs::path backups = fs::path(staging) / ".old";
    std::vector<std::pair<fs::path, bool>> done; // target, had an old file
    std::error_code error;
    for (const TUpdateFile& file : info.Files) {
        const fs::path target = fs::path(InstallFolder) / file.Name;
        const fs::path backup = backups / file.Name;
        fs::create_directories(target.parent_path(), error);
        fs::create_directories(backup.parent_path(), error);
        const bool existed = fs::exists(target);
        if (existed) fs::rename(target, backup, error);
        if (!error) fs::rename(fs::path(staging) / file.Name, target, error);
        if (!error) fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                                    fs::perm_options::add, error);
        if (error) {
            if (existed && !fs::exists(target)) fs::rename(backup, target, error);
            for (auto it = done.rbegin(); it != done.rend(); ++it) {
                std::error_code undo;
                const fs::path old = backups / fs::relative(it->first, InstallFolder, undo);
                fs::remove(it->first, undo);
                if (it->second) fs::rename(old, it->first, undo);
            }
            return Status(UpdateStatus::InstallFailed,
                          "Cannot install " + file.Name + "; the program was left as it was");
        }
        done.emplace_back(target, existed);
    }
    // Programs keep their execute permission from the file they replace.
    for (const auto& [target, existed] : done) {
        const fs::path old = backups / fs::relative(target, InstallFolder, error);
        if (existed && fs::exists(old))
            fs::permissions(target, fs::status(old, error).permissions(), error);
    }
    return 0;
}

void TWebUpdate::Record(const std::string& url) {
    if (RecordFile.empty()) return;
    QSettings record(QString::fromStdString(RecordFile), QSettings::IniFormat);
    const QDateTime now = QDateTime::currentDateTime();
    record.setValue("Update/LastURL", QString::fromStdString(url));
    record.setValue("Update/LastDate", now.toString("dd/MM/yyyy"));
    record.setValue("Update/LastTime", now.toString("HH:mm:ss"));
    record.sync();
}

} // namespace koralix
