// The parameters window: a view-only list of the model's refinable parameters
// with their values and refinement ticks, filtered by parameter kind,
// histogram and phase. While a refinement runs it follows the engine after
// every cycle and shows each refined value's esd.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QTableWidget;

namespace koralix {

class TWorkspace;

class TParametersForm : public QWidget {
    Q_OBJECT
  public:
    explicit TParametersForm(TWorkspace& work, QWidget* parent = nullptr);

    // Refills the three lists and the grid.
    void Fill();
    // Refills the grid for the current choices.
    void FillGrid();

    QComboBox* ParameterChoice = nullptr;
    QComboBox* HistogramChoice = nullptr;
    QComboBox* PhaseChoice = nullptr;
    QTableWidget* Grid = nullptr;
    QLabel* SourceLabel = nullptr;

    enum Column { ColH, ColP, ColName, ColType, ColValue, ColEsd, ColRefined, ColumnCount };

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // True while a refinement holds newer values than the model.
    bool EngineHasValues();
    TWorkspace& work_;
};

} // namespace koralix
