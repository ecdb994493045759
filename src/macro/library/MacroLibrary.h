// The macro library: the host functions through which a KoraBasic macro opens
// a model, refines it, reads and sets parameters, plots, saves, handles text
// files and file operations and starts other programs. One MacroLibrary holds
// the state the program's macro components share (the last status, the model
// and data names, the one text file, the program runners); Register adds the
// functions to a TSBasic, bound to the window that registers them.
#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "ExFile.h"
#include "FileCopy.h"
#include "MacroWorkspace.h"
#include "SBasic.h"

namespace koralix::macro {

// Status of a call whose arguments or preconditions are not met.
inline constexpr int kMacroArgumentError = 499;
inline constexpr int kMacroDeleteError = 502;
inline constexpr int kMacroMoveError = 503;
inline constexpr int kMacroInvalidFileName = 504;

enum class MacroFileState { Closed = 0, Named = 1, Reading = 2, Writing = 3 };

// Which window registers: the macro window's GETERROR takes no argument, the
// main window's one (not used); the orders of registration differ.
enum class MacroLibraryVariant { MacroWindow, MainWindow };

class MacroLibrary {
  public:
    explicit MacroLibrary(MacroWorkspace& workspace);
    ~MacroLibrary();
    MacroLibrary(const MacroLibrary&) = delete;
    MacroLibrary& operator=(const MacroLibrary&) = delete;

    void Register(TSBasic& basic, MacroWindow& window, MacroLibraryVariant variant);

    int MacroStatus = 0;
    std::string MacroInputName;
    std::string MacroDataName;
    MacroFileState FileState() const { return fileState_; }

    TExFile& ExFileNoWait() { return noWait_; }
    TExFile& ExFileWait() { return wait_; }
    TFileCopy& FileCopy() { return fileCopy_; }

    // The functions, callable from the host routines and from tests.
    int OpenRietveld(const std::string& name);
    int StartRietveld();
    int StepRietveld(int cycles);
    int EndRietveld();
    int RefineFile(std::string name);
    int SaveRietveld(const std::string& name);
    int Update();
    int SetDataFile(const std::string& name);
    int Execute(const std::string& command, bool wait);

    int OpenFile(const std::string& name, bool isString);
    std::string ReadFile();
    int WriteFile(const std::string& text);
    int CloseFile();
    int EofFile();

  private:
    void OpenForReading();
    // MacroInputName without a ".inp" extension: the base of the output and
    // update files and the default data name.
    std::string InputBase() const;

    MacroWorkspace& workspace_;
    TExFile noWait_;
    TExFile wait_;
    TFileCopy fileCopy_;
    MacroFileState fileState_ = MacroFileState::Closed;
    std::string fileName_;
    std::ifstream reader_;
    std::ofstream writer_;
};

} // namespace koralix::macro
