#include "Transfer.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace koralix {

namespace {

struct Sink {
    std::string* body = nullptr;
    std::FILE* file = nullptr;
    int64_t received = 0;
    int64_t limit = -1;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    sink->received += static_cast<int64_t>(bytes);
    if (sink->limit >= 0 && sink->received > sink->limit) return 0; // ends the transfer
    if (sink->body) {
        sink->body->append(data, bytes);
        return bytes;
    }
    return std::fwrite(data, 1, bytes, sink->file);
}

int Progress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    const auto* options = static_cast<const TTransferOptions*>(user);
    if (options->Cancelled && *options->Cancelled) return 1;
    if (options->Progress) options->Progress(now, total);
    return 0;
}

TTransferResult Classify(CURLcode code, long response) {
    switch (code) {
    case CURLE_OK:
        return TTransferResult::Ok;
    case CURLE_ABORTED_BY_CALLBACK:
        return TTransferResult::Cancelled;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return TTransferResult::NotFound;
    case CURLE_HTTP_RETURNED_ERROR:
        return response == 404 || response == 410 ? TTransferResult::NotFound
                                                  : TTransferResult::Failed;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_LOGIN_DENIED:
        return TTransferResult::NoConnection;
    default:
        return TTransferResult::Failed;
    }
}

} // namespace

TTransferOutcome Download(const std::string& url, const TTransferOptions& options,
                          std::string* body, const std::string& path) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    TTransferOutcome outcome;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        outcome.Error = "cannot start a transfer";
        return outcome;
    }
    Sink sink;
    sink.body = body;
    sink.limit = options.MaxBytes;
    std::unique_ptr<std::FILE, decltype(&std::fclose)> file(nullptr, std::fclose);
    if (!body) {
        file.reset(std::fopen(path.c_str(), "wb"));
        if (!file) {
            outcome.Error = "cannot write " + path;
            return outcome;
        }
        sink.file = file.get();
    }
    char error[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L); // safe off the main thread
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options.ConnectTimeout);
    // A server that stops sending is given up after StallTimeout seconds.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options.StallTimeout);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, options.StallTimeout);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Write);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &options);
    if (!options.FtpPassive) curl_easy_setopt(c, CURLOPT_FTPPORT, "-");
    if (!options.Proxy.empty()) curl_easy_setopt(c, CURLOPT_PROXY, options.Proxy.c_str());
    if (options.Port > 0) curl_easy_setopt(c, CURLOPT_PORT, static_cast<long>(options.Port));
    if (!options.UserID.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, options.UserID.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, options.Password.c_str());
    }
    const CURLcode code = curl_easy_perform(c);
    long response = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response);
    outcome.Code = code;
    outcome.Result = Classify(code, response);
    outcome.Error = error[0] ? error : curl_easy_strerror(code);
    if (outcome.Result == TTransferResult::Ok && file && std::fflush(file.get()) != 0) {
        outcome.Result = TTransferResult::Failed;
        outcome.Error = "cannot write " + path;
    }
    return outcome;
}

} // namespace koralix
