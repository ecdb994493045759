// The sample editor and the main-window commands of the second group of model
// editors (New, Sample, Constraints), driven on a workbench with scripted
// questions and file dialogs.
#include "SampleForm.h"
#include "ConstraintForm.h"
#include "EditorFields.h"
#include "HistogramForm.h"
#include "InputFile.h"
#include "NewInputForm.h"
#include "PeakForm.h"
#include "PhDataForm.h"
#include "PhaseFileCommands.h"
#include "PhaseForm.h"
#include "ScatterCommands.h"
#include "ScatterForm.h"
#include "UiTestSupport.h"
#include "Workspace.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

using namespace koralix;
using namespace koralix::testing;

namespace {

const QString Example = QString(KORALIX_EXAMPLES) + "/corundum.inp";

class SampleFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bench = MakeWorkbench(folder, messages, files);
        bench->ProcessFile(CopyInto(folder, Example, "corundum.inp"));
        ASSERT_TRUE(bench->Model().Loaded);
        bench->Work().SetChanged(false);
    }
    TFormSample& OpenSample() {
        bench->Action("actSample")->trigger();
        auto* form = qobject_cast<TFormSample*>(bench->WindowOf("actSample"));
        EXPECT_NE(form, nullptr);
        return *form;
    }
    TSample& Sample(int h = 1, int p = 1) { return *bench->Model().FindSample(h, p); }
    void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    QTemporaryDir folder;
    RecordingMessenger messages;
    ScriptedFileChooser files;
    std::unique_ptr<TFormKoralix> bench;
};

} // namespace

TEST_F(SampleFormTest, FilledFromTheModelAndKeptBack) {
    TFormSample& form = OpenSample();
    EXPECT_EQ(form.windowTitle(), "Sample");
    EXPECT_EQ(form.HistogramTabs->tabText(0), "Histogram1");
    EXPECT_EQ(form.PhaseTabs->tabText(0), "Corundum");
    EXPECT_EQ(form.ProfileComboBox->currentIndex(), bench->Model().Histogram(1).Profile - 1);
    EXPECT_EQ(form.UEdit->text(), "0.00400");
    EXPECT_EQ(form.VEdit->text(), "-0.00200");
    EXPECT_FALSE(form.PageChanged);

    Type(form.UEdit, "0.0123");
    form.UCheckBox->setChecked(true);
    EXPECT_TRUE(form.PageChanged);
    EXPECT_TRUE(bench->Work().Changed());
    form.Ok();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FLOAT_EQ(Sample().U, 0.0123f);
    EXPECT_TRUE(bench->Model().IsRefined({1, 1, 0, 3}));
}

TEST_F(SampleFormTest, ABadNumberNeverReachesTheModel) {
    TFormSample& form = OpenSample();
    const float before = Sample().W;
    Type(form.WEdit, "0.0x");
    form.Ok();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("WEdit"), std::string::npos);
    EXPECT_FLOAT_EQ(Sample().W, before);
}

TEST_F(SampleFormTest, TimeOfFlightLayoutAndItsFlagsClearedByAnotherProfile) {
    TFormSample& form = OpenSample();
    form.ProfileComboBox->setCurrentIndex(6);
    emit form.ProfileComboBox->activated(6);
    EXPECT_TRUE(form.a0Edit->isVisibleTo(&form));
    EXPECT_FALSE(form.Asym1Edit->isVisibleTo(&form));
    EXPECT_EQ(form.ULabel->text(), "Sig0:");
    EXPECT_EQ(form.WLabel->text(), "Sig2:");
    form.CheckBoxa0->setChecked(true);
    form.CheckBoxb1->setChecked(true);
    ASSERT_TRUE(form.KeepPage());
    EXPECT_EQ(bench->Model().Histogram(1).Profile, 7);
    EXPECT_TRUE(bench->Model().IsRefined({1, 1, 0, 21}));
    EXPECT_TRUE(bench->Model().IsRefined({1, 1, 0, 24}));

    form.ProfileComboBox->setCurrentIndex(0);
    emit form.ProfileComboBox->activated(0);
    EXPECT_EQ(form.ULabel->text(), "U:");
    EXPECT_FALSE(form.a0Edit->isVisibleTo(&form));
    ASSERT_TRUE(form.KeepPage());
    EXPECT_EQ(bench->Model().Histogram(1).Profile, 1);
    for (int type : {21, 22, 23, 24})
        EXPECT_FALSE(bench->Model().IsRefined({1, 1, 0, type})) << "flag type " << type;
}

