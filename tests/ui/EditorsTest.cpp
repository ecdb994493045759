// The model editors on the example model: filling, keeping, flags, commands.
#include "FormTrans.h"
#include "GeneralForm.h"
#include "HistogramForm.h"
#include "InputFile.h"
#include "ParametersForm.h"
#include "PhaseForm.h"
#include "Refine.h"
#include "RefineForm.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace koralix;
using namespace koralix::testing;

namespace {

void Type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->textEdited(text);
}

class EditorsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form = MakeWorkbench(folder, messenger, files);
        input = CopyInto(folder, QString(KORALIX_EXAMPLES) + "/corundum.inp", "corundum.inp");
        form->ProcessFile(input);
    }
    template <class W> W* Open(const char* action) {
        form->Action(action)->trigger();
        return static_cast<W*>(form->WindowOf(action));
    }
    QTemporaryDir folder;
    RecordingMessenger messenger;
    ScriptedFileChooser files;
    std::unique_ptr<TFormKoralix> form;
    QString input;
};

TEST_F(EditorsTest, CellAndAtomBEditedSavedAndReadBack) {
    auto* phases = Open<TPhaseForm>("actPhases");
    ASSERT_TRUE(phases->isVisible());
    EXPECT_EQ(phases->windowTitle(), "Phases");
    EXPECT_EQ(phases->PhaseTabs->tabText(0), "Phase1");
    EXPECT_EQ(phases->SGLabel->text(), "Trigonal[Hex]");
    // Hexagonal axes: b follows a, the angles are fixed.
    EXPECT_FALSE(phases->CellEdit[1]->isEnabled());
    EXPECT_EQ(phases->CellEdit[5]->text(), "120.0");
    Type(phases->CellEdit[0], "4,7612");
    EXPECT_EQ(phases->CellEdit[1]->text(), "4,7612");
    phases->CellCheckBox[0]->setChecked(true);
    phases->AtomGrid->item(0, TPhaseForm::ValueColumn(4))->setText("0.45");
    phases->AtomGrid->item(0, TPhaseForm::ValueColumn(4) + 1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(phases->PageChanged);
    phases->Ok();
    EXPECT_FALSE(phases->isVisible());
    const TPhase& phase = form->Model().Phase(1);
    EXPECT_FLOAT_EQ(phase.A, 4.7612f);
    EXPECT_FLOAT_EQ(phase.B, 4.7612f);
    EXPECT_FLOAT_EQ(phase.Atoms[0].B, 0.45f);
    EXPECT_TRUE(form->Model().IsRefined({0, 1, 0, 6}));
    EXPECT_TRUE(form->Model().IsRefined({0, 1, 0, 7})); // tied to a
    EXPECT_TRUE(form->Model().IsRefined({0, 1, 1, 4}));
    EXPECT_TRUE(form->Work().Changed());
    form->Save();
    TRietveld back;
    RecordingMessenger quiet;
    ReadInputFile(back, input.toStdString(), quiet);
    EXPECT_FLOAT_EQ(back.Phase(1).A, 4.7612f);
    EXPECT_FLOAT_EQ(back.Phase(1).Atoms[0].B, 0.45f);
    EXPECT_TRUE(back.IsRefined({0, 1, 1, 4}));
    EXPECT_TRUE(back.IsRefined({0, 1, 0, 6}));
}

// The road of a new user: edit a cell constant and an atom's B with their
// flags, save, and refine what the editors made, not what the file held.
TEST_F(EditorsTest, RefinementRunsOnTheEditedModel) {
    CopyInto(folder, QString(KORALIX_EXAMPLES) + "/corundum.xy", "corundum.xy");
    auto* phases = Open<TPhaseForm>("actPhases");
    Type(phases->CellEdit[0], "4.70");
    phases->CellCheckBox[0]->setChecked(false); // a held
    const int b = TPhaseForm::ValueColumn(4);
    phases->AtomGrid->item(0, b)->setText("0.45");
    phases->AtomGrid->item(0, b + 1)->setCheckState(Qt::Checked);
    phases->Ok();
    form->Save();
    form->Settings.TempRefine = false;
    form->Driver().LibraryPath = KORALIX_REAL_ENGINE;
    TRefineForm& window = form->RefineWindow();
    window.show();
    window.Start();
    ASSERT_EQ(form->Work().Driver().State(), RefineState::Started)
        << ::testing::PrintToString(messenger.messages);
    window.StepCount->setValue(2);
    window.Step();
    window.UpdateBox->setChecked(true);
    window.Finish();
    const TPhase& phase = form->Model().Phase(1);
    EXPECT_FLOAT_EQ(phase.A, 4.70f);
    EXPECT_FLOAT_EQ(phase.B, 4.70f);
    EXPECT_NE(phase.Atoms[0].B, 0.45f);
}

struct SymbolCase {
    const char* name;
    const char* typed;
    const char* shown;
    const char* system;
    bool bFree;
};

class SpaceGroupField : public EditorsTest, public ::testing::WithParamInterface<SymbolCase> {};

TEST_P(SpaceGroupField, ResolvesGoodOddAndBadSymbols) {
    const SymbolCase& c = GetParam();
    auto* phases = Open<TPhaseForm>("actPhases");
    phases->SpaceGroupEdit->setEditText(c.typed);
    emit phases->SpaceGroupEdit->lineEdit()->returnPressed();
    EXPECT_EQ(phases->SpaceGroupEdit->currentText(), c.shown);
    EXPECT_EQ(phases->SGLabel->text(), c.system);
    EXPECT_EQ(phases->CellEdit[1]->isEnabled(), c.bFree);
    if (std::string(c.system) == "Unknown SG") {
        EXPECT_EQ(phases->lbMult->text(), "0");
        phases->PageChanged = true;
        phases->Ok();
        EXPECT_TRUE(phases->isVisible());
        EXPECT_EQ(messenger.messages.back(), "Please enter a valid space group");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, SpaceGroupField,
    ::testing::Values(SymbolCase{"Cubic", "F M 3 M", "F M 3 M", "Cubic", false},
                      SymbolCase{"Number", "225", "F M 3 M", "Cubic", false},
                      SymbolCase{"Compact", "Fm-3m", "Fm-3m", "Cubic", false},
                      SymbolCase{"Monoclinic", "P 21/C", "P 21/C", "Monoclinic", true},
                      SymbolCase{"Garbage", "XYZ 99", "XYZ 99", "Unknown SG", true},
                      SymbolCase{"TooLong", "P 21 21 21 21 21 21 21 21",
                                 "P 21 21 21 21 21 21 21 21", "Unknown SG", true},
                      SymbolCase{"Empty", "", "", "Unknown SG", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorsTest, UnknownSpaceGroupStaysOnItsPageWhenLeaving) {
    form->Model().AddPhase();
    auto* phases = Open<TPhaseForm>("actPhases");
    phases->SpaceGroupEdit->setEditText("XYZ 99");
    phases->PageChanged = true;
    messenger.answers = {Answer::Yes};
    phases->PhaseTabs->setCurrentIndex(1);
    EXPECT_EQ(phases->PhaseTabs->currentIndex(), 0);
    EXPECT_EQ(QString::fromStdString(form->Model().Phase(1).SpaceGroup.str()).trimmed(), "R -3 C");
    EXPECT_EQ(messenger.messages.back(), "Please enter a valid space group");
}

TEST_F(EditorsTest, AtomsAndPhasesComeAndGoWithTheirCodes) {
    form->Model().Parameters.SetRefined({0, 1, 2, 1}, true); // x of O
    auto* phases = Open<TPhaseForm>("actPhases");
    ASSERT_EQ(phases->AtomGrid->rowCount(), 2);
    phases->AtomGrid->setCurrentCell(0, 2);
    phases->InsertAtom();
    phases->AtomGrid->item(0, TPhaseForm::ColName)->setText("Cr");
    phases->AtomGrid->item(0, TPhaseForm::ColType)->setText("cr+3");
    for (int k = 1; k <= 5; ++k)
        phases->AtomGrid->item(0, TPhaseForm::ValueColumn(k))->setText("0.1");
    phases->AddAtom();
    phases->AtomGrid->setCurrentCell(3, 2);
    phases->DeleteAtom();
    EXPECT_EQ(phases->AtomGrid->item(2, 0)->text(), "3");
    ASSERT_TRUE(phases->KeepPage());
    const TPhase& phase = form->Model().Phase(1);
    ASSERT_EQ(phase.AtomCount(), 3);
    EXPECT_EQ(phase.Atoms[0].AtomType, "CR+3");
    EXPECT_EQ(phase.Atoms[2].Label, "O   ");
    // O's code moved with it to atom 3.
    EXPECT_TRUE(form->Model().IsRefined({0, 1, 3, 1}));
    EXPECT_FALSE(form->Model().IsRefined({0, 1, 2, 1}));

    phases->NewPhase();
    EXPECT_EQ(phases->PhaseTabs->count(), 2);
    EXPECT_EQ(phases->PhaseTabs->currentIndex(), 0);
    EXPECT_EQ(form->Model().Samples.size(), 2u);
    phases->DeletePhase();
    EXPECT_EQ(form->Model().PhaseCount(), 1);
    EXPECT_EQ(form->Model().Samples.size(), 1u);
    phases->DeletePhase(); // the last phase stays
    EXPECT_EQ(form->Model().PhaseCount(), 1);
}

TEST_F(EditorsTest, DroppingOneTickedCellOnAnotherTiesTheParameters) {
    auto* phases = Open<TPhaseForm>("actPhases");
    const int nColumn = TPhaseForm::ValueColumn(5);
    EXPECT_FALSE(phases->CanLinkCell(0, nColumn)); // n of Al is not refined
    phases->AtomGrid->item(0, nColumn + 1)->setCheckState(Qt::Checked);
    phases->AtomGrid->item(1, nColumn + 1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(phases->CanLinkCell(0, nColumn));
    EXPECT_FALSE(phases->CanLinkCell(0, nColumn + 1)); // a tick cell
    EXPECT_FALSE(phases->CanLinkCell(0, TPhaseForm::ColName));
    QString prompt;
    QString answer; // cancelled first
    phases->AskText = [&](const QString& title, const QString& text, const QString& value) {
        EXPECT_EQ(title, "Atomic Constraints");
        EXPECT_EQ(value, "1.0");
        prompt = text;
        return answer;
    };
    const int before = form->Model().Parameters.ConstraintCount();
    phases->LinkCells(0, nColumn, 1, nColumn);
    EXPECT_EQ(prompt, "O ( n )  =  AL ( n ) *   ");
    EXPECT_EQ(form->Model().Parameters.ConstraintCount(), before);
    answer = "0,5";
    phases->LinkCells(0, nColumn, 1, nColumn);
    // The page was kept on the way: both n flags are in the model.
    EXPECT_FALSE(phases->PageChanged);
    const TParameterList& list = form->Model().Parameters;
    const int d = list.IndexOfDependent({0, 1, 2, 5});
    ASSERT_GE(d, 0);
    EXPECT_EQ(list.Constraints[static_cast<size_t>(d)].Master.Address(), (TAddress{0, 1, 1, 5}));
    EXPECT_TRUE(form->Model().IsRefined({0, 1, 2, 5}));
    EXPECT_TRUE(form->Work().Changed());
}

TEST_F(EditorsTest, FullOccupancyFromTheSiteMultiplicity) {
    auto* phases = Open<TPhaseForm>("actPhases");
    phases->SetFullOccupancy(true);
    EXPECT_EQ(phases->AtomGrid->item(0, TPhaseForm::ColMult)->text(), "12");
    EXPECT_EQ(phases->AtomGrid->item(0, TPhaseForm::ValueColumn(5))->text(), "0.33333");
    EXPECT_EQ(phases->AtomGrid->item(1, TPhaseForm::ValueColumn(5))->text(), "0.50000");
    // A coordinate that is not a number gives Mult 0, and refuses to be kept.
    phases->AtomGrid->item(1, TPhaseForm::ValueColumn(1))->setText("x");
    EXPECT_EQ(phases->AtomGrid->item(1, TPhaseForm::ColMult)->text(), "0");
    EXPECT_FALSE(phases->KeepPage());
    EXPECT_FLOAT_EQ(form->Model().Phase(1).Atoms[1].X, 0.30624f);
}

struct MatrixCase {
    const char* name;
    float m[3][4];
    const char* determinant;
    float x, y, z;
};

class TransformationTable : public EditorsTest, public ::testing::WithParamInterface<MatrixCase> {};

TEST_P(TransformationTable, DialogShowsDeterminantAndMovesAtoms) {
    const MatrixCase& c = GetParam();
    TTransformation shared;
    TFormTrans dialog(shared);
    dialog.show();
    EXPECT_EQ(dialog.Field(0, 0)->text(), "1.0000");
    EXPECT_EQ(dialog.Field(1, 0)->text(), "0.0000");
    EXPECT_EQ(dialog.lbdeter->text(), "1");
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k)
            Type(dialog.Field(r, k), QString::number(c.m[r][k]));
    EXPECT_EQ(dialog.lbdeter->text(), c.determinant);
    dialog.SetValues();
    shared.Assign(dialog.Copy());

    auto* phases = Open<TPhaseForm>("actPhases");
    phases->RunTransformation = [] { return true; };
    form->Work().Transformation().Assign(shared);
    phases->TransformDialog();
    phases->KeepPage();
    const TAtom& o = form->Model().Phase(1).Atoms[1]; // O at (0.30624, 0, 0.25)
    EXPECT_NEAR(o.X, c.x, 1e-5);
    EXPECT_NEAR(o.Y, c.y, 1e-5);
    EXPECT_NEAR(o.Z, c.z, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, TransformationTable,
    ::testing::Values(
        MatrixCase{"Identity", {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}, "1", 0.30624f, 0, 0.25f},
        MatrixCase{"SwapXY", {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}}, "-1", 0, 0.30624f, 0.25f},
        MatrixCase{"ShiftHalf",
                   {{1, 0, 0, 0.5f}, {0, 1, 0, 0.5f}, {0, 0, 1, 0}},
                   "1",
                   0.80624f,
                   0.5f,
                   0.25f},
        MatrixCase{"Double", {{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}}, "8", 0.61248f, 0, 0.5f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorsTest, PhasesFromCifAndFromAnotherInputFile) {
    auto* phases = Open<TPhaseForm>("actPhases");
    files.opens << QString(KORALIX_FORMATS_CIF) + "/silicon-origin2.cif";
    phases->ReadPhaseFromCif();
    ASSERT_EQ(form->Model().PhaseCount(), 2);
    phases->PhaseTabs->setCurrentIndex(1);
    EXPECT_EQ(phases->SGLabel->text(), "Cubic");
    EXPECT_GE(form->Model().Phase(2).AtomCount(), 1);
    EXPECT_EQ(form->Model().Samples.size(), 2u);

    const QString other =
        CopyInto(folder, QString(KORALIX_EXAMPLES) + "/corundum.inp", "other.inp");
    files.opens << other;
    QString prompt;
    phases->AskText = [&](const QString& title, const QString& text, const QString&) {
        EXPECT_EQ(title, "Phase Number");
        prompt = text;
        return QString("7"); // above the count: the last phase
    };
    phases->ReadPhaseFromInputFile();
    ASSERT_EQ(form->Model().PhaseCount(), 3);
    EXPECT_TRUE(prompt.startsWith("There are 1 phases. "));
    EXPECT_EQ(form->Model().Phase(3).Name, form->Model().Phase(1).Name);
    EXPECT_EQ(form->Model().Phase(3).AtomCount(), 2);
}

TEST_F(EditorsTest, RealCifPhaseShowsItsCellAndSites) {
    const QString lab6 = QString(KORALIX_TESTDATA) + "/cif/LaB6_SRM_660c.CIF";
    if (!QFileInfo::exists(lab6)) GTEST_SKIP() << "test data missing: " << lab6.toStdString();
    auto* phases = Open<TPhaseForm>("actPhases");
    files.opens << lab6;
    phases->ReadPhaseFromCif();
    ASSERT_EQ(form->Model().PhaseCount(), 2);
    phases->PhaseTabs->setCurrentIndex(1);
    EXPECT_EQ(phases->SGLabel->text(), "Cubic");
    EXPECT_EQ(phases->lbMult->text(), "48");
    EXPECT_EQ(phases->CellEdit[0]->text(), "4.15682");
    EXPECT_EQ(phases->CellEdit[2]->text(), "4.15682");
    EXPECT_FALSE(phases->CellEdit[2]->isEnabled());
    ASSERT_EQ(phases->AtomGrid->rowCount(), 2);
    // La on 1a, B on 6f: site multiplicities from the group.
    EXPECT_EQ(phases->AtomGrid->item(0, TPhaseForm::ColMult)->text(), "1");
    EXPECT_EQ(phases->AtomGrid->item(1, TPhaseForm::ColMult)->text(), "6");
}

TEST_F(EditorsTest, HistogramPageKeepsValuesFlagsBackgroundAndRegions) {
    auto* histograms = Open<THistogramForm>("actHistograms");
    EXPECT_EQ(histograms->windowTitle(), "Histograms");
    EXPECT_EQ(histograms->HistogramTabs->tabText(0), "Histogram1");
    EXPECT_FALSE(histograms->HistogramSCaleEdit->isEnabled());
    Type(histograms->ZeroEdit, "0,02");
    histograms->CheckBoxZero->setChecked(true);
    histograms->ExcludedGrid->item(0, 0)->setText("30");
    histograms->ExcludedGrid->item(0, 1)->setText("20");
    histograms->ExcludedGrid->item(1, 0)->setText("40");
    histograms->ExcludedGrid->item(1, 1)->setText("40");
    histograms->BackGrid->item(1, 1)->setText("12.5"); // B0 of the polynomial
    histograms->BackGrid->item(1, 2)->setCheckState(Qt::Checked);
    ASSERT_TRUE(histograms->KeepPage());
    const THistogram& h = form->Model().Histogram(1);
    EXPECT_FLOAT_EQ(h.Zero, 0.02f);
    EXPECT_TRUE(form->Model().IsRefined({1, 0, 0, 1}));
    ASSERT_EQ(h.Excluded.RegionCount(), 1);
    EXPECT_FLOAT_EQ(h.Excluded.Regions.X(0), 20);
    EXPECT_FLOAT_EQ(h.Background.Coeff[0], 12.5f);
    EXPECT_TRUE(form->Model().IsRefined({1, 0, 0, 2}));
    EXPECT_FLOAT_EQ(h.Scale, 1.0f);

    // User points start at the ends of the range.
    histograms->BackgroundComboBox->setCurrentIndex(BackgroundListIndex(BkgUserPoints));
    histograms->ShowBackgroundKind();
    EXPECT_EQ(histograms->IntBackGrid->item(0, 1)->text(), "0.00000");
    EXPECT_FALSE(histograms->IntBackGrid->item(1, 0)->text().isEmpty());
    // Time of flight relabels the page and keeps no ratio.
    histograms->Setcomboboxes(4);
    histograms->LayoutForType();
    EXPECT_EQ(histograms->Wave1Label->text(), "Difc:");
    EXPECT_EQ(histograms->Wave2Label->text(), "Difa:");
    const float ratio = h.Ratio;
    Type(histograms->RatioEdit, "0.9");
    histograms->PageChanged = true;
    ASSERT_TRUE(histograms->KeepPage());
    EXPECT_EQ(form->Model().Histogram(1).JobType, 4);
    EXPECT_FLOAT_EQ(form->Model().Histogram(1).Ratio, ratio);
    EXPECT_EQ(form->Model().Histogram(1).Illumination, 0);
}

TEST_F(EditorsTest, TwelveTermPolynomialKeepsEachCoefficientInItsRow) {
    auto* histograms = Open<THistogramForm>("actHistograms");
    histograms->RadioButton2->click();
    ASSERT_EQ(histograms->BackGrid->rowCount(), 12);
    EXPECT_EQ(histograms->BackGrid->item(0, 0)->text(), "B-1");
    EXPECT_EQ(histograms->BackGrid->item(1, 0)->text(), "B0");
    EXPECT_EQ(histograms->BackGrid->item(11, 0)->text(), "B10");
    histograms->BackGrid->item(0, 1)->setText("-3"); // B-1: coefficient 12
    histograms->BackGrid->item(11, 1)->setText("4"); // B10: coefficient 11
    histograms->BackGrid->item(0, 2)->setCheckState(Qt::Checked);
    ASSERT_TRUE(histograms->KeepPage());
    const THistogram& h = form->Model().Histogram(1);
    EXPECT_EQ(form->Model().Background12, 1);
    EXPECT_FLOAT_EQ(h.Background.Coeff[11], -3);
    EXPECT_FLOAT_EQ(h.Background.Coeff[10], 4);
    EXPECT_FLOAT_EQ(h.Background.Coeff[0], 120);
    EXPECT_TRUE(form->Model().IsRefined({1, 0, 0, 13}));
    // Filled again from the model, the rows hold the same coefficients.
    histograms->UpdateHistogram();
    EXPECT_EQ(histograms->BackGrid->item(0, 1)->text(), "-3");
    EXPECT_EQ(histograms->BackGrid->item(11, 1)->text(), "4");
}

TEST_F(EditorsTest, LeBailPhaseKeepsNoAtomFlagsAndNoOverallB) {
    auto* phases = Open<TPhaseForm>("actPhases");
    Type(phases->IsoThermalEdit, "0.7");
    phases->cbCalcMethod->setCurrentIndex(1);
    emit phases->cbCalcMethod->activated(1);
    EXPECT_FALSE(phases->AtomGrid->isEnabled());
    EXPECT_FALSE(phases->cbRecycle->isHidden());
    phases->cbRecycle->setChecked(true);
    ASSERT_TRUE(phases->KeepPage());
    const TRietveld& m = form->Model();
    EXPECT_EQ(m.Phase(1).CalcMethod, 1);
    EXPECT_FLOAT_EQ(m.Phase(1).OverallB, 0);
    EXPECT_EQ(m.RecycleLeBail, 1);
    for (int a = 1; a <= 2; ++a)
        for (int k = 1; k <= 11; ++k)
            EXPECT_FALSE(m.IsRefined({0, 1, a, k})) << a << " " << k;
    EXPECT_TRUE(m.IsRefined({0, 1, 0, 6})); // the cell still refines
}

TEST_F(EditorsTest, HistogramsAddedAndDeletedWithSamples) {
    auto* histograms = Open<THistogramForm>("actHistograms");
    form->Model().Parameters.SetRefined({1, 1, 0, 3}, true);
    histograms->NewHistogram();
    EXPECT_EQ(histograms->HistogramTabs->count(), 2);
    EXPECT_EQ(form->Model().Samples.size(), 2u);
    histograms->HistogramTabs->setCurrentIndex(1);
    EXPECT_TRUE(histograms->HistogramSCaleEdit->isEnabled());
    histograms->HistogramTabs->setCurrentIndex(0);
    histograms->DeleteHistogram();
    EXPECT_EQ(form->Model().HistogramCount(), 1);
    EXPECT_EQ(form->Model().Samples.size(), 1u);
    EXPECT_FALSE(form->Model().IsRefined({1, 1, 0, 3}));
    histograms->DeleteHistogram();
    EXPECT_EQ(form->Model().HistogramCount(), 1);
}

TEST_F(EditorsTest, HistogramPageCopiedIntoAnotherHistogram) {
    auto* histograms = Open<THistogramForm>("actHistograms");
    histograms->BackGrid->item(1, 1)->setText("7.25");
    histograms->CopyHistogram();
    histograms->Cancel();
    form->Action("actHistograms")->trigger();
    histograms->NewHistogram();
    histograms->HistogramTabs->setCurrentIndex(1);
    ASSERT_EQ(histograms->ShownHistogram(), 2);
    histograms->PasteHistogram();
    EXPECT_TRUE(histograms->PageChanged);
    ASSERT_TRUE(histograms->KeepPage());
    const THistogram& first = form->Model().Histogram(1);
    const THistogram& second = form->Model().Histogram(2);
    EXPECT_EQ(second.JobType, first.JobType);
    EXPECT_FLOAT_EQ(second.Wave1, first.Wave1);
    EXPECT_FLOAT_EQ(second.Wave2, first.Wave2);
    EXPECT_FLOAT_EQ(second.ThetaMax, first.ThetaMax);
    EXPECT_EQ(second.Background.Kind, first.Background.Kind);
    // Copied from the page, not the model: the edit that was cancelled.
    EXPECT_FLOAT_EQ(second.Background.Coeff[0], 7.25f);
    EXPECT_FLOAT_EQ(first.Background.Coeff[0], 120.0f);
    // Flags are not pasted.
    EXPECT_FALSE(form->Model().IsRefined({2, 0, 0, 2}));
}

TEST_F(EditorsTest, StoredInstrumentFillsThePageAndItsLabels) {
    TInstrument& tof = form->Work().Settings().Instruments[1];
    tof.Radiation = 2; // neutron TOF
    tof.Wave1 = 7000;
    tof.Wave2 = -2.5;
    tof.Start = 2000;
    tof.Step = 0.001;
    tof.Stop = 19000;
    auto* histograms = Open<THistogramForm>("actHistograms");
    QMenu* instruments = nullptr;
    for (QAction* a : histograms->HistogramMenu->actions())
        if (a->text() == "Use Instrument") instruments = a->menu();
    ASSERT_NE(instruments, nullptr);
    ASSERT_EQ(instruments->actions().size(), InstrumentCount);
    EXPECT_EQ(instruments->actions()[0]->text(), "Cu Ka X-ray machine");
    instruments->actions()[1]->trigger();
    EXPECT_EQ(histograms->Wave1Label->text(), "Difc:");
    EXPECT_TRUE(histograms->PageChanged);
    ASSERT_TRUE(histograms->KeepPage());
    const THistogram& h = form->Model().Histogram(1);
    EXPECT_EQ(h.JobType, 4);
    EXPECT_FLOAT_EQ(h.Wave1, 7000);
    EXPECT_FLOAT_EQ(h.Wave2, -2.5f);
    EXPECT_FLOAT_EQ(h.ThetaMin, 2000);
    EXPECT_FLOAT_EQ(h.ThetaStep, 0.001f);
    EXPECT_FLOAT_EQ(h.ThetaMax, 19000);
}

TEST_F(EditorsTest, GeneralPageKeepsEveryControl) {
    auto* general = Open<TGeneralForm>("actGeneral");
    EXPECT_EQ(general->windowTitle(), "General");
    EXPECT_EQ(general->TitleEdit->text().toStdString(), form->Model().Title);
    Type(general->RelaxEdit[0], "0,5");
    general->NCyclesSpinEdit->setValue(7);
    general->MATCheckBox->setChecked(false);
    general->cbStrategy->setCurrentIndex(2);
    general->Ok();
    EXPECT_FLOAT_EQ(form->Model().Relax[0], 0.5f);
    EXPECT_EQ(form->Model().Cycles, 7);
    EXPECT_EQ(form->Model().MAT, 0);
    EXPECT_EQ(form->Model().Strategy, 2);
    // Cancel after editing leaves the model as it was.
    form->Action("actGeneral")->trigger();
    Type(general->TitleEdit, "changed");
    general->Cancel();
    EXPECT_NE(form->Model().Title, "changed");
}

TEST_F(EditorsTest, ParametersWindowListsAndFollowsFilters) {
    auto* parameters = Open<TParametersForm>("actparameters");
    EXPECT_EQ(parameters->windowTitle(), "Parameters");
    const int all = parameters->Grid->rowCount();
    EXPECT_GT(all, 20);
    EXPECT_EQ(parameters->Grid->item(0, TParametersForm::ColH)->background().color(),
              QColor(255, 0, 0));
    parameters->ParameterChoice->setCurrentIndex(1);
    parameters->FillGrid();
    EXPECT_LT(parameters->Grid->rowCount(), all);
    // A flag set in an editor shows as a tick.
    parameters->ParameterChoice->setCurrentIndex(0);
    form->Model().Parameters.SetRefined({0, 1, 0, 6}, true);
    parameters->FillGrid();
    bool ticked = false;
    for (int r = 0; r < parameters->Grid->rowCount(); ++r)
        if (parameters->Grid->item(r, TParametersForm::ColType)->text() == "6" &&
            parameters->Grid->item(r, TParametersForm::ColP)->text() == "1")
            ticked =
                parameters->Grid->item(r, TParametersForm::ColRefined)->checkState() == Qt::Checked;
    EXPECT_TRUE(ticked);
}

TEST_F(EditorsTest, EditorKeysWorkFromEveryWindow) {
    for (const char* editor : {"actGeneral", "actPhases", "actHistograms"}) {
        SCOPED_TRACE(editor);
        EXPECT_EQ(form->Action(editor)->shortcutContext(), Qt::ApplicationShortcut);
    }
    EXPECT_EQ(form->Action("actGeneral")->shortcut(), QKeySequence("F5"));
    EXPECT_EQ(form->Action("actPhases")->shortcut(), QKeySequence("F6"));
    EXPECT_EQ(form->Action("actHistograms")->shortcut(), QKeySequence("F7"));
}

TEST_F(EditorsTest, AboutOpensWithTheProgramsName) {
    form->Action("actAbout")->trigger();
    QWidget* about = form->WindowOf("actAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Koralix");
    EXPECT_TRUE(about->isVisible());
}

} // namespace
