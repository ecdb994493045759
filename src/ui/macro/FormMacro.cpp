#include "FormMacro.h"

#include "FileChooser.h"
#include "FormKoralix.h"
#include "FormPosSaver.h"
#include "MacroRun.h"
#include "SafeFile.h"
#include "TextFile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>

namespace koralix {

namespace {

const QString OpenFilter = "KoraBasic files (*.rib)|*.rib|All files (*.*)|*.*";
const QString SaveFilter = "KoraBasic files (*.rib)|*.rib|Any file (*.*)|*.*";

QPlainTextEdit* Pane(QWidget* parent, const QString& name) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setObjectName(name);
    QFont font("Courier New", 8);
    font.setStyleHint(QFont::Monospace);
    pane->setFont(font);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    return pane;
}

} // namespace

TFormMacro::TFormMacro(TFormKoralix& main, macro::MacroLibrary& library,
                       macro::MacroWindow& mainWindow, TMacroRun& runs, FileChooser& files,
                       QWidget* parent)
    : QMainWindow(parent), main_(main), mainWindow_(mainWindow), runs_(runs), files_(files) {
    setWindowFlag(Qt::Window);
    setWindowTitle("KoraBasic");
    setObjectName("FormMacro");
    auto* splitter = new QSplitter(Qt::Vertical, this);
    MemoSource = Pane(splitter, "MemoSource");
    MemoSource->setMinimumSize(250, 150);
    MemoWrite = Pane(splitter, "MemoWrite");
    MemoWrite->setReadOnly(true);
    splitter->addWidget(MemoSource);
    splitter->addWidget(MemoWrite);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    CaretPanel = new QLabel(this);
    MessagePanel = new QLabel(this);
    MessagePanel->setMinimumWidth(400);
    statusBar()->addWidget(CaretPanel, 1);
    statusBar()->addPermanentWidget(MessagePanel);
    MemoSource->installEventFilter(this);
    MemoSource->viewport()->installEventFilter(this);

    SBasic1 = std::make_unique<macro::TSBasic>(&runs.Messages(), &runs.Host());
    SBasic1->Headline = "Error";
    SBasic1->Max_Count = 100000;
    SBasic1->Max_Dimension = 10000;
    SBasic1->OnMessage = [this](const std::string& text) {
        runs_.TryOnUi([&] { MessagePanel->setText(QString::fromStdString(text)); });
    };
    library.Register(*SBasic1, *this, macro::MacroLibraryVariant::MacroWindow);
    BuildActions();
    resize(640, 520);
    new TFormPosSaver(this, main.SettingsStore(), "Software\\Koralix\\Configuration\\MacroForm");
}

TFormMacro::~TFormMacro() = default;

QAction* TFormMacro::Action(const QString& name) const {
    return actions_[name];
}

