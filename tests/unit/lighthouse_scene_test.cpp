// The lighthouse scene: beacon rhythm, reveal levels, sparks (spawning, the
// ring, falling, dying, edge wrap) and whole frames against a plain drawing.
#include "scenes/lighthouse_scene.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "display/screen.h"
#include "engine/show_rand.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/reference/lighthouse_reference.h"

namespace {

using Pictures = LighthouseScene::Assets;

Image* filled(int w, int h, uint16_t value) {
    Image* image = new Image(w, h);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = value;
    return image;
}

uint16_t greenOf(int g) { return static_cast<uint16_t>(g << 5); }

// Plain pictures: every twirl green 0 and every logo opacity 63, unless a
// test changes them.
Pictures plainPictures() {
    return {filled(320, 240, 0x4208),    filled(128, 128, greenOf(63)), filled(320, 240, greenOf(0)),
            filled(32, 32, greenOf(63)), filled(320, 240, 0xFFE0),      filled(320, 240, greenOf(63))};
}

uint16_t* backBuffer() { return Screen::instance()->backBuffer; }

}  // namespace

TEST(LighthouseScene, BeaconDoubleBlink) {
    LighthouseScene scene(plainPictures());
    const struct {
        uint32_t m;
        bool on;
    } cases[] = {{0, true},   {49, true},  {50, false},  {99, false},
                 {100, true}, {399, true}, {400, false}, {1999, false}};
    for (uint32_t base : {44000u, 46000u}) {
        for (const auto& c : cases) {
            scene.update(base + c.m);
            EXPECT_EQ(scene.beaconOn, c.on) << "m = " << c.m;
        }
    }
}

TEST(LighthouseScene, RevealLevels) {
    LighthouseScene scene(plainPictures());
    const struct {
        uint32_t t;
        int32_t level;
    } cases[] = {{0, -1},    {43101, -1},  {50000, -1},  {50001, 0},   {50015, 0},
                 {50016, 1}, {54079, 254}, {54080, 255}, {65100, 255}, {0xFFFFFFFFu, 255}};
    for (const auto& c : cases) {
        scene.update(c.t);
        EXPECT_EQ(scene.revealLevel, c.level) << c.t;
    }
}

TEST(LighthouseScene, FirstRevealFrameShowsOrderZeroAndGlowsAheadOfIt) {
    Pictures p = plainPictures();
    // Twirl green by column: 0, 1, 2, 3 repeating; opacity 0 on every tenth row.
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        p.twirlMap->pixels[i] = greenOf(i % 320 % 4);
        if (i / 320 % 10 == 0) p.logoAlpha->pixels[i] = 0;
    }
    LighthouseScene scene(p);
    showSrand(1);
    scene.update(50001);
    ASSERT_EQ(scene.revealLevel, 0);
    for (bool& alive : scene.sparkAlive) alive = false;
    scene.render();
    const uint16_t* back = backBuffer();
    const uint16_t bg = 0x4208, revealed = blend565(bg, 0xFFE0, 63 << 10);
    const int row = 101 * 320;
    EXPECT_EQ(back[row + 40], brighten565(revealed, 10));  // order 0: shown, glowing by 10
    EXPECT_EQ(back[row + 41], brighten565(bg, 14));        // order 1 (g4 4): ahead, 14
    EXPECT_EQ(back[row + 42], brighten565(bg, 18));        // order 2 (g4 8): ahead, 18
    EXPECT_EQ(back[row + 43], bg);                         // order 3 (g4 12): untouched
    EXPECT_EQ(back[110 * 320 + 40], bg);                   // opacity 0: neither shown nor glowing
    EXPECT_EQ(back[63 * 320 + 35], bg);                    // before row 63, column 36
    EXPECT_EQ(back[63 * 320 + 36], brighten565(revealed, 10));
    EXPECT_EQ(back[174 * 320 + 280], brighten565(revealed, 10));  // last glowing index 55962 ...
    EXPECT_EQ(back[174 * 320 + 284], revealed);                   // ... and past it no glow
    EXPECT_EQ(back[239 * 320 + 316], revealed);
}

TEST(LighthouseScene, CompletedRevealBlendsEveryFrameAndFreezesSparks) {
    Pictures p = plainPictures();
    for (int i = 0; i < SCREEN_PIXELS; i++) p.twirlMap->pixels[i] = greenOf(63);
    LighthouseScene scene(p);
    scene.sparkAlive[3] = true;
    scene.sparkX[3] = 100;
    scene.sparkY[3] = 50;
    showSrand(77);
    const int first = showRand();
    showSrand(77);
    scene.update(54080);
    EXPECT_EQ(showRand(), first) << "no spark is spawned once the reveal is complete";
    EXPECT_EQ(scene.sparkY[3], 50);
    EXPECT_TRUE(scene.sparkAlive[3]);
    scene.render();
    // Opacity 63 still lets 1/64 of the background through; no glow, no sparks.
    const uint16_t revealed = blend565(0x4208, 0xFFE0, 63 << 10);
    EXPECT_NE(revealed, 0xFFE0);
    EXPECT_EQ(backBuffer()[50 * 320 + 100], 0x4208);
    EXPECT_EQ(backBuffer()[120 * 320 + 100], revealed);
}

