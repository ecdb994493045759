#include "EngineLibrary.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace koralix {

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

LoadFailure Classify(const std::string& path, const std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path file(path);
    if (file.has_parent_path() && !fs::is_directory(file.parent_path(), ec))
        return LoadFailure::PathNotFound;
    if (!fs::exists(file, ec)) return LoadFailure::NotFound;
    if (Contains(error, "cannot allocate memory") || Contains(error, "out of memory"))
        return LoadFailure::OutOfMemory;
    if (Contains(error, "invalid ELF header") || Contains(error, "file too short") ||
        Contains(error, "wrong ELF class") || Contains(error, "not an ELF") ||
        Contains(error, "ELF file") || fs::is_directory(file, ec))
        return LoadFailure::Invalid;
    // The file itself is there and readable: a dependency or an unresolved symbol failed.
    if (Contains(error, "undefined symbol") || Contains(error, "cannot open shared object file"))
        return LoadFailure::InitFailed;
    return LoadFailure::Other;
}

} // namespace

std::string LoadFailureMessage(LoadFailure failure) {
    switch (failure) {
    case LoadFailure::PathNotFound:
        return "DLL Error - Path not found";
    case LoadFailure::NotFound:
        return "DLL Error - DLL not found";
    case LoadFailure::Invalid:
        return "DLL Error - DLL damaged or invalid.";
    case LoadFailure::OutOfMemory:
        return "DLL Error - Out of Memory";
    case LoadFailure::InitFailed:
        return "DLL Error - DLL Initialization failed.";
    default:
        return "";
    }
}

std::string DefaultEnginePath() {
    if (const char* env = std::getenv("KORALIX_ENGINE"); env && *env) return env;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "libkoradll.so";
    return (exe.parent_path() / "libkoradll.so").string();
}

LoadFailure EngineLibrary::Open(const std::string& path) {
    Close();
    ::dlerror();
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) return LoadFailure::None;
    const char* error = ::dlerror();
    lastError_ = error ? error : "";
    return Classify(path, lastError_);
}

void* EngineLibrary::Symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

bool EngineLibrary::Close() {
    if (!handle_) return true;
    bool ok = ::dlclose(handle_) == 0;
    handle_ = nullptr;
    return ok;
}

} // namespace koralix
