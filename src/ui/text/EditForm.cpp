#include "EditForm.h"

#include "FileChooser.h"
#include "FileTypes.h"
#include "FormKoralix.h"
#include "FormPosSaver.h"
#include "FormWatch.h"
#include "InputFile.h"
#include "NameTables.h"
#include "PlotForm.h"
#include "SafeFile.h"
#include "SearchAndReplace.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>

namespace koralix {

bool TEditForm::StopFlag = false;
bool TEditForm::StoppedByUser = false;

namespace {

QString General4(float v) {
    return QString::number(static_cast<double>(v), 'g', 4);
}

} // namespace

QString InputRecordHint(const QString& secondLine, int line) {
    const int h = ReadIntField(secondLine.toStdString(), 1, 3) + 1;
    int kind = 0;
    if (line == 1)
        kind = 1;
    else if (line >= 2 && line <= h + 1)
        kind = 2;
    else if (line == h + 2)
        kind = 3;
    else if (line >= h + 3 && line <= 2 * h + 2)
        kind = 4;
    else if (line == 2 * h + 3)
        kind = 5;
    return QString::fromStdString(InputLineLabel(kind));
}

TEditForm::TEditForm(TFormKoralix& main, FileChooser& files, QWidget* parent)
    : QMainWindow(parent), main_(main), files_(files) {
    setWindowFlag(Qt::Window);
    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    QFont font("Courier New", 10);
    font.setStyleHint(QFont::Monospace);
    RichEdit1->setFont(font);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->installEventFilter(this);
    RichEdit1->viewport()->installEventFilter(this);
    setCentralWidget(RichEdit1);
    LinePanel = new QLabel("Line:");
    LinePanel->setMinimumWidth(100);
    ColumnPanel = new QLabel("Col:");
    ColumnPanel->setMinimumWidth(100);
    HintPanel = new QLabel;
    HintPanel->setMinimumWidth(50);
    statusBar()->addWidget(LinePanel);
    statusBar()->addWidget(ColumnPanel);
    statusBar()->addWidget(HintPanel, 1);
    SearchAndReplace1 = new TSearchAndReplace(RichEdit1, main.UiMessages(), this);
    BuildActions();
    BuildMenus();
    connect(RichEdit1, &QPlainTextEdit::cursorPositionChanged, this, &TEditForm::ShowPosition);
    resize(720, 560);
    new TFormPosSaver(this, main.SettingsStore(), "Software\\Koralix\\Configuration\\EditForm");
}

QAction* TEditForm::Action(const QString& name) const {
    return actions_[name];
}

void TEditForm::BuildActions() {
    connect(actions_.Add("actOpen", "&Open", "Open"), &QAction::triggered, this, &TEditForm::Open);
    connect(actions_.Add("actSave", "&Save", "Save"), &QAction::triggered, this, &TEditForm::Save);
    connect(actions_.Add("actSaveAS", "Save &As", "Save as"), &QAction::triggered, this,
            &TEditForm::SaveAs);
    connect(actions_.Add("actPrint", "&Print", "Print"), &QAction::triggered, this,
            &TEditForm::Print);
    connect(actions_.Add("actReload", "&Reload", "Reload"), &QAction::triggered, this,
            &TEditForm::Reload);
    connect(actions_.Add("actExit", "&Exit", "Exit"), &QAction::triggered, this, &QWidget::close);
    connect(actions_.Add("EditUndo1", "&Undo", "", QKeySequence("Alt+Backspace")),
            &QAction::triggered, RichEdit1, &QPlainTextEdit::undo);
    connect(actions_.Add("EditCut1", "Cu&t", "Cut", QKeySequence("Ctrl+X")), &QAction::triggered,
            RichEdit1, &QPlainTextEdit::cut);
    connect(actions_.Add("EditCopy1", "&Copy", "Copy", QKeySequence("Ctrl+C")), &QAction::triggered,
            RichEdit1, &QPlainTextEdit::copy);
    connect(actions_.Add("EditPaste1", "&Paste", "Paste", QKeySequence("Ctrl+V")),
            &QAction::triggered, RichEdit1, &QPlainTextEdit::paste);
    connect(actions_.Add("actFont", "Font", "Change Font"), &QAction::triggered, this,
            &TEditForm::ChooseFont);
    connect(actions_.Add("EditFind1", "&Find", "Find", QKeySequence::Find), &QAction::triggered,
            SearchAndReplace1, &TSearchAndReplace::Find);
    connect(actions_.Add("EditReplace1", "&Replace", "Replace", QKeySequence::Replace),
            &QAction::triggered, SearchAndReplace1, &TSearchAndReplace::Replace);
    QAction* hints = actions_.Add("actShowHints", "&Show Hints", "");
    hints->setCheckable(true);
    hints->setChecked(true);
    connect(actions_.Add("actRefine", "&Refine", "Start Refine"), &QAction::triggered, this,
            [this] { Refine(); });
    connect(actions_.Add("actStop", "&Stop", "Stop refine"), &QAction::triggered, this, [] {
        StopFlag = true;
        StoppedByUser = true;
    });
    connect(actions_.Add("actUpdate", "&Update", "Update"), &QAction::triggered, this,
            &TEditForm::Update);
    actions_.Add("actPlot", "&Plot", "Plot")->setCheckable(true);
    QAction* watch = actions_.Add("actWatch", "&Watch", "Watch");
    watch->setCheckable(true);
    connect(watch, &QAction::toggled, this, [this](bool on) {
        if (Watch) Watch->Follow(this, on);
    });
}

void TEditForm::BuildMenus() {
    auto add = [this](QWidget* w, const QStringList& names) {
        for (const QString& n : names) {
            if (n.isEmpty()) {
                if (auto* m = qobject_cast<QMenu*>(w)) m->addSeparator();
                if (auto* t = qobject_cast<QToolBar*>(w)) t->addSeparator();
            } else {
                w->addAction(actions_[n]);
            }
        }
    };
    add(menuBar()->addMenu("&File"),
        {"actOpen", "actSave", "actSaveAS", "", "actPrint", "", "actReload", "", "actExit"});
    add(menuBar()->addMenu("&Edit"),
        {"EditUndo1", "", "EditCut1", "EditCopy1", "EditPaste1", "", "actFont", "", "EditFind1",
         "EditReplace1", "", "actShowHints"});
    processMenu_ = menuBar()->addMenu("&Process");
    add(processMenu_, {"actRefine", "actStop", "actUpdate", "", "actPlot", "actWatch"});
    QToolBar* menuBar = addToolBar("Edit Menu Toolbar");
    menuBar->setObjectName("EditMenuToolbar");
    add(menuBar, {"actOpen", "actSave", "actExit", "actReload", "", "actPrint", "", "EditCut1",
                  "EditCopy1", "EditPaste1", "", "EditUndo1", "EditFind1", "EditReplace1"});
    refineBar_ = addToolBar("Edit Refine Toolbar");
    refineBar_->setObjectName("EditRefineToolbar");
    add(refineBar_, {"actRefine", "actStop"});
}

void TEditForm::UpdateForm() {
    const QString current = main_.Work().InputFile();
    actions_["actSaveAS"]->setEnabled(true);
    bool process = true, open = true, reload = true;
    switch (State) {
    case EditorState::ModelText:
        setWindowTitle("Refine: " + current);
        actions_["actRefine"]->setEnabled(true);
        actions_["actStop"]->setEnabled(false);
        actions_["actUpdate"]->setEnabled(false);
        EditFileName = current;
        break;
    case EditorState::FreeText:
        process = reload = false;
        actions_["actRefine"]->setEnabled(false);
        actions_["actStop"]->setEnabled(false);
        actions_["actUpdate"]->setEnabled(false);
        break;
    case EditorState::Refining:
        setWindowTitle("Refining: " + current);
        actions_["actRefine"]->setEnabled(false);
        actions_["actStop"]->setEnabled(true);
        actions_["actUpdate"]->setEnabled(false);
        EditFileName = current;
        break;
    case EditorState::FileView:
        process = open = reload = false;
        actions_["actSaveAS"]->setEnabled(false);
        break;
    case EditorState::Refined:
        setWindowTitle("Refined: " + current);
        actions_["actRefine"]->setEnabled(true);
        actions_["actStop"]->setEnabled(false);
        actions_["actUpdate"]->setEnabled(true);
        break;
    }
    processMenu_->menuAction()->setVisible(process);
    for (const char* name : {"actRefine", "actStop", "actUpdate", "actPlot"})
        actions_[name]->setVisible(process);
    refineBar_->setVisible(process);
    actions_["actOpen"]->setEnabled(open);
    actions_["actReload"]->setEnabled(reload);
    actions_["actSave"]->setEnabled(actions_["actSaveAS"]->isEnabled());
}

bool TEditForm::LoadFile(const QString& fileName) {
    if (const std::string problem = NotRegularFileProblem(fileName.toStdString());
        !problem.empty()) {
        main_.UiMessages().Message(problem);
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        main_.UiMessages().Message("Cannot open file " + fileName.toStdString() + ": " +
                                   file.errorString().toStdString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    crlf_ = bytes.contains("\r\n") || bytes.isEmpty();
    QString text = QString::fromLatin1(bytes);
    text.remove('\r');
    RichEdit1->setPlainText(text);
    RichEdit1->document()->setModified(false);
    return true;
}

bool TEditForm::WriteText(const QString& fileName) {
    QString text = RichEdit1->toPlainText();
    if (crlf_) text.replace("\n", "\r\n");
    try {
        WriteFileSafely(fileName.toStdString(), text.toLatin1().toStdString());
    } catch (const std::exception& e) {
        main_.UiMessages().Message(e.what());
        return false;
    }
    RichEdit1->document()->setModified(false);
    return true;
}

void TEditForm::ReadModelFrom(const QString& fileName) {
    ReadInputFile(main_.Model(), fileName.toStdString(), main_.UiMessages());
}

bool TEditForm::MaybeSave() {
    if (!RichEdit1->document()->isModified()) return true;
    const Answer answer = main_.UiMessages().Ask("Save the file?");
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::No) {
        // The user dropped the edits: the next Manual Edit does not ask again.
        RichEdit1->document()->setModified(false);
        return true;
    }
    const QString file = files_.SaveFileName("All files (*.*)|*.*", "", EditFileName);
    if (file.isEmpty()) return false;
    if (QFileInfo::exists(file) &&
        main_.UiMessages().Ask(QString("OK to overwrite %1").arg(file).toStdString()) !=
            Answer::Yes)
        return true;
    if (!WriteText(file)) return false;
    if (State == EditorState::ModelText) {
        ReadModelFrom(file);
        main_.Work().SetInputFile(file);
        setWindowTitle("Refine: " + file);
        EditFileName = file;
    }
    return true;
}

void TEditForm::Open() {
    if (!MaybeSave()) return;
    const QString file =
        files_.OpenFileName("ZKRM Files (*.inp,*.out,*.dst)|*.inp;*.out;*.dst", "inp", QString());
    if (file.isEmpty()) return;
    const int type = FileTypeOf(file.toStdString());
    if (type == FileType::Input) {
        main_.Work().SetInputFile(file);
        ReadModelFrom(file);
        State = EditorState::ModelText;
        main_.Work().SetMode(WorkMode::ManualEdit);
        LoadFile(file);
        UpdateForm();
    } else if (type == FileType::Unknown) {
        State = EditorState::FreeText;
        LoadFile(file);
        main_.Work().SetMode(WorkMode::Idle);
        setWindowTitle("Viewing/Editing: " + file);
        UpdateForm();
        EditFileName = file;
    }
    RichEdit1->document()->setModified(false);
}

void TEditForm::Save() {
    if (EditFileName.trimmed().isEmpty()) return;
    if (!WriteText(EditFileName)) return;
    if (State == EditorState::ModelText) {
        ReadModelFrom(EditFileName);
        main_.Work().SetInputFile(EditFileName);
        setWindowTitle("Refine: " + EditFileName);
    }
}

void TEditForm::SaveAs() {
    const QString caption = windowTitle();
    const QString name = caption.mid(caption.lastIndexOf(QRegularExpression("[\\\\:/ ]")) + 1);
    const int dot = name.lastIndexOf('.');
    const QString ext = dot < 0 ? QString() : name.mid(dot);
    const QString filter = "Current file type (*" + ext + ")|*" + ext + "|All files (*.*)|*.*";
    const QString file =
        files_.SaveFileName(filter, ext.mid(1), EditFileName.isEmpty() ? name : EditFileName);
    if (file.isEmpty()) return;
    if (QFileInfo::exists(file) &&
        main_.UiMessages().Ask(QString("OK to overwrite %1").arg(file).toStdString()) !=
            Answer::Yes)
        return;
    if (!WriteText(file)) return;
    if (State == EditorState::ModelText) {
        ReadModelFrom(file);
        main_.Work().SetInputFile(file);
        setWindowTitle("Refine: " + file);
    }
    EditFileName = file;
}

void TEditForm::Reload() {
    if (EditFileName.trimmed().isEmpty()) return;
    // Reloading drops the edits, so it asks first like every other way of losing them.
    if (!MaybeSave()) return;
    LoadFile(EditFileName);
}

void TEditForm::SetPlot(bool on) {
    actions_["actPlot"]->setChecked(on);
}

void TEditForm::SetWatch(bool on) {
    actions_["actWatch"]->setChecked(on);
}

void TEditForm::Refine(std::function<void()> then) {
    TWorkspace& work = main_.Work();
    if (work.Busy()) {
        work.Messages().Message(TWorkspace::BusyMessage);
        return;
    }
    StoppedByUser = false;
    UpdateForm();
    const QString scratch = "manual.inp";
    // Writing the scratch file does not save the text.
    const bool modified = RichEdit1->document()->isModified();
    if (!WriteText(scratch)) return;
    RichEdit1->document()->setModified(modified);
    StopFlag = false;
    TRefine& driver = work.Driver();
    driver.IDSZ = work.Settings().IDSZ;
    driver.IRS = work.Settings().IRS;
    driver.NIPOI = work.Settings().NIPOI;
    ReadModelFrom(scratch);
    if (!work.ModelLoaded()) return;
    State = EditorState::Refining;
    const QString current = work.InputFile().isEmpty() ? scratch : work.InputFile();
    const QFileInfo info(current);
    // The base name drops the extension only: a dot in a folder name stays.
    const QString base = info.dir().filePath(info.completeBaseName());
    driver.BaseName = base.toStdString();
    driver.Model = &work.Model();
    driver.DataName = base.toStdString();
    driver.StartRefinement();
    UpdateForm();
    afterRefine_ = std::move(then);
    if (driver.LastError == StatusFault) {
        EndRefine();
        return;
    }
    NextCycle();
}

// Each cycle runs on the workspace's task runner: the window keeps repainting
// and Stop takes effect before the next cycle.
void TEditForm::NextCycle() {
    TWorkspace& work = main_.Work();
    TRefine& driver = work.Driver();
    if (StopFlag || driver.Cycle() >= work.Model().Cycles) {
        if (driver.LastError == 0) driver.CloseRefinement(true);
        EndRefine();
        return;
    }
    work.Tasks().Run([&driver] { driver.StepRefinement(); }, [this] { CycleDone(); });
}

void TEditForm::CycleDone() {
    TWorkspace& work = main_.Work();
    TRefine& driver = work.Driver();
    work.FlushMessages();
    if (!StopFlag && driver.LastError != 0) {
        StopFlag = true;
    } else {
        ShowCycle();
        // The watch window follows this announcement while Watch is checked.
        work.AnnounceCycle(driver.Cycle());
    }
    if (driver.State() == RefineState::Finished) StopFlag = true;
    NextCycle();
}

void TEditForm::EndRefine() {
    State = EditorState::Refined;
    UpdateForm();
    main_.UpdateForm();
    if (afterRefine_) std::exchange(afterRefine_, nullptr)();
}

void TEditForm::ShowCycle() {
    TRefine& driver = main_.Driver();
    HintPanel->setText(QString("Status: %1     Rp = %2    Rwp = %3  Chi^2 = %4")
                           .arg(driver.Cycle())
                           .arg(General4(driver.GetRp(1)), General4(driver.GetRwp(1)),
                                General4(driver.GetChi2(1))));
    if (actions_["actPlot"]->isChecked()) RefreshPlot();
}

void TEditForm::RefreshPlot() {
    // The plot window and its data are the ones the refinement window and macros use.
    TWorkspace& work = main_.Work();
    const TPlotForm* shown = work.EnginePlotIfCreated();
    if (work.ReplotEngine(shown ? shown->HistogramNumber : 1))
        work.EnginePlot().setWindowTitle(work.InputFile());
}

void TEditForm::Update() {
    const QString upd = QString::fromStdString(main_.Driver().BaseName) + ".upd";
    if (!LoadFile(upd)) return;
    if (!main_.Work().InputFile().isEmpty() && !WriteText(main_.Work().InputFile())) return;
    State = EditorState::ModelText;
    UpdateForm();
}

void TEditForm::ShowPosition() {
    const QTextCursor cursor = RichEdit1->textCursor();
    const int line = cursor.blockNumber();
    const int column = cursor.positionInBlock();
    LinePanel->setText(QString("Line: %1").arg(line + 1));
    ColumnPanel->setText(QString("Col: %1").arg(column + 1));
    if (State == EditorState::Refining) return; // the panel shows the refinement
    if (!actions_["actShowHints"]->isChecked() || main_.Work().Mode() != WorkMode::ManualEdit ||
        RichEdit1->document()->blockCount() <= 2) {
        HintPanel->clear();
        return;
    }
    HintPanel->setText(
        InputRecordHint(RichEdit1->document()->findBlockByNumber(1).text(), line + 1));
}

void TEditForm::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    printer.setDocName(EditFileName);
    RichEdit1->print(&printer);
}

void TEditForm::ChooseFont() {
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, RichEdit1->font(), this, "Font", QFontDialog::MonospacedFonts);
    if (ok) RichEdit1->setFont(font);
}

void TEditForm::showEvent(QShowEvent* event) {
    RichEdit1->document()->setModified(false);
    UpdateForm();
    LinePanel->setText("Line:");
    ColumnPanel->setText("Col:");
    HintPanel->clear();
    QMainWindow::showEvent(event);
}

void TEditForm::closeEvent(QCloseEvent* event) {
    if (State == EditorState::Refining) {
        // Closing stops the refinement loop; the window closes when it has ended.
        StopFlag = true;
        event->ignore();
        return;
    }
    if (State != EditorState::FileView && !MaybeSave()) {
        event->ignore();
        return;
    }
    main_.ActiveEditControl.clear();
    main_.Work().SetMode(WorkMode::Idle);
    main_.UpdateForm();
    event->accept();
}

void TEditForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        main_.ActiveEditControl = RichEdit1;
    QMainWindow::changeEvent(event);
}

bool TEditForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonPress)
        ShowPosition();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace koralix
