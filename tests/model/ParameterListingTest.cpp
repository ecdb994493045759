// The rows of the parameters window for its filters.
#include "Model.h"
#include "ParameterListing.h"

#include <gtest/gtest.h>

using namespace koralix;

namespace {

TRietveld Model(int histograms, int phases) {
    TRietveld m;
    for (int h = 0; h < histograms; ++h)
        m.AddHistogram();
    for (int p = 0; p < phases; ++p)
        m.AddPhase();
    return m;
}

int CountWhere(const std::vector<TListedParameter>& rows, int histogram, int phase) {
    int count = 0;
    for (const TListedParameter& r : rows)
        count += r.Shown.Histogram == histogram && r.Shown.Phase == phase;
    return count;
}

TEST(ParameterListing, OneHistogramOnePhaseListsTwentySixRows) {
    const TRietveld m = Model(1, 1);
    const auto rows = ListParameters(m, false, 0, 0);
    ASSERT_EQ(rows.size(), 26u);
    // The phase-wide rows show histogram 1 but are refined under histogram 0.
    EXPECT_EQ(rows[0].Shown, (TAddress{1, 1, 0, 1}));
    EXPECT_EQ(rows[0].Coded, (TAddress{0, 1, 0, 1}));
    EXPECT_EQ(rows[2].Coded, (TAddress{1, 1, 0, 3}));
    EXPECT_EQ(CountWhere(rows, 1, 0), 9);
    EXPECT_EQ(rows.back().Shown, (TAddress{1, 0, 0, 16}));
}

TEST(ParameterListing, PeakShapeOnlyKeepsTheSamePeakRows) {
    TRietveld m = Model(2, 2);
    m.Histograms[1].Profile = 7;
    const auto all = ListParameters(m, false, 0, 0);
    const auto peak = ListParameters(m, true, 0, 0);
    EXPECT_EQ(CountWhere(peak, 1, 0) + CountWhere(peak, 2, 0), 0);
    // 9 peak-shape types per pair, 4 more for the time-of-flight histogram.
    EXPECT_EQ(peak.size(), 2u * 9 + 2u * 9 + 2u * 4);
    for (const TListedParameter& row : peak) {
        const int t = row.Shown.Type;
        EXPECT_FALSE(t == 1 || t == 2 || (t >= 6 && t <= 11)) << t;
        EXPECT_NE(std::find(all.begin(), all.end(), row), all.end());
    }
}

TEST(ParameterListing, FiltersAndTwelveBackgroundTerms) {
    TRietveld m = Model(3, 2);
    m.Background12 = 1;
    const auto phase2 = ListParameters(m, false, 0, 2);
    // Histogram rows of every histogram stay under a phase filter; histogram 1 has no scale.
    EXPECT_EQ(CountWhere(phase2, 1, 0), 15);
    EXPECT_EQ(CountWhere(phase2, 2, 0), 16);
    EXPECT_EQ(CountWhere(phase2, 3, 1), 0);
    const auto hist2 = ListParameters(m, false, 2, 0);
    // Phase-wide rows belong to histogram 1 only.
    EXPECT_EQ(CountWhere(hist2, 2, 1), 9);
    EXPECT_EQ(CountWhere(hist2, 1, 0), 0);
}

} // namespace
