#include "SafeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace koralix {

namespace {

[[noreturn]] void Fail(const std::string& fileName, const std::string& what, int error) {
    throw std::runtime_error("Cannot write " + fileName + ": " + what + " (" +
                             std::strerror(error) + ")");
}

bool WriteAll(int fd, const std::string& content) {
    const char* data = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

void WriteFileSafely(const std::string& fileName, const std::string& content) {
    namespace fs = std::filesystem;
    const fs::path target(fileName);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();

    // One retry for a passing failure to create the file.
    int fd = -1;
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        pattern.replace(pattern.size() - 6, 6, "XXXXXX");
        fd = ::mkstemp(pattern.data());
    }
    if (fd < 0) Fail(fileName, "cannot create a temporary file in " + folder.string(), errno);

    struct stat old {};
    const mode_t mode = ::stat(fileName.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = WriteAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(pattern.c_str(), fileName.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(pattern.c_str());
        Fail(fileName, "the file was left as it was", error);
    }
}

} // namespace koralix
