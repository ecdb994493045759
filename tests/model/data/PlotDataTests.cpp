#include "DataTestSupport.h"

#include <gtest/gtest.h>

namespace koralix::test {
namespace {

TEST(TDataTest, StartsEmptyWithItsPlaceholderTitle) {
    TData data;
    EXPECT_EQ(data.Kind, KindNone);
    EXPECT_EQ(data.PointCount, 0);
    EXPECT_EQ(data.Title, "UnInitialized Data structure");
    EXPECT_EQ(data.Step, 1.0f);
    EXPECT_FALSE(data.Allocated);
    EXPECT_EQ(data.Capacity, 0);
    EXPECT_EQ(data.MinX(), 0.0f);
    EXPECT_EQ(data.MaxY(), 0.0f);
}

TEST(TDataTest, AllocatePointsKeepsWhatTheArraysHeld) {
    TData data;
    ASSERT_TRUE(data.AllocatePoints(3));
    data.X = {1, 2, 3};
    data.Y = {4, 5, 6};
    data.W = {7, 8, 9};
    ASSERT_TRUE(data.AllocatePoints(5));
    EXPECT_TRUE(data.Allocated);
    EXPECT_EQ(data.Capacity, 5);
    EXPECT_EQ(data.X[2], 3.0f);
    EXPECT_EQ(data.Y[1], 5.0f);
    EXPECT_EQ(data.W[0], 7.0f);
    data.FreePoints();
    EXPECT_FALSE(data.Allocated);
    EXPECT_EQ(data.Capacity, 0);
    EXPECT_TRUE(data.X.empty());
}

TEST(TDataTest, AllocatingBeyondTheLimitFailsLikeALackOfMemory) {
    TData data;
    data.Kind = KindDataFile;
    ASSERT_TRUE(data.AllocatePoints(MaxDataPoints));
    EXPECT_FALSE(data.AllocatePoints(MaxDataPoints + 1));
    EXPECT_FALSE(data.Allocated);
    EXPECT_EQ(data.Capacity, 0);
    EXPECT_EQ(data.Kind, KindNone);
    EXPECT_FALSE(data.AllocatePoints(-1));
}

TEST(TDataTest, ExtremesCoverOnlyTheHeldPoints) {
    TData data;
    ASSERT_TRUE(data.AllocatePoints(4));
    data.X = {5, 2, 9, -100};
    data.Y = {3, -1, 7, 1000};
    data.PointCount = 3;
    EXPECT_EQ(data.MinX(), 2.0f);
    EXPECT_EQ(data.MaxX(), 9.0f);
    EXPECT_EQ(data.MinY(), -1.0f);
    EXPECT_EQ(data.MaxY(), 7.0f);
    data.PointCount = 40; // more than the arrays hold: never read past them
    EXPECT_EQ(data.MinX(), -100.0f);
}

TEST(TPlotDataTest, AllocatePlotGivesAllArrays) {
    TPlotData plot;
    plot.AllocatePlot(100, 20);
    EXPECT_TRUE(plot.HasPlotArrays());
    EXPECT_EQ(plot.Capacity, 100);
    EXPECT_EQ(plot.YCalc.size(), 100u);
    EXPECT_EQ(plot.ReflCodes.size(), 20u);
    EXPECT_EQ(plot.ReflPositions.size(), 20u);
    EXPECT_EQ(plot.ReflectionCapacity, 20);
    plot.SetReflectionCount(7);
    EXPECT_EQ(plot.ReflectionCount(), 7);
    plot.FreePlot();
    EXPECT_FALSE(plot.HasPlotArrays());
    EXPECT_TRUE(plot.Allocated);
}

TEST(TPlotDataTest, FailedPointAllocationLeavesNoPlotArrays) {
    TPlotData plot;
    plot.Kind = KindEngine;
    plot.AllocatePlot(MaxDataPoints + 1, 10);
    EXPECT_EQ(plot.Kind, KindNone);
    EXPECT_FALSE(plot.HasPlotArrays());
    EXPECT_FALSE(plot.PlotAllocated);
}

TEST(TPlotDataTest, FailedReflectionAllocationKeepsThePoints) {
    TPlotData plot;
    plot.AllocatePlot(10, -1);
    EXPECT_TRUE(plot.Allocated);
    EXPECT_FALSE(plot.PlotAllocated);
    EXPECT_EQ(plot.Kind, KindDataFile);
    EXPECT_EQ(plot.ReflectionCapacity, 0);
}

TEST(TPlotDataTest, ReflectionCodesUnpackToPhaseAndIndices) {
    struct Case {
        int phase, s, h, k, l;
    };
    const Case cases[] = {
        {1, 1, 0, 0, 0}, {3, 2, -5, 7, -128}, {2, 3, 127, -1, 12}, {31, 1, -128, 127, 127}};
    TPlotData plot;
    plot.AllocatePlot(1, 4);
    for (int i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        plot.ReflCodes[static_cast<size_t>(i)] = PackReflection(c.phase, c.s, c.h, c.k, c.l);
    }
    for (int i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(plot.ReflPhase(i + 1), c.phase);
        EXPECT_EQ(plot.ReflH(i + 1), c.h);
        EXPECT_EQ(plot.ReflK(i + 1), c.k);
        EXPECT_EQ(plot.ReflL(i + 1), c.l);
    }
    // The packing itself: phase * 2^26 + s * 2^24 + (h+128) * 2^16 + (k+128) * 2^8 + (l+128).
    EXPECT_EQ(PackReflection(1, 1, 0, 0, 0), 67108864 + 16777216 + 128 * 65536 + 128 * 256 + 128);
}

TEST(TPlotDataTest, ReflectionIndexOutsideTheCodesReadsCodeZero) {
    TPlotData plot;
    plot.AllocatePlot(1, 2);
    plot.ReflCodes = {PackReflection(2, 1, 1, 2, 3), PackReflection(2, 1, 1, 2, 3)};
    for (int i : {0, -1, 3, MaxDataPoints + 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plot.ReflPhase(i), 0);
        EXPECT_EQ(plot.ReflH(i), -128);
    }
}

struct HeaderCase {
    const char* name;
    const char* line;
    bool ok;
    float a, b, c;
    const char* rest;
};

class ParseHeaderLineTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ParseHeaderLineTest, SplitsNumbersAndRest) {
    const HeaderCase& c = GetParam();
    float a = -1, b = -1, cc = -1;
    std::string rest = "old";
    EXPECT_EQ(ParseHeaderLine(c.line, a, b, cc, rest), c.ok);
    EXPECT_FLOAT_EQ(a, c.a);
    EXPECT_FLOAT_EQ(b, c.b);
    EXPECT_FLOAT_EQ(cc, c.c);
    EXPECT_EQ(rest, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseHeaderLineTest,
    ::testing::Values(
        HeaderCase{"TitleAfterNumbers", "10.0 0.02 80.0 my sample", true, 10, 0.02f, 80,
                   " my sample"},
        HeaderCase{"LeadingBlanksAndNothingAfter", "   10.0   0.02   80.0", true, 10, 0.02f, 80,
                   ""},
        HeaderCase{"IntegersAndExponents", "-5 2.5E-1 +1e2 x", true, -5, 0.25f, 100, " x"},
        HeaderCase{"TabsSeparate", "1\t2\t3\tT", true, 1, 2, 3, "\tT"},
        HeaderCase{"ColumnsWhenAWordIsNotANumber", "   10.00   0.020   80.00Title", false, 10,
                   0.02f, 80, "Title"},
        HeaderCase{"OnlyTwoNumbers", "10 20", false, 10, 0, 0, ""},
        HeaderCase{"TextFirst", "BANK 1 2679 268 CONST 2400 5 0 0", false, 0, 679, 0, "00 5 0 0"},
        HeaderCase{"NotANumberLikeNan", "nan 1 2 x", false, 0, 0, 0, ""},
        HeaderCase{"InfinityReadsZero", "     inf 1e99999   2 x", false, 0, 0, 2, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace koralix::test
