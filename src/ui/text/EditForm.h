// TEditForm: the program's plain-text window. The main window uses it for
// Manual Edit (the model's input file as text, refined from the text), View
// Input, View Output and the bond views. In its Manual Edit role it is a small
// refinement front of its own over the program's one driver.
#pragma once

#include <QMainWindow>

#include <functional>

#include "NamedActions.h"

class QLabel;
class QPlainTextEdit;
class QToolBar;
class QMenu;

namespace koralix {

class FileChooser;
class TFormKoralix;
class TFormWatch;
class TSearchAndReplace;

enum class EditorState { ModelText = 0, FreeText = 1, Refining = 2, FileView = 3, Refined = 4 };

// The record hint of line `line` (1-based) of an input file whose second line
// is `secondLine`; empty past the first records.
QString InputRecordHint(const QString& secondLine, int line);

class TEditForm : public QMainWindow {
    Q_OBJECT
  public:
    TEditForm(TFormKoralix& main, FileChooser& files, QWidget* parent = nullptr);

    QPlainTextEdit* RichEdit1 = nullptr;
    EditorState State = EditorState::ModelText;
    QString EditFileName;
    QLabel* LinePanel = nullptr;
    QLabel* ColumnPanel = nullptr;
    QLabel* HintPanel = nullptr;
    TSearchAndReplace* SearchAndReplace1 = nullptr;
    TFormWatch* Watch = nullptr; // the program's watch window, set by the owner

    // Shared by all text windows.
    static bool StopFlag;
    static bool StoppedByUser;

    QAction* Action(const QString& name) const;
    void UpdateForm();
    // Loads the text of a file; false (with a message) when it cannot be read.
    bool LoadFile(const QString& fileName);
    // The save question; false when the user cancelled.
    bool MaybeSave();
    void Open();
    void Save();
    void SaveAs();
    void Reload();
    // Refines the text cycle by cycle on the task runner and returns at once;
    // `then` runs when the refinement has ended (Quick Start's Update).
    void Refine(std::function<void()> then = {});
    void Update();
    void ShowPosition();
    void SetPlot(bool on);
    void SetWatch(bool on);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildActions();
    void BuildMenus();
    bool WriteText(const QString& fileName);
    void ReadModelFrom(const QString& fileName);
    void NextCycle();
    void CycleDone();
    void EndRefine();
    void ShowCycle();
    void RefreshPlot();
    void Print();
    void ChooseFont();

    TFormKoralix& main_;
    FileChooser& files_;
    TNamedActions actions_{this};
    QMenu* processMenu_ = nullptr;
    QToolBar* refineBar_ = nullptr;
    bool crlf_ = true;
    std::function<void()> afterRefine_;
};

} // namespace koralix
