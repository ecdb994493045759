#include "PatternSeries.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace koralix;

namespace {

// Five points from 10 to 12 degrees, observed 0..80 so that R = 10.
TPlotData EnginePlot() {
    TPlotData plot;
    plot.Kind = 4;
    plot.HistogramNumber = 1;
    plot.Title = "Corundum";
    plot.PointCount = 5;
    plot.AllocatePlot(5, 4);
    const float ys[5] = {0, 20, 80, 40, 10};
    for (int i = 0; i < 5; ++i) {
        plot.X[i] = 10.0f + 0.5f * i;
        plot.Y[i] = ys[i];
        plot.YCalc[i] = ys[i] - 1.0f;
    }
    plot.SetReflectionCount(4);
    plot.ReflCodes = {PackReflection(1, 1, 1, 0, 4), PackReflection(2, 1, 1, 1, 0),
                      PackReflection(1, 2, 1, 0, 4), PackReflection(1, 1, 3, 0, 0)};
    plot.ReflPositions = {10.5f, 11.0f, 11.5f, 25.0f};
    return plot;
}

} // namespace

TEST(PatternSeries, MarkerRowsPerPhaseAndSubIndex) {
    TPlotData plot = EnginePlot();
    THistogram h;
    TPatternSeries s = BuildPatternSeries(plot, &h, false, 1, {});
    // The reflection at 25 degrees lies outside the pattern: no marker.
    ASSERT_EQ(s.markerX.size(), 3);
    EXPECT_DOUBLE_EQ(s.markerY[0], -10.0 / 8.0);
    EXPECT_DOUBLE_EQ(s.markerY[1], -10.0 / 8.0 - 10.0 / 4.0);
    EXPECT_DOUBLE_EQ(s.markerY[2], -10.0 / 8.0 - 10.0 * 0.25 / 4.0);
    EXPECT_EQ(s.markerIndex, (QVector<int>{1, 2, 3}));
}

TEST(PatternSeries, DifferenceCurveRules) {
    TPlotData plot = EnginePlot();
    THistogram h;
    EXPECT_TRUE(BuildPatternSeries(plot, &h, false, 0, {}).diffY.isEmpty());
    TPatternSeries s = BuildPatternSeries(plot, &h, false, 2, {100, 100, 100});
    ASSERT_EQ(s.diffY.size(), 5);
    EXPECT_DOUBLE_EQ(s.diffY[2], 1.0 - 10.0);
    h.JobType = 2; // calculation: nothing to compare
    EXPECT_TRUE(BuildPatternSeries(plot, &h, false, 2, {}).diffY.isEmpty());
}

TEST(PatternSeries, AxisTitlesAndDataFiles) {
    TPlotData plot = EnginePlot();
    THistogram h;
    EXPECT_EQ(BuildPatternSeries(plot, &h, false, 1, {}).bottomTitle, "2 theta (deg)");
    h.JobType = 4;
    EXPECT_EQ(BuildPatternSeries(plot, &h, false, 1, {}).bottomTitle, "TOF (microseconds)");
    h.JobType = 7;
    EXPECT_EQ(BuildPatternSeries(plot, &h, false, 1, {}).bottomTitle, "Energy (keV)");
    EXPECT_EQ(BuildPatternSeries(plot, &h, true, 1, {}).bottomTitle, "d spacing (angstroms)");
    plot.Kind = 2;
    TPatternSeries file = BuildPatternSeries(plot, nullptr, true, 1, {});
    EXPECT_EQ(file.dataX.size(), 5);
    EXPECT_TRUE(file.calcX.isEmpty());
    EXPECT_TRUE(file.markerX.isEmpty());
}

TEST(PatternSeries, DSpacingForTheThreeGeometries) {
    THistogram angle;
    angle.Wave1 = 1.5406f;
    EXPECT_NEAR(DSpacing(30.0, &angle), 0.5 * 1.5406 / std::sin(15.0 * M_PI / 180.0), 1e-6);
    THistogram tof;
    tof.JobType = 4;
    tof.Zero = 5;
    tof.Wave1 = 10000;
    tof.Wave2 = 2;
    EXPECT_NEAR(DSpacing(20005.0, &tof), 20000.0 / (10000.0 - 2.0 * 20000.0 / 10000.0), 1e-9);
    THistogram energy;
    energy.JobType = 6;
    energy.Wave1 = 10.0f;
    EXPECT_NEAR(DSpacing(20.0, &energy), 6.199 / (20.0 * std::sin(10.0 * M_PI / 360.0)), 1e-9);
    EXPECT_EQ(DSpacing(20.0, nullptr), 0.0);
}

TEST(PatternSeries, ExportText) {
    TPlotData plot = EnginePlot();
    THistogram h;
    TPatternSeries s = BuildPatternSeries(plot, &h, false, 1, {});
    const QStringList lines = PlotExportText(plot, s).split('\n');
    EXPECT_EQ(lines[0], "Corundum");
    EXPECT_EQ(lines[1], "      10.000000       0.000000      -1.000000       10.50000    1");
    EXPECT_EQ(lines[2], "      10.500000      20.000000      19.000000       11.00000    2");
    EXPECT_EQ(lines[5], "      12.000000      10.000000       9.000000");
}
