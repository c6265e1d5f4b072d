// The biplane scene's whole frame (update and render) and its sky pass alone,
// fast and plain, at four show times, with the generated pictures and mesh;
// BM_FrameMemcpy is the yardstick of the same run (one 153600-byte
// frame copy). The xMemcpy counter gives each wall time in frame copies,
// against a copy timed when the scene is first set up. Budget: the frame
// at most 30 copies.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/pixel.h"
#include "scenes/biplane_scene.h"
#include "scenes/reference/biplane_reference.h"

namespace {

// Seconds per frame copy: the best of several timed batches.
double memcpySeconds() {
    std::vector<uint16_t> from(SCREEN_PIXELS, 0x1234), to(SCREEN_PIXELS);
    double best = 1e9;
    for (int batch = 0; batch < 20; batch++) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 200; i++) {
            memcpy(to.data(), from.data(), SCREEN_PIXELS * sizeof(uint16_t));
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 200;
        if (s < best) best = s;
    }
    return best;
}

struct Stage {
    BiplaneScene* scene = nullptr;
    double copySeconds = 0;
};

Stage& stage() {
    static Stage s = [] {
        Stage made;
        if (chdir(AMBRELLE_DATA_DIR "/..") != 0) return made;
        Screen::instance()->startSkippingCleanDepth();  // as the show runs
        buildTrigTables();
        made.scene = new BiplaneScene(BiplaneScene::load());
        made.copySeconds = memcpySeconds();
        return made;
    }();
    return s;
}

using Clock = std::chrono::steady_clock;

// Wall time per iteration since start, in frame copies.
void reportCopies(benchmark::State& state, double copySeconds, Clock::time_point start) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (state.iterations() > 0 && copySeconds > 0)
        state.counters["xMemcpy"] = seconds / static_cast<double>(state.iterations()) / copySeconds;
}

void BM_BiplaneFrame(benchmark::State& state) {
    Stage& s = stage();
    if (!s.scene) return state.SkipWithError("no generated data");
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        s.scene->update(t);
        s.scene->render();
        benchmark::ClobberMemory();
    }
    reportCopies(state, s.copySeconds, start);
}

void BM_BiplaneFrameReference(benchmark::State& state) {
    Stage& s = stage();
    if (!s.scene) return state.SkipWithError("no generated data");
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        s.scene->update(t);
        renderBiplaneReference(*s.scene);
        benchmark::ClobberMemory();
    }
    reportCopies(state, s.copySeconds, start);
}

// The sky pass alone over the frame's plane (drawn once before timing).
void BM_BiplaneSky(benchmark::State& state) {
    Stage& s = stage();
    if (!s.scene) return state.SkipWithError("no generated data");
    s.scene->update(static_cast<uint32_t>(state.range(0)));
    s.scene->render();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        s.scene->renderSky();
        benchmark::ClobberMemory();
    }
    reportCopies(state, s.copySeconds, start);
}

void BM_BiplaneSkyReference(benchmark::State& state) {
    Stage& s = stage();
    if (!s.scene) return state.SkipWithError("no generated data");
    s.scene->update(static_cast<uint32_t>(state.range(0)));
    s.scene->render();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        renderBiplaneSkyReference(*s.scene);
        benchmark::ClobberMemory();
    }
    reportCopies(state, s.copySeconds, start);
}

}  // namespace

// Layer scales: 90000 -> (90000, 60000, 30000); 95000 -> (20000, 80000,
// 50000); 100000 -> (40000, 10000, 70000); 131000 -> (38000, 8000, 68000).
// Scales above 65536 fetch a new texture row on every screen row.
#define BIPLANE_TIMES ->Arg(90000)->Arg(95000)->Arg(100000)->Arg(131000)
BENCHMARK(BM_BiplaneFrame) BIPLANE_TIMES;
BENCHMARK(BM_BiplaneFrameReference) BIPLANE_TIMES;
BENCHMARK(BM_BiplaneSky) BIPLANE_TIMES;
BENCHMARK(BM_BiplaneSkyReference) BIPLANE_TIMES;
