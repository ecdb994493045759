#include "FormKoralix.h"
#include "MainHooks.h"

#include "CifExport.h"
#include "FileTypes.h"
#include "FormGraph.h"
#include "FormPlotFourier.h"
#include "FormPosSaver.h"
#include "FormRDF.h"
#include "FormUpdate.h"
#include "FullProfData.h"
#include "GsasRefinement.h"
#include "HelpTopics.h"
#include "HelpWindow.h"
#include "InputFile.h"
#include "ModelFiles.h"
#include "ModelImport.h"
#include "NamedActions.h"
#include "OptionsDlg.h"
#include "PlotForm.h"
#include "RefineForm.h"
#include "VendorData.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QStandardPaths>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <clocale>

namespace koralix {

namespace {

const QString FilterInput = QStringLiteral("Input Files (*.inp)|*.inp");
const QString FilterGsas = QStringLiteral("GSAS Experiment File (*.exp)|*.exp");
const QString FilterDbws = QStringLiteral("DWBS Files (*.dwb)|*.dwb");
const QString FilterFullProf = QStringLiteral("Fullprof Files (*.pcr)|*.pcr");
const QString FilterShelx = QStringLiteral("Shelxs Files (*.ins *.res)|*.ins;*.res");
const QString FilterQuickStart = QStringLiteral("Input File (*.inp)|*.inp");
const QString FilterOpen = QStringLiteral(
    "ZKRM Input File (*.inp)|*.inp|ZKRM Data File (*.dat)|*.dat|GSAS Data File (*.gs)|*.gs|"
    "GSAS Experiment File (*.exp)|*.exp|DWBS Input File (*.dwb)|*.dwb|Fullprof Input File "
    "(*.pcr)|*.pcr|XY Data files (*.xy)|*.xy|CPI Data files (*.cpi)|*.cpi|"
    "Diffractometer files (*.raw *.uxd *.xrdml *.rd *.sd *.udf *.csv *.txt *.xye)|"
    "*.raw;*.uxd;*.xrdml;*.rd;*.sd;*.udf;*.csv;*.txt;*.xye|SHELX File (*.ins *.res)|*.ins;*.res");

// Commands whose windows the workbench does not have yet: shown, never enabled
// until a window command takes them.
const QStringList Unavailable = {
    "actNew",        "actGeneral",     "actPhases", "actHistograms", "actSample",
    "actparameters", "actConstraints", "actAbout",  "actScript",     "EditRedo1",
};

QWidget* Focused() {
    return QApplication::focusWidget();
}

} // namespace

TFormKoralix::TFormKoralix(std::unique_ptr<QSettings> store, Messenger& messenger,
                           FileChooser& files, QWidget* parent)
    : QMainWindow(parent),
      workspace_(std::make_unique<TWorkspace>(std::move(store), messenger, this)),
      Settings(workspace_->Settings()), messenger_(messenger), files_(files) {
    setObjectName("KoralixForm");
    // Numbers are always read and written with "."; no library call may see a
    // locale that says otherwise.
    std::setlocale(LC_NUMERIC, "C");
    connect(workspace_.get(), &TWorkspace::ChangedFlagChanged, this, [this] { UpdateForm(); });
    connect(workspace_.get(), &TWorkspace::ModeChanged, this, [this] { UpdateForm(); });
    connect(workspace_.get(), &TWorkspace::BusyChanged, this, [this] { UpdateForm(); });
    // The window that had the focus last, other than this one, is what Print and
    // Copy act on.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now) return;
        QWidget* window = now->window();
        if (window == this) return;
        if (auto* plot = qobject_cast<TPlotForm*>(window))
            ActiveEditControl = plot;
        else
            ActiveEditControl = now;
    });
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    LoadSettings(SettingsStore(), Settings, QDir(dataFolder).filePath("Database"));
    unavailable_ = Unavailable;
    BuildActions();
    BuildMenus();
    BuildToolbars();
    Hooks = new TMainHooks(*this, files_);
    ConnectWindowCommands();
    restoreState(SettingsStore().value("Toolbars/State").toByteArray());
    new TFormPosSaver(this, SettingsStore(), "Software\\Koralix\\Configuration\\KoralixForm");
    ApplyHints(Settings.Hints);
    ApplyToolbarStyle(*this, Settings.Style);
    InstallHelpKey();
    // The window is only its menu bar and toolbars.
    setCentralWidget(new QWidget(this));
    centralWidget()->setFixedHeight(0);
    LockHeight();
    int toolbarsWidth = 0;
    for (QToolBar* bar : findChildren<QToolBar*>())
        toolbarsWidth += bar->sizeHint().width();
    resize(std::max(width(), toolbarsWidth + 24), height());
    Work().SetChanged(false);
    UpdateForm();
}

