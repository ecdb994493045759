// The new-input wizard, the constraints editor, the scattering-factor and
// spectrum editors, the phase-database dialog and the peak-width window,
// driven without a display and with scripted answers.
#include "ConstraintForm.h"
#include "InputFile.h"
#include "Messenger.h"
#include "NewInputForm.h"
#include "PeakForm.h"
#include "PhDataForm.h"
#include "ScatterForm.h"
#include "SpectrumForm.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QSqlTableModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

using namespace koralix;

namespace {

std::array<TInstrument, InstrumentCount> Instruments() {
    std::array<TInstrument, InstrumentCount> all;
    for (int i = 0; i < InstrumentCount; ++i)
        all[size_t(i)] = TInstrument::Unset(i + 1);
    all[0] = TInstrument::CuKa();
    all[2].Title = "Polaris TOF";
    all[2].Radiation = 2;
    all[2].Profile = 6;
    return all;
}

} // namespace

TEST(NewInputForm, DefaultsGiveOneDataHistogramOnTheFirstInstrument) {
    auto instruments = Instruments();
    TFormNewInput form(instruments);
    form.show();
    TRietveld model;
    form.BuildInto(model);
    ASSERT_EQ(model.HistogramCount(), 1);
    ASSERT_EQ(model.PhaseCount(), 1);
    EXPECT_EQ(model.Histogram(1).JobType, 0);
    EXPECT_EQ(model.Histogram(1).Profile, 4);
    EXPECT_FLOAT_EQ(model.Histogram(1).ThetaMax, 80.0f) << "the Cu Ka machine's range";
    EXPECT_FLOAT_EQ(model.Histogram(1).Polarization, 1.0f);
    EXPECT_EQ(model.Phase(1).AtomCount(), 1);
    EXPECT_EQ(form.cbInstruments->itemText(0), "Cu Ka X-ray machine");
}

TEST(NewInputForm, NowCopiesTheChoiceToTheLaterHistograms) {
    auto instruments = Instruments();
    TFormNewInput form(instruments);
    form.show();
    form.seNumberHistograms->setValue(3);
    form.seHistogramNumber->setValue(2);
    form.cbHistogramtype->setCurrentIndex(0);
    form.cbInstruments->setCurrentIndex(2);
    form.NowButton->click();
    form.seHistogramNumber->setValue(1);
    EXPECT_EQ(form.cbHistogramtype->currentIndex(), 1) << "histogram 1 keeps its own choice";
    TRietveld model;
    form.BuildInto(model);
    ASSERT_EQ(model.HistogramCount(), 3);
    EXPECT_EQ(model.Histogram(1).JobType, 0);
    EXPECT_EQ(model.Histogram(2).JobType, 5);
    EXPECT_EQ(model.Histogram(3).JobType, 5);
}

TEST(NewInputForm, ExtractionAndBackToStructure) {
    auto instruments = Instruments();
    TFormNewInput form(instruments);
    form.show();
    form.seNumberPhases->setValue(2);
    form.seAtoms->setValue(7);
    form.sePhaseNumber->setValue(2);
    form.cbStructure->setCurrentIndex(1);
    emit form.cbStructure->activated(1);
    EXPECT_FALSE(form.seAtoms->isEnabled());
    form.sePhaseNumber->setValue(1);
    EXPECT_EQ(form.seAtoms->value(), 7);
    TRietveld model;
    form.BuildInto(model);
    EXPECT_EQ(model.Phase(1).AtomCount(), 7);
    EXPECT_EQ(model.Phase(2).AtomCount(), 0);
    EXPECT_EQ(model.Phase(2).CalcMethod, 1);

    form.sePhaseNumber->setValue(2);
    form.cbStructure->setCurrentIndex(0);
    emit form.cbStructure->activated(0);
    EXPECT_EQ(form.seAtoms->value(), 1) << "a structure again starts with one atom";
    EXPECT_TRUE(form.seAtoms->isEnabled());
}

namespace {

// A workspace of its own, without a main window, for the editors opened on it.
class EditorWorkspace {
  protected:
    QTemporaryDir folder;
    RecordingMessenger messages;
    TWorkspace work{
        std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat),
        messages};
    TRietveld& model = work.Model();
};