void TFormMacro::BuildActions() {
    connect(actions_.Add("actNew", "&New", "New Korabasic macro"), &QAction::triggered, this,
            &TFormMacro::New);
    connect(actions_.Add("actOpen", "&Open", "Opens a file"), &QAction::triggered, this,
            &TFormMacro::Open);
    connect(actions_.Add("actSave", "&Save", "Saves a file"), &QAction::triggered, this,
            &TFormMacro::Save);
    connect(actions_.Add("actSaveAS", "Save &As", "Saves a file"), &QAction::triggered, this,
            &TFormMacro::SaveAs);
    connect(actions_.Add("actPrint", "&Print", "Prints the Source and Output windows"),
            &QAction::triggered, this, &TFormMacro::Print);
    connect(actions_.Add("actExit", "E&xit", "Exits"), &QAction::triggered, this, &QWidget::close);
    auto focused = [this] { return MemoWrite->hasFocus() ? MemoWrite : MemoSource; };
    connect(actions_.Add("EditCut1", "Cu&t", "Cut", QKeySequence("Ctrl+X")), &QAction::triggered,
            this, [focused] { focused()->cut(); });
    connect(actions_.Add("EditCopy1", "&Copy", "Copy", QKeySequence("Ctrl+C")), &QAction::triggered,
            this, [focused] { focused()->copy(); });
    connect(actions_.Add("EditPaste1", "&Paste", "Paste", QKeySequence("Ctrl+V")),
            &QAction::triggered, this, [focused] { focused()->paste(); });
    connect(actions_.Add("actClear", "Clear", "Clears the Source and Output windows"),
            &QAction::triggered, this, &TFormMacro::Clear);
    connect(actions_.Add("actRun", "&Run", "Runs the Korabasic macro", QKeySequence("F9")),
            &QAction::triggered, this, &TFormMacro::Run);
    QAction* stop = actions_.Add("actStop", "S&top", "Stops the running macro");
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, this, &TFormMacro::Stop);
    QAction* help = actions_.Add("HelpContents1", "&Help Topics", "");
    connect(help, &QAction::triggered, this, [this] {
        if (QAction* a = main_.Action("HelpContents1")) a->trigger();
    });

    QMenu* file = menuBar()->addMenu("&File");
    for (const char* n : {"actNew", "actOpen", "actSave", "actSaveAS", "actPrint", "actExit"})
        file->addAction(actions_[n]);
    QMenu* edit = menuBar()->addMenu("&Edit");
    for (const char* n : {"EditCut1", "EditCopy1", "EditPaste1", "actClear"})
        edit->addAction(actions_[n]);
    menuBar()->addAction(actions_["actRun"]);
    menuBar()->addAction(stop);
    menuBar()->addMenu("&Help")->addAction(help);
    QToolBar* bar = addToolBar("Main Toolbar");
    bar->setObjectName("MainToolbar");
    for (const char* n : {"actNew", "actOpen", "actSave", "actPrint", "actRun", "actStop"})
        bar->addAction(actions_[n]);
}

bool TFormMacro::MaybeSave() {
    if (!MemoSource->document()->isModified()) return true;
    const Answer answer = main_.UiMessages().Ask("Save KoraBasic File?");
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::Yes) return Save();
    return true;
}

void TFormMacro::New() {
    if (!MaybeSave()) return;
    MemoSource->clear();
    MemoWrite->clear();
    MemoSource->document()->setModified(false);
    MacroFileName.clear();
    setWindowTitle("KoraBasic");
}

void TFormMacro::Open() {
    // Opening replaces the text; the edits are not lost without a question.
    if (!MaybeSave()) return;
    const QString file = files_.OpenFileName(OpenFilter, "mac", QString());
    if (file.isEmpty()) return;
    if (const std::string problem = NotRegularFileProblem(file.toStdString()); !problem.empty()) {
        main_.UiMessages().Message(problem);
        return;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        main_.UiMessages().Message("Cannot open " + file.toStdString());
        return;
    }
    MemoSource->setPlainText(QString::fromLatin1(in.readAll()).remove('\r'));
    MemoSource->document()->setModified(false);
    MacroFileName = file;
    setWindowTitle("KoraBasic: " + file);
}

bool TFormMacro::WriteSource(const QString& fileName) {
    try {
        WriteFileSafely(fileName.toStdString(), MemoSource->toPlainText().toLatin1().toStdString());
    } catch (const std::exception& e) {
        main_.UiMessages().Message(e.what());
        return false;
    }
    return true;
}

bool TFormMacro::Save() {
    if (MacroFileName.isEmpty()) {
        if (!SaveAs()) return false;
        MemoSource->document()->setModified(false);
        return true;
    }
    if (!WriteSource(MacroFileName)) return false;
    MemoSource->document()->setModified(false);
    return true;
}

bool TFormMacro::SaveAs() {
    const QString file = files_.SaveFileName(SaveFilter, "mac", MacroFileName);
    if (file.isEmpty()) return false;
    MacroFileName = file;
    if (!WriteSource(file)) return false;
    setWindowTitle("KoraBasic: " + file);
    return true;
}

void TFormMacro::Clear() {
    MemoSource->clear();
    MemoWrite->clear();
}

