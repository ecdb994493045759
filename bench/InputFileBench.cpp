// Reading and writing input files: a model of many atoms and histograms.
#include "InputFile.h"
#include "Messenger.h"

#include <benchmark/benchmark.h>

namespace {

koralix::TRietveld LargeModel() {
    koralix::TRietveld m;
    for (int h = 0; h < 4; ++h) m.AddHistogram();
    for (int p = 0; p < 3; ++p) {
        m.AddPhase();
        for (int a = 0; a < 200; ++a) {
            koralix::TAtom atom;
            atom.X = 0.001f * a;
            m.Phases.back().AddAtom(atom);
            m.Parameters.AddFree({0, p + 1, a + 1, 1}, 11);
        }
    }
    return m;
}

void BM_WriteInputFile(benchmark::State& state) {
    koralix::TRietveld m = LargeModel();
    for (auto _ : state) benchmark::DoNotOptimize(koralix::InputFileText(m));
}
BENCHMARK(BM_WriteInputFile);

void BM_ReadInputFile(benchmark::State& state) {
    koralix::TRietveld m = LargeModel();
    const std::string text = koralix::InputFileText(m);
    for (auto _ : state) {
        koralix::TRietveld model;
        koralix::RecordingMessenger messenger;
        koralix::ReadInputText(model, text, messenger);
        benchmark::DoNotOptimize(model.Loaded);
    }
}
BENCHMARK(BM_ReadInputFile);

} // namespace

BENCHMARK_MAIN();