class ConstraintFormTest : public ::testing::Test, protected EditorWorkspace {
  protected:
    void SetUp() override {
        model.AddHistogram();
        model.AddPhase();
        model.Loaded = true;
        for (const char* label : {"FE1 ", "FE2 ", "O1  "}) {
            TAtom a;
            a.Label = label;
            model.Phase(1).AddAtom(a);
        }
        for (int atom = 1; atom <= 3; ++atom)
            model.Parameters.SetRefined({0, 1, atom, 4}, true);
        model.Parameters.SetRefined({1, 0, 0, 1}, true);
        model.Parameters.SetRefined({1, 1, 0, 3}, true);
        model.Parameters.Renumber();
        form = std::make_unique<TConstraintForm>(work);
        form->show();
    }
    void SelectAll(QListWidget* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int r : rows)
            list->item(r)->setSelected(true);
    }

    std::unique_ptr<TConstraintForm> form;
};

} // namespace

TEST_F(ConstraintFormTest, ListsSortParametersByKind) {
    EXPECT_EQ(form->ListBoxGlobal->count(), 1);
    EXPECT_EQ(form->ListBoxPhase->count(), 3);
    EXPECT_EQ(form->ListBoxSample->count(), 1);
    EXPECT_EQ(form->ListBoxPhase->item(0)->text(), "P  1: B (FE1 )");
    EXPECT_EQ(form->Labelvar->text(), "Total Number of Variables: 5");
    EXPECT_EQ(form->Labelcon->text(), "Total number of constraints: 0");
}

TEST_F(ConstraintFormTest, OneMasterRulesThreeDependents) {
    ASSERT_FALSE(form->DropOnDependents(form->ListBoxPhase)) << "a master comes first";
    ASSERT_TRUE(form->DropOnMasters(form->ListBoxGlobal, 0));
    EXPECT_FALSE(form->DropOnMasters(form->ListBoxGlobal, 0)) << "the row waits for its dependent";
    SelectAll(form->ListBoxPhase, {0, 1, 2});
    ASSERT_TRUE(form->DropOnDependents(form->ListBoxPhase));
    EXPECT_EQ(form->StringGrid1->rowCount(), 3);
    EXPECT_EQ(form->StringGrid2->rowCount(), 3);
    EXPECT_EQ(form->StringGrid1->item(2, 0)->text(), "H  1: Zero");
    EXPECT_EQ(form->StringGrid2->item(1, 1)->text(), "1.0");
    EXPECT_EQ(form->ListBoxPhase->count(), 0) << "the dependents leave their list";
    EXPECT_TRUE(form->PageChanged);
    EXPECT_TRUE(work.Changed()) << "a drop marks the model changed";
    form->StringGrid2->item(1, 1)->setText("0");
    form->StringGrid2->item(2, 1)->setText("0,5");
    ASSERT_TRUE(form->KeepPage());
    const TParameterList& list = model.Parameters;
    ASSERT_EQ(list.ConstraintCount(), 3);
    EXPECT_FLOAT_EQ(list.Constraints[1].Dependent.Multiplier, 1.0f) << "0 is taken as 1";
    EXPECT_FLOAT_EQ(list.Constraints[2].Dependent.Multiplier, 0.5f);
    EXPECT_GE(list.IndexOfFree({1, 0, 0, 1}), 0);
    EXPECT_GE(list.IndexOfFree({1, 1, 0, 3}), 0) << "untied parameters stay refined";
}

TEST_F(ConstraintFormTest, TyingAParameterToItselfIsRefused) {
    ASSERT_TRUE(form->DropOnMasters(form->ListBoxPhase, 0));
    SelectAll(form->ListBoxPhase, {0});
    ASSERT_TRUE(form->DropOnDependents(form->ListBoxPhase));
    const TParameterList before = model.Parameters;
    form->Ok();
    EXPECT_TRUE(form->isVisible()) << "refused: the window stays open";
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("\"P  1: B (FE1 )\" is tied to itself."),
              std::string::npos);
    EXPECT_EQ(model.Parameters, before);
}

