// What the macro library needs of the program around it. MacroWorkspace gives
// the one model and the one refinement driver (created on demand); MacroWindow
// is the window that registered the functions (output pane, dialogs, plots and
// the user menu). The workbench implements both on its windows, koralix-cli
// and the tests headlessly.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Messenger.h"
#include "Model.h"
#include "Refine.h"

namespace koralix::macro {

class MacroWorkspace {
  public:
    virtual ~MacroWorkspace() = default;
    virtual Messenger& Messages() = 0;
    // The open model, or null when there is none.
    virtual TRietveld* Model() = 0;
    virtual TRietveld& EnsureModel() = 0;
    // The refinement driver, or null when nothing has created it yet.
    virtual TRefine* Driver() = 0;
    // Creates the driver when there is none and copies the program's IDSZ and
    // IRS settings into it.
    virtual TRefine& PrepareDriver() = 0;
    // The model was read again from `file` by a macro.
    virtual void ModelReplaced(const std::string& /*file*/) {}
    // REFINEFILE names the program's current input file.
    virtual void SetCurrentInputFile(const std::string& /*file*/) {}
    // A refinement cycle run by a macro has ended; windows that follow a
    // refinement may refresh.
    virtual void CycleCompleted(int /*cycle*/) {}
    // Lets pending window messages be processed.
    virtual void ProcessEvents() {}
    // The user asked the running macro to stop.
    virtual bool StopRequested() { return false; }
};

class MacroWindow {
  public:
    virtual ~MacroWindow() = default;
    virtual void Write(const std::string& /*line*/) {}
    virtual void ClearScreen() {}
    // The chosen path, or the empty text when cancelled.
    virtual std::string OpenDialog(const std::string& /*name*/, const std::string& /*filter*/) {
        return {};
    }
    virtual std::string SaveDialog(const std::string& /*name*/, const std::string& /*filter*/) {
        return {};
    }
    virtual void AddUserMenu(const std::string& /*menu*/, const std::string& /*item*/,
                             const std::string& /*script*/) {}
    virtual void ClearUserMenu() {}
    // Shows histogram h of the running refinement in the pattern plot window.
    virtual void PlotPattern(TRefine& /*driver*/, int /*h*/) {}
    // Shows the points in the simple plot window.
    virtual void PlotPoints(const std::vector<float>& /*x*/, const std::vector<float>& /*y*/) {}
};

// A workspace that owns its model and driver: koralix-cli and the tests.
class OwnedMacroWorkspace : public MacroWorkspace {
  public:
    explicit OwnedMacroWorkspace(Messenger& messenger) : messenger_(messenger) {}
    Messenger& Messages() override { return messenger_; }
    TRietveld* Model() override { return model_.get(); }
    TRietveld& EnsureModel() override {
        if (!model_) model_ = std::make_unique<TRietveld>();
        return *model_;
    }
    TRefine* Driver() override { return driver_.get(); }
    TRefine& PrepareDriver() override {
        if (!driver_) driver_ = std::make_unique<TRefine>(messenger_);
        driver_->IDSZ = IDSZ;
        driver_->IRS = IRS;
        if (!EngineLibrary.empty()) driver_->LibraryPath = EngineLibrary;
        return *driver_;
    }
    int IDSZ = 10000; // the settings' defaults
    int IRS = 4000;
    std::string EngineLibrary; // empty: the driver's default

  private:
    Messenger& messenger_;
    std::unique_ptr<TRietveld> model_;
    // Declared after the model: the driver may close a refinement of it when destroyed.
    std::unique_ptr<TRefine> driver_;
};

} // namespace koralix::macro
