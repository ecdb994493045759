// The preferences: file handling, refinement-window defaults, engine
// dimensions, the 20 stored instruments, the start-up and library macros, the
// phase database, the toolbar look, the update site and the plot colours. It
// edits the main window's settings in memory and writes most of them to the
// store when the user presses OK.
#pragma once

#include "FileChooser.h"
#include "Messenger.h"
#include "Preferences.h"
#include "Settings.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace koralix {

namespace macro {
class TSBasic;
}

class TOptionsDlg : public QDialog {
    Q_OBJECT
  public:
    TOptionsDlg(TSettings& settings, QSettings& store, Messenger& messenger, FileChooser& files,
                QWidget* parent = nullptr);
    ~TOptionsDlg() override;

    // The main window's macro component, used by Test; a private one when null.
    macro::TSBasic* Macro = nullptr;
    // The main window's control that Print and Copy act on; cleared on close.
    QPointer<QWidget>* ActiveEditControl = nullptr;
    // The instrument shown, 1..20.
    int InstrumentShown() const;

    // The controls, named as the rest of the program names them.
    QTabWidget* Pages = nullptr;
    QSpinBox* seRecent = nullptr;
    QCheckBox* cbAssignDatafile = nullptr;
    QCheckBox* cbTempRefine = nullptr;
    QLineEdit* edStartUpDirectory = nullptr;
    QSpinBox* seBackgroundAveraging = nullptr;
    QCheckBox* cbAcceptChanges = nullptr;
    QCheckBox* cbHints = nullptr;
    QComboBox* cbScript = nullptr;
    QLineEdit* edCodeFile = nullptr;
    QPlainTextEdit* ScriptText = nullptr;
    QPlainTextEdit* ScriptMessages = nullptr;
    QLineEdit* edAtoms = nullptr;
    QLineEdit* edPhases = nullptr;
    QSpinBox* seInstrument = nullptr;
    // Title, then Start, Step, Stop, Wave1, Wave2, Ratio, Zero, Pol, U, V, W, gamma, Asym1, Asym2.
    QLineEdit* InstrumentEdit(const char* field) const;
    QComboBox* cbRadiation = nullptr;
    QComboBox* cbProfile = nullptr;
    QCheckBox* cbStepOnStart = nullptr;
    QCheckBox *cbRDPlot = nullptr, *cbRDWatch = nullptr, *cbRDUpdate = nullptr,
              *cbRDOnTop = nullptr;
    QCheckBox *cbQSPlot = nullptr, *cbQSWatch = nullptr, *cbQSUpdate = nullptr;
    QComboBox* cbUpdateSite = nullptr;
    QLineEdit* edSite = nullptr;
    QLineEdit* edDirectory = nullptr;
    QComboBox* cbStyle = nullptr;
    QSpinBox *seIDSZ = nullptr, *seIRS = nullptr, *seNIPOI = nullptr;
    QPushButton* ColourButton(int row) const { return colourButtons_[row]; }
    // The colours being edited, in the order Data, Background, Calc, Diff, Markers, Main.
    QColor Colours[6];

    // Fills every control from the settings, as each showing does.
    void ShowSettings();
    void ShowInstrument(int number);
    void StoreInstrument(int number);
    void ShowScript(int kind);
    void SaveScript();
    void TestScript();
    void accept() override;
    void done(int result) override;

  signals:
    // The toolbar look chosen in the Style list (applied while choosing).
    void StyleChosen(int style);
    // OK was pressed: colours, hints and the recent-file count are to be applied.
    void Applied();

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* BuildGeneralPage();
    QWidget* BuildScriptPage();
    QWidget* BuildDatabasePage();
    QWidget* BuildInstrumentPage();
    QWidget* BuildRunPage();
    QWidget* BuildInternetPage();
    QWidget* BuildStylePage();
    QWidget* BuildMemoryPage();
    QWidget* BuildColourPage();
    void ShowSite(int index);
    void ShowColour(int row);
    void BrowseDatabase(QLineEdit* edit, const QString& name);

    TSettings& settings_;
    QSettings& store_;
    Messenger& messenger_;
    FileChooser& files_;
    std::vector<TUpdateSite> sites_;
    std::vector<std::pair<const char*, QLineEdit*>> instrumentEdits_;
    QPushButton* colourButtons_[6] = {};
    int instrument_ = 0;
    int scriptKind_ = 0;
    QString scriptPaths_[2];
};

// The toolbar look of a main window: 0 the desktop's own, 1 flat "OfficeXP" bars.
void ApplyToolbarStyle(QWidget& window, int style);

} // namespace koralix
