// The main window: a thin bar of menus and toolbars that owns the program's
// shared state (the open model, its file names, the unsaved-changes flag, the
// work mode, the settings and the refinement driver), opens files by their
// extension, saves and closes the model, and decides which commands are on.
#pragma once

#include "FileChooser.h"
#include "Messenger.h"
#include "Model.h"
#include "PlotData.h"
#include "Refine.h"
#include "Settings.h"
#include "WorkState.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QPrinter>

#include <memory>

class QAction;
class QMenu;
class QToolButton;

namespace koralix {

class TOptionsDlg;
class TMainHooks;
class TPlotForm;
class TFormGraph;
class TFormRDF;
class TRefineForm;

class TFormKoralix : public QMainWindow {
    Q_OBJECT
  public:
    // `store` holds the settings; `messenger` and `files` answer for message
    // boxes and file dialogs (the workbench passes its own, tests script them).
    TFormKoralix(std::unique_ptr<QSettings> store, Messenger& messenger, FileChooser& files,
                 QWidget* parent = nullptr);
    ~TFormKoralix() override;

    // Shared state.
    std::unique_ptr<TRietveld> Model;
    QString CurrentInputFile;
    QString CurrentDataFile;
    bool ModelChanged = false;
    WorkMode Mode = WorkMode::Idle;
    TSettings Settings;
    std::unique_ptr<TRefine> Refine;
    TPlotData DataPlot;
    // The one window for data files, created on first use.
    TPlotForm* DataPlotForm = nullptr;
    TRefineForm* RefineForm = nullptr;
    TFormRDF* RdfForm = nullptr;
    TFormGraph* GraphForm = nullptr;
    // Macros, the macro and watch windows and the text windows.
    TMainHooks* Hooks = nullptr;
    // The control (or plot window) the Print, Copy and Cut commands act on.
    QPointer<QWidget> ActiveEditControl;

    void ProcessFile(const QString& path);
    void OpenAFile(const QString& filter);
    void OpenFile();
    void OpenRecent(const QString& path);
    void Save();
    void SaveAs();
    void SaveInputFile();
    // Writes another program's file of the model, chosen in a save dialog.
    void Export(const QString& filter, const QString& extension,
                void (*write)(TRietveld&, const std::string&));
    // False when the user cancelled.
    bool CloseModel();
    void UpdateForm();
    // Opens the refinement window on the current input file, starts and runs a cycle.
    void QuickStart();
    // Set by a program started with one file: Quick Start runs at the first activation.
    bool QuickStartPending = false;

    QAction* Action(const QString& name) const { return actions_.value(name); }
    // The one refinement driver, created on first use.
    TRefine& Driver();
    // The refinement window, created on first use.
    TRefineForm& RefineWindow();
    // The Fourier map window, modal, freed when closed.
    void PlotFourier();
    // The RDF window on the open model, when a model is loaded and a driver exists.
    void PlotRdf();
    TFormRDF& RdfWindow();
    // The simple plot window of the PLOT macro function.
    TFormGraph& GraphWindow();
    Messenger& UiMessages() { return messenger_; }
    QSettings& SettingsStore() { return *store_; }
    QMenu* RecentMenu() const { return recentMenu_; }
    // The preferences dialog, created on first use and kept.
    TOptionsDlg& Preferences();
    // Takes confirmed preferences into the running program: the recent-file
    // count, hints and the plot colours.
    void ApplyPreferences();
    // Shows the update dialog modally.
    void UpdateKoralix();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QAction* AddAction(const QString& name, const QString& caption, const QString& hint,
                       const QKeySequence& shortcut = {});
    void BuildActions();
    void BuildMenus();
    void BuildToolbars();
    void FillRecentMenus();
    void LockHeight();
    bool WriteModel(const QString& fileName);
    void ApplyHints(bool on);
    Messenger& Shown() { return messenger_; }

    std::unique_ptr<QSettings> store_;
    Messenger& messenger_;
    FileChooser& files_;
    QHash<QString, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    QString openFolder_;
    QPrinter printer_;
    TOptionsDlg* options_ = nullptr;
};

} // namespace koralix
