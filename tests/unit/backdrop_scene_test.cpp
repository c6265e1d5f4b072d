// The backdrop: the picture, then 150 streaks from the shared showRand()
// sequence, x before y, clipped to columns 1..318 and rows 1..238.
#include "scenes/backdrop_scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "display/screen.h"
#include "engine/show_rand.h"
#include "gfx/image.h"
#include "gfx/pixel.h"

namespace {
Image* picture() {
    Image* image = new Image(320, 240);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = static_cast<uint16_t>(i * 7919u);
    return image;
}
}  // namespace

TEST(BackdropScene, StreaksFromTheRandSequenceWithTheirClipping) {
    BackdropScene scene({picture()});
    int atColumnZero = 0, atRowZero = 0, atLastRow = 0;
    for (unsigned seed = 1; seed <= 60; seed++) {
        showSrand(seed);
        scene.update(70000);
        scene.render();
        // The expected frame, built without drawLine: 11 pixels straight
        // down from (x, y), only those inside columns 1..318, rows 1..238.
        showSrand(seed);
        std::vector<uint16_t> expected(scene.background->pixels, scene.background->pixels + SCREEN_PIXELS);
        for (int k = 0; k < 150; k++) {
            const int x = showRand() % 319;
            const int y = showRand() % 229;
            ASSERT_LE(x, 318);
            ASSERT_LE(y, 228);
            atColumnZero += x == 0;
            atRowZero += y == 0;
            atLastRow += y == 228;
            for (int row = y; row <= y + 10; row++)
                if (x >= 1 && x <= 318 && row >= 1 && row <= 238) expected[row * 320 + x] = 0xEF7F;
        }
        const int next = showRand();
        const uint16_t* back = Screen::instance()->backBuffer;
        for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back[i], expected[i]) << "seed " << seed << " pixel " << i;
        // Exactly 300 calls were made.
        showSrand(seed);
        for (int k = 0; k < 300; k++) showRand();
        EXPECT_EQ(showRand(), next);
    }
    // The edge cases were met: streaks at column 0 (nothing drawn), from
    // row 0 (first pixel lost) and ending on row 238 (the last row drawn).
    EXPECT_GT(atColumnZero, 0);
    EXPECT_GT(atRowZero, 0);
    EXPECT_GT(atLastRow, 0);
}

TEST(BackdropScene, NoStreakReachesTheOuterRowsAndColumns) {
    BackdropScene scene({picture()});
    showSrand(3);
    for (int frame = 0; frame < 200; frame++) {
        scene.render();
        const uint16_t* back = Screen::instance()->backBuffer;
        for (int x = 0; x < 320; x++) {
            ASSERT_EQ(back[x], scene.background->pixels[x]);
            ASSERT_EQ(back[239 * 320 + x], scene.background->pixels[239 * 320 + x]);
        }
        for (int y = 0; y < 240; y++) {
            ASSERT_EQ(back[y * 320], scene.background->pixels[y * 320]);
            ASSERT_EQ(back[y * 320 + 319], scene.background->pixels[y * 320 + 319]);
        }
    }
}
