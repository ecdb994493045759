#include "RefineForm.h"

#include "DataLink.h"
#include "FileChooser.h"
#include "FileTypes.h"
#include "FormKoralix.h"
#include "FormPosSaver.h"
#include "InputFile.h"
#include "PlotForm.h"
#include "UiMessenger.h"
#include "VendorData.h"

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

TRefineForm::TRefineForm(TFormKoralix& main, FileChooser& files, QWidget* parent)
    : QMainWindow(parent), main_(main), files_(files) {
    setObjectName("RefineForm");
    setWindowTitle("Refine");
    setDockNestingEnabled(true);
    BuildPanels();
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(1000);
    connect(progressTimer_, &QTimer::timeout, this, [this] {
        if (main_.Refine) Progress->setValue(main_.Refine->GetProgress());
    });
}

TRefineForm::~TRefineForm() = default;

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
        for (const QString& file : main_.Settings.Recent.Files)
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
        if (QFileInfo::exists(name)) main_.CurrentDataFile = name;
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
    // The watch window comes with the macro windows.
    WatchValues->setEnabled(false);
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
        else if (PlotWindow)
            PlotWindow->hide();
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
    const bool update = main_.Model && main_.Model->Control5 == 1;
    UpdateBox->setEnabled(update);
    if (!update) UpdateBox->setChecked(false);
    QApplication::processEvents();
}

void TRefineForm::CheckForm() {
    InputEdit->setText(main_.CurrentInputFile);
    DataEdit->setText(main_.CurrentDataFile);
    UpdateStatus(InputEdit->text().trimmed().isEmpty() ? RefineButtonState::NoInput
                                                       : RefineButtonState::Ready);
    main_.UpdateForm();
}

void TRefineForm::ReadInput(const QString& fileName) {
    if (fileName.isEmpty()) return;
    main_.CurrentInputFile = fileName;
    if (!main_.Model) main_.Model = std::make_unique<TRietveld>();
    ReadInputFile(*main_.Model, fileName.toStdString(), main_.UiMessages());
    if (main_.Settings.AssignDatafile) {
        const std::string data = DataFileFor(fileName.toStdString(), main_.Model->DataFormat);
        if (!data.empty()) main_.CurrentDataFile = QString::fromStdString(data);
    }
    if (main_.Model->Loaded) main_.Settings.Recent.Add(fileName);
    if (PlotWindow) PlotWindow->Histogram = nullptr;
    CheckForm();
}

void TRefineForm::ChooseInputFile() {
    QString folder;
    if (main_.CurrentInputFile.isEmpty() && main_.CurrentDataFile.isEmpty())
        folder = main_.Settings.StartUpDirectgory;
    else
        folder = main_.CurrentInputFile;
    const QString chosen = files_.OpenFileName("Input Files (*.inp)|*.inp", "inp", folder);
    if (!chosen.isEmpty()) ReadInput(chosen);
}

