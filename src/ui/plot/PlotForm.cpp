#include "PlotForm.h"

#include "ChartOutput.h"

#include "ChartColours.h"
#include "HelpTopics.h"
#include "Messenger.h"
#include "PlotEditing.h"
#include "PublicationPlot.h"
#include "SafeFile.h"
#include "SetScales.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QToolBar>
#include <qcustomplot.h>

#include <cmath>

namespace koralix {

THistogram* TPlotForm::Histogram() const {
    if (!Model || HistogramNumber < 1 || HistogramNumber > Model->HistogramCount()) return nullptr;
    return &Model->Histogram(HistogramNumber);
}

QColor ColourOf(int rgb) {
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TPlotForm::TPlotForm(TSettings& settings, Messenger& messenger, QWidget* parent)
    : QMainWindow(parent), settings_(settings), messenger_(messenger) {
    setObjectName("PlotForm");
    setWindowTitle("Plot");
    resize(900, 600);
    BuildChart();
    BuildMenus();
    const char* names[5] = {"x:", "y:", "d:", "Phase:", "hkl:"};
    for (int k = 0; k < 5; ++k) {
        panels_[k] = new QLabel(names[k], this);
        panels_[k]->setMinimumWidth(k == 4 ? 120 : 110);
        statusBar()->addWidget(panels_[k]);
    }
}

void TPlotForm::BuildChart() {
    chart_ = new QCustomPlot(this);
    setCentralWidget(chart_);
    auto scatter = [](QCPGraph* g, double size) {
        g->setLineStyle(QCPGraph::lsNone);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, size));
    };
    data_ = chart_->addGraph();
    data_->setName("DataPoints");
    scatter(data_, 4);
    background_ = chart_->addGraph();
    background_->setName("BackgroundPoints");
    background_->setLineStyle(QCPGraph::lsNone);
    background_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 7));
    calc_ = chart_->addGraph();
    calc_->setName("CalculationLine");
    diff_ = chart_->addGraph();
    diff_->setName("DifferenceLine");
    markers_ = chart_->addGraph();
    markers_->setName("MarkerPoints");
    markers_->setLineStyle(QCPGraph::lsNone);
    markers_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssPlus, 9));
    chart_->yAxis->setLabel("Counts");
    chart_->legend->setVisible(false);
    chart_->plotLayout()->insertRow(0);
    chart_->plotLayout()->addElement(
        0, 0, new QCPTextElement(chart_, "", QFont("sans", 11, QFont::Bold)));
    // Dragging a rectangle zooms into it; the wheel zooms too.
    chart_->setInteractions(QCP::iRangeZoom);
    chart_->setSelectionRectMode(QCP::srmZoom);
    connect(chart_->selectionRect(), &QCPSelectionRect::accepted, this, [this] { zoomed_ = true; });
    connect(chart_, &QCustomPlot::mouseWheel, this, [this] { zoomed_ = true; });
    connect(chart_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) {
        moved_ = true;
        ShowPosition(e);
        if (pendingRegion_) {
            // The region being defined follows the mouse as a red band.
            const double x = chart_->xAxis->pixelToCoord(e->pos().x());
            if (!rubberBand_) {
                rubberBand_ = new QCPItemRect(chart_);
                for (QCPItemPosition* p : {rubberBand_->topLeft, rubberBand_->bottomRight}) {
                    p->setTypeX(QCPItemPosition::ptPlotCoords);
                    p->setTypeY(QCPItemPosition::ptAxisRectRatio);
                }
                rubberBand_->setPen(QPen(Qt::red));
                rubberBand_->setBrush(QColor(255, 0, 0, 40));
            }
            rubberBand_->topLeft->setCoords(std::min(pendingStart_, x), 0);
            rubberBand_->bottomRight->setCoords(std::max(pendingStart_, x), 1);
            chart_->replot(QCustomPlot::rpQueuedReplot);
        }
        if (e->buttons() & Qt::RightButton) {
            const double dx = chart_->xAxis->pixelToCoord(e->pos().x()) -
                              chart_->xAxis->pixelToCoord(dragStart_.x());
            const double dy = chart_->yAxis->pixelToCoord(e->pos().y()) -
                              chart_->yAxis->pixelToCoord(dragStart_.y());
            chart_->xAxis->setRange(dragX_.lower - dx, dragX_.upper - dx);
            chart_->yAxis->setRange(dragY_.lower - dy, dragY_.upper - dy);
            dragStart_ = e->pos();
            dragX_ = chart_->xAxis->range();
            dragY_ = chart_->yAxis->range();
            zoomed_ = true;
            chart_->replot(QCustomPlot::rpQueuedReplot);
        }
    });
    connect(chart_, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        moved_ = false;
        if (e->button() == Qt::LeftButton) ShowMarkerAt(e->pos());
        if (e->button() == Qt::RightButton) {
            // Right-button dragging scrolls the view.
            dragStart_ = e->pos();
            dragX_ = chart_->xAxis->range();
            dragY_ = chart_->yAxis->range();
        }
        if (e->button() != Qt::LeftButton || !Editable()) return;
        const bool editing = InsertBackground->isChecked() || InsertExcluded->isChecked() ||
                             DeleteExcluded->isChecked() || DeleteBackground->isChecked() ||
                             pendingRegion_;
        if (!editing) return;
        // An editing click must not start a zoom rectangle.
        chart_->setSelectionRectMode(QCP::srmNone);
        PressAt(chart_->xAxis->pixelToCoord(e->pos().x()),
                chart_->yAxis->pixelToCoord(e->pos().y()));
    });
    connect(chart_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* e) {
        chart_->setSelectionRectMode(QCP::srmZoom);
        if (e->button() == Qt::RightButton && !moved_) {
            PrepareContextMenu();
            contextMenu_->popup(e->globalPosition().toPoint());
        }
    });
}

void TPlotForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* save = file->addAction("&Save as image...", this, [this] {
        const QString publication = "Publication PDF (*.pdf);;Publication SVG (*.svg)";
        QString chosen;
        const QString name = QFileDialog::getSaveFileName(
            this, QString(), QString(),
            "PNG Files (*.png);;SVG Files (*.svg);;PDF Files (*.pdf);;" + publication, &chosen);
        if (name.isEmpty()) return;
        if (chosen.startsWith("Publication"))
            SavePublicationImage(name);
        else
            SaveImage(name);
    });
    file->addAction("Export to Excel/Sigma plot file", this, [this] {
        const QString name =
            QFileDialog::getSaveFileName(this, QString(), QString(), "Export Plot Files (*.txt)");
        if (!name.isEmpty()) ExportTo(QFileInfo(name).suffix().isEmpty() ? name + ".txt" : name);
    });
    file->addSeparator();
    QAction* print = file->addAction("&Print...", this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
    });
    QAction* preview = file->addAction("Print Pre&view", this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        QPrintPreviewDialog preview(&printer, this);
        preview.setWindowTitle("Koralix Print Preview");
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this](QPrinter* p) { PrintTo(*p); });
        preview.exec();
    });
    file->addSeparator();
    QAction* close = file->addAction("&Close", this, &QWidget::hide);
    QMenu* edit = menuBar()->addMenu("&Edit");
    QAction* copy = edit->addAction(
        "&Copy as BMP", this, [this] { QApplication::clipboard()->setPixmap(chart_->toPixmap()); });
    contextMenu_ = new QMenu(this);
    contextMenu_->addAction("&Unzoom", this, &TPlotForm::Unzoom);
    auto checkable = [this](const QString& text) {
        QAction* a = contextMenu_->addAction(text);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a](bool on) {
            if (on) CheckOnly(a);
        });
        return a;
    };
    InsertBackground = checkable("Insert Background");
    DeleteBackground = checkable("Delete Background");
    ClearBackground = contextMenu_->addAction("Clear All Background", this, [this] {
        if (!Editable()) return;
        Histogram()->Background.ClearPoints();
        Plot();
        emit HistogramEdited();
    });
    SemiAutoBackground = contextMenu_->addAction("Semi-Auto Background");
    SemiAutoBackground->setCheckable(true);
    InsertExcluded = checkable("Insert Excluded");
    DeleteExcluded = checkable("Delete Excluded");
    QMenu* chart = menuBar()->addMenu("&Chart");
    QAction* editChart = chart->addAction("&Edit...", this, [this] {
        // The chart's colours; they are kept as the colour preferences.
        TChartColours dialog(settings_, this);
        if (dialog.exec() == QDialog::Accepted) Plot();
    });
    QAction* unzoom = chart->addAction("&Unzoom", this, &TPlotForm::Unzoom);
    chart->addAction("&Scales", this, [this] {
        TFormSetScales dialog(settings_, this);
        if (dialog.Edit()) Plot();
    });
    viewD_ = chart->addAction("View as &d spacings", this, [this] {
        settings_.View_d = !settings_.View_d;
        viewD_->setChecked(settings_.View_d);
        Plot();
        Unzoom();
    });
    viewD_->setCheckable(true);
    viewD_->setChecked(settings_.View_d);
    menuBar()->addAction("&Help", this, [this] { ShowHelpFor(this); });
    QToolBar* main = addToolBar("Main toolbar");
    main->setObjectName("PlotMainToolbar");
    for (QAction* a : {save, close, print, preview, copy, editChart, unzoom})
        main->addAction(a);
    histogramBar_ = addToolBar("Histogram toolbar");
    histograms_ = new QComboBox(histogramBar_);
    histograms_->setMinimumWidth(140);
    histogramBar_->addWidget(histograms_);
    connect(histograms_, &QComboBox::activated, this,
            [this](int index) { emit HistogramChosen(index + 1); });
}

