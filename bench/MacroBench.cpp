// Speed of the KoraBasic interpreter on loop-heavy macros, reported as
// instructions executed per second (functions included).
#include <benchmark/benchmark.h>

#include "SBasic.h"

namespace {

constexpr const char* kLoops = R"(INTEGER i, j, k
DOUBLE s
FOR i = 1 TO 300
  FOR j = 1 TO 300
    s = s + i * j / 7.0 - j
    k = k + (i AND 1)
  NEXT j
NEXT i
)";

constexpr const char* kRecursion = R"(FUNCTION FIB(BYVAL n AS INTEGER) AS INTEGER
  IF n < 2 THEN
    FIB = n
  ELSE
    FIB = FIB(n - 1) + FIB(n - 2)
  END IF
END FUNCTION
INTEGER k
k = FIB(16)
)";

constexpr const char* kMixed = R"(FUNCTION FIB(BYVAL n AS INTEGER) AS INTEGER
  IF n < 2 THEN
    FIB = n
  ELSE
    FIB = FIB(n - 1) + FIB(n - 2)
  END IF
END FUNCTION
INTEGER i, j, k
DOUBLE s
FOR i = 1 TO 300
  FOR j = 1 TO 300
    s = s + i * j / 7.0 - j
    k = k + (i AND 1)
  NEXT j
NEXT i
k = FIB(14)
)";

void RunMacro(benchmark::State& state, const char* source) {
    koralix::macro::TSBasic basic;
    basic.Max_Count = 100000;
    basic.Max_Dimension = 10000;
    basic.SetSourceText(source);
    if (basic.Compile() != 0) {
        state.SkipWithError(basic.MessageText().c_str());
        return;
    }
    int64_t steps = 0;
    for (auto _ : state) {
        if (basic.Run() != 0) {
            state.SkipWithError(basic.MessageText().c_str());
            return;
        }
        steps += basic.LastStepCount();
    }
    state.counters["instructions/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.counters["instructions/run"] = static_cast<double>(basic.LastStepCount());
}

void BM_NestedLoops(benchmark::State& state) {
    RunMacro(state, kLoops);
}
void BM_RecursiveFunction(benchmark::State& state) {
    RunMacro(state, kRecursion);
}
void BM_LoopsAndRecursion(benchmark::State& state) {
    RunMacro(state, kMixed);
}

} // namespace

BENCHMARK(BM_NestedLoops)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecursiveFunction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoopsAndRecursion)->Unit(benchmark::kMillisecond);
