// The text window (modes, record hints, search and replace, the Manual Edit
// refine loop against the real engine, Quick Start through it), the macro
// window, the watch window's colours and the user menu, without a display.
#include "EditForm.h"
#include "FormGraph.h"
#include "FormKoralix.h"
#include "FormMacro.h"
#include "FormWatch.h"
#include "InputFile.h"
#include "MacroRun.h"
#include "MainHooks.h"
#include "SearchAndReplace.h"
#include "Workspace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace koralix;

namespace {

class ScriptedFiles : public FileChooser {
  public:
    QStringList opens, saves;
    QString OpenFileName(const QString&, const QString&, const QString&) override {
        return opens.isEmpty() ? QString() : opens.takeFirst();
    }
    QString SaveFileName(const QString&, const QString&, const QString&) override {
        return saves.isEmpty() ? QString() : saves.takeFirst();
    }
};

struct FindCase {
    const char* name;
    const char* text;
    const char* search;
    int selectionStart;
    int selectionLength;
    SearchOptions options;
    int expected; // -1: not found
};

std::ostream& operator<<(std::ostream& os, const FindCase& c) {
    return os << c.name;
}

const FindCase kFindCases[] = {
    {"DownFromTheCaret", "abc abc", "abc", 0, 0, {}, 0},
    {"DownAfterTheSelection", "abc abc", "abc", 0, 3, {}, 4},
    {"IgnoringCase", "xx ABC", "abc", 0, 0, {}, 3},
    {"MatchingCase", "ABC abc", "abc", 0, 0, {true, true, false}, 4},
    {"Up", "abc abc abc", "abc", 8, 3, {false, false, false}, 4},
    {"UpFindsNothingBeforeTheStart", "abc", "abc", 0, 3, {false, false, false}, -1},
    {"WholeWordSkipsTheWordItStartsOn", "cat cat concat cat", "cat", 0, 0, {true, false, true}, 4},
    {"WholeWordSkipsPartsOfWords", "concat cat", "cat", 0, 0, {true, false, true}, 7},
    {"NothingWhenTheTextIsTooShort", "ab", "abc", 0, 0, {}, -1},
    {"NothingForAnEmptySearch", "abc", "", 0, 0, {}, -1},
};

class FindCases : public ::testing::TestWithParam<FindCase> {};

class WorkbenchFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        for (const char* name : {"corundum.inp", "corundum.xy"})
            std::filesystem::copy_file(std::string(KORALIX_EXAMPLES) + "/" + name,
                                       folder.filePath(name).toStdString());
        auto store =
            std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
        form = std::make_unique<TFormKoralix>(std::move(store), messenger, files);
        form->Driver().LibraryPath = KORALIX_REAL_ENGINE;
        input = folder.filePath("corundum.inp");
    }
    void TearDown() override {
        form.reset();
        QDir::setCurrent(previous);
    }
    QTemporaryDir folder;
    QString previous, input;
    RecordingMessenger messenger;
    ScriptedFiles files;
    std::unique_ptr<TFormKoralix> form;
};

// The workbench with its long work on a worker thread, as the program runs it.
class ThreadedWorkbench : public WorkbenchFixture {
  protected:
    void SetUp() override {
        WorkbenchFixture::SetUp();
        form->Work().Tasks().SetBackend(TaskBackend::Threaded);
    }
    void TearDown() override {
        form->Work().Tasks().Wait();
        WorkbenchFixture::TearDown();
    }
};

} // namespace

