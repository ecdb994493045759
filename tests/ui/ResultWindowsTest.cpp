// The Fourier map, RDF and simple plot windows, against the scripted stand-in
// engine and the real one refining the bundled example. The 3-D surface views
// need OpenGL and are tested under Xvfb in FourierSurfaceTest.
#include "Contours.h"
#include "FormGraph.h"
#include "FormKoralix.h"
#include "FormPlotFourier.h"
#include "FormRDF.h"
#include "InputFile.h"
#include "Messenger.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace koralix;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TRietveld Example() {
    TRietveld model;
    RecordingMessenger quiet;
    ReadInputFile(model, std::string(KORALIX_EXAMPLES) + "/corundum.inp", quiet);
    return model;
}

// A driver started on the example with `engine`.
struct Started {
    explicit Started(const char* engine) : refine(messenger) {
        ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "", 1);
        model = Example();
        refine.Model = &model;
        refine.LibraryPath = engine;
        refine.DataName = std::string(KORALIX_EXAMPLES) + "/corundum";
        refine.BaseName = folder.filePath("corundum").toStdString();
        refine.StartRefinement();
    }
    QTemporaryDir folder;
    RecordingMessenger messenger;
    TRietveld model;
    TRefine refine;
};

} // namespace

TEST(Contours, LevelsAndSegmentsOfASimpleGrid) {
    EXPECT_EQ(ContourLevels(0, 10, 5), (std::vector<double>{2, 4, 6, 8, 10}));
    // A ramp along the columns: the level 1.5 crosses each row between columns 1 and 2.
    const std::vector<double> ramp = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
    const auto segments = ContourSegments(ramp, 4, 3, 1.5);
    ASSERT_EQ(segments.size(), 2u);
    for (const auto& s : segments) {
        EXPECT_DOUBLE_EQ(s.X1, 1.5);
        EXPECT_DOUBLE_EQ(s.X2, 1.5);
    }
    // A single peak is closed by four segments around it.
    const std::vector<double> peak = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(ContourSegments(peak, 3, 3, 0.5).size(), 4u);
}

TEST(FourierWindow, StartsAsTheWindowIsMadeAndLabelsSlices) {
    RecordingMessenger messenger;
    TRietveld model = Example();
    TFormPlotFourier window(&model, nullptr, messenger);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Fourier");
    EXPECT_FALSE(window.ReplotButton->isEnabled());
    EXPECT_FALSE(window.AutoBox->isEnabled());
    EXPECT_FALSE(window.AnimateButton->isEnabled());
    EXPECT_FALSE(window.StopButton->isVisible());
    EXPECT_EQ(window.TypeList->currentText(), "Fourier obs");
    EXPECT_EQ(window.TypeList->count(), 6);
    EXPECT_EQ(window.HistogramList->currentText(), "Histogram 1");
    EXPECT_EQ(window.PhaseList->currentText(), "Phase 1");
    EXPECT_TRUE(window.LevelItems[2]->isChecked()); // 15 levels
    EXPECT_TRUE(window.PenItems[1]->isChecked());    // thickness 2
    struct Case {
        int axis, slice;
        const char* label;
    } cases[] = {{3, 1, "z = 0.0000"}, {3, 64, "z = 0.9844"}, {1, 33, "x = 0.5000"},
                 {2, 17, "y = 0.2500"}};
    for (const Case& c : cases) {
        window.AxisButtons[c.axis - 1]->setChecked(true);
        window.Slice->setValue(c.slice);
        EXPECT_EQ(window.SliceLabel->text(), c.label);
    }
    window.AxisButtons[2]->setChecked(true);
}

