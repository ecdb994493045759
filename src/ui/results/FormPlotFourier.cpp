#include "FormPlotFourier.h"

#include "ChartExport.h"
#include "ChartOutput.h"
#include "Contours.h"
#include "EngineApi.h"
#include "HelpWindow.h"
#include "Messenger.h"
#include "Model.h"
#include "Refine.h"
#include "SafeFile.h"

#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QTimer>
#include <QtDataVisualization/Q3DScatter>
#include <QtDataVisualization/Q3DSurface>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace koralix {

namespace {

// Kept between uses of the window.
struct TFourierSettings {
    int Axis = 3;
    int Levels = 15;
    int Pen = 2;
};

TFourierSettings& Kept() {
    static TFourierSettings settings;
    return settings;
}

const char* const AxisNames[3] = {"x", "y", "z"};

class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// The colour of contour level j of n: blue through green to red.
QColor LevelColour(int j, int n) {
    const double t = n > 1 ? double(j - 1) / (n - 1) : 0.0;
    return QColor::fromHsvF(0.67 * (1 - t), 0.9, 0.85);
}

} // namespace

std::vector<float>& TFormPlotFourier::FourierMap() {
    static std::vector<float> map(MapSize, 0.0f);
    return map;
}

TFormPlotFourier::TFormPlotFourier(TRietveld* model, TRefine* refine, Messenger& messenger,
                                   QWidget* parent)
    : QMainWindow(parent), model_(model), refine_(refine), messenger_(messenger) {
    setObjectName("FormPlotFourier");
    setWindowTitle("Fourier");
    resize(900, 720);
    BuildControls();
    BuildMenus();
    animation_ = new QTimer(this);
    animation_->setInterval(150);
    connect(animation_, &QTimer::timeout, this, &TFormPlotFourier::AnimationStep);
    ReplotButton->setEnabled(false);
    AutoBox->setEnabled(false);
    AnimateButton->setEnabled(false);
    StopButton->hide();
}

TFormPlotFourier::~TFormPlotFourier() = default;

void TFormPlotFourier::BuildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* row = new QHBoxLayout;
    auto labelled = [&](const QString& text, QWidget* w) {
        auto* l = new QLabel(text, central);
        l->setBuddy(w);
        row->addWidget(l);
        row->addWidget(w);
    };
    HistogramList = new QComboBox(central);
    PhaseList = new QComboBox(central);
    TypeList = new QComboBox(central);
    TypeList->addItems({"Fourier obs", "Fourier calc", "Fourier diff", "Patterson obs",
                        "Patterson calc", "Patterson diff"});
    labelled("Histogram:", HistogramList);
    labelled("Phase:", PhaseList);
    labelled("Type:", TypeList);
    auto* axis = new QGroupBox("Axis", central);
    auto* axisRow = new QHBoxLayout(axis);
    for (int a = 0; a < 3; ++a) {
        AxisButtons[a] = new QRadioButton(AxisNames[a], axis);
        axisRow->addWidget(AxisButtons[a]);
    }
    AxisButtons[Kept().Axis - 1]->setChecked(true);
    row->addWidget(axis);
    CalculateButton = new QPushButton("Calculate", central);
    ReplotButton = new QPushButton("Replot", central);
    row->addWidget(CalculateButton);
    row->addWidget(ReplotButton);
    row->addStretch();
    layout->addLayout(row);

    auto* sliceRow = new QHBoxLayout;
    Slice = new QSpinBox(central);
    Slice->setRange(1, MapSide);
    SliceLabel = new QLabel(central);
    SliceLabel->setMinimumWidth(90);
    AutoBox = new QCheckBox("Auto", central);
    AnimateButton = new QPushButton("Animate", central);
    StopButton = new QPushButton("Stop", central);
    auto* sliceText = new QLabel("Slice:", central);
    sliceText->setBuddy(Slice);
    for (QWidget* w : std::initializer_list<QWidget*>{sliceText, Slice, SliceLabel, AutoBox,
                                                      AnimateButton, StopButton})
        sliceRow->addWidget(w);
    sliceRow->addStretch();
    layout->addLayout(sliceRow);

    splitter_ = new QSplitter(Qt::Horizontal, central);
    Chart = new QCustomPlot(splitter_);
    Chart->setMinimumSize(300, 300);
    colours_ = new QCPColorMap(Chart->xAxis, Chart->yAxis);
    QCPColorGradient gradient(QCPColorGradient::gpSpectrum);
    gradient.setLevelCount(350);
    colours_->setGradient(gradient);
    colours_->setInterpolate(true);
    colours_->setLayer("background");
    for (QCPAxis* ax : {Chart->xAxis, Chart->yAxis}) {
        ax->setNumberFormat("g");
        ax->setNumberPrecision(3);
    }
    splitter_->addWidget(Chart);
    layout->addWidget(splitter_, 1);
    setCentralWidget(central);

    StatusX = new QLabel("x:", this);
    StatusY = new QLabel("y:", this);
    StatusZ = new QLabel("z:", this);
    for (QLabel* l : {StatusX, StatusY, StatusZ}) {
        l->setMinimumWidth(140);
        statusBar()->addWidget(l);
    }

    connect(CalculateButton, &QPushButton::clicked, this, &TFormPlotFourier::Calculate);
    connect(ReplotButton, &QPushButton::clicked, this, &TFormPlotFourier::Replot);
    connect(AnimateButton, &QPushButton::clicked, this, &TFormPlotFourier::Animate);
    connect(StopButton, &QPushButton::clicked, this, &TFormPlotFourier::Stop);
    connect(Slice, &QSpinBox::valueChanged, this, &TFormPlotFourier::SliceChanged);
    auto again = [this] { CalculateButton->setEnabled(true); };
    for (QComboBox* list : {HistogramList, PhaseList, TypeList})
        connect(list, &QComboBox::currentIndexChanged, this, again);
    for (int a = 0; a < 3; ++a)
        connect(AxisButtons[a], &QRadioButton::toggled, this, [this, again, a](bool on) {
            if (!on) return;
            Kept().Axis = a + 1;
            again();
            SliceChanged();
        });
    connect(Chart, &QCustomPlot::mouseMove, this, &TFormPlotFourier::ShowMouse);
    SliceChanged();
}

