// One least-squares cycle of the engine on a synthetic three-phase X-ray
// pattern (10,000 points, about 1,500 reflections, 60 refined parameters),
// on a pattern the size of the PbSO4 round-robin refinement with each
// asymmetric profile and as time of flight; and a start of the three-phase
// model beside the refusal of the same model with runaway peak widths.
// KORALIX_THREADS sets the engine's thread count.
#include "Engine.h"
#include "NumberFormat.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>

using namespace koralix;
using namespace koralix::engine;

namespace {

struct TSiteSpec {
    const char* label;
    const char* type;
    float x, y, z, b, n;
    bool refineY;
};

void AddPhase(TRietveld& m, const char* name, const char* symbol, std::array<float, 6> cell,
              float scale, const std::vector<TSiteSpec>& sites) {
    m.AddPhase();
    TPhase& p = m.Phases.back();
    p.Name = name;
    p.SpaceGroup = symbol;
    p.A = cell[0];
    p.B = cell[1];
    p.C = cell[2];
    p.Alpha = cell[3];
    p.Beta = cell[4];
    p.Gamma = cell[5];
    p.Scale = scale;
    for (const TSiteSpec& s : sites) {
        TAtom a;
        a.Label = s.label;
        a.AtomType = s.type;
        a.X = s.x;
        a.Y = s.y;
        a.Z = s.z;
        a.B = s.b;
        a.N = s.n;
        p.AddAtom(a);
    }
}

TRietveld ThreePhaseModel() {
    TRietveld m;
    m.Title = "Three-phase benchmark";
    m.DataFormat = 5;
    m.Cycles = 100;
    m.Eps = 0;
    m.AddHistogram();
    THistogram& h = m.Histograms[0];
    h.JobType = 0;
    h.Profile = 4;
    h.ThetaMin = 10;
    h.ThetaMax = 149.99f;
    h.ThetaStep = 0.014f;
    h.Wave1 = 1.5406f;
    h.Wave2 = 1.5444f;
    h.Ratio = 0.5f;
    h.Polarization = 1;
    h.Background.Coeff = {300, -4, 0.02f, 0, 0, 0};
    AddPhase(m, "PbSO4", "P n m a", {8.478f, 5.396f, 6.957f, 90, 90, 90}, 0.02f,
             {{"PB", "PB", 0.188f, 0.25f, 0.167f, 1.4f, 0.5f, false},
              {"S", "S", 0.063f, 0.25f, 0.684f, 0.5f, 0.5f, false},
              {"O1", "O", 0.908f, 0.25f, 0.595f, 1.9f, 0.5f, false},
              {"O2", "O", 0.194f, 0.25f, 0.543f, 1.5f, 0.5f, false},
              {"O3", "O", 0.081f, 0.027f, 0.809f, 1.3f, 1, true}});
    AddPhase(m, "Triclinic, ZrO2-like", "P -1", {5.1505f, 5.2116f, 9.2173f, 90.4f, 99.23f, 90.2f},
             0.05f,
             {{"ZR", "ZR", 0.2754f, 0.0395f, 0.2083f, 0.3f, 1, true},
              {"O1", "O", 0.0700f, 0.3317f, 0.3447f, 0.5f, 1, true},
              {"O2", "O", 0.4496f, 0.7569f, 0.4792f, 0.5f, 1, true}});
    AddPhase(m, "Corundum", "R -3 c", {4.7589f, 4.7589f, 12.991f, 90, 90, 120}, 0.1f,
             {{"AL", "AL", 0, 0, 0.35216f, 0.19f, 0.33333f, false},
              {"O", "O", 0.30624f, 0, 0.25f, 0.33f, 0.5f, false}});
    for (TSample& s : m.Samples) {
        s.U = 0.01f;
        s.V = -0.005f;
        s.W = 0.004f;
        s.Gam0 = 0.4f;
        s.Asym1 = 0.02f;
    }
    int code = 0;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    refine({1, 0, 0, 1});
    for (int k = 2; k <= 7; ++k)
        refine({1, 0, 0, k});
    for (int p = 1; p <= 3; ++p) {
        refine({0, p, 0, 1});
        refine({0, p, 0, 6});
        if (p != 3) refine({0, p, 0, 7});
        refine({0, p, 0, 8});
        if (p == 2) refine({0, p, 0, 10});
        for (int t : {3, 4, 5, 15})
            refine({1, p, 0, t});
        const TPhase& phase = m.Phases[size_t(p - 1)];
        for (int a = 1; a <= phase.AtomCount() && code < 60; ++a) {
            refine({0, p, a, 1});
            refine({0, p, a, 3});
            refine({0, p, a, 4});
        }
    }
    while (code < 60)
        refine({0, 2, 1 + code % 3, 2});
    m.CodeCount = code;
    m.Loaded = true;
    return m;
}

// The size of the PbSO4 round-robin X-ray refinement: one phase, 6001 points
// from 10 to 160 degrees, 384 reflections, 32 refined parameters.
TRietveld PbSO4SizedModel() {
    TRietveld m = ThreePhaseModel();
    m.DeletePhase(3);
    m.DeletePhase(2);
    THistogram& h = m.Histograms[0];
    h.ThetaMin = 10;
    h.ThetaMax = 160;
    h.ThetaStep = 0.025f;
    h.Profile = 5;
    m.Samples[0].Gam0 = 0.02f;
    m.Samples[0].Gam1 = 0.03f;
    m.Parameters.Clear();
    int code = 0;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    refine({1, 0, 0, 1});
    for (int k = 2; k <= 7; ++k)
        refine({1, 0, 0, k});
    refine({0, 1, 0, 1});
    for (int k = 6; k <= 8; ++k)
        refine({0, 1, 0, k});
    for (int t : {3, 4, 5, 15, 16})
        refine({1, 1, 0, t});
    for (int a = 1; a <= 5; ++a)
        for (int t : {1, 3, 4})
            refine({0, 1, a, t});
    refine({0, 1, 5, 2});
    m.CodeCount = code;
    return m;
}

// The PbSO4-sized refinement as neutron time of flight: the same d-spacings
// (0.78 to 8.8 Angstrom) and so the same reflections over the same 6001
// points, DIFC 5000, back-to-back exponentials with a pseudo-Voigt, the
// same parameters plus the exponentials' rise and decay.
TRietveld PbSO4SizedTofModel() {
    TRietveld m = PbSO4SizedModel();
    // Rise, decay and widths are correlated: Marquardt's damping as a user
    // would choose it for time of flight.
    m.Strategy = 2;
    THistogram& h = m.Histograms[0];
    h.JobType = 4;
    h.Profile = 7;
    h.ThetaMin = 3900;
    h.ThetaMax = 44200;
    h.ThetaStep = (h.ThetaMax - h.ThetaMin) / 6000;
    h.Wave1 = 5000;
    h.Wave2 = -1.5f;
    h.Zero = 5;
    h.Ratio = 0;
    h.Background.Coeff = {300, -0.005f, 0, 0, 0, 0};
    TSample& s = m.Samples[0];
    s.U = 4;
    s.V = 30;
    s.W = 0.5f;
    s.Gam0 = 3;
    s.Gam1 = 2;
    s.Asym1 = 0;
    s.TofAlpha2 = 0.6f;
    s.TofBeta1 = 0.03f;
    s.TofBeta2 = 0.005f;
    for (int t : {22, 23}) // alpha-2, beta-1
        m.Parameters.AddFree({1, 1, 0, t}, static_cast<float>(10 * ++m.CodeCount + 1));
    return m;
}

// Writes a noisy pattern computed from `model` as the observed data of `stem`.
bool SimulateData(const TRietveld& model, const std::string& stem) {
    TRietveld calc = model;
    calc.Histograms[0].JobType = calc.Histograms[0].IsTof() ? 5 : 2;
    TEngine engine;
    if (engine.StartModel(calc, "", "") != 0) return false;
    std::mt19937 random(7);
    std::string text = "Simulated pattern\n";
    const auto& x = engine.Data(1).X;
    const auto& y = engine.Calculated(1);
    for (size_t i = 0; i < x.size(); ++i) {
        std::poisson_distribution<long> counts(std::max(y[i], 1e-3));
        text += FixedText(x[i], 4) + " " + std::to_string(counts(random)) + "\n";
    }
    std::ofstream(stem + ".xy", std::ios::binary) << text;
    return true;
}

// Times full least-squares cycles. A refinement that has finished returns
// from Iterate at once, so it is started again, outside the timing, and
// every timed iteration is a real cycle.
void TimeCycles(benchmark::State& bench, TRietveld model, const char* stemName) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "koralix_engine_bench";
    std::filesystem::create_directories(folder);
    const std::string stem = (folder / stemName).string();
    if (!SimulateData(model, stem)) {
        bench.SkipWithError("calculation failed");
        return;
    }
    model.Phases[0].A *= 1.0002f;
    auto engine = std::make_unique<TEngine>();
    if (engine->StartModel(model, stem, "") != 0) {
        bench.SkipWithError("start failed");
        return;
    }
    size_t reflections = 0;
    for (const auto& r : engine->PlotReflections(1))
        reflections += (r.Code >> 24 & 3) == 1;
    const double points = static_cast<double>(engine->Data(1).X.size());
    const double parameters = static_cast<double>(engine->Variables().size());
    int cycle = 0, restarts = 0;
    for (auto _ : bench) {
        bool finished = false;
        if (const int status = engine->Iterate(++cycle, finished); status != 0) {
            bench.SkipWithError(("cycle failed with status " + std::to_string(status)).c_str());
            return;
        }
        if (finished) {
            bench.PauseTiming();
            engine = std::make_unique<TEngine>();
            cycle = 0;
            ++restarts;
            const bool started = engine->StartModel(model, stem, "") == 0;
            bench.ResumeTiming();
            if (!started) {
                bench.SkipWithError("restart failed");
                return;
            }
        }
    }
    bench.counters["points"] = points;
    bench.counters["reflections"] = static_cast<double>(reflections);
    bench.counters["parameters"] = parameters;
    bench.counters["restarts"] = restarts;
    std::filesystem::remove_all(folder);
}

