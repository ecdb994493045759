#include "MainHooks.h"

#include "EditForm.h"
#include "FileChooser.h"
#include "FormGraph.h"
#include "FormKoralix.h"
#include "FormMacro.h"
#include "FormWatch.h"
#include "InputFile.h"
#include "MacroRun.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <qcustomplot.h>

namespace koralix {

namespace {

enum TextRole { kManualEdit, kViewInput, kViewOutput, kViewBonds };

QString FromStd(const std::string& s) {
    return QString::fromStdString(s);
}

// The PLOT macro function: the points go to the chart's first series, red
// when the window had none, blue when PLOT has drawn before.
void ShowPoints(TFormGraph& graph, const std::vector<float>& x, const std::vector<float>& y) {
    QColor colour = Qt::blue;
    if (graph.PlotSeriesCount == 0) {
        graph.Chart->addGraph();
        ++graph.PlotSeriesCount;
        colour = Qt::red;
    }
    QCPGraph* series = graph.Chart->graph(0);
    series->setLineStyle(QCPGraph::lsNone);
    series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, colour, 5));
    series->data()->clear();
    for (size_t i = 0; i < x.size() && i < y.size(); ++i)
        series->addData(static_cast<double>(x[i]), static_cast<double>(y[i]));
    graph.Chart->rescaleAxes();
    graph.Chart->replot();
    graph.show();
    graph.raise();
}

} // namespace

Messenger& TWorkbenchWorkspace::Messages() {
    return runs_.Messages();
}

TRietveld* TWorkbenchWorkspace::Model() {
    return &main_.Model();
}

TRietveld& TWorkbenchWorkspace::EnsureModel() {
    return main_.Model();
}

TRefine* TWorkbenchWorkspace::Driver() {
    return main_.Work().DriverIfCreated();
}

TRefine& TWorkbenchWorkspace::PrepareDriver() {
    TRefine& driver = main_.Driver();
    driver.IDSZ = main_.Settings.IDSZ;
    driver.IRS = main_.Settings.IRS;
    return driver;
}

void TWorkbenchWorkspace::ModelReplaced(const std::string&) {
    // The macro waits meanwhile, so the windows may read the new model.
    runs_.OnUi([this] {
        emit main_.Work().ModelReplaced();
        main_.UpdateForm();
    });
}

void TWorkbenchWorkspace::SetCurrentInputFile(const std::string& file) {
    runs_.OnUi([&] { main_.Work().SetInputFile(FromStd(file)); });
}

void TWorkbenchWorkspace::CycleCompleted(int cycle) {
    runs_.OnUi([&] { main_.Work().AnnounceCycle(cycle); });
}

void TWorkbenchWorkspace::ProcessEvents() {
    // A macro on the task runner leaves the user-interface thread free anyway.
    if (QThread::currentThread() == runs_.thread()) QApplication::processEvents();
}

bool TWorkbenchWorkspace::StopRequested() {
    ProcessEvents();
    return runs_.StopRequested();
}

TMainHooks::TMainHooks(TFormKoralix& main, FileChooser& files)
    : QObject(&main), main_(main), files_(files),
      runs_(new TMacroRun(main.Work(), main.UiMessages(), this)), workspace_(main, *runs_) {
    library_ = std::make_unique<macro::MacroLibrary>(workspace_);
    SBasicMacro = std::make_unique<macro::TSBasic>(&runs_->Messages(), &runs_->Host());
    SBasicMacro->Max_Count = 100000;
    SBasicMacro->Max_Dimension = 10000;
    auto on = [this](const char* name, auto slot) {
        if (QAction* a = main_.Action(name)) connect(a, &QAction::triggered, this, slot);
    };
    on("actManualEdit", [this] { ManualEdit(); });
    on("actBasic", [this] {
        main_.Work().SetMode(WorkMode::Macro);
        main_.UpdateForm();
        MacroWindow().show();
        MacroWindow().raise();
    });
    on("actViewInput", [this] { ViewInput(); });
    on("actViewOutput", [this] { ViewOutput(".out"); });
    on("actViewBVS", [this] { ViewOutput(".dst"); });
    on("actViewDist", [this] { ViewOutput(".ang"); });
}

