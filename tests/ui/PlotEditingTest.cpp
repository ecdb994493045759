// Background points and excluded regions edited in the pattern plot.
#include "PlotEditing.h"
#include "ChartColours.h"
#include "Messenger.h"
#include "PlotForm.h"
#include "SetScales.h"

#include <QFileInfo>
#include <QPrinter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <QAction>
#include <gtest/gtest.h>

using namespace koralix;

namespace {

TPlotData Pattern() {
    TPlotData plot;
    plot.Kind = 4;
    plot.HistogramNumber = 1;
    plot.PointCount = 7;
    plot.AllocatePlot(7, 0);
    for (int i = 0; i < 7; ++i) {
        plot.X[i] = 10.0f + i;
        plot.Y[i] = 10.0f * (i + 1);
        plot.YCalc[i] = plot.Y[i];
    }
    return plot;
}

} // namespace

TEST(PlotEditing, AveragedIntensityNearTheEnds) {
    TPlotData plot = Pattern();
    EXPECT_DOUBLE_EQ(AveragedIntensity(plot, 3, 1), 40.0);
    EXPECT_DOUBLE_EQ(AveragedIntensity(plot, 0, 2), 20.0); // points 0..2 only
    EXPECT_DOUBLE_EQ(AveragedIntensity(plot, 6, 3), 55.0);
}

TEST(PlotEditing, ExcludedRegionsAndBackgroundPoints) {
    TExcluded excluded;
    excluded.AddRegion(5, 10);
    excluded.AddRegion(20, 30);
    EXPECT_FALSE(DeleteExcludedAt(excluded, 15));
    EXPECT_FALSE(DeleteExcludedAt(excluded, 10)); // the limits are outside
    EXPECT_TRUE(DeleteExcludedAt(excluded, 25));
    EXPECT_EQ(excluded.RegionCount(), 1);
    TBackGround background;
    background.Kind = BkgUserPoints;
    background.AddPoint(10, 100);
    background.AddPoint(20, 100);
    EXPECT_FALSE(DeleteBackgroundNear(background, 15, 100, 1, 10));
    EXPECT_TRUE(DeleteBackgroundNear(background, 19.5, 102, 1, 10));
    EXPECT_EQ(background.PointCount(), 1);
}

TEST(PlotEditing, MouseCommandsOfThePlotWindow) {
    TSettings settings;
    settings.BackgroundAveraging = 1;
    RecordingMessenger messenger;
    TPlotForm form(settings, messenger);
    TPlotData plot = Pattern();
    TRietveld model;
    model.AddHistogram();
    THistogram& histogram = model.Histograms[0];
    histogram.Background.Kind = BkgUserPoints;
    form.Data = &plot;
    form.Model = &model;
    form.HistogramNumber = 1;
    form.Plot();

    form.PrepareContextMenu();
    EXPECT_TRUE(form.InsertBackground->isEnabled());
    EXPECT_FALSE(form.DeleteBackground->isEnabled());
    EXPECT_FALSE(form.DeleteExcluded->isEnabled());
    form.InsertBackground->trigger();
    form.PressAt(12.2, 999);
    form.SemiAutoBackground->setChecked(true);
    form.PressAt(13.1, 999); // nearest point 3: the mean of points 2..4
    ASSERT_EQ(histogram.Background.PointCount(), 2);
    EXPECT_FLOAT_EQ(histogram.Background.Points.Y(0), 999.0f);
    EXPECT_FLOAT_EQ(histogram.Background.Points.Y(1), 40.0f);

    // Insert Excluded: the first press starts the region, the second ends it.
    form.InsertExcluded->trigger();
    EXPECT_FALSE(form.InsertBackground->isChecked());
    form.PressAt(14.0, 0);
    EXPECT_FALSE(form.InsertExcluded->isChecked());
    form.PressAt(12.5, 0);
    ASSERT_EQ(histogram.Excluded.RegionCount(), 1);
    EXPECT_EQ(histogram.Excluded.Regions.Items[0], (TPair{12.5f, 14.0f}));
    // Delete Excluded outside every region deletes nothing and unchecks.
    form.PrepareContextMenu();
    form.DeleteExcluded->trigger();
    form.PressAt(16.0, 0);
    EXPECT_EQ(histogram.Excluded.RegionCount(), 1);
    EXPECT_FALSE(form.DeleteExcluded->isChecked());
    form.DeleteExcluded->trigger();
    form.PressAt(13.0, 0);
    EXPECT_EQ(histogram.Excluded.RegionCount(), 0);

    // A data file is not editable.
    plot.Kind = 2;
    form.PrepareContextMenu();
    EXPECT_FALSE(form.InsertExcluded->isEnabled());
}

TEST(PlotEditing, ScalesDialogStoresOnOkOnly) {
    TSettings settings;
    TFormSetScales dialog(settings);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.MarkerSeparation->setValue(-250);
        dialog.accept();
    });
    EXPECT_TRUE(dialog.Edit());
    EXPECT_EQ(settings.HKLSep, -250);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.MarkerSeparation->setValue(7);
        dialog.reject();
    });
    EXPECT_FALSE(dialog.Edit());
    EXPECT_EQ(settings.HKLSep, -250);
}

TEST(PlotEditing, PrintsToAPrinter) {
    TSettings settings;
    RecordingMessenger messenger;
    TPlotForm form(settings, messenger);
    TPlotData plot = Pattern();
    form.Data = &plot;
    form.Plot();
    QTemporaryDir folder;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("plot.pdf"));
    form.PrintTo(printer);
    EXPECT_GT(QFileInfo(folder.filePath("plot.pdf")).size(), 1000);
}

TEST(PlotEditing, ChartColoursAreKeptAsPreferences) {
    TSettings settings;
    TChartColours dialog(settings);
    EXPECT_EQ(dialog.Colours[2], QColor(255, 0, 0)); // Calc_Colour 255 is red
    dialog.Colours[4] = QColor(0, 0, 255);
    dialog.accept();
    EXPECT_EQ(settings.Markers_Colour, 0xFF0000); // blue as 0x00BBGGRR
    EXPECT_EQ(RgbOf(ColourOf(0x00123456)), 0x00123456);
}