TEST_F(ConstraintFormTest, DeleteAndCancel) {
    model.Parameters.AddConstraint(TParameter({0, 1, 1, 4}, 1), TParameter({0, 1, 2, 4}, 1));
    model.Parameters.Free.erase(model.Parameters.Free.begin() + 1); // B of FE2 is now a dependent
    const TParameterList before = model.Parameters;
    form->UpdateForm();
    ASSERT_EQ(form->StringGrid1->rowCount(), 1);
    form->StringGrid1->selectRow(0);
    form->DeleteConstraints();
    EXPECT_EQ(form->StringGrid2->rowCount(), 0);
    messages.answers = {Answer::No};
    form->close();
    EXPECT_EQ(model.Parameters, before) << "closing without keeping changes nothing";
    EXPECT_EQ(messages.questions, (std::vector<std::string>{"Keep Changes?"}));
    EXPECT_TRUE(work.Changed()) << "but the model is marked changed";
    form->show();
    form->StringGrid1->selectRow(0);
    form->DeleteConstraints();
    form->Ok();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(model.Parameters.ConstraintCount(), 0);
    EXPECT_TRUE(model.IsRefined({0, 1, 2, 4}))
        << "its dependent is still listed, so it stays refined";
}

namespace {

class ScatterFormTest : public ::testing::Test, protected EditorWorkspace {
  protected:
    void SetUp() override {
        model.AddHistogram();
        model.AddPhase();
        model.Loaded = true;
    }
};

} // namespace

TEST_F(ScatterFormTest, AddNamesAreTrimmedUpperCasedAndCut) {
    TFormScatter form(work, 1);
    EXPECT_EQ(form.ComboBoxSName->count(), 0);
    EXPECT_EQ(form.StringGridScatter->rowCount(), 0);
    form.AskText = [](const QString& title, const QString& prompt) -> std::optional<QString> {
        EXPECT_EQ(title, "New Scatter");
        EXPECT_EQ(prompt, "Enter new scatter name:");
        return QString("  fe+3x ");
    };
    form.Add();
    ASSERT_EQ(model.Histogram(1).Scatter.EntryCount(), 1);
    EXPECT_EQ(model.Histogram(1).Scatter.Items[0].Name, "FE+3");
    EXPECT_EQ(form.StringGridScatter->rowCount(), 9);
    EXPECT_EQ(form.StringGridScatter->item(0, 0)->text(), "A1");
}

TEST_F(ScatterFormTest, CalculatedEntryKeepsCoefficientsAndFlags) {
    model.Histogram(1).Scatter.AddEntry();
    TFormScatter form(work, 1);
    form.StringGridScatter->item(0, 1)->setText("12.5");
    form.StringGridScatter->item(8, 1)->setText("1,25");
    form.Editfp->setText("-0.5");
    form.CheckBoxfpp->setChecked(true);
    form.SaveForm(1, 1);
    const TScatterFactor& e = model.Histogram(1).Scatter.Items[0];
    EXPECT_FLOAT_EQ(e.Coeff[0], 12.5f);
    EXPECT_FLOAT_EQ(e.Coeff[8], 1.25f);
    EXPECT_FLOAT_EQ(e.FPrime, -0.5f);
    EXPECT_TRUE(model.IsRefined({1, ScatterPhase, 2, 1}));
    EXPECT_FALSE(model.IsRefined({1, ScatterPhase, 1, 1}));
}

TEST_F(ScatterFormTest, InterpolatedTableStopsAtTheFirstBlankRow) {
    model.Histogram(1).Scatter.AddEntry();
    TFormScatter form(work, 1);
    form.RadioButtonInt->click();
    EXPECT_EQ(model.Histogram(1).Scatter.Items[0].Kind, 1);
    EXPECT_TRUE(form.PageChanged);
    EXPECT_EQ(form.StringGridScatter->horizontalHeaderItem(0)->text(), "sin(th)/lam");
    const char* cells[][2] = {{"0", "26"}, {"0.1", "24"}, {"0.2", "20"}, {"", ""}, {"0.4", "10"}};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 2; ++c)
            form.StringGridScatter->item(r, c)->setText(cells[r][c]);
    form.SaveForm(1, 1);
    EXPECT_EQ(model.Histogram(1).Scatter.Items[0].TableCount(), 3);
}

