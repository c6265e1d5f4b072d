// The yardstick every frame benchmark is read against: a memcpy of one
// 320 x 240 RGB565 frame (153600 bytes), in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "gfx/pixel.h"

namespace {
void BM_FrameMemcpy(benchmark::State& state) {
    std::vector<uint16_t> from(SCREEN_PIXELS), to(SCREEN_PIXELS);
    for (int i = 0; i < SCREEN_PIXELS; i++) from[i] = static_cast<uint16_t>((i * 2654435761u >> 16) & 0x7BEF);
    for (auto _ : state) {
        memcpy(to.data(), from.data(), SCREEN_PIXELS * sizeof(uint16_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * SCREEN_PIXELS * static_cast<int64_t>(sizeof(uint16_t)));
}
BENCHMARK(BM_FrameMemcpy);
}  // namespace
