// A new user's first model, end to end: New on the Cu Ka machine, the phase
// read from a CIF file, a data file beside the model, a first refinement of
// what the wizard ticked, then the cell, with the real engine, which finds
// the cell again.
// The data are the pattern the engine calculates for the same structure.
#include "NewInputForm.h"
#include "PhaseForm.h"
#include "PlotData.h"
#include "Refine.h"
#include "RefineForm.h"
#include "UiTestSupport.h"
#include "Workspace.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace koralix;
using namespace koralix::testing;

namespace {

const std::string LaB6Cif = "/work/shared/testdata/cif/LaB6_SRM_660c.CIF";
constexpr float LaB6Cell = 4.15682f;

// The pattern the engine calculates for `model` with its histogram 1 turned
// into a calculation, scaled and lifted by a flat background, as an .xy file.
bool WriteSimulatedPattern(const TRietveld& model, const std::string& file) {
    TRietveld simulated = model;
    simulated.Histogram(1).JobType = 2;
    RecordingMessenger quiet;
    TRefine engine(quiet);
    engine.Model = &simulated;
    engine.LibraryPath = KORALIX_REAL_ENGINE;
    engine.StartRefinement();
    if (engine.State() != RefineState::Started) return false;
    TPlotData plot;
    engine.GetPlot(plot, 1);
    engine.CloseRefinement(false);
    std::ofstream out(file);
    for (int i = 0; i < plot.HeldPoints(); ++i)
        out << plot.X[size_t(i)] << ' ' << 200 * plot.YCalc[size_t(i)] + 150 << '\n';
    return plot.HeldPoints() > 100;
}

} // namespace

TEST(WizardRefinement, ANewUsersFirstModelRefines) {
    if (!std::filesystem::exists(LaB6Cif)) GTEST_SKIP() << "test data missing: " << LaB6Cif;
    QTemporaryDir folder;
    RecordingMessenger messages;
    ScriptedFileChooser files;
    auto bench = MakeWorkbench(folder, messages, files);
    TRietveld& model = bench->Model();

    // New: the defaults are one measured histogram on the Cu Ka machine and
    // one phase; Save As names the model.
    bench->Action("actNew")->trigger();
    auto* wizard = qobject_cast<TFormNewInput*>(bench->WindowOf("actNew"));
    ASSERT_NE(wizard, nullptr);
    ASSERT_EQ(wizard->cbInstruments->currentText(), "Cu Ka X-ray machine");
    const QString input = folder.filePath("lab6.inp");
    files.saves = {input};
    wizard->accept();
    ASSERT_EQ(bench->Work().InputFile(), input);

    // The phase from the CIF file; the wizard's empty phase goes.
    bench->Action("actPhases")->trigger();
    auto* phases = qobject_cast<TPhaseForm*>(bench->WindowOf("actPhases"));
    ASSERT_NE(phases, nullptr);
    files.opens = {QString::fromStdString(LaB6Cif)};
    phases->ReadPhaseFromCif();
    ASSERT_EQ(model.PhaseCount(), 2);
    phases->PhaseTabs->setCurrentIndex(0);
    phases->DeletePhase();
    ASSERT_EQ(model.PhaseCount(), 1);
    ASSERT_EQ(model.Phase(1).AtomCount(), 2);
    ASSERT_TRUE(model.FindSample(1, 1)) << "the CIF phase has its sample record";

    // The data: what the engine calculates for LaB6, written beside the model.
    ASSERT_TRUE(WriteSimulatedPattern(model, folder.filePath("lab6.xy").toStdString()));
    model.DataFormat = 4;

    // The CIF phase came after the wizard: the user ticks its scale, and
    // starts from a slightly wrong cell.
    phases->show();
    phases->CellEdit[0]->setText("4.1610");
    phases->PhaseScaleCheckBox->setChecked(true);
    phases->Ok();
    ASSERT_FALSE(phases->isVisible()) << ::testing::PrintToString(messages.messages);
    bench->Action("actSave")->trigger();

    // First the wizard's choice, scale and background, from a scale hundreds
    // of times too small; then the cell as well.
    bench->Settings.TempRefine = false;
    bench->Driver().LibraryPath = KORALIX_REAL_ENGINE;
    TRefineForm& window = bench->RefineWindow();
    auto refine = [&](int cycles) {
        window.show();
        window.Start();
        EXPECT_EQ(bench->Work().Driver().State(), RefineState::Started)
            << ::testing::PrintToString(messages.messages);
        window.StepCount->setValue(cycles);
        window.Step();
        const float rwp = bench->Work().Driver().GetRwp(1);
        window.UpdateBox->setChecked(true);
        window.Finish();
        return rwp;
    };
    EXPECT_LT(refine(5), 50.0f) << "the scale meets the data; the cell is still off";
    EXPECT_GT(model.Phase(1).Scale, 1.0f);
    phases->show();
    phases->CellCheckBox[0]->setChecked(true);
    phases->Ok();
    EXPECT_LT(refine(8), 0.1f) << "the model meets its own pattern";
    EXPECT_TRUE(messages.messages.empty()) << ::testing::PrintToString(messages.messages);
    EXPECT_NEAR(model.Phase(1).A, LaB6Cell, 2e-4f);
}