TEST_P(FindCases, FindsTheExpectedMatch) {
    const FindCase& c = GetParam();
    const auto at = FindInText(c.text, c.search, c.selectionStart, c.selectionLength, c.options);
    EXPECT_EQ(at.value_or(-1), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Search, FindCases, ::testing::ValuesIn(kFindCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextWindow, RecordHintsFollowTheHistogramCount) {
    const QString second = "  1   1";
    const char* expected[] = {"Title",
                              "nhist, nphase, ...",
                              "nhist, nphase, ...",
                              "Control Options,...",
                              "Wavelengths,ratio,...",
                              "Wavelengths,ratio,...",
                              "Ncycle,damping,thetas,...",
                              ""};
    for (int line = 1; line <= 8; ++line)
        EXPECT_EQ(InputRecordHint(second, line), expected[line - 1]) << line;
}

TEST(WatchWindow, ValueColours) {
    EXPECT_EQ(WatchColour("1.5", "0.1", "1.2"), QColor(Qt::red));
    EXPECT_EQ(WatchColour("0.05", "0.1", "0.05"), QColor(Qt::blue));
    EXPECT_EQ(WatchColour("0.05", "0.1", "3"), QColor(Qt::blue)); // blue wins
    EXPECT_EQ(WatchColour("1.5", "0.1", "1.45"), QColor(Qt::black));
    EXPECT_EQ(WatchColour("x", "", ""), QColor(Qt::black));
}

TEST_F(WorkbenchFixture, ReplaceAllDoublesEachMatchOnce) {
    TEditForm& window = form->Hooks->ManualEditWindow();
    window.RichEdit1->setPlainText("a ba a");
    window.SearchAndReplace1->ReplaceAll("a", "aa", {});
    EXPECT_EQ(window.RichEdit1->toPlainText(), "aa baa aa");
    EXPECT_TRUE(messenger.messages.empty());
    window.SearchAndReplace1->FindNext("zz", {});
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "\"zz\" was not found in text");
}

TEST_F(WorkbenchFixture, ManualEditShowsTheModelAndRefinesItWithTheEngine) {
    form->ProcessFile(input);
    form->Hooks->ManualEdit();
    TEditForm& window = form->Hooks->ManualEditWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(form->Work().Mode(), WorkMode::ManualEdit);
    EXPECT_EQ(window.State, EditorState::ModelText);
    EXPECT_EQ(window.windowTitle(), "Refine: " + input);
    EXPECT_TRUE(window.RichEdit1->toPlainText().startsWith("Corundum Al2O3"));
    EXPECT_FALSE(form->Action("actGeneral")->isEnabled());
    EXPECT_TRUE(window.Action("actRefine")->isEnabled());
    EXPECT_FALSE(window.Action("actUpdate")->isEnabled());

    window.SetWatch(true);
    window.Refine();
    ASSERT_EQ(window.State, EditorState::Refined) << ::testing::PrintToString(messenger.messages);
    EXPECT_EQ(window.windowTitle(), "Refined: " + input);
    EXPECT_TRUE(window.HintPanel->text().startsWith("Status: "))
        << window.HintPanel->text().toStdString();
    EXPECT_TRUE(window.Action("actUpdate")->isEnabled());
    EXPECT_TRUE(QFileInfo::exists(folder.filePath("manual.inp")));
    EXPECT_TRUE(QFileInfo::exists(folder.filePath("corundum.upd")));
    TFormWatch& watch = form->Hooks->WatchWindow();
    EXPECT_TRUE(watch.isVisible());
    EXPECT_EQ(watch.Grid->rowCount(), form->Model().Parameters.FreeCount() + 1);
    EXPECT_FALSE(watch.Cell(1, 1).isEmpty());

    window.Update();
    EXPECT_EQ(window.State, EditorState::ModelText);
    TRietveld saved;
    ReadInputFile(saved, input.toStdString(), messenger);
    ASSERT_TRUE(saved.Loaded);
    EXPECT_NEAR(saved.Phase(1).A, 4.7602, 0.002);
    window.close();
    EXPECT_EQ(form->Work().Mode(), WorkMode::Idle);
}

TEST_F(WorkbenchFixture, AModelTextThatDoesNotReadIsNotRefined) {
    form->ProcessFile(input);
    form->Hooks->ManualEdit();
    TEditForm& window = form->Hooks->ManualEditWindow();
    // 99 histograms announced, one held: the reader stops with an error.
    QStringList lines = window.RichEdit1->toPlainText().split('\n');
    lines[1] = " 99   4   1";
    window.RichEdit1->setPlainText(lines.join('\n'));
    window.RichEdit1->document()->setModified(true); // as typing leaves it
    window.Refine();
    EXPECT_EQ(window.State, EditorState::ModelText);
    EXPECT_TRUE(window.RichEdit1->document()->isModified());
}

TEST_F(WorkbenchFixture, QuickStartRunsThroughManualEdit) {
    form->ProcessFile(input);
    form->Settings.QSUpdate = true;
    form->QuickStart();
    TEditForm& window = form->Hooks->ManualEditWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.State, EditorState::ModelText); // refined, then updated
    EXPECT_EQ(form->Work().Driver().State(), RefineState::Closed);
    TRietveld saved;
    ReadInputFile(saved, input.toStdString(), messenger);
    EXPECT_NEAR(saved.Phase(1).A, 4.7602, 0.002);
}