void TFormMacro::Run() {
    if (running_) return;
    MemoWrite->clear();
    CaretPanel->clear();
    MessagePanel->clear();
    const QString library = main_.Settings.LibraryScript.left(255);
    if (const std::optional<std::string> problem = SourceProblem(library)) {
        MessagePanel->setText(QString::fromStdString(*problem));
        main_.UiMessages().Message(*problem);
        return;
    }
    SBasic1->SetSourceText(MemoSource->toPlainText().toStdString());
    SBasic1->SetSourceLibrary(library.toStdString());
    if (SBasic1->Compile() != 0) return;
    SetRunning(true);
    // The macro runs on the task runner; the window stays responsive and Stop is answered.
    if (!runs_.Start(*SBasic1, [this] { Finished(); })) SetRunning(false);
}

// An empty text or one holding control bytes (a binary file opened here) is
// said so, as is a library file that cannot be a source, instead of running.
std::optional<std::string> TFormMacro::SourceProblem(const QString& library) const {
    const std::string name =
        MacroFileName.isEmpty() ? std::string("The macro") : MacroFileName.toStdString();
    if (auto problem = NotTextProblem(name, MemoSource->toPlainText().toStdString()))
        return problem;
    if (library.isEmpty()) return std::nullopt;
    return macro::MacroSourceProblem(library.toStdString());
}

void TFormMacro::Finished() {
    SetRunning(false);
    if (!SBasic1->LastFault().empty())
        MessagePanel->setText(QString::fromStdString(SBasic1->LastFault()));
}

void TFormMacro::SetRunning(bool running) {
    running_ = running;
    actions_["actRun"]->setEnabled(!running);
    actions_["actStop"]->setEnabled(running);
}

void TFormMacro::Stop() {
    if (running_) runs_.Stop();
}

void TFormMacro::Write(const std::string& line) {
    runs_.OnUi([&] { MemoWrite->appendPlainText(QString::fromStdString(line)); });
}

void TFormMacro::ClearScreen() {
    runs_.OnUi([this] { MemoWrite->clear(); });
}

std::string TFormMacro::OpenDialog(const std::string& name, const std::string& filter) {
    return FileDialog(false, name, filter);
}

std::string TFormMacro::SaveDialog(const std::string& name, const std::string& filter) {
    return FileDialog(true, name, filter);
}

std::string TFormMacro::FileDialog(bool save, const std::string& name, const std::string& filter) {
    std::string chosen;
    runs_.OnUi([&] {
        const QString f = QString::fromStdString(filter), n = QString::fromStdString(name);
        chosen =
            (save ? files_.SaveFileName(f, "", n) : files_.OpenFileName(f, "", n)).toStdString();
    });
    return chosen;
}

void TFormMacro::AddUserMenu(const std::string& menu, const std::string& item,
                             const std::string& script) {
    mainWindow_.AddUserMenu(menu, item, script);
}

void TFormMacro::ClearUserMenu() {
    mainWindow_.ClearUserMenu();
}

void TFormMacro::PlotPattern(TRefine& driver, int h) {
    mainWindow_.PlotPattern(driver, h);
}

void TFormMacro::PlotPoints(const std::vector<float>& x, const std::vector<float>& y) {
    mainWindow_.PlotPoints(x, y);
}

void TFormMacro::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    QTextDocument document;
    QString text = "********* Basic Source Listing *********\n" + MemoSource->toPlainText() +
                   "\n************ Output Listing ************\n" + MemoWrite->toPlainText();
    document.setDefaultFont(MemoSource->font());
    document.setPlainText(text);
    document.print(&printer);
}

void TFormMacro::ShowCaret() {
    CaretPanel->setText(QString("Line: %1").arg(MemoSource->textCursor().blockNumber() + 1));
}

void TFormMacro::showEvent(QShowEvent* event) {
    main_.Work().SetMode(WorkMode::Macro);
    main_.UpdateForm();
    QMainWindow::showEvent(event);
}

void TFormMacro::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The window stays while its macro runs; closing asks the macro to end.
        runs_.Stop();
        event->ignore();
        return;
    }
    if (!MaybeSave()) {
        event->ignore();
        return;
    }
    main_.Work().SetMode(WorkMode::Idle);
    main_.ActiveEditControl.clear();
    main_.UpdateForm();
    event->accept();
}

void TFormMacro::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        main_.ActiveEditControl = MemoWrite->hasFocus() ? MemoWrite : MemoSource;
    QMainWindow::changeEvent(event);
}

bool TFormMacro::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonPress)
        ShowCaret();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace koralix