TMainHooks::~TMainHooks() {
    runs_->Stop();
    ClearUserMenuEntries();
}

TFormMacro& TMainHooks::MacroWindow() {
    if (!macroWindow_)
        macroWindow_ = new TFormMacro(main_, *library_, *this, *runs_, files_, &main_);
    return *macroWindow_;
}

TFormWatch& TMainHooks::WatchWindow() {
    if (!watchWindow_) watchWindow_ = new TFormWatch(main_.Work(), &main_);
    return *watchWindow_;
}

TEditForm& TMainHooks::Text(int role) {
    TEditForm*& window = text_[static_cast<size_t>(role)];
    if (!window) {
        window = new TEditForm(main_, files_, &main_);
        window->Watch = &WatchWindow();
    }
    return *window;
}

TEditForm& TMainHooks::ManualEditWindow() {
    return Text(kManualEdit);
}

void TMainHooks::Start() {
    if (started_) return;
    started_ = true;
    ScriptsFolder = QApplication::applicationDirPath() + "/scripts";
    SetUpScript();
    RunScript(main_.Settings.StartUpScript);
}

void TMainHooks::SetUpScript() {
    library_->Register(*SBasicMacro, *this, macro::MacroLibraryVariant::MainWindow);
}

void TMainHooks::RunScript(const QString& path) {
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path)) {
        main_.UiMessages().Message("KoraBasic script " + path.toStdString() + " not found.");
        return;
    }
    const std::string library = main_.Settings.LibraryScript.left(255).toStdString();
    for (const std::string& source : {path.toStdString(), library})
        if (const auto problem =
                source.empty() ? std::nullopt : macro::MacroSourceProblem(source)) {
            main_.UiMessages().Message(*problem);
            return;
        }
    SBasicMacro->SetSourceLibrary(library);
    SBasicMacro->SetSourceFile(path.left(255).toStdString());
    if (SBasicMacro->Compile() != 0) {
        main_.UiMessages().Message("Error processing KoraBasic file.");
        return;
    }
    runs_->Start(*SBasicMacro);
}

void TMainHooks::AddUserMenu(const std::string& menuText, const std::string& itemText,
                             const std::string& scriptText) {
    runs_->OnUi([&] { AddUserMenuEntry(menuText, itemText, scriptText); });
}

void TMainHooks::AddUserMenuEntry(const std::string& menuText, const std::string& itemText,
                                  const std::string& scriptText) {
    if (static_cast<int>(UserMenu.size()) >= kUserMenuCapacity) return;
    TUserMenuItem entry;
    entry.menu = FromStd(menuText).trimmed();
    entry.item = FromStd(itemText).trimmed();
    entry.script = FromStd(scriptText).trimmed();
    QMenuBar* bar = main_.menuBar();
    QMenu* found = nullptr;
    for (QAction* top : bar->actions()) {
        QString caption = top->text();
        if (const auto amp = caption.indexOf('&'); amp >= 0) caption.remove(amp, 1);
        if (top->menu() && caption == entry.menu) found = top->menu(); // the last match wins
    }
    const QList<QAction*> tops = bar->actions();
    QAction* help = tops.isEmpty() ? nullptr : tops.last();
    if (entry.item.isEmpty()) {
        if (!found) {
            auto* menu = new QMenu(entry.menu, bar);
            bar->insertMenu(help, menu);
            entry.kind = UserMenuKind::Submenu;
            entry.object = menu;
        }
    } else if (entry.item != "-") {
        auto* action = new QAction(entry.item, found ? static_cast<QObject*>(found) : bar);
        action->setData(static_cast<int>(UserMenu.size()) + 1);
        if (found)
            found->addAction(action);
        else
            bar->insertAction(help, action);
        if (!entry.script.isEmpty()) {
            const QString script = entry.script;
            connect(action, &QAction::triggered, this, [this, script] { RunScript(script); });
        }
        entry.object = action;
    } else {
        QAction* separator = found ? found->addSeparator() : bar->addSeparator();
        entry.kind = UserMenuKind::Separator;
        entry.object = separator;
    }
    UserMenu.push_back(entry);
}