TEST_F(SampleFormTest, LabelsFollowTheProfile) {
    TFormSample& form = OpenSample();
    struct Case {
        int position;
        const char* asym;
        const char* gam0;
        bool dl;
    };
    const Case cases[] = {{0, "Asy1:", "Gam0:", false},
                          {1, "Asy1:", "Gam0:", false},
                          {2, "Asy1:", "size:", false},
                          {4, "Asy1:", "size:", false},
                          {5, "S/L:", "Gam0:", true}};
    for (const Case& c : cases) {
        form.ProfileComboBox->setCurrentIndex(c.position);
        form.SetShape();
        EXPECT_EQ(form.Asym1Label->text(), c.asym) << "profile " << c.position;
        EXPECT_EQ(form.L1Label->text(), c.gam0) << "profile " << c.position;
        EXPECT_EQ(form.Asym2Edit->isVisibleTo(&form), c.dl) << "profile " << c.position;
    }
}

TEST_F(SampleFormTest, CylindricalLeavesPoreAndRoughnessFlags) {
    bench->Model().Parameters.SetRefined({1, 1, 0, 25}, true);
    TFormSample& form = OpenSample();
    ASSERT_EQ(form.ComboBoxAbsorption->currentIndex(), 0);
    EXPECT_FALSE(form.PoreEdit->isVisibleTo(&form));
    EXPECT_EQ(form.RLabel->text(), "Absor. R:");
    Type(form.REdit, "0.5");
    ASSERT_TRUE(form.KeepPage());
    EXPECT_TRUE(bench->Model().IsRefined({1, 1, 0, 25}));
    EXPECT_FLOAT_EQ(Sample().AbsorptionR, 0.5f);

    form.ComboBoxAbsorption->setCurrentIndex(1);
    emit form.ComboBoxAbsorption->activated(1);
    EXPECT_EQ(form.RLabel->text(), "Absor. P:");
    EXPECT_TRUE(form.PoreEdit->isVisibleTo(&form));
    EXPECT_TRUE(form.PageChanged);
    form.PoreCheckBox->setChecked(false);
    Type(form.RoughEdit, "0.25");
    ASSERT_TRUE(form.KeepPage());
    EXPECT_EQ(bench->Model().Histogram(1).Absorption, 1);
    EXPECT_FLOAT_EQ(Sample().Rough, 0.25f);
    EXPECT_FALSE(bench->Model().IsRefined({1, 1, 0, 25}));
}

TEST_F(SampleFormTest, ClosingAnEditedPageAsks) {
    TFormSample& form = OpenSample();
    Type(form.VEdit, "-0.01");
    messages.answers = {Answer::Cancel};
    form.close();
    EXPECT_TRUE(form.isVisible()) << "Cancel stays";
    messages.answers = {Answer::No};
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FLOAT_EQ(Sample().V, -0.002f) << "No discards";
    EXPECT_EQ(messages.questions, (std::vector<std::string>{"Keep Changes?", "Keep Changes?"}));
}

TEST_F(SampleFormTest, AProfileOutsideTheListIsAnEditWaitingToBeKept) {
    bench->Model().Histogram(1).Profile = 0;
    TFormSample& form = OpenSample();
    EXPECT_TRUE(form.PageChanged);
    messages.answers = {Answer::Yes};
    form.close();
    EXPECT_EQ(bench->Model().Histogram(1).Profile, 1);
}

TEST_F(SampleFormTest, UseInstrumentAndUsePhase) {
    bench->Model().AddPhase();
    bench->Model().Phase(2).Name = "Second";
    bench->Model().FindSample(1, 2)->U = 0.5f;
    bench->Model().FindSample(1, 2)->POH = 1;
    TFormSample& form = OpenSample();
    ASSERT_EQ(form.PhaseTabs->count(), 2);
    form.UsePhase(2);
    EXPECT_EQ(form.UEdit->text(), "0.50000");
    EXPECT_EQ(form.POHEdit->text(), "1.0");
    EXPECT_TRUE(form.PageChanged);

    const TInstrument& cu = bench->Work().Settings().Instruments[0];
    form.UseInstrument(0);
    EXPECT_EQ(form.ProfileComboBox->currentIndex(), cu.Profile);
    EXPECT_EQ(form.WEdit->text(), FixedField(cu.W, 5));
    EXPECT_EQ(form.L2Edit->text(), "0.00000");
    ASSERT_EQ(form.InstrumentMenu->actions().size(), InstrumentCount);
    EXPECT_EQ(form.InstrumentMenu->actions()[0]->text(), cu.Title);
}