void TFormPlotFourier::BuildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    file->addAction("Save as BMP", this, [this] { SaveImage(false); });
    file->addAction("Save as WMF", this, [this] { SaveImage(true); });
    file->addAction("&Print", this, [this] { PrintChartWithDialog(*Chart, this); });
    file->addAction("Print Preview", this, [this] { PreviewChart(*Chart, this); });
    file->addAction("Close", this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu("Edit");
    edit->addAction("Copy as BMP", this, [this] { CopyChartBitmap(*Chart); });
    edit->addAction("Copy as WMF", this, [this] { CopyChart(*Chart); });

    QMenu* chart = menuBar()->addMenu("Chart");
    QMenu* display = chart->addMenu("Display");
    ContourItem = display->addAction("Contour");
    const char* surfaceNames[3] = {"Solid Surface", "Wireframe", "DotFrame"};
    for (int s = 0; s < 3; ++s)
        SurfaceItems[s] = display->addAction(surfaceNames[s]);
    for (QAction* a : {ContourItem, SurfaceItems[0], SurfaceItems[1], SurfaceItems[2]}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a](bool on) { ToggleDisplay(a, on); });
    }
    ContourItem->setChecked(true);

    QMenu* levels = chart->addMenu("Number Levels");
    auto* levelGroup = new QActionGroup(this);
    for (int j = 0; j < 6; ++j) {
        const int n = 5 * (j + 1);
        LevelItems[j] = levels->addAction(QString::number(n));
        LevelItems[j]->setCheckable(true);
        LevelItems[j]->setChecked(n == Kept().Levels);
        levelGroup->addAction(LevelItems[j]);
        connect(LevelItems[j], &QAction::triggered, this, [n] { Kept().Levels = n; });
    }
    QMenu* pens = chart->addMenu("Pen Thickness");
    auto* penGroup = new QActionGroup(this);
    for (int w = 1; w <= 3; ++w) {
        PenItems[w - 1] = pens->addAction(QString::number(w));
        PenItems[w - 1]->setCheckable(true);
        PenItems[w - 1]->setChecked(w == Kept().Pen);
        penGroup->addAction(PenItems[w - 1]);
        connect(PenItems[w - 1], &QAction::triggered, this, [w] { Kept().Pen = w; });
    }
    GridLines = chart->addAction("Grid Lines");
    GridLines->setCheckable(true);
    GridLines->setChecked(true);
    DoubleCell = chart->addAction("Double Cell");
    DoubleCell->setCheckable(true);
    chart->addAction("Edit", this, [this] { EditChartBackground(*Chart, this); });
    menuBar()->addAction("&Help", this, [] { Help().ShowTopic("Refinement"); })
        ->setShortcut(QKeySequence("F1"));
}

