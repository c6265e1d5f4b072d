// Start-up cost of the trigonometry tables.
#include <benchmark/benchmark.h>

#include "engine/trig_tables.h"

namespace {
void BM_BuildTrigTables(benchmark::State& state) {
    for (auto _ : state) {
        buildTrigTables();
        benchmark::DoNotOptimize(sineTable[12345]);
    }
}
}  // namespace

BENCHMARK(BM_BuildTrigTables)->Unit(benchmark::kMicrosecond);