TEST_F(ScatterFormTest, NeutronEntryKeepsOnlyTheLength) {
    model.Histogram(1).JobType = 1;
    model.Histogram(1).Scatter.AddEntry();
    TFormScatter form(work, 1);
    EXPECT_EQ(form.LabelFp->text(), "b:");
    EXPECT_FALSE(form.Editfpp->isEnabled());
    form.Editfp->setText("0.945");
    form.Editfpp->setText("3");
    form.CheckBoxfp->setChecked(true);
    form.SaveForm(1, 1);
    const TScatterFactor& e = model.Histogram(1).Scatter.Items[0];
    EXPECT_FLOAT_EQ(e.FPrime, 0.945f);
    EXPECT_FLOAT_EQ(e.FDoublePrime, 0);
    EXPECT_TRUE(model.IsRefined({1, ScatterPhase, 1, 1}));
}

TEST_F(ScatterFormTest, DeletingTheFirstShowsTheNewFirst) {
    for (const char* n : {"FE", "O", "SI"}) {
        model.Histogram(1).Scatter.AddEntry();
        model.Histogram(1).Scatter.Items.back().Name = n;
    }
    messages.answers = {Answer::Yes};
    TFormScatter form(work, 1);
    form.Delete();
    ASSERT_EQ(messages.questions.size(), 1u);
    EXPECT_EQ(messages.questions[0], "Are you sure you want to delete FE?");
    EXPECT_EQ(form.ComboBoxSName->currentText(), "O");
    EXPECT_EQ(form.Shown(), 1);
}

TEST_F(ScatterFormTest, ChoosingAnotherEntryAsksToKeepTheEdits) {
    for (const char* n : {"FE", "O"}) {
        model.Histogram(1).Scatter.AddEntry();
        model.Histogram(1).Scatter.Items.back().Name = n;
    }
    TFormScatter form(work, 1);
    form.show();
    form.Editfp->selectAll();
    QTest::keyClicks(form.Editfp, "-1.5");
    EXPECT_TRUE(form.PageChanged);
    messages.answers = {Answer::Cancel};
    form.ComboBoxSName->setCurrentIndex(1);
    emit form.ComboBoxSName->activated(1);
    EXPECT_EQ(form.Shown(), 1) << "Cancel stays on the edited entry";
    EXPECT_EQ(form.ComboBoxSName->currentIndex(), 0);
    messages.answers = {Answer::Yes};
    form.ComboBoxSName->setCurrentIndex(1);
    emit form.ComboBoxSName->activated(1);
    EXPECT_EQ(form.Shown(), 2);
    EXPECT_FLOAT_EQ(model.Histogram(1).Scatter.Items[0].FPrime, -1.5f);
    EXPECT_FALSE(form.PageChanged);
}

TEST_F(ScatterFormTest, ACoefficientThatIsNoNumberIsNamed) {
    model.Histogram(1).Scatter.AddEntry();
    TFormScatter form(work, 1);
    form.show();
    const float before = model.Histogram(1).Scatter.Items[0].Coeff[2];
    form.StringGridScatter->item(2, 1)->setText("1.2.3");
    form.Ok();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("A3"), std::string::npos);
    EXPECT_FLOAT_EQ(model.Histogram(1).Scatter.Items[0].Coeff[2], before);
}

TEST_F(ScatterFormTest, SpectrumFieldsGoBackIntoTheModel) {
    model.Histogram(1).JobType = 4;
    model.Histogram(1).ThetaMin = 1000;
    model.Histogram(1).ThetaMax = 20000;
    TFormSpectrum form(work, 1);
    EXPECT_EQ(form.Curve->dataCount(), 100) << "all zero: a flat line";
    form.Edit[0]->setText("2,5");
    form.Edit[3]->setText("1e2");
    form.PlotSpectrum();
    EXPECT_DOUBLE_EQ(form.Curve->data()->at(0)->value, 2.5 + 100);
    ASSERT_TRUE(form.KeepPage());
    EXPECT_FLOAT_EQ(model.Histogram(1).Spectrum.Coeff[0], 2.5f);
    EXPECT_FLOAT_EQ(model.Histogram(1).Spectrum.Coeff[3], 100.0f);
}