TEST_F(WorkbenchFixture, UnsavedTextIsNotDroppedWithoutAsking) {
    form->ProcessFile(input);
    form->Hooks->ManualEdit();
    TEditForm& window = form->Hooks->ManualEditWindow();
    window.RichEdit1->appendPlainText("edit");
    messenger.answers = {Answer::Cancel, Answer::Cancel, Answer::Cancel};
    window.Reload();
    form->Hooks->ManualEdit();
    window.close();
    EXPECT_EQ(messenger.questions, (std::vector<std::string>(3, "Save the file?")));
    EXPECT_TRUE(window.RichEdit1->toPlainText().endsWith("edit"));
    EXPECT_TRUE(window.isVisible());
    // No drops the edits: closing goes on, and the next Manual Edit does not ask again.
    messenger.answers = {Answer::No};
    window.close();
    EXPECT_FALSE(window.isVisible());
    form->Hooks->ManualEdit();
    EXPECT_EQ(messenger.questions.size(), 4u);
    EXPECT_FALSE(window.RichEdit1->toPlainText().endsWith("edit"));
}

TEST_F(WorkbenchFixture, WatchColumnsShowWholeNumbers) {
    TFormWatch& watch = form->Hooks->WatchWindow();
    watch.SetRowCount(2);
    watch.SetCell(1, 0, "P  1: Phase Scale");
    watch.SetCell(1, 2, "-0.00012345");
    watch.show();
    const QFontMetrics metrics(watch.Grid->font());
    EXPECT_GE(watch.Grid->columnWidth(2), metrics.horizontalAdvance("-0.00012345"));
    EXPECT_GE(watch.width(),
              watch.Grid->columnWidth(0) + watch.Grid->columnWidth(1) + watch.Grid->columnWidth(2));
}

TEST_F(WorkbenchFixture, ViewsShowTheFilesTheProgramWrote) {
    form->ProcessFile(input);
    form->Hooks->ViewInput();
    TEditForm* view = form->Hooks->TextWindow(1);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->State, EditorState::FileView);
    EXPECT_EQ(view->windowTitle(), "View Inputfile");
    EXPECT_FALSE(view->Action("actSaveAS")->isEnabled());
    form->Hooks->ViewOutput(".out");
    TEditForm* output = form->Hooks->TextWindow(2);
    EXPECT_EQ(output->State, EditorState::FreeText); // nothing refined yet
    EXPECT_EQ(output->windowTitle(), "View File");
}

TEST_F(WorkbenchFixture, MacroWindowRunsAMacroThatRefinesTheOpenModel) {
    TFormMacro& window = form->Hooks->MacroWindow();
    window.show();
    EXPECT_EQ(form->Work().Mode(), WorkMode::Macro);
    window.MemoSource->setPlainText(
        "INTEGER s\ns = OPENRIETVELD(\"corundum\")\nWRITE(STARTRIETVELD())\n"
        "s = STEPRIETVELD(2)\nWRITE(GETERROR())\ns = ENDRIETVELD()\ns = UPDATE()\n");
    window.Run();
    EXPECT_EQ(window.MemoWrite->toPlainText(), "0\nNo error.");
    EXPECT_TRUE(window.MessagePanel->text().isEmpty()) << window.MessagePanel->text().toStdString();
    // The macro's model is the workbench's model.
    ASSERT_TRUE(form->Model().Loaded);
    EXPECT_EQ(form->Work().Driver().State(), RefineState::Closed);

    window.MemoSource->setPlainText("WRITE(1)\nWRITE(2)\nx = 2 * -3\n");
    window.Run();
    EXPECT_TRUE(window.MemoWrite->toPlainText().isEmpty());
    EXPECT_TRUE(window.MessagePanel->text().contains("Line:0003"))
        << window.MessagePanel->text().toStdString();

    window.MemoSource->setPlainText("INTEGER i\nFOR i = 1 TO 3\nWRITE(i)\nNEXT i\nWRITE(SQRT(-1))");
    window.Run();
    EXPECT_EQ(window.MemoWrite->toPlainText(), "1\n2\n3");
    EXPECT_FALSE(window.MessagePanel->text().isEmpty());
}

