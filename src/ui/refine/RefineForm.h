// The refinement window: names the input and data files, starts a refinement,
// runs cycles, shows agreement factors and progress, replots the pattern after
// each cycle and finishes, optionally taking the refined model back.
#pragma once

#include "BackgroundCall.h"
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

class TRefineForm : public QMainWindow {
    Q_OBJECT
  public:
    TRefineForm(TFormKoralix& main, FileChooser& files, QWidget* parent = nullptr);
    ~TRefineForm() override;

    void CheckForm();
    void UpdateStatus(RefineButtonState state);
    void Start();
    void Step();
    void Stop() { stepsLeft_ = 0; }
    // Inside cycles or an engine call: the driver must outlive them.
    bool Running() const { return stepping_ || background_.Busy(); }
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
    TPlotData PlotData;
    TPlotForm* PlotWindow = nullptr;
    int PlotHistogram = 1;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildPanels();
    void ShowFactors();
    void ReadInput(const QString& fileName);

    TFormKoralix& main_;
    FileChooser& files_;
    TBackgroundCall background_;
    QTimer* progressTimer_ = nullptr;
    QWidget* openButton_ = nullptr;
    QWidget* dataButton_ = nullptr;
    int stepsLeft_ = 0;
    bool stepping_ = false;
    bool stepped_ = false;
    bool closed_ = true;
};

} // namespace koralix
