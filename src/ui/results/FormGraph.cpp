#include "FormGraph.h"

#include "ChartOutput.h"

#include <QMenu>
#include <QPrinter>
#include <QToolBar>
#include <qcustomplot.h>

namespace koralix {

TFormGraph::TFormGraph(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FormGraph");
    setWindowTitle("Plot");
    resize(640, 440);
    Chart = new QCustomPlot(this);
    Chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    setCentralWidget(Chart);
    QToolBar* bar = addToolBar("Plot Toolbar");
    bar->setObjectName("PlotToolbar");
    auto* file = new QMenu("&File", this);
    file->addAction("&Print", this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        PrintChart(*Chart, printer);
    });
    file->addAction("Print Pre&view", this, [this] { PreviewChart(*Chart, this); });
    file->addAction("E&xit", this, &QWidget::close);
    auto* chart = new QMenu("&Chart", this);
    chart->addAction("&Edit", this, [this] { EditChartBackground(*Chart, this); });
    AddMenuButton(*bar, file);
    AddMenuButton(*bar, chart);
}

void TFormGraph::closeEvent(QCloseEvent* event) {
    PlotSeriesCount = 0;
    QMainWindow::closeEvent(event);
}

} // namespace koralix
