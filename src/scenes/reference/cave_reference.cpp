// The cave scene written out literally: every waterfall pixel read from the
// pictures themselves, every letter placed from the scene's state.
#include "scenes/reference/cave_reference.h"

#include <cstring>

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/cave_scene.h"

void renderCaveWaterfallReference(const CaveScene& s, uint16_t* back) {
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 128; x++) {
            int sum = 0;
            for (int L = 0; L < 3; L++) {
                // Two's complement wrap, as the row may lie above the layer.
                const uint32_t index = ((static_cast<uint32_t>(y) - s.layerScroll[L]) * 128u + x) & 0x7FFF;
                sum += (s.waterfallLayers[L]->pixels[index] & 0x7E0) >> 5;
            }
            const int a = (s.waterfallAlpha->pixels[y * 128 + x] & 0x7E0) >> 5;
            if (sum > CaveScene::WATERFALL_THRESHOLD && a > 0) {
                const uint16_t c = s.waterfallPalette->pixels[sum];
                uint16_t& d = back[y * 320 + CaveScene::WATERFALL_X + x];
                d = a == 63 ? c : blend565(d, c, static_cast<uint32_t>(a) << 10);
            }
        }
}

void renderCaveReference(const CaveScene& s) {
    Screen* screen = Screen::instance();
    uint16_t* back = screen->backBuffer;
    for (int i = 0; i < 76800; i++) back[i] = s.background->pixels[i];
    renderCaveWaterfallReference(s, back);
    if (s.currentGreeting <= 9) {
        const int k = s.currentGreeting;
        const int n = static_cast<int>(strnlen(s.greetings[k], 12));
        for (int j = 0; j < 12; j++) {
            if (s.greetings[k][j] == 0) continue;
            const int64_t y = static_cast<int64_t>(s.letterFall[k][j]) + s.letterOffset[k][j];
            // Rows y - 5 .. y + 20 are the glyph's; none of them in 0..238
            // means nothing to draw.
            if (y - 5 > 238 || y + s.greetFont->cellHeight + 4 < 0) continue;
            const int angle = (sineTable[((j << 12) + s.letterSpin) & 0xFFFF] >> 3) + 32000;
            s.greetFont->drawRotatedGlyph(164 + 14 * j - 7 * n, static_cast<int>(y), s.greetings[k][j], angle,
                                          GlyphMask{s.waterfallAlpha->pixels, s.waterfallAlpha->pixelCount, 128, 100});
        }
    }
    if (s.planeVisible) {
        screen->clearDepth(0x3E80000);
        s.plane->render();
    }
}
