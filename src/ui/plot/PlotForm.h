// The pattern plot window: observed points, calculated and difference curves
// and reflection markers of one histogram, or the points of a data file.
#pragma once

#include "PatternSeries.h"
#include "Settings.h"

#include <QMainWindow>
#include <qcustomplot.h>

class QCPGraph;
class QCustomPlot;
class QComboBox;
class QLabel;
class QMenu;
class QPrinter;
class QToolBar;

namespace koralix {

class Messenger;

class TPlotForm : public QMainWindow {
    Q_OBJECT
  public:
    TPlotForm(TSettings& settings, Messenger& messenger, QWidget* parent = nullptr);

    // What to draw; the plot data and the model must outlive the window's use of
    // them. The histogram is named by its number and looked up at every use, so
    // that adding or deleting histograms never leaves the window holding a
    // stale reference.
    TPlotData* Data = nullptr;
    TRietveld* Model = nullptr;
    int HistogramNumber = 0;
    // The histogram drawn, or none when the number is not in the model.
    THistogram* Histogram() const;
    int Cycle = 0;
    int HistogramCount = 0;
    QStringList PhaseNames; // labels of the tick rows in publication images

    void Plot();
    void Unzoom();
    // True once the user zoomed or scrolled, until the next Unzoom.
    bool UserZoomed() const { return zoomed_; }
    const TPatternSeries& Series() const { return series_; }
    QCustomPlot* Chart() const { return chart_; }
    // Writes the export text file; false (after "Error writing file.") on failure.
    bool ExportTo(const QString& fileName);
    // PNG, SVG or PDF by extension; the chart's own size when none is given.
    // False after the message when the file was not written.
    bool SaveImage(const QString& fileName, int width = 0, int height = 0);
    void PrintTo(QPrinter& printer);
    // The journal style of PublicationPlot, vector PDF or SVG by extension;
    // false after the message when the file was not written.
    bool SavePublicationImage(const QString& fileName) const;

    // The editing commands of the chart's context menu, for tests.
    QAction* InsertBackground = nullptr;
    QAction* DeleteBackground = nullptr;
    QAction* ClearBackground = nullptr;
    QAction* SemiAutoBackground = nullptr;
    QAction* InsertExcluded = nullptr;
    QAction* DeleteExcluded = nullptr;
    // A left press at chart coordinates (x, y), as the mouse gives it.
    void PressAt(double x, double y);
    void PrepareContextMenu();

  signals:
    // The user chose another histogram in the list (1-based).
    void HistogramChosen(int histogram);
    // The histogram's background points or excluded regions were edited.
    void HistogramEdited();

  private:
    bool Reported(const std::string& problem) const;
    void BuildChart();
    void BuildMenus();
    void ShowPosition(QMouseEvent* event);
    void DrawExcludedRegions();
    bool Editable() const { return Data && Data->Kind == 4 && Histogram(); }
    void CheckOnly(QAction* action);
    void ShowMarkerAt(const QPoint& pixel);
    QCPItemRect* rubberBand_ = nullptr;

    QMenu* contextMenu_ = nullptr;
    bool pendingRegion_ = false;
    double pendingStart_ = 0;
    bool moved_ = false;
    bool zoomed_ = false;
    QPoint dragStart_;
    QCPRange dragX_, dragY_;

    TSettings& settings_;
    Messenger& messenger_;
    QCustomPlot* chart_ = nullptr;
    QCPGraph* data_ = nullptr;
    QCPGraph* background_ = nullptr;
    QCPGraph* calc_ = nullptr;
    QCPGraph* diff_ = nullptr;
    QCPGraph* markers_ = nullptr;
    QComboBox* histograms_ = nullptr;
    QToolBar* histogramBar_ = nullptr;
    QAction* viewD_ = nullptr;
    QLabel* panels_[5] = {};
    TPatternSeries series_;
};

// A Windows RGB value (0x00BBGGRR) as a colour.
QColor ColourOf(int rgb);

} // namespace koralix
