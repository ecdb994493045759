// The workspace, the task runner and the editor pattern every model window uses.
#include "ModelEditor.h"
#include "PlotForm.h"
#include "Refine.h"
#include "RefineForm.h"
#include "TaskRunner.h"
#include "ThreadMessenger.h"
#include "UiTestSupport.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QThread>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace koralix;
using namespace koralix::testing;

namespace {

const QString Example = QString(KORALIX_EXAMPLES) + "/corundum.inp";

TEST(TaskRunner, SequentialRunsWorkThenCompletionAtOnce) {
    TTaskRunner runner;
    runner.SetBackend(TaskBackend::Sequential);
    std::vector<int> order;
    EXPECT_TRUE(runner.Run([&] { order.push_back(1); }, [&] { order.push_back(2); }));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(runner.Busy());
}

TEST(TaskRunner, ThreadedRunsOffTheUiThreadAndCompletesOnIt) {
    TTaskRunner runner;
    runner.SetBackend(TaskBackend::Threaded);
    QThread* workThread = nullptr;
    QThread* doneThread = nullptr;
    std::vector<bool> busy;
    QObject::connect(&runner, &TTaskRunner::BusyChanged, [&](bool on) { busy.push_back(on); });
    ASSERT_TRUE(runner.Run([&] { workThread = QThread::currentThread(); },
                           [&] { doneThread = QThread::currentThread(); }));
    // One task at a time.
    EXPECT_FALSE(runner.Run([] {}));
    runner.Wait();
    EXPECT_NE(workThread, QThread::currentThread());
    EXPECT_EQ(doneThread, QThread::currentThread());
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    // The late completion posted by the worker does not finish a newer task.
    bool second = false;
    runner.SetBackend(TaskBackend::Sequential);
    QCoreApplication::processEvents();
    EXPECT_TRUE(runner.Run([] {}, [&] { second = true; }));
    EXPECT_TRUE(second);
}

TEST(ThreadMessenger, HoldsWorkerMessagesUntilFlushed) {
    RecordingMessenger shown;
    TThreadMessenger messages(shown);
    messages.Message("at once");
    Answer answer = Answer::Yes;
    std::thread worker([&] {
        messages.Message("from the worker");
        answer = messages.Ask("Really?");
    });
    worker.join();
    EXPECT_EQ(answer, Answer::Cancel);
    EXPECT_EQ(shown.messages, (std::vector<std::string>{"at once"}));
    messages.Flush();
    EXPECT_EQ(shown.messages,
              (std::vector<std::string>{"at once", "from the worker", "Really?"}));
}

class WorkspaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "", 1);
        form = MakeWorkbench(folder, messenger, files);
        form->ProcessFile(CopyInto(folder, Example, "corundum.inp"));
        form->Driver().LibraryPath = KORALIX_TEST_ENGINE;
    }
    QTemporaryDir folder;
    RecordingMessenger messenger;
    ScriptedFileChooser files;
    std::unique_ptr<TFormKoralix> form;
};

