// The peak-width window: the full width at half maximum and the mixing value
// over a histogram's range (for both wavelengths of a doublet), and the peak
// profile at the angle under the mouse.
#pragma once

#include "PeakWidth.h"

#include <QMainWindow>

class QCPGraph;
class QCPItemStraightLine;
class QCustomPlot;
class QLabel;
class QPrinter;

namespace koralix {

class TFormPeak : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFormPeak(QWidget* parent = nullptr);

    // Replaces both curves and remembers the shape for the profile.
    void SetCurves(const TWidthCurves& curves, const TPeakShape& shape);
    // Draws the profile at angle x0 and shows it in the status bar.
    void ShowProfileAt(double x0);
    // The mouse at a pixel of the FWHM chart: cursor line and profile.
    void MouseAt(const QPoint& pixel);

    QCustomPlot* Chart() const { return chart_; }
    QCustomPlot* ProfileChart() const { return profileChart_; }
    QCPGraph* FwhmCurve() const { return fwhm_; }
    QCPGraph* Fwhm2Curve() const { return fwhm2_; }
    QCPGraph* EtaCurve() const { return eta_; }
    QCPGraph* ProfileCurve() const { return profile_; }
    QString Panel(int i) const;
    const TPeakShape& Shape() const { return shape_; }
    // Empty on success, else the message naming the file.
    std::string SaveImage(const QString& fileName, int width = 0, int height = 0);
    void PrintTo(QPrinter& printer);

  signals:
    // The FWHM chart became the control the main window's Copy and Print act on.
    void ChartActivated(QWidget* chart);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void BuildCharts();
    void BuildMenus();

    TPeakShape shape_;
    QCustomPlot* chart_ = nullptr;
    QCustomPlot* profileChart_ = nullptr;
    QCPGraph* fwhm_ = nullptr;
    QCPGraph* fwhm2_ = nullptr;
    QCPGraph* eta_ = nullptr;
    QCPGraph* profile_ = nullptr;
    QCPItemStraightLine* cursor_ = nullptr;
    QLabel* panels_[3] = {};
};

} // namespace koralix
