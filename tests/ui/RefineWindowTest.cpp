// The refinement window against the scripted stand-in engine.
#include "EditForm.h"
#include "FormKoralix.h"
#include "MainHooks.h"
#include "InputFile.h"
#include "PlotForm.h"
#include "RefineButtons.h"
#include "RefineForm.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace koralix;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class NoFiles : public FileChooser {
  public:
    QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

} // namespace

TEST(RefineButtonStates, Table) {
    struct Case {
        RefineButtonState state;
        bool start, step, finish, stop;
    } cases[] = {
        {RefineButtonState::Ready, true, false, false, false},
        {RefineButtonState::Open, true, true, true, false},
        {RefineButtonState::Running, false, false, false, true},
        {RefineButtonState::Stepped, true, true, true, false},
        {RefineButtonState::NoInput, false, false, false, false},
        {RefineButtonState::Busy, false, false, false, false},
        {RefineButtonState::Ended, true, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        TRefineButtons b = RefineButtonsFor(c.state);
        EXPECT_EQ(b.start, c.start);
        EXPECT_EQ(b.step, c.step);
        EXPECT_EQ(b.finish, c.finish);
        EXPECT_EQ(b.stopVisible, c.stop);
    }
    EXPECT_FALSE(RefineButtonsFor(RefineButtonState::Stepped).fileControlsChange);
}

class RefineWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "", 1);
        ::unsetenv("KORALIX_TEST_ENGINE_LOG");
        auto store =
            std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
        form = std::make_unique<TFormKoralix>(std::move(store), messenger, files);
        input = folder.filePath("with.dot/corundum.inp");
        std::filesystem::create_directories(folder.filePath("with.dot").toStdString());
        std::filesystem::copy_file(std::string(KORALIX_EXAMPLES) + "/corundum.inp",
                                   input.toStdString());
        form->ProcessFile(input);
        form->Settings.TempRefine = false;
        form->Driver().LibraryPath = KORALIX_TEST_ENGINE;
        window = &form->RefineWindow();
        window->show();
    }
    QTemporaryDir folder;
    RecordingMessenger messenger;
    NoFiles files;
    std::unique_ptr<TFormKoralix> form;
    QString input;
    TRefineForm* window = nullptr;
};

TEST_F(RefineWindowTest, StartStepFinishWithUpdate) {
    EXPECT_EQ(window->InputEdit->text(), input);
    EXPECT_EQ(form->Work().Mode(), WorkMode::Refine);
    EXPECT_TRUE(window->StartButton->isEnabled());
    EXPECT_FALSE(window->StepButton->isEnabled());
    window->Start();
    ASSERT_EQ(form->Work().Driver().State(), RefineState::Started)
        << ::testing::PrintToString(messenger.messages);
    // No data file named: "temp.dat", whose data name is "temp".
    EXPECT_EQ(form->Work().DataFile(), "temp.dat");
    EXPECT_EQ(form->Work().Driver().DataName, "temp");
    // The base name drops the extension only, not the folder's dot.
    EXPECT_EQ(form->Work().Driver().BaseName, folder.filePath("with.dot/corundum").toStdString());
    EXPECT_TRUE(window->StepButton->isEnabled());
    EXPECT_TRUE(window->FinishButton->isEnabled());
    window->StepCount->setValue(3);
    window->Step();
    EXPECT_EQ(form->Work().Driver().Cycle(), 3);
    EXPECT_EQ(window->CycleLabel->text(), "3");
    ASSERT_EQ(window->Factors->rowCount(), 1);
    EXPECT_EQ(window->Factors->item(0, 2)->text(), "  20.250");
    EXPECT_TRUE(window->StepButton->isEnabled());
    // Refined values come back: the scripted engine returns the input as it got it.
    form->Model().Title = "changed in memory";
    window->UpdateBox->setChecked(true);
    window->Finish();
    EXPECT_EQ(form->Work().Driver().State(), RefineState::Closed);
    EXPECT_EQ(form->Model().Title, "Corundum Al2O3, R -3 c, Cu Ka1/Ka2 laboratory X-ray");
    EXPECT_TRUE(window->StartButton->isEnabled());
    EXPECT_FALSE(window->FinishButton->isEnabled());
    window->close();
    EXPECT_EQ(form->Work().Mode(), WorkMode::Idle);
}

