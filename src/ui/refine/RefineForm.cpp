#include "RefineForm.h"

#include "DataLink.h"
#include "FileChooser.h"
#include "FileTypes.h"
#include "FormKoralix.h"
#include "FormPosSaver.h"
#include "FormWatch.h"
#include "InputFile.h"
#include "MainHooks.h"
#include "PlotForm.h"
#include "VendorData.h"
#include "Workspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

namespace koralix {

namespace {

const QString FilterData =
    QStringLiteral("All Data Files (*.dat,*.gs,*.xy,*.cpi)|*.dat;*.gs;*.xy;*.cpi|ZKRM Data files "
                   "(*.dat)|*.dat|GSAS Data "
                   "files (*.gs)|*.gs|XY Data files (*.xy)|*.xy|CPI Data files (*.cpi)|*.cpi");

// The path without the extension of its file name; a dot in a folder name stays.
std::string WithoutExtension(const QString& path) {
    return std::filesystem::path(path.toStdString()).replace_extension().string();
}

QDockWidget* Panel(QMainWindow* window, const QString& title, const QString& name,
                   QWidget* content) {
    auto* dock = new QDockWidget(title, window);
    dock->setObjectName(name);
    dock->setWidget(content);
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    window->addDockWidget(Qt::TopDockWidgetArea, dock);
    return dock;
}

QString Fixed83(float value) {
    return QString::number(value, 'f', 3).rightJustified(8, ' ');
}

} // namespace

TRefineForm::TRefineForm(TFormKoralix& main, TWorkspace& work, FileChooser& files,
                         QWidget* parent)
    : QMainWindow(parent), main_(main), work_(work), files_(files) {
    setObjectName("RefineForm");
    setWindowTitle("Refine");
    setDockNestingEnabled(true);
    BuildPanels();
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(1000);
    connect(progressTimer_, &QTimer::timeout, this, [this] {
        if (TRefine* refine = work_.DriverIfCreated()) Progress->setValue(refine->GetProgress());
    });
}

TRefineForm::~TRefineForm() = default;

TPlotForm* TRefineForm::PlotWindow() const {
    return work_.EnginePlotIfCreated();
}

void TRefineForm::BuildPanels() {
    auto* input = new QWidget;
    auto* inputRow = new QHBoxLayout(input);
    inputRow->addWidget(new QLabel("Input:"));
    InputEdit = new QLineEdit;
    InputEdit->setMinimumWidth(270);
    inputRow->addWidget(InputEdit);
    auto* open = new QToolButton;
    openButton_ = open;
    open->setText("Open");
    open->setPopupMode(QToolButton::MenuButtonPopup);
    auto* recent = new QMenu(open);
    connect(recent, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        for (const QString& file : work_.Settings().Recent.Files)
            recent->addAction(file, this, [this, file] {
                main_.OpenRecent(file);
                CheckForm();
            });
    });
    open->setMenu(recent);
    connect(open, &QToolButton::clicked, this, &TRefineForm::ChooseInputFile);
    inputRow->addWidget(open);
    connect(InputEdit, &QLineEdit::returnPressed, this,
            [this] { ReadInput(InputEdit->text().trimmed()); });
    QDockWidget* inputPanel = Panel(this, "Input box", "InputFileInput", input);

    auto* data = new QWidget;
    auto* dataRow = new QHBoxLayout(data);
    dataRow->addWidget(new QLabel("Data: "));
    DataEdit = new QLineEdit;
    DataEdit->setMinimumWidth(270);
    dataRow->addWidget(DataEdit);
    auto* choose = new QPushButton("...");
    dataButton_ = choose;
    choose->setMaximumWidth(30);
    connect(choose, &QPushButton::clicked, this, &TRefineForm::ChooseDataFile);
    connect(DataEdit, &QLineEdit::editingFinished, this, [this] {
        const QString name = DataEdit->text().trimmed();
        if (QFileInfo::exists(name)) work_.SetDataFile(name);
    });
    dataRow->addWidget(choose);
    QDockWidget* dataPanel = Panel(this, "Data box", "DataFileInput", data);

