// Crystal-system rules for the cell constants and the ties refined with them.
#include "CellRules.h"
#include "Model.h"

#include <gtest/gtest.h>

using namespace koralix;

namespace {

struct LayoutCase {
    const char* symbol;
    std::array<TCellRule, 6> rules;
    float gamma;
};

using enum TCellRule;

class CellLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(CellLayoutTest, FixesAndTiesByCrystalSystem) {
    const LayoutCase& c = GetParam();
    const TCrystalSystem system = CrystalSystem(c.symbol);
    EXPECT_EQ(CellLayout(system).Rule, c.rules);
    TPhase phase;
    phase.A = 5, phase.B = 6, phase.C = 7;
    phase.Alpha = 80, phase.Beta = 85, phase.Gamma = 95;
    ApplyCellLayout(phase, system);
    EXPECT_FLOAT_EQ(phase.Gamma, c.gamma);
    EXPECT_FLOAT_EQ(phase.B, c.rules[1] == TiedToA ? 5.0f : 6.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, CellLayoutTest,
    ::testing::Values(LayoutCase{"P 1", {Free, Free, Free, Free, Free, Free}, 95},
                      LayoutCase{"P 21/C", {Free, Free, Free, Fixed, Free, Fixed}, 90},
                      LayoutCase{"P 1 1 21/B", {Free, Free, Free, Fixed, Fixed, Free}, 95},
                      LayoutCase{"P N M A", {Free, Free, Free, Fixed, Fixed, Fixed}, 90},
                      LayoutCase{"I 41/A M D", {Free, TiedToA, Free, Fixed, Fixed, Fixed}, 90},
                      LayoutCase{"R -3 C", {Free, TiedToA, Free, Fixed, Fixed, Fixed}, 120},
                      LayoutCase{"R -3 C R",
                                 {Free, TiedToA, TiedToA, Free, TiedToAlpha, TiedToAlpha},
                                 80},
                      LayoutCase{"P 63/M M C", {Free, TiedToA, Free, Fixed, Fixed, Fixed}, 120},
                      LayoutCase{"F M 3 M", {Free, TiedToA, TiedToA, Fixed, Fixed, Fixed}, 90},
                      LayoutCase{"NOT A GROUP", {Free, Free, Free, Free, Free, Free}, 95}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(CellTies, RefinedAOfACubicPhaseCarriesBAndC) {
    TRietveld model;
    model.AddPhase();
    const TCrystalSystem cubic = CrystalSystem("F M 3 M");
    // Nothing is tied while a is not refined.
    AddCellTies(model, 1, cubic);
    EXPECT_EQ(model.Parameters.ConstraintCount(), 0);
    model.Parameters.SetRefined({0, 1, 0, 6}, true);
    AddCellTies(model, 1, cubic);
    AddCellTies(model, 1, cubic);
    ASSERT_EQ(model.Parameters.ConstraintCount(), 2);
    EXPECT_TRUE(model.IsRefined({0, 1, 0, 7}));
    EXPECT_TRUE(model.IsRefined({0, 1, 0, 8}));
    EXPECT_FALSE(model.IsRefined({0, 1, 0, 9}));
}

TEST(CellTies, HexagonalTiesOnlyBToA) {
    // Gamma stays at 120 degrees: tying it to a would move an angle by a length.
    const auto ties = CellTies(CrystalSystem("P 63/M M C"));
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(ties[0], (std::pair{6, 7}));
    EXPECT_TRUE(CellTies(CrystalSystem("P N M A")).empty());
}

} // namespace
