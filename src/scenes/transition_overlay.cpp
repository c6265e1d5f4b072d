// The transition's run state and its per-pixel brightening pass.
#include "scenes/transition_overlay.h"

#include "display/screen.h"
#include "gfx/image.h"
#include "gfx/pixel.h"

namespace {
const char* const PICTURE_PATHS[TransitionOverlay::PICTURE_COUNT] = {
    "data/trans1.png", "data/trans2.png", "data/trans3.png", "data/trans4.png", "data/trans5.png"};
}

TransitionOverlay::TransitionOverlay() {
    for (int i = 0; i < PICTURE_COUNT; i++) {
        pictures[i] = new Image(PICTURE_PATHS[i]);
        requireImageSize(*pictures[i], PICTURE_PATHS[i], SCREEN_WIDTH, SCREEN_HEIGHT);
    }
}

TransitionOverlay::~TransitionOverlay() {
    for (Image* picture : pictures) delete picture;
}

void TransitionOverlay::start(uint32_t ms) {
    startMs = ms;
    pictureAdvanced = false;
    finished = false;
    pictureIndex = (pictureIndex + 1) % PICTURE_COUNT;
}

void TransitionOverlay::update(uint32_t t) {
    const uint32_t a = (t - startMs) >> 4;
    level = static_cast<int32_t>(a);
    phase = static_cast<int32_t>(a);
    if (a > static_cast<uint32_t>(RUN_MIDPOINT_LEVEL) && !pictureAdvanced) {
        pictureAdvanced = true;
        pictureIndex = (pictureIndex + 1) % PICTURE_COUNT;
    }
    if (level > RUN_END_LEVEL) {
        level = RUN_END_LEVEL;
        finished = true;
    }
}

void TransitionOverlay::render() {
    if (finished) return;
    uint16_t* back = Screen::instance()->backBuffer;
    const uint16_t* pattern = pictures[pictureIndex]->pixels;
    const bool firstHalf = level <= RUN_MIDPOINT_LEVEL - 1;
    const uint32_t uphase = static_cast<uint32_t>(phase);
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const uint16_t d = back[i];
        if (d == 0xFFFF) continue;
        const uint32_t pr = pattern[i] >> 11, pb = pattern[i] & 0x1F;
        // Unsigned so a run left frozen for years cannot overflow; & 127 is
        // the same modulo either way.
        int32_t v = static_cast<int32_t>(firstHalf ? (2u * (pb + uphase - pr)) & 127 : (2u * (pr - uphase - pb)) & 127);
        if (v >= 64) v = 127 - v;
        int64_t w = firstHalf ? int64_t{v} + level - 128 : int64_t{v} - level + 256;
        if (w < 0) w = 0;
        back[i] = brighten565(d, w > 63 ? 63 : static_cast<int>(w));
    }
}
