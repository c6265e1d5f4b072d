// The rain: spawning from the showRand() sequence, ageing, falling and leaving,
// the merge rule, and the refraction against a plain snapshot-and-map render.
#include "scenes/rain_scene.h"

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
#include "scenes/reference/rain_reference.h"

namespace {

constexpr uint16_t NEUTRAL = RainScene::NEUTRAL_DISPLACEMENT;

// A displacement value: red 16 + dx, green 32 + 2 dy.
uint16_t displace(int dx, int dy) { return static_cast<uint16_t>(((16 + dx) << 11) | ((32 + 2 * dy) << 5)); }

Image* neutralSheet() {
    Image* sheet = new Image(256, 256);
    for (int i = 0; i < sheet->pixelCount; i++) sheet->pixels[i] = NEUTRAL;
    return sheet;
}

// Fills cell (column 0, age) with one value everywhere.
void fillCell(Image* sheet, int age, uint16_t value) {
    for (int r = 0; r < 32; r++)
        for (int c = 0; c < 32; c++) sheet->pixels[age * 8192 + r * 256 + c] = value;
}

uint16_t* backBuffer() { return Screen::instance()->backBuffer; }

void randomFrame(std::mt19937& rng) {
    for (int i = 0; i < SCREEN_PIXELS; i++) backBuffer()[i] = static_cast<uint16_t>(rng());
}

void expectRenderMatchesPlain(RainScene& scene, const char* what) {
    std::vector<uint16_t> expected(backBuffer(), backBuffer() + SCREEN_PIXELS);
    renderRainReference(scene, expected.data());
    scene.render();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(backBuffer()[i], expected[i]) << what << ", pixel " << i;
}

}  // namespace

TEST(RainScene, SpawnsIntoTheNextSlotWithXThenYThenSpeed) {
    RainScene scene({neutralSheet()});
    for (unsigned seed = 1; seed <= 200; seed++) {
        showSrand(seed);
        const int x = showRand() % 280, y = showRand() % 200, speed = showRand() % 4 + 1, next = showRand();
        showSrand(seed);
        const int slot = scene.nextSlot;
        scene.dropActive[slot] = false;
        scene.update(60);  // 60 % 50 = 10: ages advance
        ASSERT_TRUE(scene.dropActive[slot]);
        EXPECT_EQ(scene.dropX[slot], x);
        EXPECT_EQ(scene.dropY[slot], y) << "a new drop rests";
        EXPECT_EQ(scene.dropSpeed[slot], speed);
        EXPECT_EQ(scene.dropAge[slot], 1);
        EXPECT_EQ(scene.dropColumn[slot], 0);
        EXPECT_EQ(scene.nextSlot, (slot + 1) % 50);
        EXPECT_EQ(showRand(), next) << "exactly three calls";
        scene.dropActive[slot] = false;
    }
}

TEST(RainScene, AnActiveSlotIsLeftAloneAndTheCursorStillMoves) {
    RainScene scene({neutralSheet()});
    for (int k = 0; k < 50; k++) {
        scene.dropActive[k] = true;
        scene.dropY[k] = -1000;
        scene.dropX[k] = k * 100;
        scene.dropSpeed[k] = 2;
    }
    scene.nextSlot = 49;
    showSrand(5);
    const int first = showRand();
    showSrand(5);
    scene.update(10);
    EXPECT_EQ(showRand(), first);
    EXPECT_EQ(scene.nextSlot, 0);
}

TEST(RainScene, AgesAdvanceInTheFirstHalfOfEach50MsAndStopAt7) {
    RainScene scene({neutralSheet()});
    for (int k = 0; k < 50; k++) {
        scene.dropActive[k] = true;
        scene.dropY[k] = -1000;
        scene.dropX[k] = k * 100;
        scene.dropSpeed[k] = 1;
    }
    scene.dropAge[0] = 0;
    scene.dropAge[1] = 6;
    scene.dropAge[2] = 7;
    scene.update(24);  // 24 % 50 < 25
    EXPECT_EQ(scene.dropAge[0], 1);
    EXPECT_EQ(scene.dropAge[1], 7);
    EXPECT_EQ(scene.dropAge[2], 7);
    scene.update(75);  // 75 % 50 = 25: no ageing
    EXPECT_EQ(scene.dropAge[0], 1);
    scene.update(100);
    EXPECT_EQ(scene.dropAge[0], 2);
    scene.update(149);
    EXPECT_EQ(scene.dropAge[0], 2);
    scene.update(150);
    EXPECT_EQ(scene.dropAge[1], 7);
}

