// Drawing a 50,000-point refinement in the pattern plot: building the series
// and replotting, as after every cycle.
#include "Messenger.h"
#include "PlotForm.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

koralix::TPlotData LargePattern() {
    koralix::TPlotData plot;
    plot.Kind = 4;
    plot.HistogramNumber = 1;
    plot.PointCount = 50000;
    plot.AllocatePlot(50000, 3000);
    for (int i = 0; i < 50000; ++i) {
        plot.X[i] = 5.0f + 0.0025f * i;
        plot.Y[i] =
            100.0f + 1000.0f * std::exp(-std::pow(std::fmod(plot.X[i], 3.0f) - 1.5f, 2.0f) * 50.0f);
        plot.YCalc[i] = plot.Y[i] * 0.98f;
    }
    plot.SetReflectionCount(3000);
    for (int r = 0; r < 3000; ++r) {
        plot.ReflCodes[r] = koralix::PackReflection(1 + r % 3, 1, r % 7, r % 5, r % 3);
        plot.ReflPositions[r] = 5.0f + 0.04f * r;
    }
    return plot;
}

void BM_PlotAndReplot50000Points(benchmark::State& state) {
    koralix::TSettings settings;
    koralix::RecordingMessenger messenger;
    koralix::TPlotForm form(settings, messenger);
    form.resize(1200, 800);
    koralix::TPlotData plot = LargePattern();
    koralix::TRietveld model;
    model.AddHistogram();
    form.Data = &plot;
    form.Model = &model;
    form.HistogramNumber = 1;
    form.Cycle = 1;
    for (auto _ : state) {
        form.Plot();
        form.Chart()->replot(QCustomPlot::rpImmediateRefresh);
    }
}
BENCHMARK(BM_PlotAndReplot50000Points)->Unit(benchmark::kMillisecond);

} // namespace
