// The Fourier window's 3-D views, which need an OpenGL context: run under
// xvfb-run (Mesa's software renderer), never with the offscreen platform.
#include "FormPlotFourier.h"
#include "InputFile.h"
#include "Messenger.h"
#include "Refine.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QtDataVisualization/Q3DSurface>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace koralix;

TEST(FourierSurface, SurfaceStylesShowTheSlice) {
    ::setenv("KORALIX_TEST_ENGINE_SCRIPT", "", 1);
    RecordingMessenger messenger;
    TRietveld model;
    ReadInputFile(model, std::string(KORALIX_EXAMPLES) + "/corundum.inp", messenger);
    TRefine refine(messenger);
    QTemporaryDir folder;
    refine.Model = &model;
    refine.LibraryPath = KORALIX_FOURIER_ENGINE;
    refine.DataName = std::string(KORALIX_EXAMPLES) + "/corundum";
    refine.BaseName = folder.filePath("corundum").toStdString();
    refine.StartRefinement();
    ASSERT_EQ(refine.State(), RefineState::Started);

    TFormPlotFourier window(&model, &refine, messenger);
    window.resize(1100, 600);
    window.show();
    window.Calculate();
    ASSERT_TRUE(window.ReplotButton->isEnabled());
    window.SurfaceItems[0]->trigger(); // Solid Surface, beside the contour
    EXPECT_TRUE(window.ContourShown());
    EXPECT_TRUE(window.SurfaceShown());
    ASSERT_NE(window.Surface(), nullptr);
    QSurface3DSeries* series = window.Surface()->seriesList().at(0);
    EXPECT_EQ(series->dataProxy()->rowCount(), 64);
    EXPECT_EQ(series->dataProxy()->columnCount(), 64);
    EXPECT_EQ(series->drawMode(), QSurface3DSeries::DrawSurface);
    // The map runs cos(2 pi k / 64) along each row.
    EXPECT_NEAR(series->dataProxy()->itemAt(5, 0)->y(), 1.0, 1e-6);
    EXPECT_NEAR(series->dataProxy()->itemAt(5, 32)->y(), -1.0, 1e-6);
    EXPECT_NEAR(window.Surface()->axisY()->max(), 0.9, 1e-6);

    window.SurfaceItems[1]->trigger(); // Wireframe replaces the solid surface
    EXPECT_FALSE(window.SurfaceItems[0]->isChecked());
    EXPECT_EQ(series->drawMode(), QSurface3DSeries::DrawWireframe);
    window.DoubleCell->setChecked(true);
    window.Replot();
    EXPECT_EQ(series->dataProxy()->rowCount(), 128);
    window.ContourItem->trigger(); // the contour may go while a surface stays
    EXPECT_FALSE(window.ContourShown());
    window.SurfaceItems[1]->trigger(); // the last display stays
    EXPECT_TRUE(window.SurfaceItems[1]->isChecked());
    window.SurfaceItems[2]->trigger(); // DotFrame
    EXPECT_FALSE(window.SurfaceItems[1]->isChecked());
    QTest::qWait(300);
    if (const char* shots = std::getenv("KORALIX_SCREENSHOTS"))
        window.grab().save(QString(shots) + "/fourier-surface.png");
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