TFormKoralix::~TFormKoralix() {
    SettingsStore().setValue("Toolbars/State", saveState());
    // The windows go before the workspace they work on.
    Work().CloseRefinement();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow()) delete child;
}

QAction* TFormKoralix::AddAction(const QString& name, const QString& caption, const QString& hint,
                                 const QKeySequence& shortcut) {
    QAction* action = MakeNamedAction(this, name, caption, hint, shortcut);
    actions_.insert(name, action);
    return action;
}

void TFormKoralix::BuildActions() {
    AddAction("actNew", "&New", "New input file");
    connect(AddAction("actopen", "&Open", "Open an existing input file"), &QAction::triggered, this,
            [this] {
                OpenFile();
                Work().SetChanged(false);
            });
    connect(AddAction("actSave", "&Save", "Save the current input file"), &QAction::triggered, this,
            &TFormKoralix::Save);
    connect(AddAction("actSaveAS", "Save &As", "Save current input file with a different filename"),
            &QAction::triggered, this, &TFormKoralix::SaveAs);
    connect(AddAction("actClose", "Close", "Close the current input file"), &QAction::triggered,
            this, [this] { CloseModel(); });
    connect(AddAction("actImportGSAS", "GSAS exp file", "Import a GSAS exp file"),
            &QAction::triggered, this, [this] { OpenAFile(FilterGsas); });
    connect(AddAction("actImportDWBS", "DWBS input file", "Import a DWBS input file"),
            &QAction::triggered, this, [this] { OpenAFile(FilterDbws); });
    connect(AddAction("actImportFULL", "Fullprof input file", "Import a FULLPORF input file"),
            &QAction::triggered, this, [this] { OpenAFile(FilterFullProf); });
    connect(AddAction("actImportShelx", "Shelxs file", "Import a Shelxs file"), &QAction::triggered,
            this, [this] { OpenAFile(FilterShelx); });
    connect(AddAction("actExportShelx", "Shelx file", "Export to a Shelx file"),
            &QAction::triggered, this,
            [this] { Export("Shelxs Files (*.ins)|*.ins", "ins", ExportShelx); });
    connect(AddAction("actExportSir", "SIRPOW97 file", "Export to a Sirpow file"),
            &QAction::triggered, this,
            [this] { Export("SIRPOW97 Files (*.exp)|*.exp", "exp", ExportSirpow); });
    connect(AddAction("actExportCif", "CIF file", "Export the refined model to a CIF file"),
            &QAction::triggered, this,
            [this] { Export("CIF Files (*.cif)|*.cif", "cif", ExportCifStructure); });
    connect(AddAction("actPreferences", "P&references", "Change Koralix preferences"),
            &QAction::triggered, this, [this] {
                Preferences().show();
                Preferences().raise();
            });
    connect(AddAction("actPrint", "&Print", "Print"), &QAction::triggered, this, [this] {
        if (auto* plot = qobject_cast<TPlotForm*>(ActiveEditControl)) {
            QPrintDialog dialog(&printer_, this);
            if (dialog.exec() == QDialog::Accepted) plot->PrintTo(printer_);
            plot->setFocus();
        } else if (auto* text = qobject_cast<QTextEdit*>(ActiveEditControl)) {
            printer_.setDocName("Koralix");
            QPrintDialog dialog(&printer_, this);
            if (dialog.exec() == QDialog::Accepted) text->print(&printer_);
            text->setFocus();
        }
    });
    connect(AddAction("actPrintPreview", "Print Pre&view", "Prin Preview"), &QAction::triggered,
            this, [this] {
                auto* plot = qobject_cast<TPlotForm*>(ActiveEditControl);
                if (!plot) return;
                QPrintPreviewDialog preview(&printer_, this);
                preview.setWindowTitle("Koralix Print Preview");
                connect(&preview, &QPrintPreviewDialog::paintRequested, plot,
                        [plot](QPrinter* printer) { plot->PrintTo(*printer); });
                preview.exec();
                plot->setFocus();
            });
    connect(AddAction("actPageSetup", "Page Set&up", "Page Setup"), &QAction::triggered, this,
            [this] {
                QPageSetupDialog dialog(&printer_, this);
                dialog.exec();
            });
    connect(AddAction("actExit", "E&xit", "Exit"), &QAction::triggered, this, &QWidget::close);
    connect(AddAction("EditUndo1", "&Undo", "Undo", QKeySequence("Alt+Backspace")),
            &QAction::triggered, this, [] {
                if (auto* e = qobject_cast<QTextEdit*>(Focused())) e->undo();
                if (auto* e = qobject_cast<QPlainTextEdit*>(Focused())) e->undo();
            });
    AddAction("EditRedo1", "&Redo", "Redo", QKeySequence("Alt+Backspace"));
    connect(AddAction("EditCut1", "Cu&t", "Cut", QKeySequence("Ctrl+X")), &QAction::triggered, this,
            [this] {
                if (auto* plot = qobject_cast<TPlotForm*>(ActiveEditControl)) {
                    QApplication::clipboard()->setPixmap(plot->Chart()->toPixmap());
                    plot->setFocus();
                    return;
                }
                if (auto* e = qobject_cast<QLineEdit*>(Focused())) e->cut();
                if (auto* e = qobject_cast<QTextEdit*>(Focused())) e->cut();
                if (auto* e = qobject_cast<QPlainTextEdit*>(Focused())) e->cut();
            });
    connect(AddAction("EditCopy1", "&Copy", "Copy", QKeySequence("Ctrl+C")), &QAction::triggered,
            this, [this] {
                if (auto* plot = qobject_cast<TPlotForm*>(ActiveEditControl)) {
                    QApplication::clipboard()->setPixmap(plot->Chart()->toPixmap());
                    plot->setFocus();
                    return;
                }
                if (auto* e = qobject_cast<QLineEdit*>(Focused())) e->copy();
                if (auto* e = qobject_cast<QTextEdit*>(Focused())) e->copy();
                if (auto* e = qobject_cast<QPlainTextEdit*>(Focused())) e->copy();
            });
    connect(AddAction("EditPaste1", "&Paste", "Paste", QKeySequence("Ctrl+V")), &QAction::triggered,
            this, [] {
                if (auto* e = qobject_cast<QLineEdit*>(Focused())) e->paste();
                if (auto* e = qobject_cast<QTextEdit*>(Focused())) e->paste();
                if (auto* e = qobject_cast<QPlainTextEdit*>(Focused())) e->paste();
            });
    AddAction("actGeneral", "&General", "Set General options", QKeySequence("F5"));
    AddAction("actPhases", "&Phases", "Input the phases", QKeySequence("F6"));
    AddAction("actHistograms", "&Histograms", "Input the Histogram", QKeySequence("F7"));
    AddAction("actSample", "&Sample", "Enter information on the sample", QKeySequence("F8"));
    AddAction("actparameters", "&Parameters", "Sets limits and ");
    AddAction("actConstraints", "&Constraints", "Set constraints", QKeySequence("F9"));
    connect(AddAction("actRefine", "&Refine", "Refine", QKeySequence("F10")), &QAction::triggered,
            this, [this] {
                Work().SetMode(WorkMode::Refine);
                UpdateForm();
                TRefineForm& window = RefineWindow();
                window.setWindowFlag(Qt::WindowStaysOnTopHint, Settings.RDOnTop);
                window.show();
            });
    AddAction("actManualEdit", "Manual &Edit", "Manual Editing of the input file",
              QKeySequence("F11"));
    AddAction("actBasic", "Rietveld &Basic", "Edit and Run a Korabasic script",
              QKeySequence("F12"));
    connect(AddAction("actQuickStart", "Quick Start", "Quick Start"), &QAction::triggered, this,
            &TFormKoralix::QuickStart);
    AddAction("actViewInput", "View Input", "View the input file");
    AddAction("actViewOutput", "View Output", "File the output file");
    AddAction("actViewBVS", "View BV/Summary", "View the Bond Valence and Summary file");
    AddAction("actViewDist", "View Dist/Angles", "View the bond distrance and angle file");
    connect(AddAction("actViewFourier", "Plot Fourier", "Plot a fourier"), &QAction::triggered,
            this, &TFormKoralix::PlotFourier);
    connect(AddAction("actViewRDF", "Plot RDF", "Plot the Radial Distribution Function"),
            &QAction::triggered, this, &TFormKoralix::PlotRdf);
    connect(AddAction("HelpContents1", "Help Topics", "Get help", QKeySequence("F1")),
            &QAction::triggered, this, [] { Help().ShowTopic("index"); });
    QAction* hints = AddAction("actShowHints", "&Show Hints", "Show hints");
    hints->setCheckable(true);
    connect(hints, &QAction::toggled, this, [this](bool on) {
        Settings.Hints = on;
        ApplyHints(on);
    });
    connect(
        AddAction("actUpdate", "&Update Koralix", "Update from the internet the latest version"),
        &QAction::triggered, this, &TFormKoralix::UpdateKoralix);
    AddAction("actAbout", "&About", "About Koralix...");
    AddAction("actScript", "", "Run a Korabasic macro");
}

