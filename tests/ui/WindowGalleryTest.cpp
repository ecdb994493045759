// Pictures of the model dialogs, for looking at them as a user would: run
// with KORALIX_SCREENSHOTS=<folder> under a display with a window manager
// (xvfb-run -a with openbox); skipped otherwise.
#include "ConstraintForm.h"
#include "InputFile.h"
#include "Messenger.h"
#include "NewInputForm.h"
#include "PeakForm.h"
#include "PhDataForm.h"
#include "ScatterForm.h"
#include "SpectrumForm.h"

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
    RecordingMessenger messages;
    TRietveld model;
    ReadInputFile(model, std::string(KORALIX_EXAMPLES) + "/corundum.inp", messages);
    ASSERT_TRUE(model.Loaded);

    std::array<TInstrument, InstrumentCount> instruments;
    for (int i = 0; i < InstrumentCount; ++i) instruments[size_t(i)] = TInstrument::Unset(i + 1);
    instruments[0] = TInstrument::CuKa();
    TFormNewInput wizard(instruments);
    Snap(wizard, folder, "new-input");
    wizard.hide();

    TConstraintForm constraints(model, messages);
    constraints.show();
    constraints.DropOnMasters(constraints.ListBoxPhase, 0);
    constraints.ListBoxPhase->item(1)->setSelected(true);
    constraints.DropOnDependents(constraints.ListBoxPhase);
    Snap(constraints, folder, "constraints");
    constraints.hide();

    model.Histogram(1).Scatter.AddEntry();
    model.Histogram(1).Scatter.Items[0].Name = "AL+3";
    model.Histogram(1).Scatter.Items[0].Coeff = {4.17448f, 1.93816f, 3.3876f, 4.14553f, 1.20296f,
                                                 0.228753f, 0.528137f, 8.28524f, 0.706786f};
    TFormScatter scatter(model, 1, messages);
    Snap(scatter, folder, "scattering-factors");
    scatter.hide();

    TFormSpectrum spectrum(model, 1);
    Snap(spectrum, folder, "incident-spectrum");
    spectrum.hide();

    TFormPeak peak;
    const TSample& s = *model.FindSample(1, 1);
    TPeakShape shape{model.Histogram(1).Profile, s.U, s.V, s.W, s.Gam0, s.Gam1, s.Gam2};
    peak.SetCurves(WidthCurves(model.Histogram(1), shape), shape);
    peak.ShowProfileAt(35);
    Snap(peak, folder, "peak-width");
    peak.hide();

    QTemporaryDir dir;
    const QString phases = dir.filePath("Phases.db"), atoms = dir.filePath("Atoms.db");
    AddPhaseToDatabase(phases, atoms, DbPhaseFrom(model.Phase(1)), DbAtomsFrom(model.Phase(1)), messages);
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
