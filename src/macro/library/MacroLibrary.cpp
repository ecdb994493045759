#include "MacroLibrary.h"

#include "InputFile.h"
#include "MacroError.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <stdexcept>

namespace koralix::macro {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The extension of the file name part of a path ("" when it has none).
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

} // namespace

MacroLibrary::MacroLibrary(MacroWorkspace& workspace)
    : workspace_(workspace), fileCopy_(workspace.Messages()) {
    wait_.WaitUntilDone = true;
    // The workbench stays responsive while a program runs that a macro waits for.
    wait_.WhileWaiting = [this] { workspace_.ProcessEvents(); };
}

MacroLibrary::~MacroLibrary() = default;

std::string MacroLibrary::InputBase() const {
    if (Lower(ExtensionOf(MacroInputName)) == ".inp")
        return MacroInputName.substr(0, MacroInputName.size() - 4);
    return MacroInputName;
}

int MacroLibrary::OpenRietveld(const std::string& name) {
    TRietveld& model = workspace_.EnsureModel();
    MacroInputName = name;
    MacroDataName.clear();
    const std::string file = ExtensionOf(name).empty() ? name + ".inp" : name;
    ReadInputFile(model, file, workspace_.Messages());
    workspace_.ModelReplaced(file);
    MacroStatus = model.Loaded ? 0 : 34;
    return MacroStatus;
}

int MacroLibrary::StartRietveld() {
    TRietveld* model = workspace_.Model();
    if (!model) return MacroStatus = kMacroArgumentError;
    if (!model->Loaded) return MacroStatus = 34;
    TRefine& driver = workspace_.PrepareDriver();
    driver.BaseName = InputBase();
    driver.DataName = MacroDataName.empty() ? InputBase() : MacroDataName;
    driver.Model = model;
    driver.ShowMessages = false;
    driver.StartRefinement();
    return MacroStatus = driver.LastError;
}

int MacroLibrary::StepRietveld(int cycles) {
    TRietveld* model = workspace_.Model();
    if (!model || !model->Loaded || !workspace_.Driver()) return MacroStatus = kMacroArgumentError;
    TRefine& driver = workspace_.PrepareDriver();
    if (driver.LastError != 0) return MacroStatus = kMacroArgumentError;
    for (int i = 0; i < std::max(cycles, 1); ++i) {
        driver.StepRefinement();
        if (driver.LastError == 0) workspace_.CycleCompleted(driver.Cycle());
        if (driver.LastError != 0 || driver.State() == RefineState::Finished) break;
        if (workspace_.StopRequested()) break;
    }
    return MacroStatus = driver.LastError;
}

int MacroLibrary::EndRietveld() {
    TRietveld* model = workspace_.Model();
    TRefine* driver = workspace_.Driver();
    if (!model || !model->Loaded || !driver) return MacroStatus = 0;
    MacroStatus = driver->LastError;
    if (MacroStatus == 0) driver->CloseRefinement(true);
    return MacroStatus;
}

int MacroLibrary::RefineFile(std::string name) {
    TRietveld& model = workspace_.EnsureModel();
    if (const std::string ext = ExtensionOf(name); !ext.empty())
        name = name.substr(0, name.find(ext));
    ReadInputFile(model, name + ".inp", workspace_.Messages());
    workspace_.SetCurrentInputFile(name + ".inp");
    workspace_.ModelReplaced(name + ".inp");
    if (!model.Loaded) return MacroStatus = 34;
    TRefine& driver = workspace_.PrepareDriver();
    driver.BaseName = name;
    driver.DataName = name;
    driver.Model = &model;
    driver.ShowMessages = false;
    driver.StartRefinement();
    if (driver.LastError == 0) {
        while (!workspace_.StopRequested() && driver.Cycle() < model.Cycles) {
            driver.StepRefinement();
            if (driver.LastError == 0) workspace_.CycleCompleted(driver.Cycle());
            if (driver.LastError != 0 || driver.State() == RefineState::Finished) break;
        }
        if (driver.LastError == 0) driver.CloseRefinement(true);
    }
    driver.ShowMessages = true;
    return MacroStatus = driver.LastError;
}