void TMainHooks::ClearUserMenu() {
    runs_->OnUi([this] { ClearUserMenuEntries(); });
}

void TMainHooks::ClearUserMenuEntries() {
    for (UserMenuKind pass : {UserMenuKind::Item, UserMenuKind::Separator, UserMenuKind::Submenu})
        for (TUserMenuItem& entry : UserMenu)
            if (entry.kind == pass && entry.object) delete entry.object.data();
    UserMenu.clear();
}

void TMainHooks::PlotPattern(TRefine&, int h) {
    runs_->OnUi([&] { main_.Work().ReplotEngine(h); });
}

void TMainHooks::PlotPoints(const std::vector<float>& x, const std::vector<float>& y) {
    runs_->OnUi([&] { ShowPoints(main_.GraphWindow(), x, y); });
}

std::string TMainHooks::OpenDialog(const std::string& name, const std::string& filter) {
    std::string chosen;
    runs_->OnUi([&] { chosen = MacroWindow().OpenDialog(name, filter); });
    return chosen;
}

std::string TMainHooks::SaveDialog(const std::string& name, const std::string& filter) {
    std::string chosen;
    runs_->OnUi([&] { chosen = MacroWindow().SaveDialog(name, filter); });
    return chosen;
}

void TMainHooks::ManualEdit() {
    main_.Work().SetMode(WorkMode::ManualEdit);
    main_.UpdateForm();
    TEditForm& window = Text(kManualEdit);
    // The text is replaced below; edits not yet saved are not dropped without a question.
    if (!window.MaybeSave()) return;
    window.show();
    window.raise();
    window.State = EditorState::FreeText;
    window.setWindowTitle("Manual Edit/Refine");
    if (main_.Model().Loaded) {
        try {
            WriteInputFile(main_.Model(), "tempedit.inp");
            window.LoadFile("tempedit.inp");
            window.State = EditorState::ModelText;
        } catch (const std::exception& e) {
            main_.UiMessages().Message(e.what());
        }
    }
    main_.UpdateForm();
    window.UpdateForm();
    window.Action("actOpen")->setEnabled(true);
}

void TMainHooks::ViewInput() {
    if (!main_.Model().Loaded) return;
    try {
        WriteInputFile(main_.Model(), "temp.inp");
    } catch (const std::exception& e) {
        main_.UiMessages().Message(e.what());
        return;
    }
    TEditForm& window = Text(kViewInput);
    window.setWindowTitle("View Inputfile");
    window.State = EditorState::FileView;
    window.LoadFile("temp.inp");
    window.EditFileName = "temp.inp";
    window.UpdateForm();
    window.show();
    window.raise();
}

void TMainHooks::ViewOutput(const QString& extension) {
    const bool output = extension == ".out";
    TEditForm& window = Text(output ? kViewOutput : kViewBonds);
    window.setWindowTitle(output                ? "View File"
                          : extension == ".dst" ? "View Bond Valence"
                                                : "View Distance/Angles");
    const QString file =
        main_.Work().DriverIfCreated() && !main_.Work().DriverIfCreated()->BaseName.empty()
            ? FromStd(main_.Work().DriverIfCreated()->BaseName) + extension
            : QString();
    if (!file.isEmpty() && QFileInfo::exists(file) && window.LoadFile(file)) {
        window.State = EditorState::FileView;
        window.EditFileName = file;
        window.setWindowTitle((output ? "View Output: " : "View Bonds: ") + file);
    } else {
        window.State = EditorState::FreeText;
    }
    window.UpdateForm();
    window.show();
    window.raise();
}

void TMainHooks::QuickStart() {
    ManualEdit();
    TEditForm& window = Text(kManualEdit);
    window.SetPlot(main_.Settings.QSPlot);
    window.SetWatch(main_.Settings.QSWatch);
    window.Refine([this, &window] {
        if (main_.Settings.QSUpdate) window.Update();
    });
}

} // namespace koralix