// Text that holds no macro is said so instead of running as an empty macro.
TEST_F(WorkbenchFixture, MacroWindowRefusesAnEmptyOrBinaryText) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "The macro is empty."},
        {"  \n\t\n", "The macro is empty."},
        {"WRITE(1)\n\x01\x02", "The macro is not a text file (a control byte in line 2)."},
    };
    TFormMacro& window = form->Hooks->MacroWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        window.MemoSource->setPlainText(c.text);
        window.MemoWrite->setPlainText("from before");
        window.Run();
        EXPECT_TRUE(window.MemoWrite->toPlainText().isEmpty());
        EXPECT_EQ(window.MessagePanel->text().toStdString(), c.message);
        ASSERT_FALSE(messenger.messages.empty());
        EXPECT_EQ(messenger.messages.back(), c.message);
    }
}

TEST_F(WorkbenchFixture, MacroWindowAsksBeforeDroppingTheSource) {
    TFormMacro& window = form->Hooks->MacroWindow();
    window.MemoSource->setPlainText("WRITE(1)");
    window.MemoSource->document()->setModified(true); // as typing leaves it
    window.MemoWrite->setPlainText("1");
    messenger.answers = {Answer::Cancel, Answer::No};
    window.New();
    EXPECT_EQ(window.MemoSource->toPlainText(), "WRITE(1)");
    window.New();
    EXPECT_TRUE(window.MemoSource->toPlainText().isEmpty());
    EXPECT_TRUE(window.MemoWrite->toPlainText().isEmpty());
    EXPECT_EQ(messenger.questions, (std::vector<std::string>(2, "Save KoraBasic File?")));
}

TEST_F(WorkbenchFixture, UserMenuEntriesComeAndGo) {
    QMenuBar* bar = form->menuBar();
    const int before = static_cast<int>(bar->actions().size());
    TMainHooks& hooks = *form->Hooks;
    hooks.AddUserMenu("Tools", "", "");
    hooks.AddUserMenu("Tools", "Say hello", "hello.rib");
    hooks.AddUserMenu("Tools", "-", "");
    hooks.AddUserMenu("Nowhere", "Direct", "");
    QList<QAction*> tops = bar->actions();
    ASSERT_EQ(tops.size(), before + 2);
    EXPECT_EQ(tops[before - 1]->text(), "Tools"); // before Help
    EXPECT_EQ(tops[before]->text(), "Direct");
    EXPECT_EQ(tops[before - 1]->menu()->actions().size(), 2);
    // A script that is missing says so.
    tops[before - 1]->menu()->actions().first()->trigger();
    EXPECT_EQ(messenger.messages.back(), "KoraBasic script hello.rib not found.");
    for (int i = static_cast<int>(hooks.UserMenu.size()); i < kUserMenuCapacity + 5; ++i)
        hooks.AddUserMenu("Tools", "More", "");
    EXPECT_EQ(static_cast<int>(hooks.UserMenu.size()), kUserMenuCapacity);
    hooks.ClearUserMenu();
    EXPECT_EQ(bar->actions().size(), before);
}

TEST_F(WorkbenchFixture, StartUpMacroAddsAMenuThatRunsAScript) {
    std::ofstream(folder.filePath("start.rib").toStdString())
        << "INTEGER s\ns = ADDMENU(\"Scripts\", \"Refine example\", \"refine.rib\")\n";
    std::ofstream(folder.filePath("refine.rib").toStdString())
        << "INTEGER s\ns = REFINEFILE(\"corundum\")\n";
    form->Settings.StartUpScript = folder.filePath("start.rib");
    form->Hooks->Start();
    ASSERT_EQ(form->Hooks->UserMenu.size(), 1u);
    QAction* item = qobject_cast<QAction*>(form->Hooks->UserMenu[0].object.data());
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_TRUE(QFileInfo::exists(folder.filePath("corundum.upd")))
        << ::testing::PrintToString(messenger.messages);
    EXPECT_EQ(form->Work().InputFile(), "corundum.inp");
}

