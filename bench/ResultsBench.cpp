// What the result windows ask of the engine after a refinement of the bundled
// corundum example: a 64^3 Fourier map, a radial distribution function to
// 10 A, and the bond geometry with esds.
#include "Engine.h"
#include "InputFile.h"
#include "Messenger.h"

#include <benchmark/benchmark.h>

#include <filesystem>

using namespace koralix;
using namespace koralix::engine;

namespace {

TEngine& Refined() {
    static TEngine engine;
    static bool started = false;
    if (!started) {
        TRietveld model;
        RecordingMessenger quiet;
        ReadInputFile(model, std::string(KORALIX_EXAMPLES) + "/corundum.inp", quiet);
        engine.StartModel(model, std::string(KORALIX_EXAMPLES) + "/corundum", "");
        bool finished = false;
        for (int c = 1; c <= 3; ++c)
            engine.Iterate(c, finished);
        started = true;
    }
    return engine;
}

void FourierMap(benchmark::State& state) {
    std::vector<double> rho;
    for (auto _ : state)
        benchmark::DoNotOptimize(Refined().FourierGrid(1, 1, static_cast<int>(state.range(0)), rho));
}
BENCHMARK(FourierMap)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

void PairDistribution(benchmark::State& state) {
    std::vector<double> g;
    for (auto _ : state)
        benchmark::DoNotOptimize(Refined().RadialDistribution(1, 1, 10.0, 0.01, g));
}
BENCHMARK(PairDistribution)->Unit(benchmark::kMillisecond);

void BondGeometry(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Refined().Geometry(1));
}
BENCHMARK(BondGeometry)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
