// Presentation scaling against a plain memcpy of the same output bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "display/present_scaler.h"
#include "gfx/pixel.h"

namespace {
std::vector<uint16_t> sourceFrame() {
    std::vector<uint16_t> back(SCREEN_PIXELS);
    for (int i = 0; i < SCREEN_PIXELS; i++) back[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    return back;
}

void BM_Present(benchmark::State& state) {
    const int W = static_cast<int>(state.range(0)), H = static_cast<int>(state.range(1));
    const auto back = sourceFrame();
    std::vector<uint16_t> out(static_cast<size_t>(W) * H);
    PresentScaler scaler;
    scaler.setSize(SCREEN_WIDTH, SCREEN_HEIGHT, W, H);
    for (auto _ : state) {
        scaler.scale(back.data(), out.data(), W);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void BM_MemcpyWindow(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 2;
    std::vector<uint8_t> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}
}  // namespace

BENCHMARK(BM_Present)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_MemcpyWindow)->Args({640, 480})->Args({1920, 1080});
