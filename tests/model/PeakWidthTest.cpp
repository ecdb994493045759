#include "Model.h"
#include "PeakWidth.h"
#include "ScatterCurves.h"
#include "ScatterEdits.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace koralix;

namespace {

THistogram Cw(float from, float to) {
    THistogram h;
    h.JobType = 0;
    h.ThetaMin = from;
    h.ThetaMax = to;
    h.Wave1 = 1.54051f;
    h.Wave2 = 1.54433f;
    h.Ratio = 0.5f;
    return h;
}

} // namespace

TEST(PeakWidth, GaussianWidthIsRootOfW) {
    THistogram h = Cw(10, 110);
    TPeakShape s{1, 0, 0, 0.01, 0, 0, 0};
    TWidthCurves c = WidthCurves(h, s);
    ASSERT_EQ(c.Alpha1.size(), 101u);
    EXPECT_NEAR(c.Alpha1[1].X - c.Alpha1[0].X, 1.0, 1e-9);
    for (const TWidthPoint& p : c.Alpha1) EXPECT_NEAR(p.Width.H, 0.1, 1e-12);
    EXPECT_FALSE(c.Failed);
}

TEST(PeakWidth, SecondWavelengthPeaksSitAtHigherAngles) {
    THistogram h = Cw(10, 110);
    TPeakShape s{4, 0.01, 0, 0.02, 0.1, 0, 0};
    TWidthCurves c = WidthCurves(h, s);
    ASSERT_EQ(c.Alpha2.size(), 101u);
    for (size_t i = 0; i < c.Alpha2.size(); ++i) {
        EXPECT_GT(c.Alpha2[i].X, c.Alpha1[i].X);
        EXPECT_GT(c.Alpha2[i].Width.H, c.Alpha1[i].Width.H); // U > 0, V = 0: wider at higher angle
    }
    h.Ratio = 0;
    EXPECT_TRUE(WidthCurves(h, s).Alpha2.empty()) << "no second wavelength";
}

