// One download with libcurl, into memory or a file, with progress, timeouts
// and cancelling. Kept apart so that the update logic reads as steps.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace koralix {

struct TTransferOptions {
    bool FtpPassive = true;
    std::string Proxy;
    int Port = 0;
    std::string UserID, Password;
    long ConnectTimeout = 5;
    long StallTimeout = 10;
    int64_t MaxBytes = -1; // -1: no limit
    const std::atomic<bool>* Cancelled = nullptr;
    std::function<void(int64_t received, int64_t total)> Progress;
};

enum class TTransferResult { Ok, NotFound, NoConnection, Failed, Cancelled };

struct TTransferOutcome {
    TTransferResult Result = TTransferResult::Failed;
    std::string Error; // libcurl's explanation
    int Code = 0;      // libcurl's code
};

// Downloads `url` into `body`, or into the file `path` when `body` is null.
TTransferOutcome Download(const std::string& url, const TTransferOptions& options,
                          std::string* body, const std::string& path = {});

} // namespace koralix
