// Pictures of the model dialogs, for looking at them as a user would: run
// with KORALIX_SCREENSHOTS=<folder> under a display with a window manager
// (xvfb-run -a with openbox); skipped otherwise.
#include "ConstraintForm.h"
#include "HistogramForm.h"
#include "NewInputForm.h"
#include "PeakForm.h"
#include "PhDataForm.h"
#include "SampleForm.h"
#include "ScatterCommands.h"
#include "ScatterForm.h"
#include "SpectrumForm.h"
#include "UiTestSupport.h"
#include "Workspace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace koralix;
using namespace koralix::testing;

namespace {

void Snap(QWidget& window, const QString& folder, const QString& name) {
    window.show();
    window.raise();
    window.activateWindow();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTest::qWait(25);
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect frame = window.frameGeometry();
    screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .save(QDir(folder).filePath(name + ".png"));
}

} // namespace

TEST(WindowGallery, Pictures) {
    const QString folder = qEnvironmentVariable("KORALIX_SCREENSHOTS");
    if (folder.isEmpty() || QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "set KORALIX_SCREENSHOTS and run under a display";
    QDir().mkpath(folder);
    QTemporaryDir work;
    RecordingMessenger messages;
    ScriptedFileChooser files;
    auto bench = MakeWorkbench(work, messages, files);
    bench->show();
    bench->ProcessFile(CopyInto(work, QString(KORALIX_EXAMPLES) + "/corundum.inp", "corundum.inp"));
    TRietveld& model = bench->Model();
    ASSERT_TRUE(model.Loaded);
    model.Parameters.SetRefined({1, 1, 0, 5}, true);
    model.Parameters.SetRefined({0, 1, 1, 4}, true);
    model.Parameters.SetRefined({0, 1, 2, 4}, true);

    bench->Action("actNew")->trigger();
    auto* wizard = qobject_cast<TFormNewInput*>(bench->WindowOf("actNew"));
    ASSERT_NE(wizard, nullptr);
    Snap(*wizard, folder, "new-input");
    wizard->reject();

    bench->Action("actConstraints")->trigger();
    auto* constraints = qobject_cast<TConstraintForm*>(bench->WindowOf("actConstraints"));
    ASSERT_NE(constraints, nullptr);
    constraints->DropOnMasters(constraints->ListBoxPhase, 0);
    constraints->ListBoxPhase->item(1)->setSelected(true);
    constraints->DropOnDependents(constraints->ListBoxPhase);
    Snap(*constraints, folder, "constraints");
    constraints->Cancel();

    bench->Action("actSample")->trigger();
    auto* sample = qobject_cast<TFormSample*>(bench->WindowOf("actSample"));
    ASSERT_NE(sample, nullptr);
    Snap(*sample, folder, "sample");
    sample->PlotFwhm();
    sample->Peak()->ShowProfileAt(35);
    Snap(*sample->Peak(), folder, "peak-width");
    sample->Peak()->hide();
    sample->Cancel();

    model.Histogram(1).Scatter.AddEntry();
    model.Histogram(1).Scatter.Items[0].Name = "AL+3";
    model.Histogram(1).Scatter.Items[0].Coeff = {4.17448f,  1.93816f,  3.3876f,  4.14553f, 1.20296f,
                                                 0.228753f, 0.528137f, 8.28524f, 0.706786f};
    bench->Action("actHistograms")->trigger();
    auto* histograms = qobject_cast<THistogramForm*>(bench->WindowOf("actHistograms"));
    ASSERT_NE(histograms, nullptr);
    Snap(*histograms, folder, "histograms");
    TFormScatter* scatter = OpenScatterEditor(*histograms);
    ASSERT_NE(scatter, nullptr);
    Snap(*scatter, folder, "scattering-factors");
    scatter->Cancel();
    model.Histogram(1).JobType = 4;
    model.Histogram(1).ThetaMin = 1000;
    model.Histogram(1).ThetaMax = 20000;
    model.Histogram(1).Spectrum.Coeff = {0.5f, 80, 3, 2, 0.1f, 0, 0, 0, 0};
    TFormSpectrum* spectrum = OpenSpectrumEditor(*histograms);
    ASSERT_NE(spectrum, nullptr);
    Snap(*spectrum, folder, "incident-spectrum");
    spectrum->Cancel();
    histograms->Cancel();

    QTemporaryDir dir;
    const QString phases = dir.filePath("Phases.db"), atoms = dir.filePath("Atoms.db");
    AddPhaseToDatabase(phases, atoms, DbPhaseFrom(model.Phase(1)), DbAtomsFrom(model.Phase(1)),
                       messages);
    TPhase quartz;
    quartz.Name = "Alpha quartz";
    quartz.SpaceGroup = "P 32 2 1";
    quartz.A = quartz.B = 4.913f;
    quartz.C = 5.405f;
    quartz.Gamma = 120;
    AddPhaseToDatabase(phases, atoms, DbPhaseFrom(quartz), {}, messages);
    TPhase target;
    SelectPhaseFromDatabase(phases, atoms, target, messages, nullptr, [&](TPhDataForm& form) {
        form.Find("Corundum");
        Snap(form, folder, "phase-database");
        return int(QDialog::Rejected);
    });
}