    auto* control = new QWidget;
    auto* controlRow = new QHBoxLayout(control);
    StartButton = new QPushButton("&Start");
    StartButton->setShortcut(QKeySequence("F2"));
    StepButton = new QPushButton("S&tep");
    StepButton->setShortcut(QKeySequence("F3"));
    StopButton = new QPushButton("Stop");
    StopButton->hide();
    StepCount = new QSpinBox;
    StepCount->setRange(0, 99);
    StepCount->setValue(1);
    FinishButton = new QPushButton("&Finish");
    FinishButton->setShortcut(QKeySequence("F4"));
    UpdateBox = new QCheckBox("&Update");
    DynamicPlotting = new QCheckBox("Dynamic &Plotting");
    WatchValues = new QCheckBox("&Watch Values");
    for (QWidget* w :
         std::initializer_list<QWidget*>{StartButton, StepButton, StopButton, StepCount,
                                         FinishButton, UpdateBox, DynamicPlotting, WatchValues})
        controlRow->addWidget(w);
    connect(StartButton, &QPushButton::clicked, this, &TRefineForm::Start);
    connect(StepButton, &QPushButton::clicked, this, &TRefineForm::Step);
    connect(StopButton, &QPushButton::clicked, this, &TRefineForm::Stop);
    connect(FinishButton, &QPushButton::clicked, this, &TRefineForm::Finish);
    connect(DynamicPlotting, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            Replot();
        else if (TPlotForm* plot = PlotWindow())
            plot->hide();
    });
    QDockWidget* controlPanel = Panel(this, "Refinement control", "RefinementControl", control);

    auto* status = new QWidget;
    auto* grid = new QGridLayout(status);
    grid->addWidget(new QLabel("# of Histograms:"), 0, 0);
    HistogramCountLabel = new QLabel("0");
    grid->addWidget(HistogramCountLabel, 0, 1);
    grid->addWidget(new QLabel("Cycle:"), 0, 2);
    CycleLabel = new QLabel("0");
    grid->addWidget(CycleLabel, 0, 3);
    grid->addWidget(new QLabel("Progress:"), 1, 0);
    Progress = new QProgressBar;
    Progress->setRange(0, 100);
    Progress->setValue(0);
    grid->addWidget(Progress, 1, 1, 1, 3);
    Factors = new QTableWidget(0, 4);
    Factors->setHorizontalHeaderLabels({"", "Rp:", "Rwp:", QString::fromUtf8("\u03C7\u00B2:")});
    Factors->verticalHeader()->hide();
    Factors->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Factors->setColumnWidth(0, 35);
    for (int c = 1; c < 4; ++c)
        Factors->setColumnWidth(c, 65);
    Factors->setMinimumWidth(35 + 3 * 65 + 6);
    Factors->setMaximumHeight(120);
    grid->addWidget(Factors, 2, 0, 1, 4);
    QDockWidget* statusPanel = Panel(this, "Status box", "Status", status);
    // Files and control on the left, one under the other; the status beside them.
    splitDockWidget(inputPanel, statusPanel, Qt::Horizontal);
    splitDockWidget(inputPanel, dataPanel, Qt::Vertical);
    splitDockWidget(dataPanel, controlPanel, Qt::Vertical);
    restoreState(main_.SettingsStore().value("Toolbars/RefineForm").toByteArray());
}

void TRefineForm::UpdateStatus(RefineButtonState state) {
    const TRefineButtons b = RefineButtonsFor(state);
    if (b.fileControlsChange)
        for (QWidget* w : findChildren<QLineEdit*>())
            w->setEnabled(b.fileControls);
    StartButton->setEnabled(b.start);
    StepButton->setEnabled(b.step);
    FinishButton->setEnabled(b.finish);
    StepButton->setVisible(!b.stopVisible);
    StopButton->setVisible(b.stopVisible);
    const bool update = work_.Model().Control5 == 1;
    UpdateBox->setEnabled(update);
    if (!update) UpdateBox->setChecked(false);
    QApplication::processEvents();
}

void TRefineForm::CheckForm() {
    InputEdit->setText(work_.InputFile());
    DataEdit->setText(work_.DataFile());
    UpdateStatus(InputEdit->text().trimmed().isEmpty() ? RefineButtonState::NoInput
                                                       : RefineButtonState::Ready);
    main_.UpdateForm();
}

