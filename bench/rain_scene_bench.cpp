// The rain's refraction with all 50 drops on the window, over the backdrop's
// picture; compare with BM_FrameMemcpy of the same run. Loads the generated
// pictures from the build directory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "display/screen.h"
#include "gfx/image.h"
#include "scenes/backdrop_scene.h"
#include "scenes/rain_scene.h"

namespace {

void BM_RainRender50Drops(benchmark::State& state) {
    if (chdir(AMBRELLE_DATA_DIR "/..") != 0) {
        state.SkipWithError("no data directory");
        return;
    }
    Screen::instance();
    BackdropScene backdrop{BackdropScene::load()};
    RainScene rain{RainScene::load()};
    // Spread over the window the way the simulation spreads them: every age,
    // every speed, some near the bottom edge.
    for (int k = 0; k < RainScene::DROP_COUNT; k++) {
        rain.dropActive[k] = true;
        rain.dropX[k] = (k * 97) % 280;
        rain.dropY[k] = (k * 61) % 230;
        rain.dropAge[k] = k % 8;
        rain.dropSpeed[k] = 1 + k % 4;
    }
    backdrop.render();
    // Refracting its own output costs the same as refracting a fresh frame.
    for (auto _ : state) {
        rain.render();
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_RainRender50Drops);
