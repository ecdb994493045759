// Refinement from simulated data back to the structure that made it.
#include "EngineTestSupport.h"
#include "ParameterTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

struct TRecoveryCase {
    const char* name;
    TRietveld (*make)();
};

TRietveld Corundum() {
    return ReadModel(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
}
TRietveld TwoPhases() {
    return CorundumWithPbSO4(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
}

// Time of flight with a Lorentzian share in its peaks: a FWHM growing with
// d (Gam-1 of 6 microseconds per Angstrom against a Gaussian FWHM of 12 to
// 35), refined with the rest.
TRietveld PbSO4TimeOfFlightPseudoVoigt() {
    TRietveld m = PbSO4TimeOfFlight();
    m.Samples[0].Gam1 = 6;
    m.Parameters.AddFree({1, 1, 0, ParamType::SampleGam1}, 10.0f * float(++m.CodeCount) + 1);
    return m;
}

// Moves every refined field away from its true value by a few percent of a
// typical size, as a user's starting guess would be off.
void Perturb(TRietveld& model) {
    for (const TParameter& p : model.Parameters.Free) {
        const TAddress a = p.Address();
        const float v = model.GetValue(a);
        float delta = 0;
        switch (KindOf(a)) {
        case KindAtom:
            delta = a.Type <= 3 ? 0.004f : 0.25f;
            break;
        case KindPhase:
            delta = a.Type == 1 ? 0.1f * v : (a.Type >= 6 ? 0.0002f * v : 0.2f);
            break;
        case KindSample:
            delta = 0.1f * std::abs(v) + 0.001f;
            break;
        case KindHistogram:
            delta = a.Type == 1 ? 0.01f : 0.05f * std::abs(v);
            break;
        default:
            break;
        }
        TAddress set = a;
        model.SetValue(set, v + delta);
        if (a.Type >= 6 && KindOf(a) == KindPhase) // constrained cell edges move together
            for (const TConstraint& c : model.Parameters.Constraints)
                if (c.Master.Address() == a) model.SetValue(c.Dependent.Address(), v + delta);
    }
}

class RecoveryTest : public ::testing::TestWithParam<TRecoveryCase> {};

TEST_P(RecoveryTest, RefinesSimulatedDataBackToTheTruth) {
    TempFolder folder;
    const TRietveld truth = GetParam().make();
    const std::string stem = folder.File("simulated");
    SimulateXy(truth, stem, 20261210);

    TRietveld start = truth;
    start.DataFormat = 5;
    start.Cycles = 40;
    Perturb(start);
    TEngine engine;
    ASSERT_EQ(engine.StartModel(start, stem, folder.File("run.out")), 0);
    const int cycles = RunToEnd(engine, 40);
    if (HasFailure() || std::getenv("KORALIX_SHOW_LISTING")) {
        engine.Close(false);
        std::ifstream in(folder.File("run.out"));
        std::cout << in.rdbuf();
    }
    EXPECT_LT(cycles, 40) << "the Eps criterion should end the refinement";

    for (int h = 1; h <= engine.HistogramCount(); ++h) {
        const TAgreement& a = engine.Agreement(h);
        EXPECT_LT(a.Rwp, 1.1 * a.Rexp)
            << "histogram " << h << " Rwp " << a.Rwp << " Rexp " << a.Rexp;
    }
    for (const TVariable& v : engine.Variables()) {
        const auto& [address, m] = v.Fields.front();
        double value = 0, esd = 0;
        ASSERT_EQ(engine.GetParameter(address, value, esd), 0);
        const double expected = truth.GetValue(address);
        EXPECT_GT(esd, 0);
        EXPECT_NEAR(value, expected, std::max(3 * esd, 1e-5 * std::abs(expected)))
            << truth.LabelOf(TParameter(address, 10));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Structures, RecoveryTest,
    ::testing::Values(TRecoveryCase{"CorundumXray", Corundum},
                      TRecoveryCase{"PbSO4Neutron", PbSO4Neutron},
                      TRecoveryCase{"PbSO4JointXrayNeutron", PbSO4JointXrayNeutron},
                      TRecoveryCase{"CorundumWithPbSO4", TwoPhases},
                      TRecoveryCase{"PbSO4TimeOfFlight", PbSO4TimeOfFlight},
                      TRecoveryCase{"PbSO4TimeOfFlightPseudoVoigt", PbSO4TimeOfFlightPseudoVoigt},
                      TRecoveryCase{"PbSO4EnergyDispersive", PbSO4EnergyDispersive}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// The bundled example: its simulated pattern refines from the model's
// starting values to the values it was made from.
TEST(BundledExample, RefinesToTheSimulatedValues) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    std::filesystem::copy_file(examples + "/corundum.inp", folder.File("corundum.inp"));
    std::filesystem::copy_file(examples + "/corundum.xy", folder.File("corundum.xy"));
    TEngine engine;
    TStartArguments args;
    args.Histograms = 1;
    args.Input = folder.File("corundum.inp");
    args.DataName = folder.File("corundum");
    args.Output = folder.File("corundum.out");
    args.BaseName = folder.File("corundum");
    ASSERT_EQ(engine.Start(args), 0);
    const double startRwp = engine.Agreement(1).Rwp;
    RunToEnd(engine, 30);
    const TAgreement& a = engine.Agreement(1);
    EXPECT_LT(a.Rwp, 0.6 * startRwp);
    EXPECT_LT(a.Chi2, 1.1);
    double value = 0, esd = 0;
    // Simulated with a = 4.7602, c = 12.9935, zero 0.018.
    ASSERT_EQ(engine.GetParameter({0, 1, 0, 6}, value, esd), 0);
    EXPECT_NEAR(value, 4.7602, 3 * esd);
    ASSERT_EQ(engine.GetParameter({0, 1, 0, 8}, value, esd), 0);
    EXPECT_NEAR(value, 12.9935, 3 * esd);
    ASSERT_EQ(engine.GetParameter({1, 0, 0, 1}, value, esd), 0);
    EXPECT_NEAR(value, 0.018, 3 * esd);

    ASSERT_EQ(engine.Close(true), 0);
    const TRietveld updated = ReadModel(folder.File("corundum.upd"));
    EXPECT_NEAR(updated.Phases[0].A, 4.7602, 3 * esd + 1e-3);
    EXPECT_EQ(updated.Parameters.FreeCount(), engine.Model().Parameters.FreeCount());
    std::ifstream listing(folder.File("corundum.out"));
    const std::string text((std::istreambuf_iterator<char>(listing)), {});
    EXPECT_NE(text.find("P  1: a"), std::string::npos);
    EXPECT_NE(text.find("Correlation matrix"), std::string::npos);
}

} // namespace

namespace {

// The corundum example beside PbSO4 as a Le Bail phase.
TRietveld TwoPhasesWithLeBail() {
    TRietveld model = TwoPhases();
    MakeLeBail(model, 2);
    return model;
}

class ThreadCount : public ::testing::TestWithParam<TRecoveryCase> {};

// The thread count (KORALIX_THREADS) changes how the work is shared, never a
// number: three cycles of each model end bit for bit the same.
TEST_P(ThreadCount, LeavesEveryResultTheSame) {
    TempFolder folder;
    TRietveld model = GetParam().make();
    const std::string stem = folder.File("simulated");
    SimulateXy(model, stem, 11);
    model.DataFormat = 5;
    model.Phases[0].A *= 1.0003f;
    struct TRun {
        std::vector<double> calculated, values, esds;
        double rwp = 0;
    };
    auto run = [&](const char* threads) {
        setenv("KORALIX_THREADS", threads, 1);
        TRun r;
        TEngine engine;
        EXPECT_EQ(engine.StartModel(model, stem, ""), 0);
        for (int cycle = 1; cycle <= 3; ++cycle) {
            bool finished = false;
            EXPECT_EQ(engine.Iterate(cycle, finished), 0);
        }
        r.calculated = engine.Calculated(1);
        r.rwp = engine.Agreement(1).Rwp;
        for (const TVariable& v : engine.Variables()) {
            double value = 0, esd = 0;
            engine.GetParameter(v.Fields.front().first, value, esd);
            r.values.push_back(value);
            r.esds.push_back(esd);
        }
        unsetenv("KORALIX_THREADS");
        return r;
    };
    const TRun one = run("1"), several = run("5");
    EXPECT_EQ(one.calculated, several.calculated);
    EXPECT_EQ(one.values, several.values);
    EXPECT_EQ(one.esds, several.esds);
    EXPECT_EQ(one.rwp, several.rwp);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ThreadCount,
    ::testing::Values(TRecoveryCase{"CorundumWithPbSO4", TwoPhases},
                      TRecoveryCase{"CorundumWithLeBailPbSO4", TwoPhasesWithLeBail},
                      TRecoveryCase{"PbSO4TimeOfFlight", PbSO4TimeOfFlight},
                      TRecoveryCase{"PbSO4TimeOfFlightPseudoVoigt", PbSO4TimeOfFlightPseudoVoigt},
                      TRecoveryCase{"PbSO4EnergyDispersive", PbSO4EnergyDispersive}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