int MacroLibrary::SaveRietveld(const std::string& name) {
    const std::string file = TrimText(name);
    TRietveld* model = workspace_.Model();
    if (file.empty() || !model) return kMacroInvalidFileName;
    if (!model->Loaded) return kMacroArgumentError;
    try {
        WriteInputFile(*model, file);
    } catch (const std::exception& e) {
        // The old file is untouched; the macro learns of the failure.
        workspace_.Messages().Message(e.what());
        return 2;
    }
    return 0;
}

int MacroLibrary::Update() {
    TRietveld* model = workspace_.Model();
    TRefine* driver = workspace_.Driver();
    if (!model || !driver) return 0;
    if (driver->State() != RefineState::Closed && driver->State() != RefineState::Finished)
        return 0;
    ReadInputFile(*model, driver->BaseName + ".upd", workspace_.Messages());
    const std::string target = InputBase() + ".inp";
    if (model->Loaded) {
        try {
            WriteInputFile(*model, target);
        } catch (const std::exception& e) {
            workspace_.Messages().Message(e.what());
        }
    }
    workspace_.ModelReplaced(target);
    return 0;
}

int MacroLibrary::SetDataFile(const std::string& name) {
    MacroDataName = name;
    if (TRefine* driver = workspace_.Driver()) {
        driver->DataName = name;
        return 0;
    }
    return kMacroArgumentError;
}

int MacroLibrary::Execute(const std::string& command, bool wait) {
    TExFile& runner = wait ? wait_ : noWait_;
    runner.SetProcFileName(command);
    if (runner.Execute()) return 0;
    // A program that cannot be started must not look like one that ran.
    workspace_.Messages().Message(runner.ErrorMessage());
    return 1;
}

// The one text file of the macros: named by OPENFILE, opened by the first
// READFILE or EOFFILE for reading or by the first WRITEFILE for writing.
int MacroLibrary::OpenFile(const std::string& name, bool isString) {
    if (fileState_ == MacroFileState::Reading || fileState_ == MacroFileState::Writing) return 1;
    if (isString && !TrimText(name).empty()) {
        fileName_ = name;
        fileState_ = MacroFileState::Named;
    }
    return 0;
}

void MacroLibrary::OpenForReading() {
    if (const std::string problem = NotRegularFileProblem(fileName_); !problem.empty())
        Fault(problem);
    reader_.clear();
    reader_.open(fileName_, std::ios::binary);
    if (!reader_) Fault("File not found: " + fileName_);
    fileState_ = MacroFileState::Reading;
}

std::string MacroLibrary::ReadFile() {
    if (fileState_ == MacroFileState::Named) OpenForReading();
    if (fileState_ != MacroFileState::Reading) return {};
    std::string line;
    if (!std::getline(reader_, line)) return {};
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 255) line.resize(255);
    return line;
}

int MacroLibrary::WriteFile(const std::string& text) {
    if (fileState_ == MacroFileState::Named) {
        writer_.clear();
        writer_.open(fileName_, std::ios::binary | std::ios::trunc);
        if (!writer_) Fault("Cannot create file " + fileName_);
        fileState_ = MacroFileState::Writing;
    }
    if (fileState_ != MacroFileState::Writing) return 2;
    writer_ << text << '\n';
    writer_.flush();
    if (!writer_) Fault("Error writing file " + fileName_);
    return 0;
}

int MacroLibrary::CloseFile() {
    // A file named but never opened is simply forgotten.
    if (reader_.is_open()) reader_.close();
    if (writer_.is_open()) writer_.close();
    fileState_ = MacroFileState::Closed;
    return 0;
}

int MacroLibrary::EofFile() {
    if (fileState_ == MacroFileState::Closed) return 1;
    if (fileState_ == MacroFileState::Named) OpenForReading();
    if (fileState_ != MacroFileState::Reading) return 1; // writing: nothing to read
    return reader_.peek() == std::char_traits<char>::eof() ? 1 : 0;
}

} // namespace koralix::macro