TEST(RainScene, ADropRestsThenFallsAndLeavesPastRow240) {
    RainScene scene({neutralSheet()});
    // Every other slot holds a far-away drop of the same speed: no spawns,
    // no merges.
    for (int k = 0; k < 50; k++) {
        scene.dropActive[k] = true;
        scene.dropY[k] = -100000;
        scene.dropX[k] = -100000;
        scene.dropSpeed[k] = 4;
    }
    scene.dropX[7] = 100;
    scene.dropY[7] = 199;
    scene.dropAge[7] = 0;
    for (int k = 0; k < 4; k++) scene.update(0);
    EXPECT_EQ(scene.dropAge[7], 4);
    EXPECT_EQ(scene.dropY[7], 199) << "ages 0..4 rest";
    for (int fall = 1; fall <= 10; fall++) {
        scene.update(0);
        ASSERT_TRUE(scene.dropActive[7]);
        EXPECT_EQ(scene.dropY[7], 199 + 4 * fall);
    }
    EXPECT_EQ(scene.dropY[7], 239);
    scene.update(0);
    EXPECT_EQ(scene.dropY[7], 243);
    EXPECT_FALSE(scene.dropActive[7]) << "leaves on its eleventh falling move";
    // A drop at exactly 240 stays.
    scene.dropActive[8] = true;
    scene.dropY[8] = 236;
    scene.dropAge[8] = 7;
    scene.dropX[8] = 200;
    scene.update(30);
    EXPECT_EQ(scene.dropY[8], 240);
    EXPECT_TRUE(scene.dropActive[8]);
}

TEST(RainScene, DropsThatTouchAtClearlyDifferentSpeedsMerge) {
    auto pair = [](int speedA, int speedB, int rows, int columns) {
        RainScene scene({neutralSheet()});
        scene.dropActive[3] = scene.dropActive[10] = true;
        scene.dropX[3] = 100;
        scene.dropY[3] = 100;
        scene.dropX[10] = 100 + columns;
        scene.dropY[10] = 100 + rows;
        scene.dropSpeed[3] = speedA;
        scene.dropSpeed[10] = speedB;
        scene.nextSlot = 3;  // active: nothing spawns
        scene.update(40);    // no ageing, no moving
        return std::make_pair(scene.dropSpeed[3], scene.dropSpeed[10]);
    };
    EXPECT_EQ(pair(1, 4, 5, 10), std::make_pair(5, 5));
    EXPECT_EQ(pair(3, 4, 5, 10), std::make_pair(3, 4));
    EXPECT_EQ(pair(2, 4, -9, -19), std::make_pair(5, 5));
    EXPECT_EQ(pair(2, 4, 10, 0), std::make_pair(2, 4)) << "10 rows apart do not touch";
    EXPECT_EQ(pair(2, 4, 0, 20), std::make_pair(2, 4)) << "20 columns apart do not touch";
    EXPECT_EQ(pair(4, 4, 0, 0), std::make_pair(4, 4));

    // A chain: 0 and 1 merge first, then 1 (now 5) against 2 (speed 3).
    RainScene scene({neutralSheet()});
    for (int k = 0; k < 3; k++) {
        scene.dropActive[k] = true;
        scene.dropX[k] = 50 + 15 * k;
        scene.dropY[k] = 50;
    }
    scene.dropSpeed[0] = 1;
    scene.dropSpeed[1] = 4;
    scene.dropSpeed[2] = 3;
    scene.nextSlot = 0;
    scene.update(40);
    EXPECT_EQ(scene.dropSpeed[0], 5);
    EXPECT_EQ(scene.dropSpeed[1], 5);
    EXPECT_EQ(scene.dropSpeed[2], 5);
}

TEST(RainScene, AnEmptySceneLeavesTheFrameUnchanged) {
    RainScene scene({neutralSheet()});
    std::mt19937 rng(1);
    randomFrame(rng);
    const std::vector<uint16_t> before(backBuffer(), backBuffer() + SCREEN_PIXELS);
    scene.render();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(backBuffer()[i], before[i]) << i;
}

TEST(RainScene, RefractionPullsFromBelowRightAndStopsAtTheBufferEnds) {
    Image* sheet = neutralSheet();
    fillCell(sheet, 0, displace(2, 1));    // 8 right, 4 down, e = 3
    fillCell(sheet, 1, displace(0, 0));    // the same pixel, unchanged
    fillCell(sheet, 2, displace(15, 15));  // 60 right and down, e = 30
    RainScene scene({sheet});
    std::mt19937 rng(4);
    randomFrame(rng);
    const std::vector<uint16_t> before(backBuffer(), backBuffer() + SCREEN_PIXELS);
    auto lift = [](uint16_t p, int e) {
        const int r = std::min(31, (p >> 11) + (e >> 1)), g = std::min(63, green6(p) + e),
                  b = std::min(31, (p & 31) + (e >> 1));
        return static_cast<uint16_t>((r << 11) | (g << 5) | b);
    };
    auto place = [&scene](int slot, int x, int y, int age) {
        scene.dropActive[slot] = true;
        scene.dropX[slot] = x;
        scene.dropY[slot] = y;
        scene.dropAge[slot] = age;
    };
    place(0, 0, 0, 0);      // top-left: the index 0 is never written
    place(1, 288, 100, 0);  // right edge: sources continue on the next row
    place(2, 100, 230, 2);  // bottom: sources past the end keep the pixel
    place(3, 200, 20, 1);   // dx = dy = 0: unchanged
    scene.render();
    const uint16_t* back = backBuffer();
    EXPECT_EQ(back[0], before[0]);
    EXPECT_EQ(back[1], lift(before[1 + 4 * 320 + 8], 3));
    // Row 100, column 316: 8 to the right is column 324, i.e. row 105, column 4.
    EXPECT_EQ(back[100 * 320 + 316], lift(before[105 * 320 + 4], 3));
    // Row 230 + 60 is past the bottom: unchanged; so is everything of that drop.
    for (int r = 230; r < 240; r++)
        for (int c = 100; c < 132; c++) EXPECT_EQ(back[r * 320 + c], before[r * 320 + c]);
    for (int r = 20; r < 52; r++)
        for (int c = 200; c < 232; c++) EXPECT_EQ(back[r * 320 + c], before[r * 320 + c]);
    // The last pixel that can still reach inside the buffer at that pull.
    scene.dropActive[2] = false;
    place(4, 240, 170, 2);
    randomFrame(rng);
    const std::vector<uint16_t> again(backBuffer(), backBuffer() + SCREEN_PIXELS);
    scene.render();
    EXPECT_EQ(back[179 * 320 + 259], lift(again[239 * 320 + 319], 30));
    EXPECT_EQ(back[179 * 320 + 260], again[179 * 320 + 260]) << "source 76800 is outside";
}