void TRefineForm::ReadInput(const QString& fileName) {
    if (fileName.isEmpty()) return;
    work_.ReadModel(fileName);
    if (work_.Settings().AssignDatafile) {
        const std::string data = DataFileFor(fileName.toStdString(), work_.Model().DataFormat);
        if (!data.empty()) work_.SetDataFile(QString::fromStdString(data));
    }
    if (work_.Model().Loaded) work_.Settings().Recent.Add(fileName);
    CheckForm();
}

void TRefineForm::ChooseInputFile() {
    QString folder;
    if (work_.InputFile().isEmpty() && work_.DataFile().isEmpty())
        folder = work_.Settings().StartUpDirectgory;
    else
        folder = work_.InputFile();
    const QString chosen = files_.OpenFileName("Input Files (*.inp)|*.inp", "inp", folder);
    if (!chosen.isEmpty()) ReadInput(chosen);
}

void TRefineForm::ChooseDataFile() {
    QString folder = work_.Settings().StartUpDirectgory;
    if (!work_.InputFile().isEmpty() && work_.DataFile().isEmpty())
        folder = QFileInfo(work_.InputFile()).absolutePath();
    const QString chosen = files_.OpenFileName(FilterData, "", folder).trimmed();
    if (chosen.isEmpty()) return;
    work_.SetDataFile(chosen);
    {
        int32_t& format = work_.Model().DataFormat;
        switch (FileTypeOf(chosen.toStdString())) {
        case FileType::Dat:
            if (format > 2) format = 0;
            break;
        case FileType::GsasRaw:
            format = 3;
            break;
        case FileType::Xy:
            if (format != 4 && format != 5) format = 4;
            break;
        case FileType::Cpi:
            format = 6;
            break;
        default:
            break;
        }
    }
    CheckForm();
}

void TRefineForm::Start() {
    if (running_) return;
    stepped_ = false;
    TRefine& refine = work_.Driver();
    if (!closed_) refine.QuickClose();
    if (work_.DataFile().isEmpty()) {
        // The data file beside the model when there is one, as a user expects.
        const std::string companion =
            DataFileFor(work_.InputFile().toStdString(), work_.Model().DataFormat);
        work_.SetDataFile(companion.empty() ? QStringLiteral("temp.dat")
                                            : QString::fromStdString(companion));
    }
    // A data file named with another extension is still read in the model's format.
    // An instrument maker's file is written beside itself as engine data first.
    const std::string data =
        PrepareDataFile(work_.Model(), work_.DataFile().toStdString(), work_.Messages());
    work_.SetDataFile(QString::fromStdString(data));
    DataEdit->setText(work_.DataFile());
    refine.DataName = EngineDataName(data, work_.Model().DataFormat, refine.TempDirectory());
    if (refine.DataName.empty()) refine.DataName = WithoutExtension(work_.DataFile());
    refine.BaseName =
        work_.Settings().TempRefine ? std::string() : WithoutExtension(work_.InputFile());
    UpdateStatus(RefineButtonState::NoInput);
    refine.StartRefinement();
    closed_ = false;
    UpdateStatus(refine.State() == RefineState::Started ? RefineButtonState::Open
                                                        : RefineButtonState::Ready);
    if (refine.LastError == StatusFault) return;
    const int histograms = work_.Model().HistogramCount();
    HistogramCountLabel->setText(QString::number(histograms));
    CycleLabel->setText("0");
    Factors->setRowCount(histograms);
    Factors->clearContents();
    if (DynamicPlotting->isChecked()) Replot();
    if (work_.Settings().StepOnStart) Step();
}

void TRefineForm::ShowFactors() {
    TRefine& refine = work_.Driver();
    for (int h = 1; h <= work_.Model().HistogramCount(); ++h) {
        const QString cells[4] = {QString::number(h).rightJustified(3, ' '),
                                  Fixed83(refine.GetRp(h)), Fixed83(refine.GetRwp(h)),
                                  Fixed83(refine.GetChi2(h))};
        for (int c = 0; c < 4; ++c)
            Factors->setItem(h - 1, c, new QTableWidgetItem(cells[c]));
        QApplication::processEvents();
    }
    CycleLabel->setText(QString::number(refine.Cycle()));
}