TEST(PeakWidth, WidthsByProfile) {
    struct Case {
        const char* name;
        TPeakShape shape;
        double t;
        double h, second;
    };
    const double t45 = std::tan(45.0 / 2 * M_PI / 180);
    const Case cases[] = {
        {"pseudo-Voigt: G and L", {1, 0, 0, 0.01, 0.5, 0, 0}, t45, 0.1, 0.5},
        {"Pearson VII: L at least 0.6", {2, 0, 0, 0.01, 0.2, 0, 0}, t45, 0.1, 0.6},
        {"Gam1 grows with 2-theta", {4, 0, 0, 0.04, 0, 0.01, 0}, t45, 0.2, 0.45},
        {"Voigt, Lorentzian only", {3, 0, 0, 0, 0.3, 0, 0}, 0, 0.3, 1.36603 - 0.47719 + 0.11116},
        {"Voigt, Gaussian only", {5, 0, 0, 0.04, 0, 0, 0}, 0.5, 0.2, 0},
        {"negative g gives a negative width", {1, 0, 0, -0.04, 0, 0, 0}, t45, -0.2, 0},
        {"TOF: U + V t^2 + W t^4", {7, 1, 2, 3, 0, 0, 0}, 1, std::sqrt(6.0), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPeakWidth w = WidthAt(c.shape, c.t);
        EXPECT_NEAR(w.H, c.h, 1e-5);
        EXPECT_NEAR(w.Second, c.second, 1e-5);
    }
}

TEST(PeakWidth, ArgumentByJobType) {
    EXPECT_NEAR(WidthArgument(0, 90, 0), 1.0, 1e-12);
    EXPECT_NEAR(WidthArgument(3, 90, 0), 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(WidthArgument(4, 5000, 10000), 0.5);
    EXPECT_DOUBLE_EQ(WidthArgument(5, 5000, 0), 0.01);
    EXPECT_DOUBLE_EQ(WidthArgument(6, 30, 0), 0);
}

TEST(PeakWidth, CurveStopsAtTheFirstPointWithoutAWidth) {
    THistogram h = Cw(100, 300); // tan(x/2) explodes at 180 degrees
    TPeakShape s{1, 1, 0, 0, 0, 0, 0};
    TWidthCurves c = WidthCurves(h, s);
    EXPECT_LE(c.Alpha1.size(), 101u);
    for (const TWidthPoint& p : c.Alpha1) EXPECT_TRUE(std::isfinite(p.Width.H));
}

TEST(PeakWidth, ProfileHasUnitAreaAndSpansOneHundredPoints) {
    TPeakShape s{1, 0, 0, 0.01, 0.5, 0, 0};
    TPeakWidth used;
    auto points = ProfileAt(s, 40, 0.01, &used);
    ASSERT_EQ(points.size(), 100u);
    EXPECT_NEAR(points.front().X, 40 - 0.49, 1e-9);
    EXPECT_NEAR(points.back().X, 40 + 0.50, 1e-9);
    EXPECT_NEAR(used.H, 0.1, 1e-9);
    EXPECT_NEAR(used.Second, 0.5, 1e-9);
    double area = 0;
    for (const TProfilePoint& p : points) area += p.Y * 0.01;
    EXPECT_NEAR(area, 1.0, 0.1); // Lorentzian tails reach past the window
    s.Profile = 7;
    EXPECT_TRUE(ProfileAt(s, 40, 0.01).empty());
}

TEST(ScatterCurves, FormFactorAtZeroIsTheSumOfCoefficients) {
    TScatterFactor e;
    e.Coeff = {1, 10, 2, 20, 3, 30, 4, 40, 0.5f};
    e.FPrime = 0.25f;
    auto points = FormFactorCurve(e, 1.5406);
    ASSERT_EQ(points.size(), 91u);
    EXPECT_NEAR(points[0].Y, 10.75, 1e-6);
    EXPECT_NEAR(points.back().X, 1 / 1.5406, 1e-9);
    EXPECT_LT(points.back().Y, points[0].Y);
}

TEST(ScatterCurves, SpectrumOfZeroCoefficientsIsFlat) {
    THistogram h;
    h.ThetaMin = 1000;
    h.ThetaMax = 20000;
    auto flat = SpectrumCurve(h, {});
    ASSERT_EQ(flat.size(), 100u);
    for (const TCurvePoint& p : flat) EXPECT_EQ(p.Y, 0);
    auto constant = SpectrumCurve(h, {5, 0, 0, 1, 0, 0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(constant[10].Y, 6);
}

TEST(ScatterEdits, DeletingAnEntryMovesTheLaterFlags) {
    TRietveld model;
    model.AddHistogram();
    for (const char* name : {"FE", "O", "SI"}) {
        model.Histogram(1).Scatter.AddEntry();
        model.Histogram(1).Scatter.Items.back().Name = name;
    }
    model.Parameters.SetRefined({1, ScatterPhase, 1, 1}, true);
    model.Parameters.SetRefined({1, ScatterPhase, 2, 2}, true);
    model.Parameters.SetRefined({1, ScatterPhase, 1, 3}, true);
    DeleteScatterEntry(model, 1, 2);
    ASSERT_EQ(model.Histogram(1).Scatter.EntryCount(), 2);
    EXPECT_EQ(model.Histogram(1).Scatter.Items[1].Name, "SI");
    EXPECT_TRUE(model.IsRefined({1, ScatterPhase, 1, 1}));
    EXPECT_TRUE(model.IsRefined({1, ScatterPhase, 1, 2})) << "SI's flag follows it";
    EXPECT_FALSE(model.IsRefined({1, ScatterPhase, 2, 2})) << "O's flag went with O";
    EXPECT_FALSE(model.IsRefined({1, ScatterPhase, 1, 3}));
}