TEST_F(SampleFormTest, PeakWidthWindowFollowsTheTyping) {
    TFormSample& form = OpenSample();
    form.findChild<QPushButton*>("PlotFwhmButton")->click();
    TFormPeak* peak = form.Peak();
    ASSERT_TRUE(peak->isVisible());
    EXPECT_EQ(peak->windowTitle(), "Full Width Half Maximum");
    ASSERT_EQ(peak->FwhmCurve()->dataCount(), 101);
    const double before = peak->FwhmCurve()->data()->at(50)->value;
    Type(form.WEdit, "0.09");
    const double after = peak->FwhmCurve()->data()->at(50)->value;
    EXPECT_GT(after, before) << "a larger W widens every peak at once";
    EXPECT_GT(peak->Fwhm2Curve()->dataCount(), 0) << "the second wavelength's widths";
    EXPECT_FLOAT_EQ(Sample().W, 0.003f) << "plotting keeps nothing";
}

TEST_F(SampleFormTest, LeavingAnEditedTabAsks) {
    bench->Model().AddPhase();
    TFormSample& form = OpenSample();
    Type(form.UEdit, "0.02");
    messages.answers = {Answer::Cancel};
    form.PhaseTabs->setCurrentIndex(1);
    EXPECT_EQ(form.PhaseTabs->currentIndex(), 0) << "Cancel stays on the edited page";
    messages.answers = {Answer::Yes};
    form.PhaseTabs->setCurrentIndex(1);
    EXPECT_EQ(form.PhaseTabs->currentIndex(), 1);
    EXPECT_FLOAT_EQ(Sample(1, 1).U, 0.02f);
}

TEST(MainWindowCommands, NewSampleAndConstraintsFollowTheEnablingTable) {
    QTemporaryDir folder;
    RecordingMessenger messages;
    ScriptedFileChooser files;
    auto bench = MakeWorkbench(folder, messages, files);
    EXPECT_TRUE(bench->Action("actNew")->isEnabled());
    EXPECT_FALSE(bench->Action("actSample")->isEnabled());
    EXPECT_FALSE(bench->Action("actConstraints")->isEnabled());
    EXPECT_EQ(bench->Action("actSample")->shortcut(), QKeySequence(Qt::Key_F8));
    EXPECT_EQ(bench->Action("actConstraints")->shortcut(), QKeySequence(Qt::Key_F9));
    bench->ProcessFile(CopyInto(folder, Example, "corundum.inp"));
    EXPECT_TRUE(bench->Action("actSample")->isEnabled());
    EXPECT_TRUE(bench->Action("actConstraints")->isEnabled());
    bench->Action("actConstraints")->trigger();
    auto* constraints = qobject_cast<TConstraintForm*>(bench->WindowOf("actConstraints"));
    ASSERT_NE(constraints, nullptr);
    EXPECT_TRUE(constraints->isVisible());
    EXPECT_GT(constraints->ListBoxPhase->count(), 0);
}