void TFormKoralix::BuildMenus() {
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (QString(name).isEmpty())
                menu->addSeparator();
            else
                menu->addAction(actions_.value(name));
        }
    };
    fileMenu_ = menuBar()->addMenu("&File");
    fileMenu_->setToolTip("File commands");
    add(fileMenu_, {"actNew", "actopen", "actSave", "actSaveAS", "actClose", ""});
    QMenu* import = fileMenu_->addMenu("Import");
    import->setToolTip("Import from various sources");
    add(import, {"actImportGSAS", "actImportDWBS", "actImportFULL"});
    QMenu* exportMenu = fileMenu_->addMenu("Export");
    exportMenu->setToolTip("Export to various formats");
    add(exportMenu, {"actExportShelx", "actExportSir", "actExportCif"});
    add(fileMenu_, {"actPreferences", "", "actPrint", "actPrintPreview", "actPageSetup"});
    recentSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addSeparator();
    fileMenu_->addAction(actions_.value("actExit"));

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setToolTip("Edit commands");
    add(edit, {"EditUndo1", "EditRedo1", "", "EditCut1", "EditCopy1", "EditPaste1"});
    QMenu* model = menuBar()->addMenu("&Model");
    model->setToolTip("Rietveld Model");
    add(model, {"actGeneral", "actPhases", "actHistograms", "actSample", "", "actparameters",
                "actConstraints"});
    QMenu* rietveld = menuBar()->addMenu("&Rietveld");
    rietveld->setToolTip("Reitveld Refinement");
    add(rietveld, {"actRefine", "actManualEdit", "actBasic"});
    QMenu* information = menuBar()->addMenu("&Information");
    information->setToolTip("Rietveld Information");
    add(information, {"actViewInput", "actViewOutput", "actViewBVS", "actViewDist", "",
                      "actViewFourier", "actViewRDF"});
    QMenu* help = menuBar()->addMenu("&Help");
    help->setToolTip("Help");
    add(help, {"HelpContents1", "actShowHints", "", "actUpdate", "actAbout"});
    FillRecentMenus();
}