namespace {

// Files that hold no macro, run as a script (start-up, user menu) or put in
// front of every macro as the library: named with the reason, nothing run.
struct BadMacroFile {
    const char* name;
    void (*make)(const QString& path);
    const char* reason;
};

void PrintTo(const BadMacroFile& c, std::ostream* os) {
    *os << c.name;
}

const BadMacroFile kBadMacroFiles[] = {
    {"Empty", [](const QString& p) { std::ofstream(p.toStdString()) << "\n"; }, " is empty."},
    {"Binary",
     [](const QString& p) {
         std::ofstream(p.toStdString())
             << "INTEGER s\ns = ADDMENU(\"M\", \"I\", \"x.rib\")\n\x01\n";
     },
     " is not a text file (a control byte in line 3)."},
    {"Folder", [](const QString& p) { QDir().mkpath(p); }, ": it is a folder, not a file."},
    {"Fifo", [](const QString& p) { ::mkfifo(p.toLocal8Bit().constData(), 0644); },
     ": it is not a regular file."},
};

class BadMacroFileTest : public WorkbenchFixture,
                         public ::testing::WithParamInterface<BadMacroFile> {
  protected:
    QString MakeBadFile() {
        const QString path = folder.filePath("bad.rib");
        GetParam().make(path);
        return path;
    }
    void ExpectNamed(const QString& path, const std::string& message) {
        EXPECT_NE(message.find(path.toStdString()), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
    }
};

} // namespace

TEST_P(BadMacroFileTest, AsAScriptIsNamedAndNotRun) {
    const QString path = MakeBadFile();
    form->Hooks->RunScript(path);
    ASSERT_FALSE(messenger.messages.empty());
    ExpectNamed(path, messenger.messages.back());
    EXPECT_TRUE(form->Hooks->UserMenu.empty());
}

TEST_P(BadMacroFileTest, AsTheLibraryStopsTheMacroWindow) {
    const QString path = MakeBadFile();
    form->Settings.LibraryScript = path;
    TFormMacro& window = form->Hooks->MacroWindow();
    window.MemoSource->setPlainText("WRITE(1)");
    window.Run();
    EXPECT_TRUE(window.MemoWrite->toPlainText().isEmpty());
    ExpectNamed(path, window.MessagePanel->text().toStdString());
    ASSERT_FALSE(messenger.messages.empty());
    ExpectNamed(path, messenger.messages.back());
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadMacroFileTest, ::testing::ValuesIn(kBadMacroFiles),
                         [](const ::testing::TestParamInfo<BadMacroFile>& info) {
                             return info.param.name;
                         });

TEST_F(WorkbenchFixture, WatchWindowFollowsCyclesWhileWantedOrShown) {
    form->ProcessFile(input);
    TFormWatch& watch = form->Hooks->WatchWindow();
    form->Work().Driver();
    form->Work().AnnounceCycle(1);
    EXPECT_FALSE(watch.isVisible()); // nobody asked for it
    QObject requester;
    watch.Follow(&requester, true);
    form->Work().AnnounceCycle(1);
    EXPECT_TRUE(watch.isVisible());
    EXPECT_EQ(watch.Grid->rowCount(), form->Model().Parameters.FreeCount() + 1);
    EXPECT_EQ(watch.Cell(1, 0).toStdString(), form->Model().ParameterLabel(1));
    watch.Follow(&requester, false);
    watch.SetCell(1, 0, "kept");
    form->Work().AnnounceCycle(2); // shown: still follows
    EXPECT_NE(watch.Cell(1, 0), "kept");
    watch.hide();
    watch.SetCell(1, 0, "kept");
    form->Work().AnnounceCycle(3);
    EXPECT_EQ(watch.Cell(1, 0), "kept");
    EXPECT_FALSE(watch.isVisible());
}

TEST_F(WorkbenchFixture, PlotDrawsRedThenBlueOnTheFirstSeries) {
    TFormMacro& window = form->Hooks->MacroWindow();
    window.MemoSource->setPlainText("SINGLE x[10]\nSINGLE y[10]\nINTEGER i\nINTEGER s\n"
                                    "FOR i = 0 TO 9\nx[i] = i\ny[i] = i * i\nNEXT i\n"
                                    "s = PLOT(x, y, 9)\n");
    window.Run();
    TFormGraph& graph = form->GraphWindow();
    ASSERT_TRUE(graph.isVisible()) << window.MessagePanel->text().toStdString();
    ASSERT_EQ(graph.Chart->graphCount(), 1);
    EXPECT_EQ(graph.Chart->graph(0)->data()->size(), 10);
    EXPECT_EQ(graph.Chart->graph(0)->scatterStyle().pen().color(), QColor(Qt::red));
    window.Run();
    EXPECT_EQ(graph.Chart->graphCount(), 1);
    EXPECT_EQ(graph.Chart->graph(0)->data()->size(), 10);
    EXPECT_EQ(graph.Chart->graph(0)->scatterStyle().pen().color(), QColor(Qt::blue));
}

// The window returns at once; the cycles run on the worker while the window
// repaints, and Stop ends the loop before the model's cycles are done.
TEST_F(ThreadedWorkbench, ManualEditRefinesWithoutBlockingTheWindow) {
    form->ProcessFile(input);
    form->Hooks->ManualEdit();
    TEditForm& window = form->Hooks->ManualEditWindow();
    bool ended = false;
    window.Refine([&ended] { ended = true; });
    EXPECT_EQ(window.State, EditorState::Refining);
    EXPECT_TRUE(window.Action("actStop")->isEnabled());
    EXPECT_TRUE(form->Work().Busy());
    window.Action("actStop")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(ended, 60000);
    EXPECT_EQ(window.State, EditorState::Refined);
    EXPECT_TRUE(TEditForm::StoppedByUser);
    EXPECT_LT(form->Work().Driver().Cycle(), form->Model().Cycles);
    EXPECT_TRUE(QFileInfo::exists(folder.filePath("corundum.upd")));
}

TEST_F(ThreadedWorkbench, AMacroRunsOnTheWorkerAndStopEndsIt) {
    TFormMacro& window = form->Hooks->MacroWindow();
    window.MemoSource->setPlainText("INTEGER i\nFOR i = 1 TO 90000\nWRITE(i)\nNEXT i\n");
    window.Run();
    EXPECT_TRUE(window.Running());
    EXPECT_FALSE(window.Action("actRun")->isEnabled());
    // The output arrives while the macro runs.
    QTRY_VERIFY_WITH_TIMEOUT(!window.MemoWrite->toPlainText().isEmpty(), 60000);
    window.Action("actStop")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.Running(), 60000);
    EXPECT_EQ(window.MessagePanel->text(), "Macro stopped by the user");
    EXPECT_TRUE(window.Action("actRun")->isEnabled());
    EXPECT_FALSE(form->Work().Busy());
    EXPECT_LT(window.MemoWrite->document()->blockCount(), 90000);
    // The stop was shown on the status bar, not in a message box.
    EXPECT_TRUE(messenger.messages.empty()) << messenger.messages.front();
}

