// The lighthouse scene written out pixel by pixel with the shared helpers:
// no spans, no shortcuts.
#include "scenes/reference/lighthouse_reference.h"

#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/lighthouse_scene.h"

void renderLighthouseReference(const LighthouseScene& s, uint16_t* back) {
    for (int i = 0; i < SCREEN_PIXELS; i++) back[i] = s.background->pixels[i];
    if (s.beaconOn)
        for (int r = 0; r < 128; r++)
            for (int c = 0; c < 112; c++) {
                uint16_t& p = back[(r + 32) * 320 + 208 + c];
                p = blend565(p, LighthouseScene::BEAM_COLOR, green6(s.beam->pixels[r * 128 + c]) << 10);
            }
    if (s.revealLevel < 0) return;
    for (int i = 20196; i <= 76799; i++)
        if (((s.twirlMap->pixels[i] & 0x7E0) >> 3) <= s.revealLevel)
            back[i] = blend565(back[i], s.logo->pixels[i], green6(s.logoAlpha->pixels[i]) << 10);
    if (s.revealLevel > 254) return;
    for (int i = 20196; i <= 55962; i++) {
        const int g4 = (s.twirlMap->pixels[i] & 0x7E0) >> 3;
        if (g4 + 10 > s.revealLevel && s.revealLevel > g4 - 10 && green6(s.logoAlpha->pixels[i]) != 0)
            back[i] = brighten565(back[i], g4 - s.revealLevel + 10);
    }
    for (int k = 0; k < 100; k++) {
        if (!s.sparkAlive[k]) continue;
        for (int sy = 0; sy < 32; sy++)
            for (int sx = 0; sx < 32; sx++) {
                const int idx = (s.sparkY[k] + sy - 16) * 320 + s.sparkX[k] + sx - 16;
                if (idx >= 0 && idx <= 76799)
                    back[idx] = blend565(back[idx], LighthouseScene::SPARK_COLOR,
                                         green6(s.sparkSprite->pixels[sy * 32 + sx]) << 10);
            }
    }
}