void TFormKoralix::BuildToolbars() {
    const std::pair<const char*, QStyle::StandardPixmap> icons[] = {
        {"actNew", QStyle::SP_FileIcon},
        {"actopen", QStyle::SP_DialogOpenButton},
        {"actSave", QStyle::SP_DialogSaveButton},
        {"actClose", QStyle::SP_DialogCloseButton},
        {"actExit", QStyle::SP_TitleBarCloseButton},
        {"HelpContents1", QStyle::SP_DialogHelpButton},
        {"actRefine", QStyle::SP_MediaPlay},
        {"actQuickStart", QStyle::SP_MediaSeekForward},
    };
    for (const auto& [name, icon] : icons)
        actions_.value(name)->setIcon(style()->standardIcon(icon));
    QToolBar* main = addToolBar("Main toolbar");
    main->setObjectName("MainToolbar");
    main->setIconSize(QSize(20, 20));
    main->addAction(actions_.value("actNew"));
    auto* open = new QToolButton(main);
    open->setDefaultAction(actions_.value("actopen"));
    recentMenu_ = new QMenu(open);
    open->setMenu(recentMenu_);
    open->setPopupMode(QToolButton::MenuButtonPopup);
    main->addWidget(open);
    for (const char* name :
         {"actSave", "actClose", "actExit", "", "actPrint", "actPrintPreview", "", "EditCut1",
          "EditCopy1", "EditPaste1", "EditUndo1", "EditRedo1", "", "HelpContents1"}) {
        if (QString(name).isEmpty())
            main->addSeparator();
        else
            main->addAction(actions_.value(name));
    }
    QToolBar* rietveld = addToolBar("Rietveld toolbar");
    rietveld->setObjectName("RietveldToolbar");
    rietveld->setIconSize(QSize(20, 20));
    for (const char* name :
         {"actGeneral", "actHistograms", "actPhases", "actSample", "actConstraints",
          "actparameters", "", "actRefine", "actManualEdit", "actBasic", "", "actQuickStart"}) {
        if (QString(name).isEmpty())
            rietveld->addSeparator();
        else
            rietveld->addAction(actions_.value(name));
    }
    FillRecentMenus();
}