TEST(RainScene, RendersMatchThePlainRefractionOnRandomInputs) {
    std::mt19937 rng(77);
    for (int round = 0; round < 16; round++) {
        Image* sheet = neutralSheet();
        // Random drops of displacement, raising one field or both, with
        // neutral and below-neutral pixels in between.
        for (int i = 0; i < sheet->pixelCount; i++) {
            const int kind = static_cast<int>(rng() % 4);
            sheet->pixels[i] = kind == 0   ? NEUTRAL
                               : kind == 1 ? static_cast<uint16_t>(rng() & 0x7BFF)
                                           : static_cast<uint16_t>(rng());
        }
        RainScene scene({sheet});
        for (int k = 0; k < 50; k++) {
            scene.dropActive[k] = rng() % 5 != 0;
            scene.dropX[k] = static_cast<int32_t>(rng() % 360) - 30;
            scene.dropY[k] = static_cast<int32_t>(rng() % 300) - 30;
            scene.dropAge[k] = static_cast<int32_t>(rng() % 8);
            scene.dropColumn[k] = round % 2 ? 0 : static_cast<int32_t>(rng() % 8);
        }
        randomFrame(rng);
        expectRenderMatchesPlain(scene, "random drops");
        // A second frame through the same scene: the map must be neutral again.
        randomFrame(rng);
        expectRenderMatchesPlain(scene, "second frame");
    }
}

// Drops side by side over the lower two thirds of the screen: every run of
// those rows is touched, so spans run through whole rows and across row ends,
// and the bottom rows pull from past the buffer's end.
TEST(RainScene, DropsTilingWholeRowsMatchThePlainRefraction) {
    std::mt19937 rng(31);
    for (int round = 0; round < 8; round++) {
        Image* sheet = neutralSheet();
        for (int i = 0; i < sheet->pixelCount; i++)
            sheet->pixels[i] = round % 2 ? static_cast<uint16_t>(rng())
                                         : displace(static_cast<int>(rng() % 17) - 1, static_cast<int>(rng() % 17) - 1);
        RainScene scene({sheet});
        for (int k = 0; k < 50; k++) {
            scene.dropActive[k] = true;
            scene.dropX[k] = (k % 10) * 32;
            scene.dropY[k] = 80 + (k / 10) * 32 - round;
            scene.dropAge[k] = static_cast<int32_t>(rng() % 8);
            scene.dropColumn[k] = static_cast<int32_t>(rng() % 8);
        }
        randomFrame(rng);
        expectRenderMatchesPlain(scene, "tiled drops");
        randomFrame(rng);
        expectRenderMatchesPlain(scene, "tiled drops, second frame");
    }
}

TEST(RainScene, SimulatedShowFramesMatchThePlainRefraction) {
    Image* sheet = neutralSheet();
    for (int age = 0; age < 8; age++)
        for (int r = 0; r < 32; r++)
            for (int c = 0; c < 32; c++) {
                const int dx = (c - 16) * (c - 16) + (r - 16) * (r - 16) < 100 ? 15 - c / 3 : -1;
                if (dx >= 0) sheet->pixels[age * 8192 + r * 256 + c] = displace(dx, 15 - r / 3);
            }
    RainScene scene({sheet});
    std::mt19937 rng(8);
    showSrand(11);
    for (uint32_t t = 65101; t < 75000; t += 33) {
        scene.update(t);
        randomFrame(rng);
        expectRenderMatchesPlain(scene, "simulated frame");
    }
}

TEST(RainSceneDeathTest, ASheetSmallerThan256By256IsRefused) {
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            RainScene scene({new Image(256, 255)});
        },
        ::testing::ExitedWithCode(1), "data/drops01.png.*256 x 256");
}