void TFormPlotFourier::showEvent(QShowEvent* event) {
    Fill();
    QMainWindow::showEvent(event);
}

void TFormPlotFourier::closeEvent(QCloseEvent* event) {
    Stop();
    QMainWindow::closeEvent(event);
}

void TFormPlotFourier::Fill() {
    HistogramList->clear();
    PhaseList->clear();
    const int nh = model_ ? model_->HistogramCount() : 0, np = model_ ? model_->PhaseCount() : 0;
    for (int h = 1; h <= nh; ++h)
        HistogramList->addItem("Histogram " + QString::number(h));
    for (int p = 1; p <= np; ++p)
        PhaseList->addItem("Phase " + QString::number(p));
    HistogramList->setCurrentIndex(nh > 0 ? 0 : -1);
    PhaseList->setCurrentIndex(np > 0 ? 0 : -1);
    CalculateButton->setEnabled(true);
}

int TFormPlotFourier::Axis() const {
    for (int a = 0; a < 3; ++a)
        if (AxisButtons[a]->isChecked()) return a + 1;
    return 3;
}

bool TFormPlotFourier::ContourShown() const {
    return ContourItem->isChecked();
}

bool TFormPlotFourier::SurfaceShown() const {
    return std::any_of(std::begin(SurfaceItems), std::end(SurfaceItems),
                       [](QAction* a) { return a->isChecked(); });
}

void TFormPlotFourier::Calculate() {
    BusyCursor busy;
    if (!refine_ || !refine_->IsLoaded()) return;
    auto* getfour = reinterpret_cast<engine::GetFourFn*>(refine_->LibrarySymbol("getfour"));
    if (!getfour) {
        messenger_.Message("Fourier failed");
        return;
    }
    int32_t hist = HistogramList->currentIndex() + 1, phase = PhaseList->currentIndex() + 1;
    int32_t axis = Axis(), type = TypeList->currentIndex();
    int32_t open = refine_->State() == RefineState::Closed ? 0 : 1, status = 0;
    float min = 0, max = 0;
    getfour(&hist, &phase, &axis, &type, &open, &min, &max, FourierMap().data(), &status);
    ReplotButton->setEnabled(status == 0);
    // A failed call leaves the last map in place: it must not be shown as the new one.
    if (status != 0) return;
    max_ = max - 0.05 * (max - min);
    min_ = min + 0.05 * (max_ - min);
    calculated_ = true;
    AutoBox->setEnabled(true);
    AnimateButton->setEnabled(true);
    Replot();
}

std::vector<double> TFormPlotFourier::SliceGrid(int& side) const {
    const bool twice = DoubleCell->isChecked();
    side = twice ? 2 * MapSide : MapSide;
    std::vector<double> grid(size_t(side) * size_t(side));
    const int s = Slice->value() - 1;
    const auto& map = FourierMap();
    for (int i = 0; i < side; ++i)
        for (int k = 0; k < side; ++k)
            grid[size_t(i) * size_t(side) + size_t(k)] = map[MapIndex(s, i % MapSide, k % MapSide)];
    return grid;
}

void TFormPlotFourier::Replot() {
    BusyCursor busy;
    ShowDisplays();
    if (ContourShown()) PlotContour();
    if (SurfaceShown()) PlotSurface();
}