void TFormKoralix::LockHeight() {
    // Exactly the menu bar and the docked toolbar rows.
    int height = menuBar()->sizeHint().height();
    int bottom = 0;
    for (QToolBar* bar : findChildren<QToolBar*>()) {
        if (!bar->isVisibleTo(this) || bar->isFloating()) continue;
        height = std::max(height, menuBar()->sizeHint().height() + bar->sizeHint().height());
        bottom = std::max(bottom, bar->geometry().bottom() + 1);
    }
    setFixedHeight(std::max(height, bottom));
}

bool TFormKoralix::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::LayoutRequest) LockHeight();
    return handled;
}

void TFormKoralix::FillRecentMenus() {
    if (!fileMenu_ || !recentSeparator_) return;
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    if (recentMenu_) recentMenu_->clear();
    QAction* before =
        fileMenu_->actions().value(fileMenu_->actions().indexOf(recentSeparator_) + 1);
    for (const QString& file : Settings.Recent.Files) {
        auto* entry = new QAction(file, this);
        connect(entry, &QAction::triggered, this, [this, file] { OpenRecent(file); });
        fileMenu_->insertAction(before, entry);
        recentActions_ << entry;
        if (recentMenu_) {
            QAction* drop = recentMenu_->addAction(file);
            connect(drop, &QAction::triggered, this, [this, file] { OpenRecent(file); });
        }
    }
}

