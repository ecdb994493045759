#include "Workspace.h"

#include "FormPosSaver.h"
#include "ModelFiles.h"
#include "PlotForm.h"
#include "Refine.h"

#include <QSettings>
#include <QWidget>

namespace koralix {

TWorkspace::TWorkspace(std::unique_ptr<QSettings> store, Messenger& messenger,
                       QWidget* windowParent)
    : QObject(nullptr), store_(std::move(store)), messages_(messenger),
      windowParent_(windowParent), model_(std::make_unique<TRietveld>()),
      tasks_(new TTaskRunner(this)) {
    connect(tasks_, &TTaskRunner::BusyChanged, this, &TWorkspace::BusyChanged);
}

TWorkspace::~TWorkspace() {
    CloseRefinement();
    driver_.reset();
    delete enginePlot_.data();
}

THistogram* TWorkspace::Histogram(int h) {
    if (h < 1 || h > model_->HistogramCount()) return nullptr;
    return &model_->Histogram(h);
}

TPhase* TWorkspace::Phase(int p) {
    if (p < 1 || p > model_->PhaseCount()) return nullptr;
    return &model_->Phase(p);
}

TAtom* TWorkspace::Atom(int p, int a) {
    TPhase* phase = Phase(p);
    if (!phase || a < 1 || a > phase->AtomCount()) return nullptr;
    return &phase->Atoms[static_cast<size_t>(a - 1)];
}

void TWorkspace::ReadModel(const QString& path) {
    if (driver_ && driver_->State() != RefineState::NotStarted &&
        driver_->State() != RefineState::Closed)
        CloseRefinement();
    SetInputFile(path);
    ReadModelFile(*model_, path.toStdString(), messages_);
    emit ModelReplaced();
}

void TWorkspace::CloseModel() {
    CloseRefinement();
    model_->Clear();
    model_->Loaded = false;
    SetInputFile(QString());
    SetChanged(false);
    emit ModelReplaced();
}

void TWorkspace::SetInputFile(const QString& file) {
    if (inputFile_ == file) return;
    inputFile_ = file;
    emit FilesChanged();
}

void TWorkspace::SetDataFile(const QString& file) {
    if (dataFile_ == file) return;
    dataFile_ = file;
    emit FilesChanged();
}

void TWorkspace::SetChanged(bool changed) {
    if (changed_ == changed) return;
    changed_ = changed;
    emit ChangedFlagChanged(changed);
}

void TWorkspace::MarkEdited() {
    if (model_->Loaded) SetChanged(true);
    emit ModelEdited();
}

void TWorkspace::SetMode(WorkMode mode) {
    if (mode_ == mode) return;
    mode_ = mode;
    emit ModeChanged(mode);
}

TRefine& TWorkspace::Driver() {
    if (!driver_) {
        driver_ = std::make_unique<TRefine>(messages_);
        driver_->Model = model_.get();
    }
    return *driver_;
}

void TWorkspace::CloseRefinement() {
    tasks_->Wait();
    if (!driver_) return;
    const RefineState state = driver_->State();
    if (state != RefineState::NotStarted && state != RefineState::Closed) driver_->QuickClose();
    messages_.Flush();
}

TPlotForm& TWorkspace::EnginePlot() {
    if (!enginePlot_) {
        auto* plot = new TPlotForm(settings_, messages_, windowParent_);
        plot->setWindowFlag(Qt::Window);
        new TFormPosSaver(plot, *store_, "Software\\Koralix\\Configuration\\PlotForm");
        connect(plot, &TPlotForm::HistogramEdited, this, [this] { SetChanged(true); });
        connect(plot, &TPlotForm::HistogramChosen, this, [this](int h) {
            if (ReplotEngine(h)) enginePlot_->Unzoom();
        });
        enginePlot_ = plot;
    }
    return *enginePlot_;
}

TPlotForm* TWorkspace::EnginePlotIfCreated() const {
    return enginePlot_.data();
}

bool TWorkspace::ReplotEngine(int h) {
    if (!driver_) return false;
    const RefineState state = driver_->State();
    if (state == RefineState::NotStarted || state == RefineState::Closed) return false;
    const int count = model_->HistogramCount();
    if (count == 0) return false;
    if (h < 1 || h > count) h = 1;
    driver_->GetPlot(enginePlotData_, h);
    TPlotForm& plot = EnginePlot();
    plot.Data = &enginePlotData_;
    plot.Model = model_.get();
    plot.HistogramNumber = h;
    plot.Cycle = driver_->Cycle();
    plot.HistogramCount = count;
    const bool first = !plot.isVisible();
    plot.Plot();
    // Follow the refinement (the difference curve appears after the first
    // cycle) unless the user has zoomed in.
    if (first || !plot.UserZoomed()) plot.Unzoom();
    plot.show();
    return true;
}

} // namespace koralix