TEST_F(WorkspaceTest, ClosingTheFileAfterARefinementLeavesNothingDangling) {
    // Start a refinement, close the refinement window, File > Close, then exit.
    form->Settings.TempRefine = true;
    TRefineForm& window = form->RefineWindow();
    window.show();
    window.Start();
    window.Step();
    TRefine& driver = form->Work().Driver();
    ASSERT_EQ(driver.State(), RefineState::Cycled);
    const std::string temp = driver.TempDirectory();
    ASSERT_TRUE(std::filesystem::exists(temp));
    window.close();
    ASSERT_TRUE(form->CloseModel());
    // The driver's model is the workspace's, which outlives it, and the
    // refinement was closed with the file.
    EXPECT_EQ(driver.Model, &form->Work().Model());
    EXPECT_EQ(driver.State(), RefineState::Closed);
    EXPECT_FALSE(form->Model().Loaded);
    form->close();
    form.reset();
    EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(WorkspaceTest, ClosingTheWorkbenchDuringARefinementClosesIt) {
    form->Settings.TempRefine = true;
    TRefineForm& window = form->RefineWindow();
    window.show();
    window.Start();
    const std::string temp = form->Work().Driver().TempDirectory();
    ASSERT_TRUE(std::filesystem::exists(temp));
    form->close();
    EXPECT_EQ(form->Work().Driver().State(), RefineState::Closed);
    form.reset();
    EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(WorkspaceTest, EnginePlotNamesItsHistogramByNumber) {
    TRefineForm& window = form->RefineWindow();
    window.show();
    window.DynamicPlotting->setChecked(true);
    window.Start();
    window.Step();
    TPlotForm* plot = window.PlotWindow();
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->Histogram(), &form->Model().Histograms[0]);
    // Adding histograms reallocates the list; the plot still finds its own.
    for (int k = 0; k < 20; ++k)
        form->Model().AddHistogram();
    EXPECT_EQ(plot->Histogram(), &form->Model().Histograms[0]);
    form->Model().DeleteHistogram(1);
    plot->HistogramNumber = 30;
    EXPECT_EQ(plot->Histogram(), nullptr);
    plot->PrepareContextMenu();
}

TEST_F(WorkspaceTest, SignalsChangesAndFindsItemsByNumber) {
    TWorkspace& work = form->Work();
    int replaced = 0, edited = 0;
    std::vector<bool> changed;
    QObject::connect(&work, &TWorkspace::ModelReplaced, [&] { ++replaced; });
    QObject::connect(&work, &TWorkspace::ModelEdited, [&] { ++edited; });
    QObject::connect(&work, &TWorkspace::ChangedFlagChanged, [&](bool on) { changed.push_back(on); });
    work.MarkEdited();
    EXPECT_TRUE(work.Changed());
    EXPECT_EQ(edited, 1);
    EXPECT_NE(work.Phase(1), nullptr);
    EXPECT_EQ(work.Phase(2), nullptr);
    EXPECT_NE(work.Atom(1, 2), nullptr);
    EXPECT_EQ(work.Atom(1, 3), nullptr);
    EXPECT_EQ(work.Histogram(0), nullptr);
    messenger.answers = {Answer::No};
    ASSERT_TRUE(form->CloseModel());
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(changed, (std::vector<bool>{true, false}));
    EXPECT_EQ(work.Phase(1), nullptr);
}

// A small editor with two tabs (one per phase), a number field and a flag.
class CellEditor : public TModelEditor {
  public:
    explicit CellEditor(TWorkspace& work) : TModelEditor(work, "Cell") {
        auto* layout = new QVBoxLayout(this);
        Tabs = new QTabBar;
        layout->addWidget(Tabs);
        A = NumberEdit("a:", 0.1, 1000);
        layout->addWidget(A);
        AFlag = FlagBox([this] { return TAddress{0, shown_, 0, 6}; });
        layout->addWidget(AFlag);
        layout->addWidget(ButtonRow("index"));
        WatchEdits(this);
        UseTabs(Tabs);
    }
    void Showing() override {
        QStringList captions;
        for (int p = 1; p <= Model().PhaseCount(); ++p)
            captions << "Phase" + QString::number(p);
        RebuildTabs(captions);
        UpdateForm();
    }
    void UpdateForm() override {
        Filling filling(*this);
        shown_ = Tabs->currentIndex() + 1;
        A->setText(QString::number(Model().Phase(shown_).A));
        LoadFlags();
        PageChanged = false;
    }
    void SaveChanges() override {
        Model().Phase(shown_).A = NumberOf(A);
        StoreFlags();
    }
    void Type(const QString& text) {
        A->setText(text);
        emit A->textEdited(text);
    }
    QTabBar* Tabs;
    QLineEdit* A;
    QCheckBox* AFlag;

  private:
    int shown_ = 1;
};

class EditorPatternTest : public WorkspaceTest {
  protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        form->Model().AddPhase();
        form->Model().Phase(2).A = 7;
        form->Work().SetChanged(false);
        editor = std::make_unique<CellEditor>(form->Work());
        editor->show();
    }
    std::unique_ptr<CellEditor> editor;
};

