// The cave scene's frame (update and render) with the show's pictures and
// mesh: during a greeting, and during a greeting with the plane's pass;
// compare with BM_FrameMemcpy of the same run (budget: 15 frame copies).
// Also the plain render and the waterfall alone, fast and plain.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "scenes/cave_scene.h"
#include "scenes/reference/cave_reference.h"

namespace {

CaveScene& caveScene() {
    static CaveScene* scene = [] {
        buildTrigTables();
        Screen::instance()->startSkippingCleanDepth();  // as the show runs
        if (chdir(AMBRELLE_DATA_DIR "/..") != 0) return static_cast<CaveScene*>(nullptr);
        return new CaveScene(CaveScene::load());
    }();
    return *scene;
}

// 150000 ms: the third name, nine letters, fall 31 (before they break
// apart, so repeated updates keep the frame the same). 178000 ms: the last
// name, three letters, and the plane.
void BM_CaveFrame(benchmark::State& state) {
    CaveScene& scene = caveScene();
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        scene.update(t);
        scene.render();
        benchmark::ClobberMemory();
    }
    state.counters["letters"] =
        scene.currentGreeting < 10 ? static_cast<double>(strlen(scene.greetings[scene.currentGreeting])) : 0;
    state.counters["plane"] = scene.planeVisible;
}
BENCHMARK(BM_CaveFrame)->Arg(139000)->Arg(150000)->Arg(175400)->Arg(178000);

// The frames of the plane's pass one after another, 33 ms apart, as the show
// draws them (a repeated frame lets the processor learn its spans).
void BM_CavePlaneFramesInSequence(benchmark::State& state) {
    CaveScene& scene = caveScene();
    constexpr uint32_t FIRST = 175351, LAST = 183100;
    uint32_t t = FIRST;
    for (auto _ : state) {
        t = t + 33 > LAST ? FIRST : t + 33;
        scene.update(t);
        scene.render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CavePlaneFramesInSequence);

// The worst pictures the scene accepts: every strip pixel has a non-zero
// opacity (mostly translucent), and the layers are noise, so about half the
// strip is lit. The show's font and mesh.
CaveScene& fullWaterScene() {
    static CaveScene* scene = [] {
        caveScene();
        CaveScene::Assets a = CaveScene::load();
        uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        for (int i = 0; i < SCREEN_PIXELS; i++) a.background->pixels[i] = static_cast<uint16_t>(next());
        for (Image* layer : a.waterfallLayers)
            for (int i = 0; i < layer->pixelCount; i++) layer->pixels[i] = static_cast<uint16_t>(next() % 64 << 5);
        for (int i = 0; i < a.waterfallPalette->pixelCount; i++)
            a.waterfallPalette->pixels[i] = static_cast<uint16_t>(next());
        for (int i = 0; i < a.waterfallAlpha->pixelCount; i++)
            a.waterfallAlpha->pixels[i] = static_cast<uint16_t>((1 + next() % 63) << 5);
        return new CaveScene(a);
    }();
    return *scene;
}

void BM_CaveFrameFullWater(benchmark::State& state) {
    CaveScene& scene = fullWaterScene();
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        scene.update(t);
        scene.render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CaveFrameFullWater)->Arg(139000)->Arg(150000)->Arg(175400)->Arg(178000);

// The same with the portable waterfall loop (AVX2 gathers or baseline),
// as on processors without AVX-512BW.
void BM_CaveFramePortable(benchmark::State& state) {
    CaveScene& scene = caveScene();
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    const bool wide = scene.wideWaterfall;
    scene.wideWaterfall = false;
    for (auto _ : state) {
        scene.update(t);
        scene.render();
        benchmark::ClobberMemory();
    }
    scene.wideWaterfall = wide;
}
BENCHMARK(BM_CaveFramePortable)->Arg(139000)->Arg(150000)->Arg(175400)->Arg(178000);

// The plane's part of a frame alone: pose, depth clear, draw.
void BM_CavePlanePass(benchmark::State& state) {
    CaveScene& scene = caveScene();
    Screen& screen = *Screen::instance();
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        CaveScene::posePlane(*scene.plane, *screen.camera, t);
        screen.clearDepth(CaveScene::PLANE_CLEAR_DEPTH);
        scene.plane->render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CavePlanePass)->Arg(175400)->Arg(178000)->Arg(183000);

void BM_CaveFrameReference(benchmark::State& state) {
    CaveScene& scene = caveScene();
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        scene.update(t);
        renderCaveReference(scene);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CaveFrameReference)->Arg(150000)->Arg(178000);

// Background and waterfall only: before the first greeting, no plane.
void BM_CaveWaterfallReference(benchmark::State& state) {
    CaveScene& scene = caveScene();
    scene.update(139000);
    uint16_t* back = Screen::instance()->backBuffer;
    for (auto _ : state) {
        renderCaveWaterfallReference(scene, back);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CaveWaterfallReference);

}  // namespace
