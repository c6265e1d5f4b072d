// The feather scene's render with the logo at full opacity; compare with
// BM_FrameMemcpy of the same run. Run from the build directory (data/).
#include <benchmark/benchmark.h>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "scenes/feather_scene.h"
#include "scenes/reference/feather_reference.h"

namespace {

FeatherScene& sceneAt(uint32_t t) {
    static FeatherScene* scene = [] {
        Screen::instance();
        buildTrigTables();
        return new FeatherScene(FeatherScene::load());
    }();
    scene->update(t);
    return *scene;
}

// 30 s into the show: the feather crosses the logo, which is fully shown.
void BM_FeatherRender(benchmark::State& state) {
    FeatherScene& scene = sceneAt(30000);
    for (auto _ : state) {
        scene.render();
        benchmark::ClobberMemory();
    }
}

void BM_FeatherRenderReference(benchmark::State& state) {
    FeatherScene& scene = sceneAt(30000);
    for (auto _ : state) {
        renderFeatherReference(scene);
        benchmark::ClobberMemory();
    }
}

// During the dissolve the fade is a multiple of 256: still the fast path.
void BM_FeatherRenderDuringFade(benchmark::State& state) {
    FeatherScene& scene = sceneAt(16100);
    for (auto _ : state) {
        scene.render();
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_FeatherRender);
BENCHMARK(BM_FeatherRenderReference);
BENCHMARK(BM_FeatherRenderDuringFade);
