// The dragonfly scene's update and render over the generated data at three
// moments (before the credits, with two bands, with all three), the plain
// render for comparison, and a memcpy of one 153600-byte frame in the same run
// as the yardstick: the budget for a frame is 20 such copies.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/dragonfly_scene.h"
#include "scenes/reference/dragonfly_reference.h"

namespace {

DragonflyScene* scene() {
    static DragonflyScene* loaded = [] {
        if (chdir(AMBRELLE_DATA_DIR "/..") != 0) return static_cast<DragonflyScene*>(nullptr);
        Screen::instance()->startSkippingCleanDepth();  // as the show runs
        buildTrigTables();
        return new DragonflyScene(DragonflyScene::load());
    }();
    return loaded;
}

// 190000: flowers only; 210000: bands 1 and 2 on screen; 225000: all three.
void BM_DragonflyFrame(benchmark::State& state) {
    DragonflyScene* s = scene();
    if (!s) {
        state.SkipWithError("no data directory");
        return;
    }
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    s->update(t);
    for (auto _ : state) {
        s->update(t);
        s->render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DragonflyFrame)->Arg(190000)->Arg(210000)->Arg(225000);

// The scene's frames one after another as the show draws them, 33 ms apart
// through its whole 50 s, starting over at the end: the flowers move and
// turn between frames, so unlike a repeated frame nothing about the spans
// can be learned and replayed by the processor. The cost per frame is the
// one the show pays.
void BM_DragonflyFramesInSequence(benchmark::State& state) {
    DragonflyScene* s = scene();
    if (!s) {
        state.SkipWithError("no data directory");
        return;
    }
    constexpr uint32_t FIRST = 183101, LAST = 233100;
    uint32_t t = FIRST;
    s->update(t);
    for (auto _ : state) {
        t = t + 33 > LAST ? FIRST : t + 33;
        s->update(t);
        s->render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DragonflyFramesInSequence);

// The 2D part of the frame alone (the three credit bands and the dragonfly
// at 225000 ms), to set apart from the backdrop, depth clear and flowers.
void BM_DragonflyBandsAndSprite(benchmark::State& state) {
    DragonflyScene* s = scene();
    if (!s) {
        state.SkipWithError("no data directory");
        return;
    }
    s->update(225000);
    const int32_t angle = s->circleAngle;
    const int32_t cx = ((sineTable[angle] * 20) >> 16) + 160, cy = ((cosineTable[angle] * 20) >> 16) + 170;
    for (auto _ : state) {
        s->drawCreditStrip(s->creditX[0], s->creditWobble[0] + 20, 180, 0, 56);
        s->drawCreditStrip(s->creditX[1], s->creditWobble[1] + 90, 130, 66, 118);
        s->drawCreditStrip(s->creditX[2], s->creditWobble[2] + 40, 110, 126, 176);
        s->drawDragonfly(cx, cy);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DragonflyBandsAndSprite);

// The 3D part alone at 225000 ms: backdrop copy, depth clear and the twelve
// flowers' transforms and renders, as render() does them.
void BM_DragonflyBackdropAndFlowers(benchmark::State& state) {
    DragonflyScene* s = scene();
    if (!s) {
        state.SkipWithError("no data directory");
        return;
    }
    s->update(225000);
    Screen& screen = *Screen::instance();
    for (auto _ : state) {
        s->backdrop->copyToScreen();
        screen.clearDepth(0x3E80000);
        for (int k = 0; k < DragonflyScene::FLOWER_COUNT; k++) {
            s->flower->position[0] = s->flowerX[k];
            s->flower->position[1] = s->flowerY[k];
            s->flower->position[2] = s->flowerZ[k];
            s->flower->texture = s->flowerTextureAt(s->flowerY[k]);
            s->flower->transform();
            s->flower->render();
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DragonflyBackdropAndFlowers);

// The worst pictures the scene accepts: every credit and body pixel blended
// (opacity 30), every wing pixel drawn (green 0).
void BM_DragonflyFrameEverythingBlended(benchmark::State& state) {
    if (!scene()) {
        state.SkipWithError("no data directory");
        return;
    }
    DragonflyScene::Assets a = DragonflyScene::load();
    for (Image* w : a.wings)
        for (int i = 0; i < w->pixelCount; i++) w->pixels[i] = static_cast<uint16_t>(w->pixels[i] & 0xF81F);
    for (Image* o : {a.creditsOpacity, a.bodyOpacity})
        for (int i = 0; i < o->pixelCount; i++) o->pixels[i] = 30 << 5;
    DragonflyScene heavy(a);
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    heavy.update(t);
    for (auto _ : state) {
        heavy.update(t);
        heavy.render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DragonflyFrameEverythingBlended)->Arg(225000);

void BM_DragonflyReferenceFrame(benchmark::State& state) {
    DragonflyScene* s = scene();
    if (!s) {
        state.SkipWithError("no data directory");
        return;
    }
    const uint32_t t = static_cast<uint32_t>(state.range(0));
    s->update(t);
    for (auto _ : state) {
        s->update(t);
        renderDragonflyReference(*s);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DragonflyReferenceFrame)->Arg(225000);

}  // namespace
