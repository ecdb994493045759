// The incident-spectrum editor of a time-of-flight histogram: the nine
// coefficients of the spectrum and its curve over the histogram's range.
#pragma once

#include <QDialog>

class QCPGraph;
class QCustomPlot;
class QLineEdit;

namespace koralix {

class TRietveld;

class TFormSpectrum : public QDialog {
    Q_OBJECT
  public:
    // `histogram` is 1-based; the model must outlive the dialog.
    TFormSpectrum(TRietveld& model, int histogram, QWidget* parent = nullptr);

    void PlotSpectrum();
    // Stores the nine fields into the model.
    void SaveForm();

    QLineEdit* Edit[9] = {};
    QCustomPlot* Chart = nullptr;
    QCPGraph* Curve = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TRietveld& model_;
    int histogram_;
};

} // namespace koralix
