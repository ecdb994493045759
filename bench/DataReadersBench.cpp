// Reading the largest patterns a data file may hold: 50000 points as .xy
// and as ZKRM .dat, generated into a temporary folder.
#include "Messenger.h"
#include "PlotData.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

class SilentMessenger : public koralix::Messenger {
  public:
    void Message(const std::string&) override {}
    koralix::Answer Ask(const std::string&) override { return koralix::Answer::No; }
};

std::filesystem::path Folder() {
    static const auto folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("koralix-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// An intensity that looks like counts: a slow background with some peaks.
int Counts(int n) {
    return 200 + (n * 7919) % 997 + ((n % 500) < 5 ? 20000 : 0);
}

std::string XyFile() {
    const auto path = Folder() / "large.xy";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path);
        out << "50000 generated points\n";
        for (int n = 0; n < koralix::MaxDataPoints; ++n) {
            const int milli = 10000 + 2 * n; // 10.000, 10.002, ...
            const std::string decimals = std::to_string(1000 + milli % 1000).substr(1);
            out << milli / 1000 << '.' << decimals << ' ' << Counts(n) << ".5\n";
        }
    }
    return path.string();
}

std::string DatFile() {
    const auto path = Folder() / "large.dat";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path);
        out << "10.0 0.002 109.998 50000 generated points\n";
        for (int n = 0; n < koralix::MaxDataPoints; ++n) {
            const std::string y = std::to_string(Counts(n));
            out << std::string(8 - y.size(), ' ') << y << (n % 10 == 9 ? "\n" : "");
        }
    }
    return path.string();
}

void Read(benchmark::State& state, const std::string& path, int type) {
    SilentMessenger messenger;
    koralix::TData data;
    for (auto _ : state) {
        data.ReadDataFile(path, 1, type, messenger);
        benchmark::DoNotOptimize(data.Y.data());
    }
    if (data.PointCount != koralix::MaxDataPoints) state.SkipWithError("not all points read");
    state.SetItemsProcessed(state.iterations() * data.PointCount);
}

void BM_ReadXy50000(benchmark::State& state) {
    Read(state, XyFile(), koralix::XyFileType);
}
void BM_ReadDat50000(benchmark::State& state) {
    Read(state, DatFile(), koralix::DatFileType);
}

BENCHMARK(BM_ReadXy50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDat50000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
