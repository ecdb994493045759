// The journal-style pattern: files of the printed size, tick rows named per
// phase, axis titles in the histogram's units.
#include "PublicationPlot.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace koralix;

namespace {

// Six points, two phases of reflections and one of a third, unnamed phase.
TPlotData TwoPhasePattern() {
    TPlotData plot;
    plot.Kind = 4;
    plot.HistogramNumber = 1;
    plot.PointCount = 6;
    plot.AllocatePlot(6, 3);
    for (int i = 0; i < 6; ++i) {
        plot.X[i] = 20.0f + i;
        plot.Y[i] = 100.0f + 50.0f * (i % 2);
        plot.YCalc[i] = 110.0f;
    }
    plot.SetReflectionCount(3);
    plot.ReflCodes = {PackReflection(1, 1, 1, 0, 0), PackReflection(2, 1, 1, 1, 0),
                      PackReflection(3, 1, 1, 1, 1)};
    plot.ReflPositions = {21.5f, 22.5f, 23.5f};
    return plot;
}

QString Written(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(PublicationPlot, SvgOfTheColumnWidthWithNamedRows) {
    QTemporaryDir dir;
    const QString svg = dir.filePath("plot.svg");
    const TPlotData plot = TwoPhasePattern();
    THistogram histogram;
    ASSERT_EQ(SavePublicationPlot(plot, &histogram, {"corundum", "rutile"}, {}, svg), "");
    const QString text = Written(svg);
    EXPECT_TRUE(text.contains("width=\"85")) << text.left(300).toStdString();
    EXPECT_TRUE(text.contains("corundum"));
    EXPECT_TRUE(text.contains("rutile"));
    EXPECT_TRUE(text.contains("Phase 3")); // no name given
    EXPECT_TRUE(text.contains(QString::fromUtf8("2\u03b8 (\u00b0)")));
    EXPECT_TRUE(text.contains("Intensity (counts)"));
}

TEST(PublicationPlot, TimeOfFlightAndPageWidth) {
    QTemporaryDir dir;
    const QString svg = dir.filePath("tof.svg");
    TPlotData plot = TwoPhasePattern();
    THistogram histogram;
    histogram.JobType = 4;
    TPublicationStyle style;
    style.WidthMm = 180;
    ASSERT_EQ(SavePublicationPlot(plot, &histogram, {}, style, svg), "");
    const QString text = Written(svg);
    // 510 whole points are 179.9 mm.
    EXPECT_TRUE(text.contains("width=\"179.9")) << text.left(300).toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Time of flight (\u00b5s)")));
}

TEST(PublicationPlot, NothingToDrawWritesNothing) {
    QTemporaryDir dir;
    TPlotData empty;
    EXPECT_NE(SavePublicationPlot(empty, nullptr, {}, {}, dir.filePath("none.pdf")), "");
    EXPECT_FALSE(QFile::exists(dir.filePath("none.pdf")));
    const TPlotData plot = TwoPhasePattern();
    EXPECT_NE(SavePublicationPlot(plot, nullptr, {}, {}, dir.filePath("no/such/folder.pdf")), "");
}