TEST(LighthouseScene, SparksSpawnFromTheRandSequence) {
    LighthouseScene scene(plainPictures());
    const unsigned seed = 12345;
    showSrand(seed);
    scene.update(50001);  // level 0: every attempt lands on the front
    showSrand(seed);
    for (int attempt = 0; attempt < 100; attempt++) {
        const unsigned a = static_cast<unsigned>(showRand()), b = static_cast<unsigned>(showRand());
        const int x = static_cast<int>((a + 64) & 255), y = static_cast<int>((b + 96) & 127);
        ASSERT_TRUE(scene.sparkAlive[attempt]);
        EXPECT_EQ(scene.sparkX[attempt], x);
        EXPECT_EQ(scene.sparkY[attempt], y + 10) << "spawned sparks fall in the same update";
    }
    EXPECT_EQ(scene.nextSpark, 0);

    // Over many updates x covers 0..255 and y 0..127, never more.
    int minX = 999, maxX = -1, minY = 999, maxY = -1;
    for (int k = 0; k < 50; k++) {
        scene.update(50001);
        for (int s = 0; s < 100; s++) {
            minX = std::min(minX, scene.sparkX[s]);
            maxX = std::max(maxX, scene.sparkX[s]);
            minY = std::min(minY, scene.sparkY[s] - 10);
            maxY = std::max(maxY, scene.sparkY[s] - 10);
        }
    }
    EXPECT_EQ(minX, 0);
    EXPECT_EQ(maxX, 255);
    EXPECT_EQ(minY, 0);
    EXPECT_EQ(maxY, 127);
}

TEST(LighthouseScene, SparksOnlyOnTheFrontAndTheRingWraps) {
    Pictures p = plainPictures();
    // Only the left half of the spawn area is on the front at level 0 (g4 0);
    // the right half has g4 12, outside the front by its exclusive bound.
    for (int i = 0; i < SCREEN_PIXELS; i++) p.twirlMap->pixels[i] = greenOf(i % 320 < 128 ? 0 : 3);
    LighthouseScene scene(p);
    scene.nextSpark = 98;
    showSrand(9);
    scene.update(50001);
    showSrand(9);
    int expectedSlot = 98, spawned = 0;
    for (int attempt = 0; attempt < 100; attempt++) {
        const int x = static_cast<int>((static_cast<unsigned>(showRand()) + 64) & 255);
        showRand();
        if (x >= 128) continue;
        EXPECT_EQ(scene.sparkX[expectedSlot], x) << "slot " << expectedSlot;
        expectedSlot = (expectedSlot + 1) % 100;
        spawned++;
    }
    ASSERT_GT(spawned, 3);
    EXPECT_EQ(scene.nextSpark, expectedSlot);
    EXPECT_TRUE(scene.sparkAlive[0]) << "the cursor wrapped from 99 to 0";
}

TEST(LighthouseScene, ASparkDiesPast250) {
    Pictures p = plainPictures();
    for (int i = 0; i < SCREEN_PIXELS; i++) p.logoAlpha->pixels[i] = 0;  // nothing spawns
    LighthouseScene scene(p);
    scene.sparkAlive[0] = scene.sparkAlive[1] = scene.sparkAlive[2] = true;
    scene.sparkY[0] = 127;
    scene.sparkY[1] = 240;
    scene.sparkY[2] = 241;
    scene.update(51000);
    EXPECT_TRUE(scene.sparkAlive[1]) << "250 is still alive";
    EXPECT_EQ(scene.sparkY[1], 250);
    EXPECT_FALSE(scene.sparkAlive[2]) << "251 dies";
    for (int k = 1; k < 12; k++) scene.update(51000);
    EXPECT_EQ(scene.sparkY[0], 247);
    EXPECT_TRUE(scene.sparkAlive[0]);
    scene.update(51000);
    EXPECT_EQ(scene.sparkY[0], 257);
    EXPECT_FALSE(scene.sparkAlive[0]) << "dies on its 13th fall";
    EXPECT_FALSE(scene.sparkAlive[1]);
}