void TFormPlotFourier::PlotContour() {
    int side = 0;
    const std::vector<double> grid = SliceGrid(side);
    const double extent = double(side) / MapSide;
    colours_->data()->setSize(side, side);
    colours_->data()->setRange(QCPRange(0, extent - 1.0 / MapSide),
                               QCPRange(0, extent - 1.0 / MapSide));
    for (int i = 0; i < side; ++i)
        for (int k = 0; k < side; ++k)
            colours_->data()->setCell(k, i, grid[size_t(i) * size_t(side) + size_t(k)]);
    colours_->setDataRange(QCPRange(min_, max_));
    // A pale colour map under lines of the levels' own colours.
    QCPColorGradient pale(QCPColorGradient::gpGrayscale);
    pale.setColorStopAt(0, QColor(40, 40, 60));
    pale.setColorStopAt(1, QColor(250, 250, 255));
    colours_->setGradient(pale);

    for (int g = Chart->plottableCount() - 1; g >= 0; --g)
        if (Chart->plottable(g) != colours_) Chart->removePlottable(g);
    const int n = Kept().Levels;
    const std::vector<double> levels = ContourLevels(min_, max_, n);
    for (int j = 1; j <= n; ++j) {
        auto* curve = new QCPCurve(Chart->xAxis, Chart->yAxis);
        curve->setPen(QPen(LevelColour(j, n), Kept().Pen));
        QVector<double> t, x, y;
        double count = 0;
        for (const TContourSegment& s : ContourSegments(grid, side, side, levels[size_t(j - 1)])) {
            // A NaN point between segments breaks the line.
            for (auto [px, py] : {std::pair{s.X1, s.Y1}, std::pair{s.X2, s.Y2},
                                  std::pair{qQNaN(), qQNaN()}}) {
                t << count++;
                x << px / MapSide;
                y << py / MapSide;
            }
        }
        curve->setData(t, x, y, true);
    }
    const double upper = extent - 1.0 / MapSide;
    Chart->xAxis->setRange(0, upper);
    Chart->yAxis->setRange(0, upper);
    const int a = Axis() - 1;
    Chart->xAxis->setLabel(AxisNames[(a + 1) % 3]);
    Chart->yAxis->setLabel(AxisNames[(a + 2) % 3]);
    for (QCPAxis* ax : {Chart->xAxis, Chart->yAxis})
        ax->grid()->setVisible(GridLines->isChecked());
    Chart->replot();
}

void TFormPlotFourier::ShowDisplays() {
    Chart->setVisible(ContourShown());
    const bool dots = SurfaceItems[2]->isChecked();
    const bool surface = SurfaceItems[0]->isChecked() || SurfaceItems[1]->isChecked();
    // The 3-D views need an OpenGL context: they are made only when first shown.
    if (surface && !surface_) {
        surface_ = new Q3DSurface;
        surfaceBox_ = QWidget::createWindowContainer(surface_, splitter_);
        surfaceBox_->setMinimumSize(300, 300);
        splitter_->addWidget(surfaceBox_);
        surface_->addSeries(new QSurface3DSeries);
        surface_->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
        surface_->scene()->activeCamera()->setCameraPosition(290, 30, 65);
    }
    if (dots && !scatter_) {
        scatter_ = new Q3DScatter;
        scatterBox_ = QWidget::createWindowContainer(scatter_, splitter_);
        scatterBox_->setMinimumSize(300, 300);
        splitter_->addWidget(scatterBox_);
        auto* series = new QScatter3DSeries;
        series->setMesh(QAbstract3DSeries::MeshPoint);
        scatter_->addSeries(series);
        scatter_->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
        scatter_->scene()->activeCamera()->setCameraPosition(290, 30, 65);
    }
    if (surfaceBox_) surfaceBox_->setVisible(surface);
    if (scatterBox_) scatterBox_->setVisible(dots);
}

void TFormPlotFourier::PlotSurface() {
    int side = 0;
    const std::vector<double> grid = SliceGrid(side);
    const int a = Axis() - 1;
    if (SurfaceItems[2]->isChecked() && scatter_) {
        auto* data = new QScatterDataArray;
        data->reserve(side * side);
        for (int i = 0; i < side; ++i)
            for (int k = 0; k < side; ++k)
                data->append(QScatterDataItem(QVector3D(float(k) / MapSide,
                                                        float(grid[size_t(i * side + k)]),
                                                        float(i) / MapSide)));
        scatter_->seriesList().at(0)->dataProxy()->resetArray(data);
        scatter_->axisY()->setRange(float(min_), float(max_));
        scatter_->axisX()->setTitle(AxisNames[(a + 1) % 3]);
        scatter_->axisZ()->setTitle(AxisNames[(a + 2) % 3]);
        return;
    }
    if (!surface_) return;
    auto* rows = new QSurfaceDataArray;
    rows->reserve(side);
    for (int i = 0; i < side; ++i) {
        auto* row = new QSurfaceDataRow(side);
        for (int k = 0; k < side; ++k)
            (*row)[k].setPosition(QVector3D(float(k) / MapSide, float(grid[size_t(i * side + k)]),
                                            float(i) / MapSide));
        rows->append(row);
    }
    QSurface3DSeries* series = surface_->seriesList().at(0);
    series->dataProxy()->resetArray(rows);
    series->setDrawMode(SurfaceItems[1]->isChecked() ? QSurface3DSeries::DrawWireframe
                                                     : QSurface3DSeries::DrawSurface);
    QLinearGradient gradient;
    for (int j = 0; j <= 4; ++j)
        gradient.setColorAt(j / 4.0, LevelColour(j + 1, 5));
    series->setBaseGradient(gradient);
    series->setColorStyle(Q3DTheme::ColorStyleRangeGradient);
    surface_->axisY()->setRange(float(min_), float(max_));
    surface_->axisX()->setTitle(AxisNames[(a + 1) % 3]);
    surface_->axisZ()->setTitle(AxisNames[(a + 2) % 3]);
}