TEST(MainWindowCommands, NewBuildsTheWizardsModelAndSavesItAs) {
    QTemporaryDir folder;
    RecordingMessenger messages;
    ScriptedFileChooser files;
    auto bench = MakeWorkbench(folder, messages, files);
    bench->ProcessFile(CopyInto(folder, Example, "corundum.inp"));
    bench->Work().SetChanged(true);
    bench->Action("actNew")->trigger();
    auto* wizard = qobject_cast<TFormNewInput*>(bench->WindowOf("actNew"));
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(wizard->isModal());
    EXPECT_EQ(wizard->cbInstruments->currentText(), "Cu Ka X-ray machine");
    wizard->seAtoms->setValue(2);

    // The open model has unsaved edits: Cancel keeps it and its file.
    messages.answers = {Answer::Cancel};
    wizard->accept();
    EXPECT_EQ(bench->Model().Phase(1).Name, "Corundum");
    EXPECT_TRUE(bench->Work().InputFile().endsWith("corundum.inp"));

    bench->Action("actNew")->trigger();
    wizard->seAtoms->setValue(2);
    messages.answers = {Answer::No};
    const QString saved = folder.filePath("fresh.inp");
    files.saves = {saved};
    wizard->accept();
    EXPECT_EQ(bench->Model().HistogramCount(), 1);
    ASSERT_EQ(bench->Model().PhaseCount(), 1);
    EXPECT_EQ(bench->Model().Phase(1).AtomCount(), 2);
    EXPECT_EQ(bench->Work().InputFile(), saved);
    EXPECT_FALSE(bench->Work().Changed());
    TRietveld back;
    RecordingMessenger readMessages;
    ReadInputFile(back, saved.toStdString(), readMessages);
    EXPECT_TRUE(readMessages.messages.empty());
    ASSERT_TRUE(back.Loaded);
    EXPECT_EQ(back.Phase(1).AtomCount(), 2);
    EXPECT_EQ(back.Histogram(1).JobType, 0);
}

TEST_F(SampleFormTest, FormFactorsOpensOverTheHistogramEditorAndKeepsIntoTheModel) {
    bench->Action("actHistograms")->trigger();
    auto* histograms = qobject_cast<THistogramForm*>(bench->WindowOf("actHistograms"));
    ASSERT_NE(histograms, nullptr);
    EXPECT_EQ(OpenSpectrumEditor(*histograms), nullptr) << "not a time-of-flight histogram";
    TFormScatter* scatter = OpenScatterEditor(*histograms);
    ASSERT_NE(scatter, nullptr);
    EXPECT_TRUE(scatter->isVisible());
    EXPECT_EQ(scatter->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(scatter->windowTitle(), "Scattering Factors");
    scatter->AskText = [](const QString&, const QString&) {
        return std::optional<QString>("al+3");
    };
    scatter->Add();
    scatter->Editfp->setText("0.25");
    scatter->Ok();
    const TScatterList& list = bench->Model().Histogram(1).Scatter;
    ASSERT_EQ(list.EntryCount(), 1);
    EXPECT_EQ(list.Items[0].Name, "AL+3");
    EXPECT_FLOAT_EQ(list.Items[0].FPrime, 0.25f);
    EXPECT_TRUE(bench->Work().Changed());
}

TEST(MainWindowCommands, AStoredPhaseFillsTheWizardsPhase) {
    QTemporaryDir folder;
    RecordingMessenger messages;
    ScriptedFileChooser files;
    auto bench = MakeWorkbench(folder, messages, files);
    TSettings& settings = bench->Work().Settings();
    settings.DatabasePhases = folder.filePath("Phases.db");
    settings.DatabaseAtoms = folder.filePath("Atoms.db");
    bench->ProcessFile(CopyInto(folder, Example, "corundum.inp"));
    bench->Action("actPhases")->trigger();
    auto* phases = qobject_cast<TPhaseForm*>(bench->WindowOf("actPhases"));
    ASSERT_NE(phases, nullptr);
    AddPageToDatabase(*phases);
    ASSERT_TRUE(messages.messages.empty()) << ::testing::PrintToString(messages.messages);
    phases->Cancel();

    bench->Action("actNew")->trigger();
    files.saves = {folder.filePath("fresh.inp")};
    qobject_cast<TFormNewInput*>(bench->WindowOf("actNew"))->accept();
    ASSERT_EQ(bench->Model().Phase(1).AtomCount(), 1);
    bench->Action("actPhases")->trigger();
    SelectPhaseFromDatabase(*phases, [](TPhDataForm& form) {
        form.SelectedNumber = form.CurrentNumber();
        return int(QDialog::Accepted);
    });
    const TPhase& phase = bench->Model().Phase(1);
    EXPECT_EQ(phase.Name, "Corundum");
    EXPECT_EQ(phase.AtomCount(), 2);
    EXPECT_NEAR(phase.C, 12.991f, 1e-4f);
    EXPECT_TRUE(phases->PageChanged);
    EXPECT_TRUE(bench->Model().IsRefined({0, 1, 0, 1})) << "the wizard's scale stays ticked";
    phases->Ok();
    EXPECT_TRUE(bench->Work().Changed());
}
