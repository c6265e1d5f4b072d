// The lighthouse scene's render in the middle of the reveal, lamp lit, with
// all 100 sparks alive; compare with BM_FrameMemcpy of the same run. Loads the
// generated pictures from the build directory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "display/screen.h"
#include "gfx/image.h"
#include "scenes/lighthouse_scene.h"

namespace {

LighthouseScene& revealingScene() {
    static LighthouseScene* scene = [] {
        if (chdir(AMBRELLE_DATA_DIR "/..") != 0) return static_cast<LighthouseScene*>(nullptr);
        Screen::instance();
        return new LighthouseScene(LighthouseScene::load());
    }();
    // 52000 ms: reveal level 125 and the first flash of the double blink.
    scene->update(52000);
    for (int k = 0; k < LighthouseScene::MAX_SPARKS; k++) {
        scene->sparkAlive[k] = true;
        scene->sparkX[k] = (k * 37) % 256;
        scene->sparkY[k] = (k * 53) % 250;
    }
    return *scene;
}

void BM_LighthouseRenderDuringReveal(benchmark::State& state) {
    LighthouseScene& scene = revealingScene();
    for (auto _ : state) {
        scene.render();
        benchmark::ClobberMemory();
    }
}

// The worst picture the scene accepts: every logo pixel opaque, so the whole
// reveal area (rows 63..239) is blended and the front scanned.
void BM_LighthouseRenderOpaqueLogo(benchmark::State& state) {
    Screen::instance();
    LighthouseScene::Assets p;
    p.background = new Image(320, 240);
    p.beam = new Image(128, 128);
    p.twirlMap = new Image(320, 240);
    p.sparkSprite = new Image(32, 32);
    p.logo = new Image(320, 240);
    p.logoAlpha = new Image(320, 240);
    for (int i = 0; i < 76800; i++) {
        p.twirlMap->pixels[i] = static_cast<uint16_t>((i * 7) % 64 << 5);
        p.logoAlpha->pixels[i] = 0x7E0;
        p.logo->pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    }
    for (int i = 0; i < 128 * 128; i++) p.beam->pixels[i] = static_cast<uint16_t>((i % 64) << 5);
    for (int i = 0; i < 32 * 32; i++) p.sparkSprite->pixels[i] = 0x7E0;
    LighthouseScene scene(p);
    scene.update(52000);
    for (int k = 0; k < LighthouseScene::MAX_SPARKS; k++) {
        scene.sparkAlive[k] = true;
        scene.sparkX[k] = (k * 37) % 256;
        scene.sparkY[k] = (k * 53) % 250;
    }
    for (auto _ : state) {
        scene.render();
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_LighthouseRenderDuringReveal);
BENCHMARK(BM_LighthouseRenderOpaqueLogo);