void OneCycle(benchmark::State& bench) {
    TimeCycles(bench, ThreePhaseModel(), "three");
}
BENCHMARK(OneCycle)->Unit(benchmark::kMillisecond)->UseRealTime();

// The PbSO4-sized refinement with the profile given as the argument: 4 and 5
// with Howard asymmetry, 6 with Finger-Cox-Jephcoat asymmetry.
void PbSO4SizedCycle(benchmark::State& bench) {
    TRietveld model = PbSO4SizedModel();
    model.Histograms[0].Profile = static_cast<int>(bench.range(0));
    if (model.Histograms[0].Profile == 6) {
        model.Samples[0].Asym1 = 0.02f;
        model.Samples[0].Asym2 = 0.015f;
    }
    TimeCycles(bench, model, "pbso4");
}
BENCHMARK(PbSO4SizedCycle)
    ->ArgName("profile")
    ->Arg(4)
    ->Arg(5)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The same refinement as time of flight, to set beside profile 5 above.
void PbSO4SizedTofCycle(benchmark::State& bench) {
    TimeCycles(bench, PbSO4SizedTofModel(), "pbso4tof");
}
BENCHMARK(PbSO4SizedTofCycle)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Times starts of the three-phase model against simulated data, with the
// sample records changed by `change`; `expected` is the status each start must give.
void TimeStarts(benchmark::State& bench, const std::function<void(TSample&)>& change,
                int expected) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "koralix_engine_bench";
    std::filesystem::create_directories(folder);
    const std::string stem = (folder / "starts").string();
    TRietveld model = ThreePhaseModel();
    if (!SimulateData(model, stem)) {
        bench.SkipWithError("calculation failed");
        return;
    }
    for (TSample& s : model.Samples)
        change(s);
    for (auto _ : bench) {
        TEngine engine;
        if (engine.StartModel(model, stem, "") != expected) {
            bench.SkipWithError("unexpected start status");
            return;
        }
    }
    std::filesystem::remove_all(folder);
}

// An ordinary start: data, reflections, site symmetry and the first pattern.
void ThreePhaseStart(benchmark::State& bench) {
    TimeStarts(
        bench, [](TSample&) {}, Status::Ok);
}
BENCHMARK(ThreePhaseStart)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runaway peak widths (U = 708000, an FWHM of hundreds of degrees), as a
// fuzzer found them: such a refinement is refused at its start, before any
// peak is drawn, so the time to that refusal is what is measured; it should
// stay below an ordinary start's.
void RunawayWidthsStart(benchmark::State& bench) {
    TimeStarts(
        bench, [](TSample& s) { s.U = 708000; }, Status::Unstable);
}
BENCHMARK(RunawayWidthsStart)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