void TFormPlotFourier::ToggleDisplay(QAction* item, bool on) {
    if (on && item != ContourItem)
        for (QAction* s : SurfaceItems)
            if (s != item) s->setChecked(false);
    // The last display that remains cannot be switched off.
    if (!on && !ContourShown() && !SurfaceShown()) item->setChecked(true);
    if (calculated_) Replot();
}

void TFormPlotFourier::SliceChanged() {
    const int a = Axis() - 1;
    SliceLabel->setText(QString(AxisNames[a]) + " = " +
                        QString::number(double(Slice->value() - 1) / MapSide, 'f', 4));
    QApplication::processEvents();
    if (AutoBox->isEnabled() && AutoBox->isChecked() && calculated_) Replot();
}

void TFormPlotFourier::Animate() {
    autoBefore_ = AutoBox->isChecked();
    AutoBox->setChecked(true);
    AnimateButton->hide();
    StopButton->show();
    animation_->start();
}

void TFormPlotFourier::AnimationStep() {
    Slice->setValue(Slice->value() >= MapSide ? 1 : Slice->value() + 1);
}

void TFormPlotFourier::Stop() {
    if (!animation_->isActive()) return;
    animation_->stop();
    StopButton->hide();
    AnimateButton->show();
    AutoBox->setChecked(autoBefore_);
}

void TFormPlotFourier::ShowMouse(QMouseEvent* event) {
    const double x = Chart->xAxis->pixelToCoord(event->pos().x());
    const double y = Chart->yAxis->pixelToCoord(event->pos().y());
    const int k = static_cast<int>(std::lround(x * MapSide)), i = static_cast<int>(std::lround(y * MapSide));
    if (k < 0 || i < 0 || k >= 2 * MapSide || i >= 2 * MapSide) return;
    const float value = FourierMap()[MapIndex(Slice->value() - 1, i % MapSide, k % MapSide)];
    StatusX->setText("x: " + QString::number(double(k) / MapSide, 'g', 3));
    StatusY->setText("y: " + QString::number(double(i) / MapSide, 'g', 3));
    StatusZ->setText("z: " + QString::number(value, 'g', 5));
}

void TFormPlotFourier::SaveImage(bool vector) {
    const QString name = QFileDialog::getSaveFileName(
        this, QString(), QString(),
        vector ? "Scalable Vector Graphics (*.svg)" : "BitMap Files (*.bmp)");
    if (name.isEmpty()) return;
    SaveImageTo(QFileInfo(name).suffix().isEmpty() ? name + (vector ? ".svg" : ".bmp") : name,
                vector);
}

bool TFormPlotFourier::SaveImageTo(const QString& file, bool vector) {
    // Drawn in memory and saved like any file: a read-only target, a link or
    // a FIFO is treated as every save treats it.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool ok = false;
    if (vector) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        ok = PaintSvg(*Chart, svg, {Chart->width(), Chart->height(), QString()});
    } else {
        ok = Chart->toPixmap().save(&buffer, "BMP");
    }
    if (!ok) {
        messenger_.Message("Cannot write " + file.toStdString());
        return false;
    }
    try {
        WriteFileSafely(file.toStdString(), bytes.toStdString());
    } catch (const std::exception& e) {
        messenger_.Message(e.what());
        return false;
    }
    return true;
}

} // namespace koralix
