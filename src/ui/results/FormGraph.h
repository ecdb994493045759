// The simple plot window: a bare chart on which the PLOT macro function draws points.
#pragma once

#include <QMainWindow>

class QCustomPlot;

namespace koralix {

class TFormGraph : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFormGraph(QWidget* parent = nullptr);

    QCustomPlot* Chart = nullptr;
    // Point series PLOT has added since the window was last closed.
    int PlotSeriesCount = 0;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace koralix
