#include "PeakForm.h"

#include "ChartOutput.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <qcustomplot.h>

#include <algorithm>

namespace koralix {

namespace {

QCustomPlot* NewChart(QWidget* parent, const QString& title) {
    auto* chart = new QCustomPlot(parent);
    chart->plotLayout()->insertRow(0);
    chart->plotLayout()->addElement(0, 0, new QCPTextElement(chart, title, QFont("sans", 11, QFont::Bold)));
    chart->setMinimumSize(320, 260);
    for (QCPAxis* axis : {chart->xAxis, chart->yAxis}) {
        axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
        axis->grid()->setVisible(true);
    }
    return chart;
}

QString General5(double v) {
    return QString::number(v, 'g', 5);
}

} // namespace

TFormPeak::TFormPeak(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName("FormPeak");
    setWindowTitle("Full Width Half Maximum");
    BuildCharts();
    BuildMenus();
    const char* captions[] = {"Angle:", "FWHM:", "Eta:"};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(captions[i], this);
        panels_[i]->setMinimumWidth(100);
        statusBar()->addWidget(panels_[i]);
    }
    resize(900, 420);
}

void TFormPeak::BuildCharts() {
    auto* splitter = new QSplitter(this);
    chart_ = NewChart(splitter, "FWHM");
    chart_->xAxis->setLabel("Angle/TOF");
    chart_->yAxis->setLabel("FWHM");
    chart_->yAxis->setLabelColor(Qt::red);
    chart_->yAxis2->setVisible(true);
    chart_->yAxis2->setLabel("eta");
    chart_->yAxis2->setLabelColor(QColor(0, 150, 0));
    fwhm_ = chart_->addGraph(chart_->xAxis, chart_->yAxis);
    fwhm_->setPen(QPen(Qt::red, 1.5));
    fwhm_->setName("FWHM K\u03b11");
    fwhm2_ = chart_->addGraph(chart_->xAxis, chart_->yAxis);
    fwhm2_->setPen(QPen(QColor(160, 0, 0), 1.5, Qt::DashLine));
    fwhm2_->setName("FWHM K\u03b12");
    eta_ = chart_->addGraph(chart_->xAxis, chart_->yAxis2);
    eta_->setPen(QPen(QColor(0, 150, 0), 1.5));
    eta_->setName("eta");
    chart_->legend->setFont(QFont("sans", 8));
    chart_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    cursor_ = new QCPItemStraightLine(chart_);
    cursor_->setPen(QPen(Qt::blue, 1));
    cursor_->setVisible(false);
    chart_->setMouseTracking(true);
    connect(chart_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { MouseAt(e->pos()); });
    connect(chart_, &QCustomPlot::mousePress, this, [this](QMouseEvent*) {
        emit ChartActivated(chart_);
        ShowProfileAt(20);
    });

    profileChart_ = NewChart(splitter, "Peak Shape");
    profileChart_->xAxis->setLabel("Angle");
    profileChart_->yAxis->setLabel("Intensity");
    profile_ = profileChart_->addGraph();
    profile_->setPen(QPen(Qt::blue, 1.5));
    setCentralWidget(splitter);
}

void TFormPeak::BuildMenus() {
    QToolBar* bar = addToolBar("Peak Toolbar");
    bar->setObjectName("PeakToolbar");
    bar->setMovable(false);
    QMenuBar* menus = new QMenuBar(bar);
    bar->addWidget(menus);
    QMenu* file = menus->addMenu("&File");
    file->addAction("&Save as image...", this, [this] {
        const QString name = QFileDialog::getSaveFileName(
            this, QString(), QString(), "PNG Files (*.png);;SVG Files (*.svg);;PDF Files (*.pdf)");
        if (name.isEmpty()) return;
        if (const std::string problem = SaveImage(name); !problem.empty())
            QMessageBox::warning(this, "Koralix", QString::fromStdString(problem));
    });
    file->addAction("&Print", this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted) return;
        for (int i = 0; i < std::max(1, printer.copyCount()); ++i) PrintTo(printer);
    });
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);
    QMenu* edit = menus->addMenu("&Edit");
    edit->addAction("Copy as &BMP", this,
                    [this] { QApplication::clipboard()->setPixmap(chart_->toPixmap()); });
    // The vector form of the chart, for documents, as the pattern plot gives it.
    edit->addAction("Copy as &Metafile", this, [this] { CopyChart(*chart_); });
}

void TFormPeak::SetCurves(const TWidthCurves& curves, const TPeakShape& shape) {
    shape_ = shape;
    QVector<double> x, h, second, x2, h2;
    for (const TWidthPoint& p : curves.Alpha1) {
        x << p.X;
        h << p.Width.H;
        second << p.Width.Second;
    }
    for (const TWidthPoint& p : curves.Alpha2) {
        x2 << p.X;
        h2 << p.Width.H;
    }
    fwhm_->setData(x, h, true);
    fwhm2_->setData(x2, h2, true);
    eta_->setData(x, second, true);
    // The legend only tells the two wavelengths apart.
    chart_->legend->setVisible(!x2.isEmpty());
    cursor_->setVisible(false);
    chart_->rescaleAxes();
    QCPRange r = chart_->yAxis->range();
    const double pad = std::max(r.size() * 0.05, 1e-3);
    chart_->yAxis->setRange(r.lower - pad, r.upper + pad);
    // A mixing value lives between 0 and 1; a flat one must not fill the axis.
    double low = 0, high = 1;
    for (double v : second) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    chart_->yAxis2->setRange(low, high * 1.05);
    chart_->replot();
    profile_->data()->clear();
    profileChart_->replot();
}

void TFormPeak::ShowProfileAt(double x0) {
    if (shape_.Profile == 7) return;
    double largest = 0;
    for (auto it = fwhm_->data()->constBegin(); it != fwhm_->data()->constEnd(); ++it)
        largest = std::max(largest, it->value);
    TPeakWidth used;
    std::vector<TProfilePoint> points = ProfileAt(shape_, x0, largest * 10 / 100, &used);
    QVector<double> x, y;
    for (const TProfilePoint& p : points) {
        x << p.X;
        y << p.Y;
    }
    profile_->setData(x, y, true);
    profileChart_->rescaleAxes();
    profileChart_->replot();
    panels_[0]->setText("Angle: " + General5(x0));
    panels_[1]->setText("FWHM: " + General5(used.H));
    panels_[2]->setText("Eta: " + General5(used.Second));
}

void TFormPeak::MouseAt(const QPoint& pixel) {
    const QRect plot = chart_->axisRect()->rect();
    if (!plot.contains(pixel)) {
        if (cursor_->visible()) {
            cursor_->setVisible(false);
            chart_->replot(QCustomPlot::rpQueuedReplot);
        }
        return;
    }
    const double x0 = chart_->xAxis->pixelToCoord(pixel.x());
    cursor_->point1->setCoords(x0, 0);
    cursor_->point2->setCoords(x0, 1);
    cursor_->setVisible(true);
    chart_->replot(QCustomPlot::rpQueuedReplot);
    ShowProfileAt(x0);
}

QString TFormPeak::Panel(int i) const {
    return panels_[i]->text();
}

std::string TFormPeak::SaveImage(const QString& fileName, int width, int height) {
    return SaveChartImage(*chart_, fileName, windowTitle(), width, height);
}

void TFormPeak::PrintTo(QPrinter& printer) {
    PrintChart(*chart_, printer);
}

void TFormPeak::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit ChartActivated(chart_);
    QMainWindow::changeEvent(event);
}

} // namespace koralix