void TFormKoralix::ApplyHints(bool on) {
    QAction* hints = actions_.value("actShowHints");
    if (hints && hints->isChecked() != on) hints->setChecked(on);
    for (QAction* a : actions_)
        a->setToolTip(on ? a->statusTip() : QString());
}

TOptionsDlg& TFormKoralix::Preferences() {
    if (!options_) {
        options_ = new TOptionsDlg(Settings, SettingsStore(), messenger_, files_, this);
        options_->ActiveEditControl = &ActiveEditControl;
        connect(options_, &TOptionsDlg::StyleChosen, this,
                [this](int style) { ApplyToolbarStyle(*this, style); });
        connect(options_, &TOptionsDlg::Applied, this, &TFormKoralix::ApplyPreferences);
    }
    return *options_;
}

void TFormKoralix::ApplyPreferences() {
    Settings.Recent.Capacity = Settings.NumberRecent;
    while (Settings.Recent.Files.size() > std::max(Settings.NumberRecent, 0))
        Settings.Recent.Files.removeLast();
    FillRecentMenus();
    ApplyHints(Settings.Hints);
    ApplyToolbarStyle(*this, Settings.Style);
    for (TPlotForm* plot : findChildren<TPlotForm*>())
        if (plot->isVisible()) plot->Plot();
}

void TFormKoralix::UpdateKoralix() {
    try {
        TFormUpdate dialog(Settings, SettingsStore(), messenger_, this);
        dialog.exec();
    } catch (const std::exception& error) {
        actions_.value("actUpdate")->setEnabled(false);
        messenger_.Message(error.what());
    }
}

void TFormKoralix::PlotFourier() {
    // Modal, and freed when it closes.
    auto* window = new TFormPlotFourier(&Model(), Work().DriverIfCreated(), messenger_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Window);
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    loop.exec();
}

void TFormKoralix::PlotRdf() {
    if (Model().Loaded && Work().DriverIfCreated()) {
        TFormRDF& window = RdfWindow();
        window.Model = &Model();
        window.Refine = Work().DriverIfCreated();
        window.FillPhases(Model().PhaseCount());
        window.show();
        window.raise();
    }
    QApplication::restoreOverrideCursor();
}

TFormRDF& TFormKoralix::RdfWindow() {
    if (!RdfForm) {
        RdfForm = new TFormRDF(this);
        RdfForm->setWindowFlag(Qt::Window);
    }
    return *RdfForm;
}

TFormGraph& TFormKoralix::GraphWindow() {
    if (!GraphForm) {
        GraphForm = new TFormGraph(this);
        GraphForm->setWindowFlag(Qt::Window);
    }
    return *GraphForm;
}

TRefineForm& TFormKoralix::RefineWindow() {
    if (!RefineForm) {
        RefineForm = new TRefineForm(*this, Work(), files_, this);
        RefineForm->setWindowFlag(Qt::Window);
    }
    return *RefineForm;
}

void TFormKoralix::AddWindowCommand(const QString& action, std::function<QWidget*()> create) {
    unavailable_.removeAll(action);
    // On from now on; the enabling table still rules the commands it names.
    actions_.value(action)->setEnabled(true);
    connect(actions_.value(action), &QAction::triggered, this, [this, action, create] {
        QWidget*& window = windows_[action];
        if (!window) {
            window = create();
            window->setWindowFlag(Qt::Window);
        }
        window->show();
        window->raise();
        window->activateWindow();
    });
    UpdateForm();
}

