// The incident-spectrum editor of a time-of-flight histogram: the nine
// coefficients of the spectrum and its curve over the histogram's range.
#pragma once

#include "ModelEditor.h"

class QCPGraph;
class QCustomPlot;
class QLineEdit;

namespace koralix {

class TFormSpectrum : public TModelEditor {
    Q_OBJECT
  public:
    // For histogram `histogram` (1-based) of the workspace's model.
    TFormSpectrum(TWorkspace& work, int histogram, QWidget* parent = nullptr);

    // Fills the nine fields from the model and plots.
    void UpdateForm() override;
    // Stores the nine fields into the model.
    void SaveChanges() override;
    // Draws the spectrum the fields give.
    void PlotSpectrum();
    int Histogram() const { return histogram_; }

    QLineEdit* Edit[9] = {};
    QCustomPlot* Chart = nullptr;
    QCPGraph* Curve = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int histogram_;
};

} // namespace koralix
