// The feather scene written pixel by pixel, exactly as it is defined.
#include "scenes/reference/feather_reference.h"

#include "display/screen.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/feather_scene.h"

// The logo's weight for opacity g: max(0, g x 1024 - fade), kept within
// blend565's 0..65536 whatever fade holds.
static uint32_t logoWeight(int g, int32_t fade) {
    int64_t a = (int64_t{g} << 10) - fade;
    if (a < 0) a = 0;
    if (a > 65536) a = 65536;
    return static_cast<uint32_t>(a);
}

static void drawLogoReference(const FeatherScene& scene, uint16_t* back) {
    for (int32_t i = FeatherScene::LOGO_FIRST_INDEX; i <= FeatherScene::LOGO_LAST_INDEX; i++)
        back[i] = blend565(back[i], scene.logoImage->pixels[i],
                           logoWeight(green6(scene.logoOpacity->pixels[i]), scene.logoFade));
}

void renderFeatherReference(const FeatherScene& scene) {
    scene.background->copyToScreen();
    uint16_t* back = Screen::instance()->backBuffer;
    int32_t c, s;
    scene.rotation(&c, &s);
    for (int32_t y = 120; y < 248; y++) {
        for (int32_t x = 0; x < 128; x++) {
            const int32_t dx = x - 64, dy = y - 184;
            const int32_t u = ((dx * c + dy * s) >> 16) + 64;
            const int32_t v = ((dy * c - dx * s) >> 16) + 64;
            if (u < 0 || u > 127 || v < 0 || v > 127) continue;
            // 64-bit so that any offset stays a plain number; the show's lie
            // within a few hundred.
            const int64_t d = (int64_t{y} + scene.offsetY - 64) * 320 + x + scene.offsetX + 97;
            if (!(d > 0 && d <= 76799)) continue;
            const int32_t texel = v * 128 + u;
            const int a = green6(scene.featherAlpha->pixels[texel]);
            if (a == 63)
                back[d] = scene.featherImage->pixels[texel];
            else
                back[d] = blend565(back[d], scene.featherImage->pixels[texel], static_cast<uint32_t>(a) << 10);
        }
    }
    if (scene.logoVisible) drawLogoReference(scene, back);
}