// The chart's image is saved like any file: the target's permission and kind
// are honoured, a link is followed.
TEST(FourierWindow, SavedImagesHonourTheTarget) {
    RecordingMessenger messenger;
    TRietveld model = Example();
    TFormPlotFourier window(&model, nullptr, messenger);
    window.show();
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const struct {
        const char* name;
        bool vector;
        bool written;
        const char* message;
    } cases[] = {
        {"new.svg", true, true, ""},
        {"new.bmp", false, true, ""},
        {"link.svg", true, true, ""},
        {"read-only.bmp", false, false, "read-only"},
        {"fifo.svg", true, false, "not a regular file"},
    };
    std::ofstream(folder + "/real.svg") << "old";
    std::filesystem::create_symlink("real.svg", folder + "/link.svg");
    std::ofstream(folder + "/read-only.bmp") << "mine";
    std::filesystem::permissions(folder + "/read-only.bmp", std::filesystem::perms::owner_read);
    ::mkfifo((folder + "/fifo.svg").c_str(), 0644);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messenger.messages.clear();
        EXPECT_EQ(window.SaveImageTo(dir.filePath(c.name), c.vector), c.written);
        if (c.written) {
            EXPECT_TRUE(messenger.messages.empty()) << messenger.messages.front();
        } else {
            ASSERT_EQ(messenger.messages.size(), 1u);
            EXPECT_NE(messenger.messages[0].find(c.name), std::string::npos);
            EXPECT_NE(messenger.messages[0].find(c.message), std::string::npos);
        }
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/link.svg"));
    EXPECT_NE(ReadText(folder + "/real.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(ReadText(folder + "/new.bmp").substr(0, 2), "BM");
    EXPECT_EQ(ReadText(folder + "/read-only.bmp"), "mine");
    EXPECT_TRUE(std::filesystem::is_fifo(folder + "/fifo.svg"));
}

TEST(FourierWindow, CalculateWithoutALoadedLibraryChangesNothing) {
    RecordingMessenger messenger;
    TRietveld model = Example();
    TRefine idle(messenger);
    TFormPlotFourier::FourierMap()[5] = 42;
    TFormPlotFourier window(&model, &idle, messenger);
    window.show();
    window.Calculate();
    EXPECT_FALSE(window.ReplotButton->isEnabled());
    EXPECT_FALSE(window.AnimateButton->isEnabled());
    EXPECT_EQ(TFormPlotFourier::FourierMap()[5], 42);
    EXPECT_TRUE(messenger.messages.empty());
}

TEST(FourierWindow, LibraryWithoutGetfourSaysSo) {
    Started run(KORALIX_TEST_ENGINE);
    ASSERT_EQ(run.refine.State(), RefineState::Started);
    TFormPlotFourier window(&run.model, &run.refine, run.messenger);
    window.show();
    window.Calculate();
    EXPECT_EQ(run.messenger.messages, (std::vector<std::string>{"Fourier failed"}));
    EXPECT_FALSE(window.ReplotButton->isEnabled());
}

TEST(FourierWindow, TrimsTheRangeAndAnimatesSlices) {
    Started run(KORALIX_FOURIER_ENGINE);
    ASSERT_EQ(run.refine.State(), RefineState::Started);
    TFormPlotFourier window(&run.model, &run.refine, run.messenger);
    window.show();
    window.TypeList->setCurrentIndex(3);
    window.Calculate();
    EXPECT_TRUE(window.ReplotButton->isEnabled());
    EXPECT_TRUE(window.AnimateButton->isEnabled());
    // min -1 and max 1 give a value axis from -0.905 to 0.9.
    EXPECT_NEAR(window.MapMax(), 0.9, 1e-9);
    EXPECT_NEAR(window.MapMin(), -0.905, 1e-9);
    // Contour lines: one curve per level, 15 by default.
    int curves = 0;
    for (int g = 0; g < window.Chart->plottableCount(); ++g)
        curves += qobject_cast<QCPCurve*>(window.Chart->plottable(g)) != nullptr;
    EXPECT_EQ(curves, 15);
    window.LevelItems[0]->trigger();
    window.Replot();
    curves = 0;
    for (int g = 0; g < window.Chart->plottableCount(); ++g)
        curves += qobject_cast<QCPCurve*>(window.Chart->plottable(g)) != nullptr;
    EXPECT_EQ(curves, 5);
    window.LevelItems[2]->trigger();

    window.Slice->setValue(64);
    window.Animate();
    EXPECT_TRUE(window.StopButton->isVisible());
    EXPECT_FALSE(window.AnimateButton->isVisible());
    EXPECT_TRUE(window.AutoBox->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(window.Slice->value() == 2, 5000); // wrapped from 64 to 1
    window.Stop();
    EXPECT_FALSE(window.AutoBox->isChecked());
    EXPECT_TRUE(window.AnimateButton->isVisible());

    ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "four=900", 1);
    window.Calculate();
    EXPECT_FALSE(window.ReplotButton->isEnabled());
    ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "", 1);
}

TEST(FourierWindow, DisplaysExcludeEachOtherButOneRemains) {
    RecordingMessenger messenger;
    TFormPlotFourier window(nullptr, nullptr, messenger);
    EXPECT_TRUE(window.ContourShown());
    window.ContourItem->trigger(); // the last display stays
    EXPECT_TRUE(window.ContourItem->isChecked());
}

TEST(FourierWindow, ShowsTheRefinedExamplesMap) {
    Started run(KORALIX_REAL_ENGINE);
    ASSERT_EQ(run.refine.State(), RefineState::Started)
        << ::testing::PrintToString(run.messenger.messages);
    run.refine.StepRefinement();
    run.refine.CloseRefinement(false);
    TFormPlotFourier window(&run.model, &run.refine, run.messenger);
    window.resize(800, 700);
    window.show();
    window.Calculate();
    ASSERT_TRUE(window.ReplotButton->isEnabled()) << ::testing::PrintToString(run.messenger.messages);
    EXPECT_GT(window.MapMax(), 10 * std::abs(window.MapMin())); // a Fourier map of a few atoms
    window.Slice->setValue(23); // z = 0.344, near the Al at z = 0.352
    window.DoubleCell->setChecked(true);
    window.Replot();
    if (const char* shots = std::getenv("KORALIX_SCREENSHOTS"))
        window.grab().save(QString(shots) + "/fourier.png");
}

TEST(RdfWindow, ChoosingAFunctionChecksItAndAsksTheDriver) {
    Started run(KORALIX_TEST_ENGINE);
    QTemporaryDir folder;
    const QString log = folder.filePath("engine.log");
    ::setenv("KORALIX_TEST_ENGINE_LOG", log.toUtf8().constData(), 1);
    TFormRDF window;
    EXPECT_EQ(window.windowTitle(), "Plot RDF");
    EXPECT_EQ(window.RdfKind, 1);
    EXPECT_EQ(window.Chart->yAxis->label(), "PDF(R)");
    window.Model = &run.model;
    window.Refine = &run.refine;
    window.FillPhases(2);
    EXPECT_EQ(window.PhaseList->currentText(), "Phase 1");
    window.show();
    window.KindItems[4]->trigger();
    EXPECT_EQ(window.RdfKind, 5);
    EXPECT_EQ(window.Chart->yAxis->label(), "N(R)");
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(window.KindItems[k]->isChecked(), k == 4);
    // 1000 points 0.01 apart from 0: the stand-in returns 0.01 i.
    ASSERT_EQ(window.Series->data()->size(), 1000);
    EXPECT_DOUBLE_EQ((window.Series->data()->constBegin() + 999)->key, 9.99);
    EXPECT_NEAR((window.Series->data()->constBegin() + 999)->value, 9.99, 1e-5);
    window.hide();
    window.show();
    EXPECT_EQ(window.RdfKind, 5);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString calls = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(calls.contains("getrdf rmax=10.000000 phase=1 function=5")) << calls.toStdString();
    ::unsetenv("KORALIX_TEST_ENGINE_LOG");
}

TEST(RdfWindow, WithoutAModelTheChartStaysEmpty) {
    TFormRDF window;
    window.show();
    window.ChooseKind(2);
    EXPECT_EQ(window.Series->data()->size(), 0);
}

TEST(RdfWindow, ShowsTheRefinedExamplesPairDistribution) {
    Started run(KORALIX_REAL_ENGINE);
    ASSERT_EQ(run.refine.State(), RefineState::Started);
    run.refine.StepRefinement();
    TFormRDF window;
    window.resize(800, 500);
    window.Model = &run.model;
    window.Refine = &run.refine;
    window.FillPhases(1);
    window.show();
    ASSERT_EQ(window.Series->data()->size(), 1000);
    // Nothing closer than the Al-O bond, about 1.86 A, blurred by its B.
    double below = 0, above = 0;
    for (auto it = window.Series->data()->constBegin(); it != window.Series->data()->constEnd(); ++it)
        (it->key < 1.4 ? below : above) = std::max(it->key < 1.4 ? below : above, it->value);
    EXPECT_LT(below, 1e-3);
    EXPECT_GT(above, 1);
    if (const char* shots = std::getenv("KORALIX_SCREENSHOTS"))
        window.grab().save(QString(shots) + "/rdf.png");
}

TEST(GraphWindow, ClosingForgetsTheSeriesCountButKeepsTheSeries) {
    TFormGraph window;
    EXPECT_EQ(window.windowTitle(), "Plot");
    window.show();
    window.Chart->addGraph();
    window.PlotSeriesCount = 1;
    window.close();
    EXPECT_EQ(window.PlotSeriesCount, 0);
    EXPECT_EQ(window.Chart->graphCount(), 1);
}

TEST(MainWindowResults, PlotRdfNeedsALoadedModelAndADriver) {
    class NoFiles : public FileChooser {
      public:
        QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
        QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    } files;
    QTemporaryDir folder;
    RecordingMessenger messenger;
    TFormKoralix form(std::make_unique<QSettings>(folder.filePath("k.ini"), QSettings::IniFormat),
                      messenger, files);
    EXPECT_TRUE(form.Action("actViewRDF")->isEnabled());
    EXPECT_FALSE(form.Action("actViewFourier")->isEnabled());
    form.Action("actViewRDF")->trigger();
    EXPECT_EQ(form.RdfForm, nullptr); // no model: nothing shown
    const QString input = folder.filePath("corundum.inp");
    QFile::copy(QString(KORALIX_EXAMPLES) + "/corundum.inp", input);
    form.ProcessFile(input);
    EXPECT_TRUE(form.Action("actViewFourier")->isEnabled());
    form.Driver();
    form.Action("actViewRDF")->trigger();
    ASSERT_NE(form.RdfForm, nullptr);
    EXPECT_TRUE(form.RdfForm->isVisible());
    EXPECT_EQ(form.RdfForm->PhaseList->count(), 1);
    EXPECT_EQ(form.RdfForm->PhaseList->currentText(), "Phase 1");
    form.RdfForm->hide();
}
