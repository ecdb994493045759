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

// The file a name stands for: a symbolic link is followed to the file it
// names (which may not exist yet), so that saving keeps the link.
std::filesystem::path FollowLinks(const std::string& fileName) {
    namespace fs = std::filesystem;
    fs::path path(fileName);
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        fs::path next = fs::read_symlink(path, error);
        if (error) return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    throw std::runtime_error("Cannot write " + fileName + ": too many symbolic links");
}

// Saving replaces only what the user may write: a read-only file is refused
// as any editor refuses it, and a device, pipe or folder is never replaced by
// a regular file.
void CheckReplaceable(const std::string& fileName, const std::filesystem::path& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return; // a new file
    if (!S_ISREG(info.st_mode))
        throw std::runtime_error("Cannot write " + fileName +
                                 ": it is not a regular file; nothing was written");
    if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
        throw std::runtime_error("Cannot write " + fileName +
                                 ": the file is read-only; it was left as it was");
}

} // namespace

void WriteFileSafely(const std::string& fileName, const std::string& content) {
    namespace fs = std::filesystem;
    const fs::path target = FollowLinks(fileName);
    CheckReplaceable(fileName, target);
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
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = WriteAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(pattern.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(pattern.c_str());
        Fail(fileName, "the file was left as it was", error);
    }
}

std::string WhyNotWritable(const std::string& fileName) {
    try {
        const std::filesystem::path target = FollowLinks(fileName);
        CheckReplaceable(fileName, target);
        std::filesystem::path folder = target.parent_path();
        if (folder.empty()) folder = ".";
        if (::access(folder.c_str(), W_OK) != 0)
            return "Cannot write " + fileName + ": " + std::strerror(errno);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

} // namespace koralix
