// What the main window gains from macros and the text windows: its own macro
// component (SBasicMacro) with the start-up macro and the user menu, the macro
// and watch windows, and the text windows of Manual Edit, View Input and the
// output views, with Quick Start running through Manual Edit.
#pragma once

#include <QObject>
#include <QPointer>

#include <array>
#include <memory>
#include <vector>

#include "MacroLibrary.h"

class QAction;
class QMenu;

namespace koralix {

class FileChooser;
class TEditForm;
class TFormKoralix;
class TFormMacro;
class TFormWatch;
class TMacroRun;

// The main window's model and driver as the macro library sees them.
class TWorkbenchWorkspace : public macro::MacroWorkspace {
  public:
    TWorkbenchWorkspace(TFormKoralix& main, TMacroRun& runs) : main_(main), runs_(runs) {}
    Messenger& Messages() override;
    TRietveld* Model() override;
    TRietveld& EnsureModel() override;
    TRefine* Driver() override;
    TRefine& PrepareDriver() override;
    void ModelReplaced(const std::string& file) override;
    void SetCurrentInputFile(const std::string& file) override;
    void CycleCompleted(int cycle) override;
    void ProcessEvents() override;
    bool StopRequested() override;

  private:
    TFormKoralix& main_;
    TMacroRun& runs_;
};

enum class UserMenuKind { Item, Separator, Submenu };

struct TUserMenuItem {
    QString menu, item, script;
    UserMenuKind kind = UserMenuKind::Item;
    QPointer<QObject> object;
};

inline constexpr int kUserMenuCapacity = 100;

class TMainHooks : public QObject, public macro::MacroWindow {
    Q_OBJECT
  public:
    TMainHooks(TFormKoralix& main, FileChooser& files);
    ~TMainHooks() override;

    std::unique_ptr<macro::TSBasic> SBasicMacro;
    std::vector<TUserMenuItem> UserMenu;
    QString ScriptsFolder;

    macro::MacroLibrary& Library() { return *library_; }
    // Runs the macros of both macro components on the task runner.
    TMacroRun& Runs() { return *runs_; }
    TFormMacro& MacroWindow();
    TFormWatch& WatchWindow();
    TEditForm& ManualEditWindow();
    TEditForm* TextWindow(int role) const { return text_[static_cast<size_t>(role)]; }

    // When the main window is first shown: the library and the start-up macro.
    void Start();
    void SetUpScript();
    void RunScript(const QString& path);
    void ManualEdit();
    void ViewInput();
    // ".out", ".dst" or ".ang".
    void ViewOutput(const QString& extension);
    void QuickStart();

    // The main window's macro functions.
    void AddUserMenu(const std::string& menu, const std::string& item,
                     const std::string& script) override;
    void ClearUserMenu() override;
    void PlotPattern(TRefine& driver, int h) override;
    void PlotPoints(const std::vector<float>& x, const std::vector<float>& y) override;
    std::string OpenDialog(const std::string& name, const std::string& filter) override;
    std::string SaveDialog(const std::string& name, const std::string& filter) override;

  private:
    TEditForm& Text(int role);
    void AddUserMenuEntry(const std::string& menu, const std::string& item,
                          const std::string& script);
    void ClearUserMenuEntries();

    TFormKoralix& main_;
    FileChooser& files_;
    TMacroRun* runs_; // before the workspace that uses it
    TWorkbenchWorkspace workspace_;
    std::unique_ptr<macro::MacroLibrary> library_;
    QPointer<TFormMacro> macroWindow_;
    QPointer<TFormWatch> watchWindow_;
    std::array<TEditForm*, 4> text_{};
    bool started_ = false;
};

} // namespace koralix