void TFormKoralix::ProcessFile(const QString& path) {
    const std::string file = path.toStdString();
    const int type = FileTypeOf(file);
    if (IsModelFileType(type)) {
        Work().ReadModel(path);
        if (type == FileType::Input) {
            if (Settings.AssignDatafile) {
                const std::string data = DataFileFor(file, Model().DataFormat);
                if (!data.empty()) Work().SetDataFile(QString::fromStdString(data));
            }
            Settings.Recent.Add(path);
            FillRecentMenus();
        } else if ((type == FileType::GsasExp || type == FileType::FullProf) && Model().Loaded) {
            // The data file the experiment or control file names, when it is beside it.
            const std::string data =
                type == FileType::GsasExp ? GsasDataFile(file) : FullProfDataFile(file);
            if (!data.empty()) Work().SetDataFile(QString::fromStdString(data));
        }
    } else if (IsDataFile(file) || !VendorFormatOf(file).empty()) {
        Work().SetDataFile(path);
        std::string error;
        if (IsDataFile(file))
            DataPlot.ReadDataFile(file, 1, type, Shown());
        else if (!ReadVendorData(file, DataPlot, error))
            Shown().Message(error);
        if (!DataPlotForm) {
            DataPlotForm = new TPlotForm(Settings, Shown(), this);
            DataPlotForm->setWindowFlag(Qt::Window);
            new TFormPosSaver(DataPlotForm, SettingsStore(),
                              "Software\\Koralix\\Configuration\\PlotForm");
        }
        DataPlotForm->Data = &DataPlot;
        DataPlotForm->Model = nullptr;
        DataPlotForm->HistogramNumber = 0;
        DataPlotForm->Plot();
        DataPlotForm->Unzoom();
        DataPlotForm->show();
    } else {
        Shown().Message("Unknown File type. Please check the file extension.");
    }
    UpdateForm();
}

void TFormKoralix::OpenAFile(const QString& filter) {
    if (openFolder_.isEmpty()) openFolder_ = Settings.StartUpDirectgory;
    const QString chosen = files_.OpenFileName(filter, "inp", openFolder_);
    if (!chosen.isEmpty()) {
        ProcessFile(chosen);
        openFolder_ = QFileInfo(chosen).absolutePath();
    }
    UpdateForm();
}

void TFormKoralix::OpenFile() {
    if (Work().InputFile().isEmpty() && Work().DataFile().isEmpty())
        openFolder_ = Settings.StartUpDirectgory;
    const QString chosen = files_.OpenFileName(FilterOpen, "inp", openFolder_);
    if (!chosen.isEmpty()) {
        openFolder_ = QFileInfo(chosen).absolutePath();
        ProcessFile(chosen);
        if (RefineForm) RefineForm->CheckForm();
    }
    UpdateForm();
}

void TFormKoralix::OpenRecent(const QString& path) {
    if (Model().Loaded && Work().Changed()) {
        if (Shown().Ask("Save Current Input File?") == Answer::Yes) SaveInputFile();
    }
    ProcessFile(path);
    Work().SetChanged(false);
}

bool TFormKoralix::WriteModel(const QString& fileName) {
    try {
        WriteInputFile(Model(), fileName.toStdString());
        return true;
    } catch (const std::exception& e) {
        Shown().Message(e.what());
        return false;
    }
}

void TFormKoralix::Save() {
    if (!Model().Loaded) return;
    if (Work().InputFile().isEmpty()) {
        SaveAs();
        return;
    }
    if (WriteModel(Work().InputFile())) Work().SetChanged(false);
}

void TFormKoralix::SaveAs() {
    if (!Model().Loaded) return;
    const QString chosen = files_.SaveFileName(FilterInput, "inp", Work().InputFile());
    if (!chosen.isEmpty() && WriteModel(chosen)) {
        Work().SetInputFile(chosen);
        Work().SetChanged(false);
        if (Settings.AssignDatafile) {
            const std::string data = DataFileFor(chosen.toStdString(), Model().DataFormat);
            if (!data.empty()) Work().SetDataFile(QString::fromStdString(data));
        }
    }
    UpdateForm();
}

