// The dragonfly scene written pixel by pixel, exactly as it is defined, with
// every pixel clipped to the screen and every picture read checked against the
// picture's real pixel count.
#include "scenes/reference/dragonfly_reference.h"

#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/dragonfly_scene.h"

namespace {

bool onScreen(int64_t row, int64_t column) { return row >= 0 && row <= 239 && column >= 0 && column <= 319; }

bool inside(const Image& image, int64_t index) { return index >= 0 && index < image.pixelCount; }

}  // namespace

void drawCreditStripReference(const DragonflyScene& scene, int32_t x, int32_t y, int32_t width, int32_t firstRow,
                              int32_t endRow) {
    uint16_t* back = Screen::instance()->backBuffer;
    for (int64_t q = firstRow; q < endRow; q++) {
        const int64_t sy = y + (q - firstRow);
        for (int64_t k = 0; k < width; k++) {
            const int64_t sx = int64_t{x} + k;
            const int64_t index = q * 256 + k;
            if (!onScreen(sy, sx) || !inside(*scene.credits, index) || !inside(*scene.creditsOpacity, index)) continue;
            const int o = green6(scene.creditsOpacity->pixels[index]);
            const uint16_t p = scene.credits->pixels[index];
            uint16_t& d = back[sy * 320 + sx];
            d = o == 63 ? p : blend565(d, p, static_cast<uint32_t>(o) << 10);
        }
    }
}

void drawDragonflyReference(const DragonflyScene& scene, int32_t cx, int32_t cy) {
    uint16_t* back = Screen::instance()->backBuffer;
    if (scene.wingFrame >= 0 && scene.wingFrame <= 2) {
        const Image& w = *scene.wings[scene.wingFrame];
        const int64_t h = w.height;
        for (int64_t r = 0; r <= h - 2; r++) {
            for (int64_t c = 0; c < 192; c++) {
                const int64_t index = r * 192 + c;
                if (!inside(w, index)) continue;
                const uint16_t p = w.pixels[index];
                const int a = 63 - green6(p);
                if (a <= 10) continue;
                const int64_t row = int64_t{cy} - (h >> 1) + r - scene.wingLift[scene.wingFrame];
                const int64_t column = int64_t{cx} - 95 + c;
                if (!onScreen(row, column)) continue;
                uint16_t& d = back[row * 320 + column];
                d = blend565(d, p, static_cast<uint32_t>(a) << 10);
            }
        }
    }
    for (int64_t r = 0; r < 84; r++) {
        for (int64_t c = 0; c < 32; c++) {
            const int64_t index = r * 32 + c;
            if (!inside(*scene.body, index) || !inside(*scene.bodyOpacity, index)) continue;
            const int o = green6(scene.bodyOpacity->pixels[index]);
            const uint16_t p = scene.body->pixels[index];
            const int64_t row = int64_t{cy} - 42 + r, column = int64_t{cx} - 16 + c;
            if (!onScreen(row, column) || o == 0) continue;
            uint16_t& d = back[row * 320 + column];
            d = o == 63 ? p : blend565(d, p, static_cast<uint32_t>(o) << 10);
        }
    }
}

void renderDragonflyReference(DragonflyScene& scene) {
    Screen& screen = *Screen::instance();
    scene.backdrop->copyToScreen();
    screen.clearDepth(0x3E80000);
    Mesh& flower = *scene.flower;
    for (int k = 0; k < 12; k++) {
        flower.position[0] = scene.flowerX[k];
        flower.position[1] = scene.flowerY[k];
        flower.position[2] = scene.flowerZ[k];
        int32_t fog = (scene.flowerY[k] >> 16) - 15;
        if (fog < 0) fog = 0;
        if (fog > 4) fog = 4;
        flower.texture = fog == 0 ? scene.flowerTexture : scene.fogTextures[fog - 1];
        flower.transform();
        flower.render();
    }
    drawCreditStripReference(scene, scene.creditX[0], scene.creditWobble[0] + 20, 180, 0, 56);
    drawCreditStripReference(scene, scene.creditX[1], scene.creditWobble[1] + 90, 130, 66, 118);
    drawCreditStripReference(scene, scene.creditX[2], scene.creditWobble[2] + 40, 110, 126, 176);
    const int32_t angle = scene.circleAngle & 0xFFFF;
    const int32_t cx = ((sineTable[angle] * 20) >> 16) + 160;
    const int32_t cy = ((cosineTable[angle] * 20) >> 16) + 170;
    drawDragonflyReference(scene, cx, cy);
}
