// The biplane scene's sky pass written literally: running texture rows and
// columns, three bands of rows, one pixel at a time.
#include "scenes/reference/biplane_reference.h"

#include <cstdint>

#include "display/screen.h"
#include "engine/mesh.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/biplane_scene.h"

void renderBiplaneReference(BiplaneScene& scene) {
    Screen::instance()->clearDepth(BiplaneScene::SKY_DEPTH);
    scene.planeMesh->render();
    renderBiplaneSkyReference(scene);
}

void renderBiplaneSkyReference(const BiplaneScene& scene) {
    Screen& screen = *Screen::instance();
    constexpr int K = BiplaneScene::LAYER_COUNT;

    // Running texture rows, carried from each drawn row to the next.
    uint32_t vk[K];
    for (int k = 0; k < K; k++) vk[k] = static_cast<uint32_t>(scene.layers[k].vStart);

    auto drawRow = [&](int32_t row, bool depthTested) {
        uint32_t uk[K], rowBase[K];
        int32_t fade[K];
        for (int k = 0; k < K; k++) {
            uk[k] = static_cast<uint32_t>(scene.layers[k].uStart);
            rowBase[k] = static_cast<uint32_t>(static_cast<int32_t>(vk[k]) >> 16) << 8;
            // Layers always come from setLayers (scale 1..90000); any other
            // scale reads the nearest end of the table.
            int32_t scale = scene.layers[k].scale;
            scale = scale < 0 ? 0 : (scale > BiplaneScene::MAX_SCALE ? BiplaneScene::MAX_SCALE : scale);
            fade[k] = scene.cloudFade[scale];
        }
        for (int32_t x = 0; x < SCREEN_WIDTH; x++) {
            const int32_t i = row * SCREEN_WIDTH + x;
            uint16_t base = BiplaneScene::SKY_BASE;
            if (depthTested && screen.depthBuffer[i] != BiplaneScene::SKY_DEPTH) base = screen.backBuffer[i];
            int32_t r = base >> 11, g = (base >> 5) & 63, b = base & 31;
            for (int k = 0; k < K; k++) {
                const uint32_t column = static_cast<uint32_t>(static_cast<int32_t>(uk[k]) >> 16);
                const uint32_t texel = (rowBase[k] + column) & 0xFFFFu;
                int32_t c = green6(scene.cloudImages[k]->pixels[texel]) - fade[k];
                if (c < 0) c = 0;
                r += c >> 1;
                g += c;
                b += c >> 1;
                uk[k] += static_cast<uint32_t>(scene.layers[k].step);
            }
            if (r > 31) r = 31;
            if (g > 63) g = 63;
            if (b > 31) b = 31;
            screen.backBuffer[i] = static_cast<uint16_t>((r << 11) | (g << 5) | b);
        }
        for (int k = 0; k < K; k++) vk[k] += static_cast<uint32_t>(scene.layers[k].step);
    };

    const int64_t minRow = screen.depthMinRow;
    const int64_t bandLimit = static_cast<int64_t>(screen.depthMaxRow) + BiplaneScene::BAND_MARGIN;
    // Nothing written (the range still (239, 0)): the first and last bands
    // would overlap, and every row is drawn once as sky instead.
    if (minRow > bandLimit) {
        for (int32_t row = 0; row < SCREEN_HEIGHT; row++) drawRow(row, false);
        return;
    }
    for (int64_t row = 0; row < minRow && row < SCREEN_HEIGHT; row++) drawRow(static_cast<int32_t>(row), false);
    for (int64_t row = minRow < 0 ? 0 : minRow; row < bandLimit && row <= SCREEN_HEIGHT - 1; row++)
        drawRow(static_cast<int32_t>(row), true);
    for (int64_t row = bandLimit < 0 ? 0 : bandLimit; row <= SCREEN_HEIGHT - 1; row++)
        drawRow(static_cast<int32_t>(row), false);
}
