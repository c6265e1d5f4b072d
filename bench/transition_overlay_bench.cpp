// The transition overlay's render against a memcpy of one 153600-byte frame.
// Run from the build directory (the overlay loads data/trans*.png).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "display/screen.h"
#include "gfx/pixel.h"
#include "scenes/reference/transition_reference.h"
#include "scenes/transition_overlay.h"

namespace {

// A busy, non-white frame: every pixel goes through the whole computation.
std::vector<uint16_t> busyFrame() {
    std::vector<uint16_t> frame(SCREEN_PIXELS);
    for (int i = 0; i < SCREEN_PIXELS; i++) frame[i] = static_cast<uint16_t>((i * 2654435761u >> 16) & 0x7BEF);
    return frame;
}

TransitionOverlay& overlayAt(uint32_t t) {
    static TransitionOverlay* overlay = new TransitionOverlay(TransitionOverlay::load());
    overlay->start(0);
    overlay->update(t);
    return *overlay;
}

// Level 128 (first half) or 256 (second half): no whole-frame shortcut
// applies. The fast pass has no data-dependent branch, so rendering over
// its own output costs the same as over a fresh frame.
void BM_TransitionRender(benchmark::State& state) {
    Screen::instance();
    TransitionOverlay& overlay = overlayAt(static_cast<uint32_t>(state.range(0)) * 16);
    const std::vector<uint16_t> frame = busyFrame();
    memcpy(Screen::instance()->backBuffer, frame.data(), SCREEN_PIXELS * sizeof(uint16_t));
    for (auto _ : state) {
        overlay.render();
        benchmark::ClobberMemory();
    }
}

// The plain pass skips white pixels, so each round starts from the same
// frame (the copy is included in its time).
void BM_TransitionRenderReference(benchmark::State& state) {
    Screen::instance();
    TransitionOverlay& overlay = overlayAt(static_cast<uint32_t>(state.range(0)) * 16);
    const std::vector<uint16_t> frame = busyFrame();
    for (auto _ : state) {
        memcpy(Screen::instance()->backBuffer, frame.data(), SCREEN_PIXELS * sizeof(uint16_t));
        renderTransitionReference(overlay);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_TransitionRender)->Arg(128)->Arg(256);
BENCHMARK(BM_TransitionRenderReference)->Arg(128)->Arg(256);
