// The transition's brightening pass written pixel by pixel, exactly as a run
// is defined.
#include "scenes/reference/transition_reference.h"

#include "display/screen.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/transition_overlay.h"

void renderTransitionReference(const TransitionOverlay& overlay) {
    if (overlay.finished) return;
    uint16_t* back = Screen::instance()->backBuffer;
    const uint16_t* pattern = overlay.pictures[overlay.pictureIndex]->pixels;
    const bool firstHalf = overlay.level <= TransitionOverlay::RUN_MIDPOINT_LEVEL - 1;
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const uint16_t d = back[i];
        if (d == 0xFFFF) continue;
        const int32_t pr = pattern[i] >> 11, pb = pattern[i] & 0x1F;
        // Wrapping 32-bit sums, as the pattern is defined; done unsigned so a
        // run left frozen for years cannot overflow. & 127 is the same modulo
        // either way.
        const uint32_t up = static_cast<uint32_t>(overlay.phase);
        const uint32_t sum = firstHalf ? static_cast<uint32_t>(pb) + up - static_cast<uint32_t>(pr)
                                       : static_cast<uint32_t>(pr) - up - static_cast<uint32_t>(pb);
        int32_t v = static_cast<int32_t>((2u * sum) & 127u);
        if (v >= 64) v = 127 - v;
        int64_t w = firstHalf ? int64_t{v} + overlay.level - 128 : int64_t{v} - overlay.level + 256;
        if (w < 0) w = 0;
        back[i] = brighten565(d, w > 63 ? 63 : static_cast<int>(w));
    }
}
