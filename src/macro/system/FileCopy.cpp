#include "FileCopy.h"

#include "Messenger.h"
#include "TextFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koralix::macro {

namespace {

constexpr size_t kBlockSize = 16384;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A temporary file beside the target, removed again unless it was renamed.
class TemporaryBeside {
  public:
    explicit TemporaryBeside(const std::string& target) {
        const std::filesystem::path t(target);
        std::string pattern = (t.parent_path() / ("." + t.filename().string() + ".XXXXXX")).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ >= 0) path_ = pattern;
    }
    ~TemporaryBeside() {
        if (file_) file_.reset();
        else if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) std::remove(path_.c_str());
    }
    std::FILE* Open() {
        if (fd_ < 0) return nullptr;
        file_.reset(::fdopen(fd_, "wb"));
        return file_.get();
    }
    // Flushes, closes and renames over the target; false on any failure.
    bool Commit(const std::string& target) {
        if (!file_) return false;
        bool ok = std::fflush(file_.get()) == 0 && ::fsync(::fileno(file_.get())) == 0;
        ok = std::fclose(file_.release()) == 0 && ok;
        if (ok) ok = std::rename(path_.c_str(), target.c_str()) == 0;
        if (ok) path_.clear();
        return ok;
    }

  private:
    int fd_ = -1;
    std::string path_;
    File file_;
};

} // namespace

bool TFileCopy::Failure(const std::string& text) {
    messenger_.Message(text);
    if (Repaint) Repaint();
    return false;
}

bool TFileCopy::Copy() {
    if (SourceFile.empty()) return Failure("I can't copy\nSource File name missing");
    if (TargetFile.empty()) return Failure("I can't copy\nTarget File name missing");
    if (CopyFile()) return true;
    return Failure("Execution failed");
}

bool TFileCopy::CopyFile() {
    if (SourceFile == TargetFile) return Failure("Error !!!\nCan't copy the file on itself");
    if (const std::string problem = NotRegularFileProblem(SourceFile); !problem.empty())
        return Failure(problem);
    File source(std::fopen(SourceFile.c_str(), "rb"));
    std::error_code ec;
    if (!source || std::filesystem::is_directory(SourceFile, ec))
        return Failure(SourceFile + " missing or damaged");
    if (std::filesystem::exists(TargetFile, ec)) {
        const Answer a =
            messenger_.Ask("The file " + TargetFile + "\n already exists. Overwrite ?");
        if (a != Answer::Yes) return false;
    }
    TemporaryBeside temporary(TargetFile);
    std::FILE* target = temporary.Open();
    if (!target) return Failure("Error on creating " + TargetFile);
    std::vector<char> buffer(kBlockSize);
    for (;;) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), source.get());
        if (n == 0 && std::ferror(source.get()))
            return Failure("Error reading \n" + SourceFile + "\nCopy failed.");
        if (n == 0) break;
        if (std::fwrite(buffer.data(), 1, n, target) != n)
            return Failure("Error writing \n" + TargetFile + "\nCopy failed.");
    }
    // An existing target keeps its permissions; a new one takes the source's.
    const std::string& model = std::filesystem::exists(TargetFile, ec) ? TargetFile : SourceFile;
    const auto perms = std::filesystem::status(model, ec).permissions();
    if (!ec) ::fchmod(::fileno(target), static_cast<mode_t>(perms));
    if (!temporary.Commit(TargetFile))
        return Failure("Error writing \n" + TargetFile + "\nCopy failed.");
    return true;
}

} // namespace koralix::macro
