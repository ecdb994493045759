// Loading the engine shared library and looking up its operations.
#pragma once

#include <string>

namespace koralix {

// Why a load failed, in the terms the program reports to the user.
enum class LoadFailure {
    None,
    PathNotFound, // the folder does not exist
    NotFound,     // no file of that name
    Invalid,      // not a loadable shared library for this machine
    OutOfMemory,
    InitFailed, // found, but its dependencies or initialisation failed
    Other,
};

// The message for a failed load; empty when the cause is not one the user is told.
std::string LoadFailureMessage(LoadFailure failure);

// Where the engine is looked for: the KORALIX_ENGINE environment variable, else
// libkoradll.so next to the running executable.
std::string DefaultEnginePath();

class EngineLibrary {
  public:
    EngineLibrary() = default;
    ~EngineLibrary() { Close(); }
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    LoadFailure Open(const std::string& path);
    void* Symbol(const char* name) const;
    // False when the release failed.
    bool Close();
    bool IsOpen() const { return handle_ != nullptr; }
    const std::string& LastError() const { return lastError_; }

  private:
    void* handle_ = nullptr;
    std::string lastError_;
};

} // namespace koralix
