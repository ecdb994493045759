// Peak positions of the time-of-flight and energy-dispersive geometries
// against their calibrations applied to gemmi's d-spacings of a cubic phase.
#include "EngineTestSupport.h"

#include <gemmi/unitcell.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

struct TPositionCase {
    const char* name;
    TRietveld (*make)();
    double (*expected)(const THistogram& h, double d);
};

double TimeOfFlight(const THistogram& h, double d) {
    return h.Zero + h.Wave1 * d + h.Wave2 * d * d;
}

double Energy(const THistogram& h, double d) {
    return 6.19921 / (d * std::sin(h.Wave1 * std::numbers::pi / 360)) + h.Zero;
}

class PeakPositionTest : public ::testing::TestWithParam<TPositionCase> {};

TEST_P(PeakPositionTest, FollowTheCalibration) {
    TRietveld model = GetParam().make();
    model.Histograms[0].JobType += 1; // a calculation
    TPhase& phase = model.Phases[0];
    phase.SpaceGroup = "F m -3 m";
    phase.A = phase.B = phase.C = 5.4309f;
    phase.ClearAtoms();
    TAtom si;
    si.Label = "SI  ";
    si.AtomType = "SI  ";
    si.B = 0.5f;
    si.N = 1;
    phase.AddAtom(si);
    model.Parameters.Clear();
    model.CodeCount = 0;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, "", ""), 0);
    const gemmi::UnitCell cell(phase.A, phase.A, phase.A, 90, 90, 90);
    const THistogram& hist = model.Histograms[0];
    const auto reflections = engine.PlotReflections(1);
    ASSERT_GT(reflections.size(), 5u);
    for (const TPlotReflection& r : reflections) {
        const int h = ((r.Code >> 16) & 255) - 128, k = ((r.Code >> 8) & 255) - 128,
                  l = (r.Code & 255) - 128;
        const double d = cell.calculate_d({{h, k, l}});
        const double expected = GetParam().expected(hist, d);
        EXPECT_NEAR(r.Position, expected, 1e-6 * std::abs(expected)) << h << " " << k << " " << l;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, PeakPositionTest,
    ::testing::Values(TPositionCase{"TimeOfFlight", PbSO4TimeOfFlight, TimeOfFlight},
                      TPositionCase{"EnergyDispersive", PbSO4EnergyDispersive, Energy}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