TEST(PeakForm, CurvesAndProfileStatus) {
    THistogram h;
    h.JobType = 0;
    h.ThetaMin = 10;
    h.ThetaMax = 110;
    h.Wave1 = 1.54051f;
    h.Wave2 = 1.54433f;
    h.Ratio = 0.5f;
    TPeakShape shape{1, 0, 0, 0.01, 0.5, 0, 0};
    TFormPeak form;
    form.SetCurves(WidthCurves(h, shape), shape);
    EXPECT_EQ(form.FwhmCurve()->dataCount(), 101);
    EXPECT_GT(form.Fwhm2Curve()->dataCount(), 90);
    EXPECT_EQ(form.EtaCurve()->dataCount(), 101);
    form.ShowProfileAt(20);
    EXPECT_EQ(form.ProfileCurve()->dataCount(), 100);
    EXPECT_EQ(form.Panel(0), "Angle: 20");
    EXPECT_EQ(form.Panel(1), "FWHM: 0.1");
    EXPECT_EQ(form.Panel(2), "Eta: 0.5");
    QTemporaryDir dir;
    EXPECT_EQ(form.SaveImage(dir.filePath("fwhm.png"), 400, 300), "");
    EXPECT_TRUE(QFileInfo(dir.filePath("fwhm.png")).size() > 0);
}

TEST(PeakForm, TimeOfFlightDrawsNoProfile) {
    TFormPeak form;
    THistogram h;
    h.JobType = 4;
    h.ThetaMin = 1000;
    h.ThetaMax = 20000;
    h.Wave1 = 10000;
    TPeakShape shape{7, 1, 2, 3, 0, 0, 0};
    form.SetCurves(WidthCurves(h, shape), shape);
    form.ShowProfileAt(5000);
    EXPECT_EQ(form.ProfileCurve()->dataCount(), 0);
    EXPECT_EQ(form.Panel(0), "Angle:");
}

TEST(PhDataForm, ChooseAStoredPhase) {
    QTemporaryDir dir;
    const QString phases = dir.filePath("Phases.db"), atoms = dir.filePath("Atoms.db");
    RecordingMessenger messages;
    TPhase corundum;
    corundum.Name = "Corundum";
    corundum.SpaceGroup = "R -3 C";
    corundum.AddAtom(TAtom());
    TPhase quartz;
    quartz.Name = "Alpha quartz";
    ASSERT_EQ(
        AddPhaseToDatabase(phases, atoms, DbPhaseFrom(corundum), DbAtomsFrom(corundum), messages),
        1);
    ASSERT_EQ(AddPhaseToDatabase(phases, atoms, DbPhaseFrom(quartz), {}, messages), 2);

    TPhase target;
    const bool taken =
        SelectPhaseFromDatabase(phases, atoms, target, messages, nullptr, [](TPhDataForm& form) {
            EXPECT_EQ(form.windowTitle(), "Phase Database");
            EXPECT_EQ(form.Phases->rowCount(), 2);
            EXPECT_TRUE(form.PhaseGrid->isColumnHidden(form.Phases->fieldIndex("PhaseNumber")));
            EXPECT_TRUE(form.Find("corund"));
            EXPECT_EQ(form.Atoms->rowCount(), 1);
            form.SelectedNumber = form.CurrentNumber();
            return int(QDialog::Accepted);
        });
    ASSERT_TRUE(taken);
    EXPECT_EQ(target.Name, "Corundum");
    EXPECT_EQ(target.AtomCount(), 1);

    EXPECT_FALSE(SelectPhaseFromDatabase(phases, atoms, target, messages, nullptr,
                                         [](TPhDataForm&) { return int(QDialog::Rejected); }));
    EXPECT_EQ(target.Name, "Corundum") << "Cancel takes nothing";
}

TEST(PhDataForm, MissingDatabaseIsAMessage) {
    QTemporaryDir dir;
    RecordingMessenger messages;
    TPhase target;
    EXPECT_FALSE(SelectPhaseFromDatabase(dir.filePath("none/Phases.db"),
                                         dir.filePath("none/Atoms.db"), target, messages));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("does not exist"), std::string::npos);
}
