// The refinement window: names the input and data files, starts a refinement,
// runs cycles, shows agreement factors and progress, replots the pattern after
// each cycle and finishes, optionally taking the refined model back.
#pragma once

#include "PlotData.h"
#include "RefineButtons.h"

#include <QMainWindow>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;
class QToolButton;

namespace koralix {

class FileChooser;
class TFormKoralix;
class TPlotForm;
class TWorkspace;

class TRefineForm : public QMainWindow {
    Q_OBJECT
  public:
    TRefineForm(TFormKoralix& main, TWorkspace& work, FileChooser& files,
                QWidget* parent = nullptr);
    ~TRefineForm() override;

    void CheckForm();
    void UpdateStatus(RefineButtonState state);
    void Start();
    // Runs the number of cycles of the step box, one task-runner task per
    // cycle; the window stays live and Stop ends the run after the running cycle.
    void Step();
    void Stop() { stepsLeft_ = 0; }
    bool Running() const { return running_; }
    void Finish();
    void Replot();
    void ChooseInputFile();
    void ChooseDataFile();

    // Controls, for the main window and for tests.
    QLineEdit* InputEdit = nullptr;
    QLineEdit* DataEdit = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* StepButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* FinishButton = nullptr;
    QSpinBox* StepCount = nullptr;
    QCheckBox* UpdateBox = nullptr;
    QCheckBox* DynamicPlotting = nullptr;
    QCheckBox* WatchValues = nullptr;
    QLabel* HistogramCountLabel = nullptr;
    QLabel* CycleLabel = nullptr;
    QProgressBar* Progress = nullptr;
    QTableWidget* Factors = nullptr;
    // The shared engine plot window, once the refinement has drawn into it.
    TPlotForm* PlotWindow() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildPanels();
    void ShowFactors();
    void ReadInput(const QString& fileName);
    void RunCycle();
    void CycleDone();

    TFormKoralix& main_;
    TWorkspace& work_;
    FileChooser& files_;
    bool running_ = false;
    bool ended_ = false;
    QTimer* progressTimer_ = nullptr;
    QWidget* openButton_ = nullptr;
    QWidget* dataButton_ = nullptr;
    int stepsLeft_ = 0;
    bool stepped_ = false;
    bool closed_ = true;
};

} // namespace koralix