void TFormKoralix::Export(const QString& filter, const QString& extension,
                          void (*write)(TRietveld&, const std::string&)) {
    if (!Model().Loaded || Work().InputFile().isEmpty()) return;
    const QString chosen = files_.SaveFileName(filter, extension, QString());
    if (!chosen.isEmpty()) {
        try {
            write(Model(), chosen.toStdString());
        } catch (const std::exception& e) {
            Shown().Message(e.what());
        }
    }
    UpdateForm();
}

void TFormKoralix::SaveInputFile() {
    Save();
    Work().SetChanged(false);
}

bool TFormKoralix::CloseModel() {
    if (Work().Changed()) {
        const Answer answer = Shown().Ask("Save Input File?");
        if (answer == Answer::Cancel) return false;
        if (answer == Answer::Yes) SaveInputFile();
    }
    Work().CloseModel();
    if (DataPlotForm) DataPlotForm->hide();
    UpdateForm();
    actions_.value("actClose")->setEnabled(false);
    return true;
}

void TFormKoralix::UpdateForm() {
    std::optional<RefineState> driver;
    if (TRefine* refine = Work().DriverIfCreated()) driver = refine->State();
    const TCommandStates c = ComputeCommandStates(Model().Loaded, Work().Mode(), driver);
    setWindowTitle(MainCaption(Work().InputFile()));
    const std::pair<const char*, bool> states[] = {
        {"actNew", c.New},
        {"actSave", c.Save},
        {"actSaveAS", c.SaveAs},
        {"actClose", c.Close},
        {"actGeneral", c.General},
        {"actPhases", c.Phases},
        {"actHistograms", c.Histograms},
        {"actSample", c.Sample},
        {"actConstraints", c.Constraints},
        {"actparameters", c.Parameters},
        {"actRefine", c.Refine},
        {"actManualEdit", c.ManualEdit},
        {"actBasic", c.KoraBasic},
        {"actQuickStart", c.QuickStart},
        {"actViewInput", c.ViewInput},
        {"actViewOutput", c.ViewOutput},
        {"actViewBVS", c.ViewBVS},
        {"actViewDist", c.ViewDist},
        {"actViewFourier", c.PlotFourier},
    };
    for (const auto& [name, on] : states)
        actions_.value(name)->setEnabled(on && !unavailable_.contains(name));
    for (const QString& name : unavailable_)
        actions_.value(name)->setEnabled(false);
}

void TFormKoralix::QuickStart() {
    if (Work().InputFile().isEmpty()) OpenAFile(FilterQuickStart);
    if (Work().InputFile().isEmpty() || !Model().Loaded) return;
    QApplication::processEvents();
    Hooks->QuickStart();
}

void TFormKoralix::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        UpdateForm();
        if (QuickStartPending) {
            QuickStartPending = false;
            QTimer::singleShot(0, this, &TFormKoralix::QuickStart);
        }
    }
    QMainWindow::changeEvent(event);
}

void TFormKoralix::closeEvent(QCloseEvent* event) {
    // Closed during a cycle: the engine call runs on, so the driver (and with
    // it the refinement's private folder) can go only once the cycle is over.
    if (RefineForm && RefineForm->Running()) {
        RefineForm->Stop();
        event->ignore();
        QTimer::singleShot(100, this, &QWidget::close);
        return;
    }
    if (Work().Changed()) {
        const Answer answer = Shown().Ask("Save Input File?");
        if (answer == Answer::Cancel) {
            event->ignore();
            return;
        }
        if (answer == Answer::Yes) SaveInputFile();
    }
    if (RefineForm) RefineForm->close();
    // A refinement still open is closed, which also removes its temporary folder.
    Work().CloseRefinement();
    SaveSettings(SettingsStore(), Settings);
    event->accept();
}

} // namespace koralix