TEST_F(EditorPatternTest, KeepingWritesValuesAndFlags) {
    EXPECT_EQ(editor->Tabs->count(), 2);
    editor->Type("5,25");
    editor->AFlag->setChecked(true);
    EXPECT_TRUE(editor->PageChanged);
    EXPECT_TRUE(form->Work().Changed());
    editor->Ok();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FLOAT_EQ(form->Model().Phase(1).A, 5.25f);
    EXPECT_TRUE(form->Model().IsRefined({0, 1, 0, 6}));
}

TEST_F(EditorPatternTest, ABadNumberIsNamedAndNeverReachesTheModel) {
    for (const char* bad : {"4.7.5", "abc", "0", "-3", "2e9"}) {
        SCOPED_TRACE(bad);
        messenger.messages.clear();
        editor->Type(bad);
        EXPECT_FALSE(editor->FaultLabel()->text().isEmpty());
        editor->Ok();
        EXPECT_TRUE(editor->isVisible());
        ASSERT_EQ(messenger.messages.size(), 1u);
        EXPECT_NE(messenger.messages[0].find("a:"), std::string::npos);
        EXPECT_FLOAT_EQ(form->Model().Phase(1).A, 4.7589f);
    }
    editor->Type("  ");
    EXPECT_FALSE(editor->CheckPage()); // blank reads 0, below the minimum
}

struct LeaveCase {
    const char* name;
    bool acceptChanges;
    Answer answer;
    bool asked;
    float keptA;
    int tabAfter;
};

class LeavingAPage : public EditorPatternTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeavingAPage, KeepsDiscardsOrStays) {
    const LeaveCase& c = GetParam();
    form->Settings.AcceptChanges = c.acceptChanges;
    messenger.answers = {c.answer};
    editor->Type("5.5");
    editor->Tabs->setCurrentIndex(1);
    EXPECT_EQ(messenger.questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
        EXPECT_EQ(messenger.questions[0], "Keep Changes?");
    }
    EXPECT_FLOAT_EQ(form->Model().Phase(1).A, c.keptA);
    EXPECT_EQ(editor->Tabs->currentIndex(), c.tabAfter);
    // The page shown is the tab's.
    if (c.tabAfter == 1) {
        EXPECT_EQ(editor->A->text(), "7");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LeavingAPage,
    ::testing::Values(LeaveCase{"Yes", false, Answer::Yes, true, 5.5f, 1},
                      LeaveCase{"No", false, Answer::No, true, 4.7589f, 1},
                      LeaveCase{"Cancel", false, Answer::Cancel, true, 4.7589f, 0},
                      LeaveCase{"AcceptChanges", true, Answer::Cancel, false, 5.5f, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorPatternTest, ClosingAnEditedPageAlwaysAsks) {
    form->Settings.AcceptChanges = true;
    editor->Type("6");
    messenger.answers = {Answer::Cancel};
    editor->close();
    EXPECT_TRUE(editor->isVisible());
    messenger.answers = {Answer::Yes};
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FLOAT_EQ(form->Model().Phase(1).A, 6.0f);
    EXPECT_EQ(messenger.questions,
              (std::vector<std::string>{"Keep Changes?", "Keep Changes?"}));
    // Cancel discards without asking.
    editor->show();
    editor->Type("9");
    editor->Cancel();
    EXPECT_FLOAT_EQ(form->Model().Phase(1).A, 6.0f);
    EXPECT_EQ(messenger.questions.size(), 2u);
}

} // namespace