// A close that fails leaves the updated model of an earlier run beside the
// input: it is neither taken into the model nor written over the input file.
TEST_F(RefineWindowTest, AFailedCloseTakesNoUpdatedModel) {
    const std::string base = folder.filePath("with.dot/corundum").toStdString();
    std::ofstream(base + ".upd") << "An earlier run\n";
    const std::string inputBefore = ReadAll(input.toStdString());
    window->Start();
    ASSERT_EQ(form->Work().Driver().State(), RefineState::Started);
    window->Step();
    ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "close=5", 1);
    window->UpdateBox->setChecked(true);
    window->Finish();
    EXPECT_EQ(form->Work().Driver().LastError, 5);
    EXPECT_EQ(form->Model().Title, "Corundum Al2O3, R -3 c, Cu Ka1/Ka2 laboratory X-ray");
    EXPECT_EQ(ReadAll(input.toStdString()), inputBefore);
}

// Closed during a cycle, the workbench lets the cycle end, stops the steps
// still to come, and then closes, removing the refinement's private folder.
TEST_F(RefineWindowTest, ClosingDuringACycleWaitsForItAndRemovesThePrivateFolder) {
    ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "slow=iterate", 1);
    form->Work().Tasks().SetBackend(TaskBackend::Threaded);
    window->Start();
    ASSERT_EQ(form->Work().Driver().State(), RefineState::Started)
        << ::testing::PrintToString(messenger.messages);
    const std::string temp = form->Work().Driver().TempDirectory();
    ASSERT_TRUE(std::filesystem::exists(temp));
    form->show();
    window->StepCount->setValue(3);
    window->Step();
    ASSERT_TRUE(window->Running());
    form->close();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form->isVisible(); }, 5000));
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(form->Work().Driver().Cycle(), 1);
    EXPECT_EQ(form->Work().Driver().State(), RefineState::Closed);
    // The workbench's end takes the refinement's private folder with it.
    window = nullptr;
    form.reset();
    EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(RefineWindowTest, EngineEndingEarlyLeavesStepOff) {
    ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "finish=2", 1);
    window->Start();
    window->StepCount->setValue(5);
    window->Step();
    EXPECT_EQ(form->Work().Driver().Cycle(), 2);
    EXPECT_TRUE(window->StartButton->isEnabled());
    EXPECT_FALSE(window->StepButton->isEnabled());
    EXPECT_TRUE(window->FinishButton->isEnabled());
}

TEST_F(RefineWindowTest, ZeroStepsRunNothingAndFinishWithoutCyclesAbandons) {
    window->Start();
    window->StepCount->setValue(0);
    window->Step();
    EXPECT_EQ(form->Work().Driver().Cycle(), 0);
    window->UpdateBox->setChecked(true);
    form->Model().Title = "kept";
    window->Finish();
    EXPECT_EQ(form->Model().Title, "kept");
    EXPECT_FALSE(std::filesystem::exists(folder.filePath("with.dot/corundum.upd").toStdString()));
}

TEST_F(RefineWindowTest, DynamicPlottingShowsTheCalculatedPattern) {
    window->DynamicPlotting->setChecked(true);
    window->Start();
    window->Step();
    ASSERT_NE(window->PlotWindow(), nullptr);
    EXPECT_TRUE(window->PlotWindow()->isVisible());
    EXPECT_EQ(form->Work().EnginePlotData().Kind, KindEngine);
    EXPECT_EQ(form->Work().EnginePlotData().PointCount, 5);
    // For looking at the windows: KORALIX_SCREENSHOTS=folder saves them there.
    if (const char* shots = std::getenv("KORALIX_SCREENSHOTS")) {
        window->grab().save(QString(shots) + "/refine.png");
        window->PlotWindow()->grab().save(QString(shots) + "/refine-plot.png");
        form->grab().save(QString(shots) + "/main.png");
    }
}

// Quick Start refines through the Manual Edit text window, not the refinement window.
TEST_F(RefineWindowTest, QuickStartRunsThroughManualEdit) {
    window->close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path()); // the scratch input files go to the current folder
    form->QuickStart();
    QDir::setCurrent(previous);
    TEditForm& text = form->Hooks->ManualEditWindow();
    EXPECT_TRUE(text.isVisible());
    EXPECT_FALSE(window->isVisible());
    ASSERT_NE(form->Work().DriverIfCreated(), nullptr);
    EXPECT_GE(form->Work().Driver().Cycle(), 1);
    EXPECT_EQ(form->Work().Mode(), WorkMode::ManualEdit);
    EXPECT_EQ(text.State, EditorState::Refined);
}