void TPlotForm::Plot() {
    if (!Data) return;
    for (auto [graph, colour] : {std::pair{data_, settings_.Data_Colour},
                                 {background_, settings_.Background_Colour},
                                 {calc_, settings_.Calc_Colour},
                                 {diff_, settings_.Diff_Colour},
                                 {markers_, settings_.Markers_Colour}})
        graph->setPen(QPen(ColourOf(colour)));
    chart_->setBackground(ColourOf(settings_.Main_Colour));
    const bool pattern = Data->Kind == 3 || Data->Kind == 4;
    histogramBar_->setVisible(pattern && HistogramCount > 0);
    if (pattern && HistogramCount > 0) {
        histograms_->clear();
        for (int h = 1; h <= HistogramCount; ++h)
            histograms_->addItem("Histogram " + QString::number(h));
        histograms_->setCurrentIndex(Data->HistogramNumber - 1);
    }
    auto* title = qobject_cast<QCPTextElement*>(chart_->plotLayout()->element(0, 0));
    if (title) title->setText(QString::fromStdString(Data->Title));
    TPlotScales scales{settings_.HKLScale, settings_.HKLSep, settings_.DifferenceScale};
    series_ = BuildPatternSeries(*Data, Histogram(), settings_.View_d && pattern, Cycle, scales);
    if (series_.outOfRange) {
        messenger_.Message("Plot data out of range.");
        return;
    }
    data_->setData(series_.dataX, series_.dataY);
    calc_->setData(series_.calcX, series_.calcY);
    diff_->setData(series_.diffX, series_.diffY);
    markers_->setData(series_.markerX, series_.markerY);
    background_->setData(series_.backgroundX, series_.backgroundY);
    background_->setVisible(!series_.backgroundX.isEmpty());
    chart_->xAxis->setLabel(series_.bottomTitle);
    DrawExcludedRegions();
    chart_->replot();
}

void TPlotForm::ShowMarkerAt(const QPoint& pixel) {
    // A click on a reflection marker names its phase and hkl.
    for (int m = 0; m < series_.markerX.size(); ++m) {
        const double px = chart_->xAxis->coordToPixel(series_.markerX[m]);
        const double py = chart_->yAxis->coordToPixel(series_.markerY[m]);
        if (std::abs(px - pixel.x()) > 4 || std::abs(py - pixel.y()) > 6) continue;
        const int r = series_.markerIndex[m];
        panels_[3]->setText("Phase: " + QString::number(Data->ReflPhase(r)));
        panels_[4]->setText(
            QString("hkl: %1 %2 %3").arg(Data->ReflH(r)).arg(Data->ReflK(r)).arg(Data->ReflL(r)));
        return;
    }
}

void TPlotForm::CheckOnly(QAction* action) {
    for (QAction* a : {InsertBackground, DeleteBackground, InsertExcluded, DeleteExcluded})
        if (a != action) a->setChecked(false);
    pendingRegion_ = false;
    if (rubberBand_) {
        chart_->removeItem(rubberBand_);
        rubberBand_ = nullptr;
        chart_->replot();
    }
}

void TPlotForm::PrepareContextMenu() {
    for (QAction* a :
         {InsertBackground, DeleteBackground, ClearBackground, InsertExcluded, DeleteExcluded})
        a->setEnabled(false);
    if (!Editable()) return;
    const bool points = Histogram()->Background.Kind == BkgUserPoints;
    InsertBackground->setEnabled(points);
    ClearBackground->setEnabled(points);
    DeleteBackground->setEnabled(points && Histogram()->Background.PointCount() > 0);
    background_->setVisible(points);
    InsertExcluded->setEnabled(true);
    DeleteExcluded->setEnabled(Histogram()->Excluded.RegionCount() > 0);
}

