// The transition's run state and its per-pixel brightening pass.
#include "scenes/transition_overlay.h"

#include <cstring>

#include "display/screen.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "gfx/vector_clones.h"

namespace {
const char* const PICTURE_PATHS[TransitionOverlay::PICTURE_COUNT] = {
    "data/trans1.png", "data/trans2.png", "data/trans3.png", "data/trans4.png", "data/trans5.png"};

// Levels at which a whole frame is known without looking at a pixel. First
// half: w = v + level - 128 with v in 0..63, so w <= 0 everywhere up to level
// 65 and w >= 63 everywhere at 191. Second half: w = v - level + 256, so
// w >= 63 everywhere at 192 and 193 and w <= 0 everywhere from 319.
constexpr int32_t FIRST_HALF_LAST_UNCHANGED = 65;
constexpr int32_t FIRST_HALF_ALL_WHITE = 191;
constexpr int32_t SECOND_HALF_LAST_ALL_WHITE = 193;
constexpr int32_t SECOND_HALF_FIRST_UNCHANGED = 319;

// One brightening pass in 16-bit lanes, branch-free so that the compiler runs
// it several pixels at a time. phase6 is phase mod 64 (the pattern's period
// after doubling and & 127); offset is level - 128 (first half) or
// 256 - level (second half), within -62..62 on this path, so every
// intermediate fits in int16. Pure white needs no test: with w >= 0 every
// channel saturates back to 0xFFFF.
template <bool FIRST_HALF>
inline void brightenByPattern(uint16_t* __restrict back, const uint16_t* __restrict pattern, int16_t phase6,
                              int16_t offset) {
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const uint16_t p = pattern[i];
        const uint16_t d = back[i];
        const int16_t pr = static_cast<int16_t>(p >> 11);
        const int16_t pb = static_cast<int16_t>(p & 0x1F);
        const int16_t x = static_cast<int16_t>(FIRST_HALF ? pb - pr + phase6 : pr - pb - phase6);
        const int16_t t = static_cast<int16_t>((x * 2) & 127);
        const int16_t folded = static_cast<int16_t>(127 - t);
        const int16_t v = t < folded ? t : folded;
        int16_t w = static_cast<int16_t>(v + offset);
        w = w > 0 ? w : 0;
        int16_t r6 = static_cast<int16_t>(((d >> 10) & 0x3E) + w);
        int16_t g6 = static_cast<int16_t>(((d >> 5) & 0x3F) + w);
        int16_t b6 = static_cast<int16_t>(((d << 1) & 0x3E) + w);
        r6 = r6 < 63 ? r6 : 63;
        g6 = g6 < 63 ? g6 : 63;
        b6 = b6 < 63 ? b6 : 63;
        back[i] = static_cast<uint16_t>(((r6 & 0x3E) << 10) | (g6 << 5) | (b6 >> 1));
    }
}
AMBRELLE_VECTOR_CLONES void brightenFirstHalf(uint16_t* back, const uint16_t* pattern, int16_t phase6, int16_t offset) {
    brightenByPattern<true>(back, pattern, phase6, offset);
}
AMBRELLE_VECTOR_CLONES void brightenSecondHalf(uint16_t* back, const uint16_t* pattern, int16_t phase6,
                                               int16_t offset) {
    brightenByPattern<false>(back, pattern, phase6, offset);
}
}  // namespace

TransitionOverlay::Assets TransitionOverlay::load() {
    Assets assets;
    for (int i = 0; i < PICTURE_COUNT; i++)
        assets.pictures[i] = loadPicture(PICTURE_PATHS[i], SCREEN_WIDTH, SCREEN_HEIGHT);
    return assets;
}

TransitionOverlay::TransitionOverlay(const Assets& assets) {
    for (int i = 0; i < PICTURE_COUNT; i++) {
        pictures[i] = assets.pictures[i];
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
    const int16_t phase6 = static_cast<int16_t>(phase & 63);
    if (level < RUN_MIDPOINT_LEVEL) {
        if (level <= FIRST_HALF_LAST_UNCHANGED) return;
        if (level >= FIRST_HALF_ALL_WHITE) {
            memset(back, 0xFF, SCREEN_PIXELS * sizeof(uint16_t));
            return;
        }
        brightenFirstHalf(back, pictures[pictureIndex]->pixels, phase6, static_cast<int16_t>(level - 128));
    } else {
        if (level >= SECOND_HALF_FIRST_UNCHANGED) return;
        if (level <= SECOND_HALF_LAST_ALL_WHITE) {
            memset(back, 0xFF, SCREEN_PIXELS * sizeof(uint16_t));
            return;
        }
        brightenSecondHalf(back, pictures[pictureIndex]->pixels, phase6, static_cast<int16_t>(256 - level));
    }
}
