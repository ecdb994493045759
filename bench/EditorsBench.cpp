// Opening the phase editor on a phase of 200 atoms and the histogram editor on
// a model of 10 histograms, and switching their tabs: a user expects these to
// take well under half a second.
#include "FileChooser.h"
#include "HistogramForm.h"
#include "ModelEdits.h"
#include "PhaseForm.h"
#include "Workspace.h"

#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace koralix;

class NoFiles : public FileChooser {
  public:
    QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

struct LargeModel {
    QTemporaryDir folder;
    RecordingMessenger messenger;
    TWorkspace work{
        std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat),
        messenger};
    NoFiles files;

    LargeModel() {
        work.ReadModel(QString(KORALIX_EXAMPLES) + "/corundum.inp");
        TRietveld& m = work.Model();
        m.AddPhase();
        m.Phase(2).SpaceGroup = "P 21/C";
        for (int a = 1; a <= 200; ++a) {
            TAtom atom;
            atom.X = 0.001f * static_cast<float>(a);
            atom.Y = 0.25f;
            atom.Z = 0.002f * static_cast<float>(a);
            InsertAtom(m, 2, a, atom);
            m.Parameters.SetRefined({0, 2, a, 1 + a % 5}, true);
        }
        while (m.HistogramCount() < 10)
            m.AddHistogram();
    }
};

void BM_PhaseEditorShowsAndSwitchesTo200Atoms(benchmark::State& state) {
    LargeModel model;
    TPhaseForm form(model.work, model.files);
    for (auto _ : state) {
        form.show();
        form.PhaseTabs->setCurrentIndex(1);
        form.PhaseTabs->setCurrentIndex(0);
        form.hide();
    }
}
BENCHMARK(BM_PhaseEditorShowsAndSwitchesTo200Atoms)->Unit(benchmark::kMillisecond);

void BM_HistogramEditorShowsAndVisitsTenTabs(benchmark::State& state) {
    LargeModel model;
    THistogramForm form(model.work);
    for (auto _ : state) {
        form.show();
        for (int h = 1; h < 10; ++h)
            form.HistogramTabs->setCurrentIndex(h);
        form.hide();
    }
}
BENCHMARK(BM_HistogramEditorShowsAndVisitsTenTabs)->Unit(benchmark::kMillisecond);

} // namespace