TEST_F(ThreadedWorkbench, AMacroRefinesOnTheWorkerAndTheWatchWindowFollows) {
    QObject requester;
    form->Hooks->WatchWindow().Follow(&requester, true);
    TFormMacro& window = form->Hooks->MacroWindow();
    window.MemoSource->setPlainText(
        "INTEGER s\ns = OPENRIETVELD(\"corundum\")\nWRITE(STARTRIETVELD())\n"
        "WRITE(STEPRIETVELD(2))\nWRITE(ENDRIETVELD())\n");
    window.Run();
    QTRY_VERIFY_WITH_TIMEOUT(!window.Running(), 60000);
    EXPECT_EQ(window.MemoWrite->toPlainText(), "0\n0\n0")
        << window.MessagePanel->text().toStdString();
    EXPECT_TRUE(form->Model().Loaded);
    EXPECT_TRUE(form->Hooks->WatchWindow().isVisible());
    EXPECT_FALSE(form->Hooks->WatchWindow().Cell(1, 1).isEmpty());
    // One long work at a time: Manual Edit does not refine while a macro runs.
    // (The macro cannot end meanwhile: its first WRITE waits for this thread.)
    window.MemoSource->setPlainText("INTEGER i\nFOR i = 1 TO 90000\nWRITE(i)\nNEXT i\n");
    window.Run();
    form->Hooks->ManualEdit();
    form->Hooks->ManualEditWindow().Refine();
    EXPECT_EQ(messenger.messages.back(),
              "Another refinement or macro is running; wait for it to end.");
    EXPECT_NE(form->Hooks->ManualEditWindow().State, EditorState::Refining);
    // Closing the model waits for the task runner, which stops the macro
    // instead of waiting for it forever.
    form->Work().CloseModel();
    EXPECT_FALSE(window.Running());
    EXPECT_EQ(window.MessagePanel->text(), "Macro stopped by the user");
}