void TRefineForm::ChooseDataFile() {
    QString folder = main_.Settings.StartUpDirectgory;
    if (!main_.CurrentInputFile.isEmpty() && main_.CurrentDataFile.isEmpty())
        folder = QFileInfo(main_.CurrentInputFile).absolutePath();
    const QString chosen = files_.OpenFileName(FilterData, "", folder).trimmed();
    if (chosen.isEmpty()) return;
    main_.CurrentDataFile = chosen;
    if (main_.Model) {
        int32_t& format = main_.Model->DataFormat;
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
    stepped_ = false;
    TRefine& refine = main_.Driver();
    if (!closed_) refine.QuickClose();
    if (!main_.Model) main_.Model = std::make_unique<TRietveld>();
    refine.Model = main_.Model.get();
    if (main_.CurrentDataFile.isEmpty()) {
        // The data file beside the model when there is one, as a user expects.
        const std::string companion =
            DataFileFor(main_.CurrentInputFile.toStdString(), main_.Model->DataFormat);
        main_.CurrentDataFile =
            companion.empty() ? QStringLiteral("temp.dat") : QString::fromStdString(companion);
    }
    // A data file named with another extension is still read in the model's format.
    // An instrument maker's file is written beside itself as engine data first.
    UiMessenger messenger(this);
    const std::string data =
        PrepareDataFile(*main_.Model, main_.CurrentDataFile.toStdString(), messenger);
    main_.CurrentDataFile = QString::fromStdString(data);
    DataEdit->setText(main_.CurrentDataFile);
    refine.DataName = EngineDataName(data, main_.Model->DataFormat, refine.TempDirectory());
    if (refine.DataName.empty()) refine.DataName = WithoutExtension(main_.CurrentDataFile);
    refine.BaseName =
        main_.Settings.TempRefine ? std::string() : WithoutExtension(main_.CurrentInputFile);
    UpdateStatus(RefineButtonState::NoInput);
    refine.StartRefinement();
    closed_ = false;
    UpdateStatus(refine.State() == RefineState::Started ? RefineButtonState::Open
                                                        : RefineButtonState::Ready);
    if (refine.LastError == StatusFault) return;
    const int histograms = main_.Model->HistogramCount();
    HistogramCountLabel->setText(QString::number(histograms));
    CycleLabel->setText("0");
    Factors->setRowCount(histograms);
    Factors->clearContents();
    if (DynamicPlotting->isChecked()) Replot();
    if (main_.Settings.StepOnStart) Step();
}

void TRefineForm::ShowFactors() {
    TRefine& refine = main_.Driver();
    for (int h = 1; h <= main_.Model->HistogramCount(); ++h) {
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
    TRefine& refine = main_.Driver();
    stepsLeft_ = StepCount->value();
    if (stepsLeft_ <= 0) return;
    bool ended = false;
    while (true) {
        progressTimer_->start();
        UpdateStatus(RefineButtonState::Running);
        refine.StepRefinement();
        closed_ = false;
        progressTimer_->stop();
        stepped_ = true;
        if (refine.State() == RefineState::Finished) {
            UpdateStatus(RefineButtonState::Ended);
            ended = true;
        }
        Progress->setValue(100);
        if (refine.LastError == 0) {
            ShowFactors();
            if (DynamicPlotting->isChecked()) Replot();
        }
        if (ended) break;
        if (refine.LastError != 0 || --stepsLeft_ <= 0) {
            UpdateStatus(stepsLeft_ > 0 ? RefineButtonState::Ended : RefineButtonState::Stepped);
            break;
        }
    }
    if (refine.State() == RefineState::Closed) UpdateStatus(RefineButtonState::Ready);
    progressTimer_->stop();
}

void TRefineForm::Finish() {
    TRefine& refine = main_.Driver();
    if (stepped_) {
        UpdateStatus(RefineButtonState::NoInput);
        const bool update = UpdateBox->isChecked();
        refine.CloseRefinement(update);
        if (refine.State() == RefineState::Closed && update && main_.Model) {
            ReadInputFile(*main_.Model, refine.BaseName + ".upd", main_.UiMessages());
            if (!main_.CurrentInputFile.isEmpty()) {
                try {
                    WriteInputFile(*main_.Model, main_.CurrentInputFile.toStdString());
                } catch (const std::exception& e) {
                    main_.UiMessages().Message(e.what());
                }
            }
            if (PlotWindow && main_.Model->HistogramCount() > 0)
                PlotWindow->Histogram = &main_.Model->Histograms[0];
        }
    } else {
        refine.QuickClose();
    }
    UpdateStatus(RefineButtonState::Ready);
    Progress->setValue(0);
    closed_ = true;
}

void TRefineForm::Replot() {
    if (!main_.Refine) return;
    TRefine& refine = *main_.Refine;
    if (refine.State() == RefineState::NotStarted || refine.State() == RefineState::Closed) return;
    if (!PlotWindow) {
        PlotWindow = new TPlotForm(main_.Settings, main_.UiMessages(), this);
        PlotWindow->setWindowFlag(Qt::Window);
        new TFormPosSaver(PlotWindow, main_.SettingsStore(),
                          "Software\\Koralix\\Configuration\\PlotForm");
        connect(PlotWindow, &TPlotForm::HistogramEdited, this,
                [this] { main_.ModelChanged = true; });
        connect(PlotWindow, &TPlotForm::HistogramChosen, this, [this](int h) {
            PlotHistogram = h;
            Replot();
            PlotWindow->Unzoom();
        });
    }
    const int count = main_.Model ? main_.Model->HistogramCount() : 0;
    if (PlotHistogram < 1 || PlotHistogram > count) PlotHistogram = 1;
    if (count == 0) return;
    refine.GetPlot(PlotData, PlotHistogram);
    PlotWindow->Data = &PlotData;
    PlotWindow->Histogram = &main_.Model->Histograms[static_cast<size_t>(PlotHistogram - 1)];
    PlotWindow->Cycle = refine.Cycle();
    PlotWindow->HistogramCount = count;
    const bool first = !PlotWindow->isVisible();
    PlotWindow->Plot();
    // Follow the refinement (the difference curve appears after the first cycle)
    // unless the user has zoomed in.
    if (first || !PlotWindow->UserZoomed()) PlotWindow->Unzoom();
    PlotWindow->show();
}

void TRefineForm::showEvent(QShowEvent* event) {
    closed_ = true;
    DynamicPlotting->setChecked(main_.Settings.RDPlot);
    UpdateBox->setChecked(main_.Settings.RDUpdate);
    main_.Mode = WorkMode::Refine;
    TRefine& refine = main_.Driver();
    refine.IDSZ = main_.Settings.IDSZ;
    refine.IRS = main_.Settings.IRS;
    refine.NIPOI = main_.Settings.NIPOI;
    refine.RunEngineCall = [this](const std::function<void()>& call) { background_(call); };
    if (!main_.Model) main_.Model = std::make_unique<TRietveld>();
    CheckForm();
    QMainWindow::showEvent(event);
}

void TRefineForm::closeEvent(QCloseEvent* event) {
    main_.Mode = WorkMode::Idle;
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