// The whole road with the program's own engine: the example refines, Rwp falls,
// and Finish with Update writes the refined model to the input file.
TEST(RefineWindowRealEngine, RefinesTheExample) {
    QTemporaryDir folder;
    for (const char* name : {"corundum.inp", "corundum.xy"})
        std::filesystem::copy_file(std::string(KORALIX_EXAMPLES) + "/" + name,
                                   folder.filePath(name).toStdString());
    RecordingMessenger messenger;
    NoFiles files;
    TFormKoralix form(
        std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat),
        messenger, files);
    const QString input = folder.filePath("corundum.inp");
    form.ProcessFile(input);
    form.Settings.TempRefine = false;
    form.Driver().LibraryPath = KORALIX_REAL_ENGINE;
    TRefineForm& window = form.RefineWindow();
    window.show();
    const float startA = form.Model().Phases[0].A;
    window.Start();
    ASSERT_EQ(form.Work().Driver().State(), RefineState::Started)
        << ::testing::PrintToString(messenger.messages);
    EXPECT_EQ(form.Work().DataFile(), folder.filePath("corundum.xy"));
    window.Step();
    const float first = form.Work().Driver().GetRwp(1);
    window.StepCount->setValue(4);
    window.Step();
    const float later = form.Work().Driver().GetRwp(1);
    EXPECT_GT(first, 0.0f);
    EXPECT_LE(later, first);
    window.UpdateBox->setChecked(true);
    window.Finish();
    EXPECT_EQ(form.Work().Driver().State(), RefineState::Closed);
    EXPECT_TRUE(messenger.messages.empty()) << ::testing::PrintToString(messenger.messages);
    EXPECT_NE(form.Model().Phases[0].A, startA);
    TRietveld saved;
    RecordingMessenger quiet;
    ReadInputFile(saved, input.toStdString(), quiet);
    EXPECT_EQ(saved.Phases[0].A, form.Model().Phases[0].A);
}

// A diffractometer file named as the data: Start writes its scan beside it as
// GSAS ESD data, the model points to that file, and the engine refines it.
TEST(RefineWindowRealEngine, StartsWithADiffractometerFile) {
    QTemporaryDir folder;
    std::filesystem::copy_file(std::string(KORALIX_EXAMPLES) + "/corundum.inp",
                               folder.filePath("corundum.inp").toStdString());
    // The example's pattern as a CSV export: a header, then angle and counts.
    std::istringstream xy(ReadAll(std::string(KORALIX_EXAMPLES) + "/corundum.xy"));
    std::ofstream csv(folder.filePath("scan.csv").toStdString());
    csv << "2theta,counts\n";
    std::string line;
    std::getline(xy, line); // the title
    for (double x = 0, y = 0; xy >> x >> y;)
        csv << x << ',' << y << '\n';
    csv.close();
    RecordingMessenger messenger;
    NoFiles files;
    TFormKoralix form(
        std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat),
        messenger, files);
    form.ProcessFile(folder.filePath("corundum.inp"));
    form.Settings.TempRefine = false;
    form.Driver().LibraryPath = KORALIX_REAL_ENGINE;
    TRefineForm& window = form.RefineWindow();
    window.show();
    window.DataEdit->setText(folder.filePath("scan.csv"));
    emit window.DataEdit->editingFinished();

    window.Start();

    const QString written = folder.filePath("scan.GS");
    ASSERT_TRUE(QFileInfo::exists(written)) << ::testing::PrintToString(messenger.messages);
    EXPECT_EQ(form.Work().DataFile(), written);
    EXPECT_EQ(window.DataEdit->text(), written);
    EXPECT_EQ(form.Model().DataFormat, 3);
    ASSERT_EQ(form.Work().Driver().State(), RefineState::Started)
        << ::testing::PrintToString(messenger.messages);
    window.Step();
    EXPECT_EQ(form.Work().Driver().Cycle(), 1);
    EXPECT_EQ(window.CycleLabel->text(), "1");
    EXPECT_GT(form.Work().Driver().GetRwp(1), 0.0f);
    EXPECT_LT(form.Work().Driver().GetRwp(1), 50.0f);
    window.Finish();
    EXPECT_EQ(form.Work().Driver().State(), RefineState::Closed);
    ASSERT_EQ(messenger.messages.size(), 1u) << ::testing::PrintToString(messenger.messages);
    EXPECT_NE(messenger.messages[0].find("written to " + written.toStdString()), std::string::npos)
        << messenger.messages[0];
}
