// Le Bail phases: intensities extracted from the observed pattern while the
// cell and the profile refine, alone or beside a structure phase, and kept
// between refinements when recycled.
#include "EngineTestSupport.h"
#include "ParameterTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

TRietveld Corundum() {
    return ReadModel(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
}

struct TLeBailRun {
    TempFolder folder;
    std::string stem;
    TLeBailRun(const TRietveld& truth) : stem(folder.File("simulated")) {
        SimulateXy(truth, stem, 20261211);
    }
};

TEST(LeBail, RecoversTheCellFromASimulatedPattern) {
    const TRietveld truth = Corundum();
    TLeBailRun run(truth);
    TRietveld start = truth;
    start.DataFormat = 5;
    start.Cycles = 30;
    MakeLeBail(start, 1);
    start.Phases[0].A = start.Phases[0].B = truth.Phases[0].A * 1.0004f;
    start.Phases[0].C = truth.Phases[0].C * 0.9997f;
    // Atoms in the wrong place do not matter: the intensities come from the data.
    start.Phases[0].Atoms[1].X = 0.1f;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(start, run.stem, run.folder.File("run.out")), 0);
    RunToEnd(engine, 30);
    const TAgreement& a = engine.Agreement(1);
    EXPECT_LT(a.Rwp, 1.1 * a.Rexp) << "Rwp " << a.Rwp << " Rexp " << a.Rexp;
    for (int type : {ParamType::PhaseA, ParamType::PhaseC}) {
        double value = 0, esd = 0;
        ASSERT_EQ(engine.GetParameter({0, 1, 0, type}, value, esd), 0);
        EXPECT_GT(esd, 0);
        EXPECT_NEAR(value, truth.GetValue({0, 1, 0, type}), std::max(3 * esd, 1e-5)) << type;
    }
}

// A Le Bail phase takes up its own peaks, so the structure beside it refines
// as it would alone.
TEST(LeBail, StructurePhaseRefinesBesideALeBailPhase) {
    const TRietveld truth = CorundumWithPbSO4(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
    TLeBailRun run(truth);
    TRietveld start = truth;
    start.DataFormat = 5;
    start.Cycles = 30;
    MakeLeBail(start, 2);
    TEngine engine;
    ASSERT_EQ(engine.StartModel(start, run.stem, run.folder.File("run.out")), 0);
    RunToEnd(engine, 30);
    const TAgreement& a = engine.Agreement(1);
    EXPECT_LT(a.Rwp, 1.1 * a.Rexp) << "Rwp " << a.Rwp << " Rexp " << a.Rexp;
    for (const TVariable& v : engine.Variables()) {
        const TAddress address = v.Fields.front().first;
        if (address.Phase != 1 || KindOf(address) != KindAtom) continue;
        double value = 0, esd = 0;
        ASSERT_EQ(engine.GetParameter(address, value, esd), 0);
        EXPECT_NEAR(value, truth.GetValue(address), std::max(3 * esd, 1e-4))
            << truth.LabelOf(TParameter(address, 10));
    }
}

TEST(LeBail, RecycledIntensitiesStartWhereTheLastFitEnded) {
    const TRietveld truth = Corundum();
    TLeBailRun run(truth);
    TRietveld start = truth;
    start.DataFormat = 5;
    MakeLeBail(start, 1);
    const std::string output = run.folder.File("run.out");
    double fitted = 0;
    {
        TEngine engine;
        ASSERT_EQ(engine.StartModel(start, run.stem, output), 0);
        RunToEnd(engine, 10);
        fitted = engine.Agreement(1).Rwp;
        ASSERT_EQ(engine.Close(false), 0);
    }
    ASSERT_TRUE(std::filesystem::exists(run.folder.File("run.leb")));
    start.RecycleLeBail = 1;
    TEngine again;
    ASSERT_EQ(again.StartModel(start, run.stem, output), 0);
    // One round of extraction from where the last fit ended, on the old cell.
    EXPECT_LT(again.Agreement(1).Rwp, 1.5 * fitted);

    std::ofstream(run.folder.File("run.leb"), std::ios::trunc) << "1 1 0 0 six 12.0\n";
    TEngine broken;
    EXPECT_EQ(broken.StartModel(start, run.stem, output), Status::LeBailRead);
    std::filesystem::remove(run.folder.File("run.leb"));
    TEngine missing;
    EXPECT_EQ(missing.StartModel(start, run.stem, output), Status::NoLeBailFile);
}

} // namespace
