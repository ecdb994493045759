// The macro window ("KoraBasic"): writes, loads, saves, prints and runs
// KoraBasic macros; a second pane receives what the macro writes.
#pragma once

#include <QMainWindow>

#include "NamedActions.h"

#include <memory>
#include <optional>
#include <string>

#include "MacroLibrary.h"

class QLabel;
class QPlainTextEdit;

namespace koralix {

class FileChooser;
class TFormKoralix;
class TMacroRun;

class TFormMacro : public QMainWindow, public macro::MacroWindow {
    Q_OBJECT
  public:
    // `mainWindow` carries the user menu and the pattern plot for both macro components.
    // `runs` runs the macros of both macro components on the task runner.
    TFormMacro(TFormKoralix& main, macro::MacroLibrary& library, macro::MacroWindow& mainWindow,
               TMacroRun& runs, FileChooser& files, QWidget* parent = nullptr);
    ~TFormMacro() override;

    QPlainTextEdit* MemoSource = nullptr;
    QPlainTextEdit* MemoWrite = nullptr;
    QLabel* CaretPanel = nullptr;
    QLabel* MessagePanel = nullptr;
    QString MacroFileName;
    std::unique_ptr<macro::TSBasic> SBasic1;

    QAction* Action(const QString& name) const;
    // The save question; false on Cancel.
    bool MaybeSave();
    void New();
    void Open();
    bool Save();
    bool SaveAs();
    void Clear();
    // Translates and starts the macro; it runs on while the window stays usable.
    void Run();
    void Stop();
    bool Running() const { return running_; }

    // The macro library's window-bound functions.
    void Write(const std::string& line) override;
    void ClearScreen() override;
    std::string OpenDialog(const std::string& name, const std::string& filter) override;
    std::string SaveDialog(const std::string& name, const std::string& filter) override;
    void AddUserMenu(const std::string& menu, const std::string& item,
                     const std::string& script) override;
    void ClearUserMenu() override;
    void PlotPattern(TRefine& driver, int h) override;
    void PlotPoints(const std::vector<float>& x, const std::vector<float>& y) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildActions();
    void ShowCaret();
    void Print();
    bool WriteSource(const QString& fileName);
    void SetRunning(bool running);
    std::string FileDialog(bool save, const std::string& name, const std::string& filter);
    void Finished();
    std::optional<std::string> SourceProblem(const QString& library) const;

    TFormKoralix& main_;
    macro::MacroWindow& mainWindow_;
    TMacroRun& runs_;
    FileChooser& files_;
    TNamedActions actions_{this};
    bool running_ = false;
};

} // namespace koralix