void TRefineForm::Step() {
    if (running_) return;
    stepsLeft_ = StepCount->value();
    if (stepsLeft_ <= 0) return;
    running_ = true;
    ended_ = false;
    RunCycle();
}

void TRefineForm::RunCycle() {
    if (work_.Busy()) {
        // The text editor's refinement or a macro holds the one driver.
        running_ = false;
        work_.Messages().Message(TWorkspace::BusyMessage);
        return;
    }
    TRefine& refine = work_.Driver();
    progressTimer_->start();
    UpdateStatus(RefineButtonState::Running);
    // The cycle runs on the task runner; the window keeps repainting, polling
    // the progress and answering Stop meanwhile.
    work_.Tasks().Run([&refine] { refine.StepRefinement(); }, [this] { CycleDone(); });
}

void TRefineForm::CycleDone() {
    TRefine& refine = work_.Driver();
    work_.FlushMessages();
    closed_ = false;
    progressTimer_->stop();
    stepped_ = true;
    if (refine.State() == RefineState::Finished) {
        UpdateStatus(RefineButtonState::Ended);
        ended_ = true;
    }
    Progress->setValue(100);
    if (refine.LastError == 0) {
        ShowFactors();
        if (DynamicPlotting->isChecked()) Replot();
        // The watch window refills itself on the announcement while Watch Values is checked.
        if (main_.Hooks) main_.Hooks->WatchWindow().Follow(this, WatchValues->isChecked());
        work_.AnnounceCycle(refine.Cycle());
    }
    bool more = !ended_;
    if (more && (refine.LastError != 0 || --stepsLeft_ <= 0)) {
        UpdateStatus(stepsLeft_ > 0 ? RefineButtonState::Ended : RefineButtonState::Stepped);
        more = false;
    }
    if (more) {
        RunCycle();
        return;
    }
    running_ = false;
    if (refine.State() == RefineState::Closed) UpdateStatus(RefineButtonState::Ready);
}

void TRefineForm::Finish() {
    if (running_) return;
    TRefine& refine = work_.Driver();
    if (stepped_) {
        UpdateStatus(RefineButtonState::NoInput);
        const bool update = UpdateBox->isChecked();
        refine.CloseRefinement(update);
        // A failed close leaves BaseName.upd of an earlier run: never read it as this one's.
        if (refine.State() == RefineState::Closed && refine.LastError == 0 && update) {
            ReadInputFile(work_.Model(), refine.BaseName + ".upd", work_.Messages());
            if (!work_.InputFile().isEmpty()) {
                try {
                    WriteInputFile(work_.Model(), work_.InputFile().toStdString());
                } catch (const std::exception& e) {
                    work_.Messages().Message(e.what());
                }
            }
            work_.MarkEdited();
            // The refined model is now the saved one.
            work_.SetChanged(false);
        }
    } else {
        refine.QuickClose();
    }
    UpdateStatus(RefineButtonState::Ready);
    Progress->setValue(0);
    closed_ = true;
}

void TRefineForm::Replot() {
    TPlotForm* shown = work_.EnginePlotIfCreated();
    work_.ReplotEngine(shown ? shown->HistogramNumber : 1);
}

void TRefineForm::showEvent(QShowEvent* event) {
    if (!running_) closed_ = work_.Driver().State() == RefineState::NotStarted ||
                             work_.Driver().State() == RefineState::Closed;
    DynamicPlotting->setChecked(work_.Settings().RDPlot);
    UpdateBox->setChecked(work_.Settings().RDUpdate);
    work_.SetMode(WorkMode::Refine);
    TRefine& refine = work_.Driver();
    refine.IDSZ = work_.Settings().IDSZ;
    refine.IRS = work_.Settings().IRS;
    refine.NIPOI = work_.Settings().NIPOI;
    CheckForm();
    QMainWindow::showEvent(event);
}

void TRefineForm::closeEvent(QCloseEvent* event) {
    if (main_.Hooks) main_.Hooks->WatchWindow().hide();
    // A closed window leaves no cycles queued behind it.
    stepsLeft_ = 0;
    work_.SetMode(WorkMode::Idle);
    main_.UpdateForm();
    main_.SettingsStore().setValue("Toolbars/RefineForm", saveState());
    QMainWindow::closeEvent(event);
}

void TRefineForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace koralix
