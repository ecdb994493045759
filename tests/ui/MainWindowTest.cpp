// The main window without a display: its enabling rules, file dispatch,
// caption and prompts, with scripted answers in place of boxes and dialogs.
#include "FormKoralix.h"
#include "HelpWindow.h"
#include "WorkState.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

using namespace koralix;

namespace {

class ScriptedFiles : public FileChooser {
  public:
    QStringList opens, saves;
    QString lastFolder, lastProposed;
    QString OpenFileName(const QString&, const QString&, const QString& folder) override {
        lastFolder = folder;
        return opens.isEmpty() ? QString() : opens.takeFirst();
    }
    QString SaveFileName(const QString&, const QString&, const QString& proposed) override {
        lastProposed = proposed;
        return saves.isEmpty() ? QString() : saves.takeFirst();
    }
};

const QString Example = QString(KORALIX_EXAMPLES) + "/corundum.inp";

} // namespace

TEST(CommandStates, EnablingTable) {
    struct Case {
        const char* name;
        bool loaded;
        WorkMode mode;
        std::optional<RefineState> driver;
        std::vector<const char*> on;
    } cases[] = {
        {"EmptyIdle",
         false,
         WorkMode::Idle,
         {},
         {"New", "Refine", "ManualEdit", "KoraBasic", "QuickStart"}},
        {"LoadedIdle",
         true,
         WorkMode::Idle,
         {},
         {"New", "Save", "SaveAs", "Close", "General", "Phases", "Histograms", "Sample",
          "Constraints", "Parameters", "Refine", "ManualEdit", "KoraBasic", "QuickStart",
          "ViewInput", "ViewOutput", "ViewBVS", "ViewDist", "PlotFourier"}},
        {"LoadedRefining",
         true,
         WorkMode::Refine,
         RefineState::Cycled,
         {"Save", "SaveAs", "General", "Phases", "Histograms", "Sample", "Constraints",
          "Parameters", "Refine", "ViewInput", "PlotFourier"}},
        {"LoadedMacro",
         true,
         WorkMode::Macro,
         RefineState::Finished,
         {"New", "Save", "SaveAs", "Close", "Parameters", "KoraBasic", "ViewInput", "ViewOutput",
          "ViewBVS", "ViewDist", "PlotFourier"}},
        {"EmptyManualEditAfterRefinement",
         false,
         WorkMode::ManualEdit,
         RefineState::Closed,
         {"New", "ManualEdit", "ViewOutput", "ViewBVS", "ViewDist"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TCommandStates expected;
        for (const char* name : c.on) {
            const std::string n = name;
            bool* field = n == "New"           ? &expected.New
                          : n == "Save"        ? &expected.Save
                          : n == "SaveAs"      ? &expected.SaveAs
                          : n == "Close"       ? &expected.Close
                          : n == "General"     ? &expected.General
                          : n == "Phases"      ? &expected.Phases
                          : n == "Histograms"  ? &expected.Histograms
                          : n == "Sample"      ? &expected.Sample
                          : n == "Constraints" ? &expected.Constraints
                          : n == "Parameters"  ? &expected.Parameters
                          : n == "Refine"      ? &expected.Refine
                          : n == "ManualEdit"  ? &expected.ManualEdit
                          : n == "KoraBasic"   ? &expected.KoraBasic
                          : n == "QuickStart"  ? &expected.QuickStart
                          : n == "ViewInput"   ? &expected.ViewInput
                          : n == "ViewOutput"  ? &expected.ViewOutput
                          : n == "ViewBVS"     ? &expected.ViewBVS
                          : n == "ViewDist"    ? &expected.ViewDist
                                               : &expected.PlotFourier;
            *field = true;
        }
        EXPECT_EQ(ComputeCommandStates(c.loaded, c.mode, c.driver), expected);
    }
}

TEST(CommandStates, Caption) {
    EXPECT_EQ(MainCaption(""), "Koralix");
    EXPECT_EQ(MainCaption("/data/a.inp"), "Koralix: /data/a.inp");
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto store =
            std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
        form = std::make_unique<TFormKoralix>(std::move(store), messenger, files);
    }
    std::unique_ptr<QSettings> Store() {
        return std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
    }
    QString Write(const QString& name, const QByteArray& content) {
        const QString target = folder.filePath(name);
        QFile f(target);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size())
            << name.toStdString();
        return target;
    }
    QString Copy(const QString& source, const QString& name) {
        const QString target = folder.filePath(name);
        std::filesystem::copy_file(source.toStdString(), target.toStdString(),
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }
    QTemporaryDir folder;
    RecordingMessenger messenger;
    ScriptedFiles files;
    std::unique_ptr<TFormKoralix> form;
};

TEST_F(MainWindowTest, OpeningAnInputFile) {
    EXPECT_EQ(form->windowTitle(), "Koralix");
    EXPECT_FALSE(form->Action("actSave")->isEnabled());
    const QString path = Copy(Example, "corundum.inp");
    form->ProcessFile(path);
    EXPECT_TRUE(form->Model().Loaded);
    EXPECT_EQ(form->Work().InputFile(), path);
    EXPECT_EQ(form->windowTitle(), "Koralix: " + path);
    EXPECT_TRUE(form->Action("actSave")->isEnabled());
    EXPECT_TRUE(form->Action("actClose")->isEnabled());
    EXPECT_EQ(form->Settings.Recent.Files.value(0), path);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_TRUE(form->Action("actRefine")->isEnabled());
    EXPECT_TRUE(form->Action("HelpContents1")->isEnabled());
    // The model editors and the input view open once a model is loaded.
    for (const char* name : {"actGeneral", "actPhases", "actHistograms", "actSample",
                             "actparameters", "actConstraints", "actViewInput"})
        EXPECT_TRUE(form->Action(name)->isEnabled()) << name;
    EXPECT_TRUE(form->Action("actAbout")->isEnabled());
}

TEST_F(MainWindowTest, DispatchByExtension) {
    const QString data = Write("pattern.xy", "Simulated pattern\n10.0 100\n10.5 120\n11.0 90\n");
    form->ProcessFile(data);
    EXPECT_EQ(form->Work().DataFile(), data);
    EXPECT_TRUE(form->Work().InputFile().isEmpty());
    EXPECT_EQ(form->DataPlot.PointCount, 3);
    EXPECT_TRUE(form->Settings.Recent.Files.isEmpty());
    form->ProcessFile(folder.filePath("notes.txt"));
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Unknown File type. Please check the file extension.");
    EXPECT_TRUE(form->Work().InputFile().isEmpty());
}

// A diffractometer program's export opens as a data file, through xylib.
TEST_F(MainWindowTest, OpeningADiffractometerFile) {
    const QString scan = Write("scan.csv", "2theta,counts\n10.0,100\n10.5,120\n11.0,90\n");
    form->ProcessFile(scan);
    EXPECT_TRUE(messenger.messages.empty()) << messenger.messages.front();
    EXPECT_EQ(form->Work().DataFile(), scan);
    ASSERT_EQ(form->DataPlot.PointCount, 3);
    EXPECT_FLOAT_EQ(form->DataPlot.Y[1], 120.0f);
}

// A GSAS experiment or FullProf control file brings the data file it names
// along, when that file lies beside it.
TEST_F(MainWindowTest, OpeningAnImportedModelTakesTheDataFileItNames) {
    const QString source = QString(KORALIX_TESTDATA) + "/fullprof_pcr/pbso4_d1a_easyscience.pcr";
    if (!QFileInfo::exists(source)) GTEST_SKIP() << "no test data at " << KORALIX_TESTDATA;
    const QString data = Write("pbso4.dat", "placeholder\n");
    form->ProcessFile(Copy(source, "pbso4.pcr"));
    ASSERT_TRUE(form->Model().Loaded);
    EXPECT_EQ(form->Work().DataFile(), data);
}

TEST_F(MainWindowTest, SaveWithoutAFileIsSaveAs) {
    form->ProcessFile(Copy(Example, "corundum.inp"));
    form->Work().SetInputFile({});
    form->Work().SetChanged(true);
    const QString target = folder.filePath("saved.inp");
    files.saves << target;
    form->Save();
    EXPECT_EQ(form->Work().InputFile(), target);
    EXPECT_FALSE(form->Work().Changed());
    EXPECT_TRUE(QFileInfo::exists(target));
    // Cancelling Save As changes nothing.
    form->Work().SetChanged(true);
    form->SaveAs();
    EXPECT_EQ(form->Work().InputFile(), target);
    EXPECT_TRUE(form->Work().Changed());
    EXPECT_EQ(files.lastProposed, target);
}

TEST_F(MainWindowTest, SaveAsWithoutAModelShowsNoDialog) {
    form->Work().CloseModel();
    files.saves << folder.filePath("never.inp");
    form->SaveAs();
    EXPECT_EQ(files.saves.size(), 1);
}

TEST_F(MainWindowTest, ClosePromptsOnlyForChanges) {
    form->ProcessFile(Copy(Example, "corundum.inp"));
    EXPECT_TRUE(form->CloseModel());
    EXPECT_TRUE(messenger.questions.empty());
    EXPECT_FALSE(form->Model().Loaded);
    EXPECT_EQ(form->windowTitle(), "Koralix");
    EXPECT_FALSE(form->Action("actClose")->isEnabled());

    form->ProcessFile(Copy(Example, "corundum.inp"));
    form->Work().SetChanged(true);
    messenger.answers = {Answer::Cancel};
    EXPECT_FALSE(form->CloseModel());
    EXPECT_TRUE(form->Model().Loaded);
    messenger.answers = {Answer::No};
    EXPECT_TRUE(form->CloseModel());
    EXPECT_EQ(messenger.questions,
              (std::vector<std::string>{"Save Input File?", "Save Input File?"}));
}

TEST_F(MainWindowTest, ExitAsksAndCanBeCancelled) {
    form->ProcessFile(Copy(Example, "corundum.inp"));
    form->Work().SetChanged(true);
    messenger.answers = {Answer::Cancel};
    QCloseEvent refused;
    QApplication::sendEvent(form.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    messenger.answers = {Answer::No};
    QCloseEvent accepted;
    QApplication::sendEvent(form.get(), &accepted);
    EXPECT_TRUE(accepted.isAccepted());
    // The settings, with the recent file, were written back.
    EXPECT_EQ(Store()->value("RecentFiles/F0").toString(), folder.filePath("corundum.inp"));
}

TEST_F(MainWindowTest, RecentFileAsksBeforeReplacingChanges) {
    const QString path = Copy(Example, "corundum.inp");
    form->ProcessFile(path);
    form->Work().SetChanged(true);
    messenger.answers = {Answer::No};
    form->OpenRecent(path);
    EXPECT_EQ(messenger.questions, (std::vector<std::string>{"Save Current Input File?"}));
    EXPECT_FALSE(form->Work().Changed());
    // Opening an input file never asks.
    form->Work().SetChanged(true);
    form->ProcessFile(path);
    EXPECT_EQ(messenger.questions.size(), 1u);
}

TEST_F(MainWindowTest, ExportsNeedAnInputFile) {
    const QString ins = folder.filePath("corundum.ins");
    files.saves << ins;
    form->Action("actExportShelx")->trigger();
    EXPECT_EQ(files.saves.size(), 1); // no model file yet: no dialog
    form->ProcessFile(Copy(Example, "corundum.inp"));
    form->Action("actExportShelx")->trigger();
    EXPECT_TRUE(QFileInfo::exists(ins));
    files.saves << folder.filePath("corundum.exp");
    form->Action("actExportSir")->trigger();
    EXPECT_TRUE(QFileInfo::exists(folder.filePath("corundum.exp")));
}

TEST_F(MainWindowTest, ImportsOpenOtherProgramsFiles) {
    const QString ins = folder.filePath("corundum.ins");
    form->ProcessFile(Copy(Example, "corundum.inp"));
    files.saves << ins;
    form->Action("actExportShelx")->trigger();
    form->ProcessFile(ins);
    EXPECT_TRUE(form->Model().Loaded);
    EXPECT_EQ(form->Work().InputFile(), ins);
    EXPECT_EQ(form->Model().Phases.size(), 1u);
}

TEST_F(MainWindowTest, OpenStartsInTheStartUpFolder) {
    form->Settings.StartUpDirectgory = folder.path();
    files.opens << Copy(Example, "corundum.inp");
    form->OpenFile();
    EXPECT_EQ(files.lastFolder, folder.path());
    EXPECT_TRUE(form->Model().Loaded);
}

TEST_F(MainWindowTest, HelpOpensInsideTheProgram) {
    form->Action("HelpContents1")->trigger();
    EXPECT_TRUE(Help().isVisible());
    EXPECT_EQ(Help().CurrentPage(), "index.html");
    Help().ShowTopic("Refinement");
    EXPECT_EQ(Help().CurrentPage(), "refinement.html");
    Help().hide();
}

int main(int argc, char** argv) {
    // Windows are tested without a display, also when CTest lists the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Long work runs at once, in order, so that windows behave deterministically.
    TTaskRunner::SetDefaultBackend(TaskBackend::Sequential);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