void TPlotForm::PressAt(double x, double y) {
    if (!Editable()) return;
    if (InsertBackground->isChecked()) {
        if (SemiAutoBackground->isChecked()) {
            // The point nearest to the press, horizontally; the first of equal distances.
            int nearest = 0;
            for (int i = 1; i < series_.dataX.size(); ++i)
                if (std::fabs(series_.dataX[i] - x) < std::fabs(series_.dataX[nearest] - x))
                    nearest = i;
            y = AveragedIntensity(*Data, nearest, settings_.BackgroundAveraging);
        }
        background_->setVisible(true);
        Histogram()->Background.AddPoint(static_cast<float>(x), static_cast<float>(y));
    } else if (pendingRegion_) {
        Histogram()->Excluded.AddRegion(static_cast<float>(pendingStart_), static_cast<float>(x));
        pendingRegion_ = false;
    } else if (InsertExcluded->isChecked()) {
        pendingRegion_ = true;
        pendingStart_ = x;
        InsertExcluded->setChecked(false);
        return;
    } else if (DeleteExcluded->isChecked()) {
        DeleteExcludedAt(Histogram()->Excluded, x);
        DeleteExcluded->setChecked(false);
    } else if (DeleteBackground->isChecked()) {
        const double dx = chart_->xAxis->range().size() / 100.0,
                     dy = chart_->yAxis->range().size() / 50.0;
        DeleteBackgroundNear(Histogram()->Background, x, y, dx, dy);
    } else {
        return;
    }
    Plot();
    emit HistogramEdited();
}

void TPlotForm::DrawExcludedRegions() {
    // One red band per excluded region over the plot height.
    chart_->clearItems();
    rubberBand_ = nullptr;
    if (!Histogram() || !Data || (Data->Kind != 3 && Data->Kind != 4)) return;
    for (const TPair& region : Histogram()->Excluded.Regions.Items) {
        const bool viewD = settings_.View_d;
        double low = viewD ? DSpacing(region.X, Histogram()) : region.X;
        double high = viewD ? DSpacing(region.Y, Histogram()) : region.Y;
        auto* band = new QCPItemRect(chart_);
        band->topLeft->setTypeX(QCPItemPosition::ptPlotCoords);
        band->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
        band->bottomRight->setTypeX(QCPItemPosition::ptPlotCoords);
        band->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
        band->topLeft->setCoords(std::min(low, high), 0);
        band->bottomRight->setCoords(std::max(low, high), 1);
        band->setPen(Qt::NoPen);
        band->setBrush(QColor(255, 0, 0, 60));
        band->setClipToAxisRect(true);
    }
}

void TPlotForm::Unzoom() {
    zoomed_ = false;
    chart_->rescaleAxes(true);
    // A little room above the highest peak and below the lowest marker row.
    chart_->yAxis->scaleRange(1.06, chart_->yAxis->range().center());
    chart_->replot();
}

void TPlotForm::ShowPosition(QMouseEvent* event) {
    const double x = chart_->xAxis->pixelToCoord(event->pos().x());
    const double y = chart_->yAxis->pixelToCoord(event->pos().y());
    panels_[0]->setText("x: " + QString::number(x, 'g', 7));
    panels_[1]->setText("y: " + QString::number(y, 'g', 7));
    if (!Data || Data->Kind != 4 || !Histogram()) return;
    const bool viewD = settings_.View_d;
    const double d = viewD ? x : DSpacing(x, Histogram());
    panels_[2]->setText("d: " + QString::number(d, 'g', 6));
    int nearest = -1;
    double best = 0;
    for (int k = 0; k < Data->ReflectionCount() && k < static_cast<int>(Data->ReflPositions.size());
         ++k) {
        const double distance = std::fabs(DSpacing(Data->ReflPositions[k], Histogram()) - d);
        if (nearest < 0 || distance < best) {
            nearest = k;
            best = distance;
        }
    }
    if (nearest < 0) return;
    panels_[3]->setText("Phase: " + QString::number(Data->ReflPhase(nearest + 1)));
    panels_[4]->setText(QString("hkl: %1 %2 %3")
                            .arg(Data->ReflH(nearest + 1))
                            .arg(Data->ReflK(nearest + 1))
                            .arg(Data->ReflL(nearest + 1)));
}

void TPlotForm::PrintTo(QPrinter& printer) {
    PrintChart(*chart_, printer);
}

bool TPlotForm::ExportTo(const QString& fileName) {
    if (!Data) {
        messenger_.Message("Error writing file.");
        return false;
    }
    try {
        WriteFileSafely(fileName.toStdString(), PlotExportText(*Data, series_).toStdString());
    } catch (const std::exception& e) {
        messenger_.Message(std::string("Error writing file.\n") + e.what());
        return false;
    }
    return true;
}

// Whether `problem` is empty; otherwise it is shown.
bool TPlotForm::Reported(const std::string& problem) const {
    if (!problem.empty()) messenger_.Message(problem);
    return problem.empty();
}

bool TPlotForm::SavePublicationImage(const QString& fileName) const {
    if (!Data) return Reported("Cannot write " + fileName.toStdString() + ": there is no plot.");
    return Reported(
        SavePublicationPlot(*Data, Histogram(), PhaseNames, TPublicationStyle(), fileName));
}

bool TPlotForm::SaveImage(const QString& fileName, int width, int height) {
    return Reported(SaveChartImage(*chart_, fileName, windowTitle(), width, height));
}

} // namespace koralix