TEST(LighthouseScene, ASparkAcrossTheLeftEdgeWrapsOntoThePreviousRow) {
    Pictures p = plainPictures();
    for (int i = 0; i < SCREEN_PIXELS; i++) p.logoAlpha->pixels[i] = 0;
    LighthouseScene scene(p);
    scene.update(51000);
    scene.beaconOn = false;
    scene.sparkAlive[0] = true;
    scene.sparkX[0] = 5;
    scene.sparkY[0] = 100;
    scene.render();
    const uint16_t bg = 0x4208, spark = blend565(bg, LighthouseScene::SPARK_COLOR, 63 << 10);
    const uint16_t* back = backBuffer();
    // Sprite row 16 lies on screen row 100: its 11 left columns land at the
    // end of row 99, the other 21 at columns 0..20 of row 100.
    for (int c = 309; c < 320; c++) EXPECT_EQ(back[99 * 320 + c], spark) << c;
    for (int c = 0; c <= 20; c++) EXPECT_EQ(back[100 * 320 + c], spark) << c;
    EXPECT_EQ(back[100 * 320 + 21], bg);
    EXPECT_EQ(back[100 * 320 + 308], bg);
    EXPECT_EQ(back[84 * 320 + 308], bg);  // row 83's wrap ends at column 309
    EXPECT_EQ(back[83 * 320 + 309], spark);
}

TEST(LighthouseScene, SparksAtTheBufferEndsAreClipped) {
    LighthouseScene scene(plainPictures());
    scene.update(51000);
    const int xs[] = {0, 5, 250, 255, 300};
    const int ys[] = {0, 3, 240, 250, 255};
    int k = 0;
    for (int x : xs)
        for (int y : ys) {
            scene.sparkAlive[k] = true;
            scene.sparkX[k] = x;
            scene.sparkY[k] = y;
            k++;
        }
    std::vector<uint16_t> expected(SCREEN_PIXELS);
    renderLighthouseReference(scene, expected.data());
    scene.render();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(backBuffer()[i], expected[i]) << i;
}

TEST(LighthouseScene, RendersMatchThePlainDrawingOnRandomInputs) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 12; round++) {
        Pictures p = plainPictures();
        const int zeroChance = round % 3 == 0 ? 0 : round % 3 == 1 ? 50 : 95;
        auto randomOpacity = [&](Image* image) {
            for (int i = 0; i < image->pixelCount; i++)
                image->pixels[i] = static_cast<int>(rng() % 100) < zeroChance ? static_cast<uint16_t>(rng() & 0xF81F)
                                                                              : static_cast<uint16_t>(rng());
        };
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            p.background->pixels[i] = static_cast<uint16_t>(rng());
            p.logo->pixels[i] = static_cast<uint16_t>(rng());
            p.twirlMap->pixels[i] = static_cast<uint16_t>(rng());
        }
        randomOpacity(p.beam);
        randomOpacity(p.sparkSprite);
        randomOpacity(p.logoAlpha);
        LighthouseScene scene(p);
        const uint32_t times[] = {44000, 44100, 50001, 50500 + static_cast<uint32_t>(rng() % 3500), 54079, 60000};
        scene.update(times[round % 6]);
        scene.beaconOn = rng() & 1;
        for (int k = 0; k < 100; k++) {
            scene.sparkAlive[k] = rng() % 4 != 0;
            scene.sparkX[k] = static_cast<int32_t>(rng() % 400) - 40;
            scene.sparkY[k] = static_cast<int32_t>(rng() % 340) - 40;
        }
        std::vector<uint16_t> expected(SCREEN_PIXELS);
        renderLighthouseReference(scene, expected.data());
        scene.render();
        for (int i = 0; i < SCREEN_PIXELS; i++)
            ASSERT_EQ(backBuffer()[i], expected[i]) << "round " << round << " pixel " << i;
    }
}

TEST(LighthouseSceneData, LampSitsWhereTheGlowIsBrightest) {
    LighthouseScene scene(LighthouseScene::load());
    // The centre of the glow's full-strength pixels.
    double glowX = 0, glowY = 0;
    int full = 0;
    for (int r = 0; r < 128; r++)
        for (int c = 0; c < 112; c++)
            if (green6(scene.beam->pixels[r * 128 + c]) == 63) glowX += 208 + c, glowY += 32 + r, full++;
    ASSERT_GT(full, 0);
    glowX /= full;
    glowY /= full;
    // The lamp is the brightest thing of the picture inside the glow's area:
    // the centre of its brightest pixels.
    auto brightness = [&](int x, int y) {
        const uint16_t p = scene.background->pixels[y * 320 + x];
        return (p >> 11) * 2 + green6(p) + (p & 31) * 2;
    };
    int top = 0;
    for (int y = 32; y < 160; y++)
        for (int x = 208; x < 320; x++) top = std::max(top, brightness(x, y));
    double sumX = 0, sumY = 0;
    int n = 0;
    for (int y = 32; y < 160; y++)
        for (int x = 208; x < 320; x++)
            if (brightness(x, y) >= top - 3) sumX += x, sumY += y, n++;
    EXPECT_NEAR(sumX / n, glowX, 1.5);
    EXPECT_NEAR(sumY / n, glowY, 2.5);
}

TEST(LighthouseSceneDeathTest, SmallPicturesAreRefusedAtStartUp) {
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            Pictures p = plainPictures();
            delete p.beam;
            p.beam = filled(112, 128, 0);
            LighthouseScene scene(p);
        },
        ::testing::ExitedWithCode(1), "data/majakka_light.png.*128 x 128");
}
