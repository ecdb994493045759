#include "TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koralix {

namespace {

std::string Problem(const std::string& fileName, const std::string& why) {
    return "Cannot read " + fileName + ": " + why + ".";
}

std::string SizeText(std::uintmax_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

// Tab, line and page ends, and the end-of-file mark of old DOS editors.
bool IsControlByte(unsigned char c) {
    if (c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0x1A) return false;
    return c < 0x20 || c == 0x7F;
}

void LoneCrToLf(std::string& text) {
    if (text.find('\n') != std::string::npos) return;
    std::replace(text.begin(), text.end(), '\r', '\n');
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            more = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            more = 3;
        else if (c >= 0x80)
            return false;
        if (more > text.size() - 1 - i) return false;
        for (size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

// The file's kind as `stat` sees it through links: a FIFO or a device would
// block the reader or never end, so only regular files are read.
std::string KindProblem(const std::string& fileName, const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return Problem(fileName, "it is a folder, not a file");
    if (!S_ISREG(info.st_mode)) return Problem(fileName, "it is not a regular file");
    return {};
}

// Looks the file up through links; why it is no file to read, if it is none.
std::string LookUpProblem(const std::string& fileName, struct stat& info, bool& missing) {
    if (::stat(fileName.c_str(), &info) != 0) {
        missing = errno == ENOENT;
        return Problem(fileName, missing ? "the file does not exist" : std::strerror(errno));
    }
    return KindProblem(fileName, info);
}

} // namespace

std::string FileOpenProblem(const std::string& fileName) {
    struct stat info {};
    bool missing = false;
    if (std::string problem = LookUpProblem(fileName, info, missing); !problem.empty())
        return problem;
    if (::access(fileName.c_str(), R_OK) != 0) return Problem(fileName, std::strerror(errno));
    return {};
}

std::string NotRegularFileProblem(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return {};
    return KindProblem(fileName, info);
}

TextFileRead ReadTextFile(const std::string& fileName, std::uintmax_t maxSize) {
    TextFileRead result;
    struct stat info {};
    result.Problem = LookUpProblem(fileName, info, result.Missing);
    if (!result.Problem.empty()) return result;
    const std::string tooLarge =
        "it is larger than " + SizeText(maxSize) + ", too large for its kind";
    if (static_cast<std::uintmax_t>(info.st_size) > maxSize) {
        result.Problem = Problem(fileName, tooLarge);
        return result;
    }
    // Not blocking: the name may have been replaced by a FIFO since the check,
    // and opening a FIFO for reading waits for a writer.
    Descriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        result.Problem = Problem(fileName, std::strerror(errno));
        return result;
    }
    if (::fstat(fd.get(), &info) != 0) {
        result.Problem = Problem(fileName, std::strerror(errno));
        return result;
    }
    if (result.Problem = KindProblem(fileName, info); !result.Problem.empty()) return result;
    std::string text;
    text.reserve(static_cast<size_t>(info.st_size));
    char buffer[1 << 16];
    while (true) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.Problem = Problem(fileName, std::strerror(errno));
            return result;
        }
        if (n == 0) break;
        // A file that grows while it is read is bounded the same way.
        if (text.size() + static_cast<size_t>(n) > maxSize) {
            result.Problem = Problem(fileName, tooLarge);
            return result;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    LoneCrToLf(text);
    result.Text = std::move(text);
    return result;
}

std::optional<std::string> NotTextProblem(const std::string& fileName, const std::string& text) {
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
        return fileName + " is empty.";
    const auto control = std::find_if(text.begin(), text.end(), [](char c) {
        return IsControlByte(static_cast<unsigned char>(c));
    });
    if (control == text.end()) return std::nullopt;
    const auto line = 1 + std::count(text.begin(), control, '\n');
    return fileName + " is not a text file (a control byte in line " + std::to_string(line) + ").";
}

std::optional<std::string> TextFileProblem(const std::string& fileName, const TextFileRead& read) {
    if (!read.Text) return read.Problem;
    return NotTextProblem(fileName, *read.Text);
}

bool IsTextField(const std::string& text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return IsControlByte(static_cast<unsigned char>(c)); }) &&
           IsValidUtf8(text);
}

} // namespace koralix
