// The dragonfly scene: haze textures, start state and the constructor's showRand()
// draws, the flowers' drift and reset, haze levels, camera pose, credit bands,
// opacity rules, wing frames, clipping at the screen edges, size checks, and
// fast drawing against the plain one on random inputs.
#include "scenes/dragonfly_scene.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "display/screen.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/show_rand.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/reference/dragonfly_reference.h"
#include "support/mesh_fixture.h"

namespace {

using Assets = DragonflyScene::Assets;

constexpr Fixed CLEAR_DEPTH = 0x3E80000;
constexpr uint16_t BACKDROP = 0x4208;
constexpr uint16_t BACKGROUND = 0x2945;

Image* filled(int w, int h, uint16_t value) {
    Image* image = new Image(w, h);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = value;
    return image;
}

uint16_t greenOf(int g) { return static_cast<uint16_t>(g << 5); }
uint16_t rgb(int r, int g, int b) { return static_cast<uint16_t>((r << 11) | (g << 5) | b); }

// Pictures that draw nothing: body and credits of opacity 0, white wings
// (opacity 0 as wings count it), and a mesh without faces.
Assets quietAssets(int wingHeight = 60) {
    Assets a;
    a.body = filled(32, 84, 0xF800);
    a.bodyOpacity = filled(32, 84, 0);
    for (Image*& w : a.wings) w = filled(192, wingHeight, 0xFFFF);
    a.credits = filled(256, 176, 0x001F);
    a.creditsOpacity = filled(256, 176, 0);
    a.backdrop = filled(320, 240, BACKDROP);
    a.flowerTexture = filled(256, 256, 0);
    a.flower = meshFromText("", 0, 0, 0).release();
    return a;
}

// The generated flower mesh, with the scene's texture handed in later.
Mesh* dataFlower() {
    const std::string path = std::string(AMBRELLE_DATA_DIR) + "/kukka.ase";
    return new Mesh(path.c_str(), nullptr, nullptr, 121, 121, 224);
}

// Random pictures with long runs of the values that take the special paths:
// opacity 0 and 63, wing greens on both sides of 53.
uint16_t randomOpacity(std::mt19937& rng) {
    const uint32_t pick = rng() % 10;
    const int g = pick < 4 ? 0 : pick < 6 ? 63 : static_cast<int>(rng() % 64);
    return static_cast<uint16_t>((rng() & 0xF81F) | greenOf(g));
}
uint16_t randomWing(std::mt19937& rng) {
    const uint32_t pick = rng() % 10;
    const int g = pick < 4 ? 63 : pick < 6 ? 52 + static_cast<int>(rng() % 3) : static_cast<int>(rng() % 64);
    return static_cast<uint16_t>((rng() & 0xF81F) | greenOf(g));
}
template <typename Gen>
Image* randomPicture(int w, int h, Gen gen) {
    Image* image = new Image(w, h);
    // Runs of one kind of value, as drawn pictures have.
    for (int i = 0; i < image->pixelCount;) {
        const int run = 1 + static_cast<int>(gen() % 40);
        const uint16_t v = gen.value();
        for (int j = 0; j < run && i < image->pixelCount; j++, i++) image->pixels[i] = j % 7 == 3 ? gen.value() : v;
    }
    return image;
}
struct Values {
    std::mt19937& rng;
    uint16_t (*make)(std::mt19937&);
    uint32_t operator()() { return rng(); }
    uint16_t value() { return make(rng); }
};
uint16_t anyPixel(std::mt19937& rng) { return static_cast<uint16_t>(rng()); }

Assets randomAssets(std::mt19937& rng, Mesh* flower, int wingHeight) {
    Assets a;
    a.body = randomPicture(32, 84, Values{rng, anyPixel});
    a.bodyOpacity = randomPicture(32, 84, Values{rng, randomOpacity});
    for (Image*& w : a.wings) w = randomPicture(192, wingHeight, Values{rng, randomWing});
    a.credits = randomPicture(256, 176, Values{rng, anyPixel});
    a.creditsOpacity = randomPicture(256, 176, Values{rng, randomOpacity});
    a.backdrop = randomPicture(320, 240, Values{rng, anyPixel});
    a.flowerTexture = randomPicture(256, 256, Values{rng, anyPixel});
    a.flower = flower;
    return a;
}

class DragonflySceneTest : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { buildTrigTables(); }
    void SetUp() override {
        screen = Screen::instance();
        fillBack(BACKGROUND);
    }
    void fillBack(uint16_t value) {
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = value;
    }
    uint16_t& at(int row, int column) { return screen->backBuffer[row * SCREEN_WIDTH + column]; }
    std::vector<uint16_t> frame() const { return {screen->backBuffer, screen->backBuffer + SCREEN_PIXELS}; }
    void restore(const std::vector<uint16_t>& back) { std::copy(back.begin(), back.end(), screen->backBuffer); }

    Screen* screen = nullptr;
};

// The centre of the dragonfly for a circle angle.
void centre(int32_t angle, int32_t* cx, int32_t* cy) {
    *cx = ((sineTable[angle] * 20) >> 16) + 160;
    *cy = ((cosineTable[angle] * 20) >> 16) + 170;
}

}  // namespace

TEST_F(DragonflySceneTest, HazeTexturesAddQuartersOfTheFogColour) {
    Assets a = quietAssets();
    a.flowerTexture->pixels[0] = 0xFFFF;
    a.flowerTexture->pixels[1] = 0x0000;
    a.flowerTexture->pixels[2] = rgb(10, 33, 17);
    a.flowerTexture->pixels[3] = rgb(1, 1, 1);
    DragonflyScene scene(a);
    const uint16_t* fog[3] = {scene.fogTextures[0]->pixels, scene.fogTextures[1]->pixels, scene.fogTextures[2]->pixels};
    // k = 1: 3/4 c + (7.5, 15.25, 7.25); k = 2: c/2 + (15, 30.5, 14.5);
    // k = 3: c/4 + (22.5, 45.75, 21.75); each floored.
    EXPECT_EQ(fog[0][0], rgb(30, 62, 30));  // 30.75, 62.5, 30.5
    EXPECT_EQ(fog[1][0], rgb(30, 62, 30));  // 30.5, 62, 30
    EXPECT_EQ(fog[2][0], rgb(30, 61, 29));  // 30.25, 61.5, 29.5
    EXPECT_EQ(fog[0][1], rgb(7, 15, 7));
    EXPECT_EQ(fog[1][1], rgb(15, 30, 14));
    EXPECT_EQ(fog[2][1], rgb(22, 45, 21));
    EXPECT_EQ(fog[0][2], rgb(15, 40, 20));  // sums that land on whole numbers
    EXPECT_EQ(fog[1][2], rgb(20, 47, 23));
    EXPECT_EQ(fog[2][2], rgb(25, 54, 26));
    EXPECT_EQ(fog[0][3], rgb(8, 16, 8));  // 8.25, 16, 8
    EXPECT_EQ(fog[1][3], rgb(15, 31, 15));
    EXPECT_EQ(fog[2][3], rgb(22, 46, 22));
    for (int i = 0; i < 65536; i++) ASSERT_EQ(scene.fogTextures[3]->pixels[i], DragonflyScene::FOG_COLOR) << i;
    EXPECT_EQ(DragonflyScene::FOG_COLOR, rgb(30, 61, 29));
}

TEST_F(DragonflySceneTest, HazeTexturesForEveryTexel) {
    Assets a = quietAssets();
    for (int i = 0; i < 65536; i++) a.flowerTexture->pixels[i] = static_cast<uint16_t>(i);
    DragonflyScene scene(a);
    const double fogField[3] = {30, 61, 29};
    for (int k = 1; k <= 3; k++) {
        for (int i = 0; i < 65536; i++) {
            const double field[3] = {static_cast<double>(i >> 11), static_cast<double>((i >> 5) & 63),
                                     static_cast<double>(i & 31)};
            int expected[3];
            for (int c = 0; c < 3; c++)
                expected[c] = static_cast<int>(std::floor(field[c] * (4 - k) / 4 + fogField[c] * k / 4));
            ASSERT_EQ(scene.fogTextures[k - 1]->pixels[i], rgb(expected[0], expected[1], expected[2]))
                << "level " << k << " texel " << i;
        }
    }
}

TEST_F(DragonflySceneTest, StartStateAndThreeRandsPerFlower) {
    // The unseeded generator is the one showSrand(1) gives.
    showSrand(1);
    std::vector<int> sequence(37);
    for (int& v : sequence) v = showRand();
    // (n / 10 - 3) x 65536 in single precision, truncated toward zero.
    const Fixed heights[10] = {-196608, -190054, -183500, -176947, -170393,
                               -163840, -157286, -150732, -144179, -137625};
    showSrand(1);
    DragonflyScene scene(quietAssets());
    EXPECT_EQ(showRand(), sequence[36]) << "the constructor draws exactly 36 values";
    std::set<Fixed> seen;
    for (int k = 0; k < DragonflyScene::FLOWER_COUNT; k++) {
        EXPECT_EQ(scene.flowerZ[k], heights[sequence[3 * k + 2] % 10]) << k;
        seen.insert(scene.flowerZ[k]);
    }
    EXPECT_GT(seen.size(), 3u);
    const int32_t startX[12] = {-6, -10, -1, 4, 3, -5, 6, -8, -1, -3, 2, 7};
    const int32_t startY[12] = {3, 6, 5, 3, 8, 10, 11, 12, 13, 18, 17, 15};
    for (int k = 0; k < 12; k++) {
        EXPECT_EQ(scene.flowerX[k], startX[k] * 0x10000) << k;
        EXPECT_EQ(scene.flowerY[k], startY[k] * 0x10000) << k;
    }
    EXPECT_EQ(scene.lastMs, -1);
    EXPECT_EQ(scene.wingFrame, 0);
    EXPECT_EQ(scene.wingLift[0], 60);
    EXPECT_EQ(scene.wingLift[1], 40);
    EXPECT_EQ(scene.wingLift[2], 10);
    EXPECT_EQ(scene.circleAngle, 0);
    for (int32_t x : scene.creditX) EXPECT_EQ(x, 0);
    EXPECT_EQ(scene.flower->focalLength, 0xFA0000);
    EXPECT_EQ(scene.flower->texture, scene.flowerTexture);
    EXPECT_EQ(scene.flower->envMap, scene.flowerTexture);
}

TEST_F(DragonflySceneTest, FirstUpdateMovesNothingButTwentyResetsToTwenty) {
    DragonflyScene scene(quietAssets());
    scene.flowerY[4] = 0x140000;
    Fixed before[12];
    std::copy(scene.flowerY, scene.flowerY + 12, before);
    scene.update(190000);
    EXPECT_EQ(scene.lastMs, 190000);
    for (int k = 0; k < 12; k++) EXPECT_EQ(scene.flowerY[k], before[k]) << k;
}

TEST_F(DragonflySceneTest, FlowersApproachOneUnitPer256MsAndJumpBackBelowTwo) {
    DragonflyScene scene(quietAssets());
    scene.update(190000);
    scene.update(190256);  // one whole unit nearer
    const int32_t startY[12] = {3, 6, 5, 3, 8, 10, 11, 12, 13, 18, 17, 15};
    for (int k = 0; k < 12; k++) EXPECT_EQ(scene.flowerY[k], (startY[k] - 1) * 0x10000) << k;
    // Flowers 0 and 3 are now exactly at 2.0 and stay; 1 ms more (1/256 of a
    // unit) takes them below and back to 20.0.
    EXPECT_EQ(scene.flowerY[0], 0x20000);
    scene.flowerY[1] = 0x20100;
    scene.update(190257);
    EXPECT_EQ(scene.flowerY[0], 0x140000);
    EXPECT_EQ(scene.flowerY[3], 0x140000);
    EXPECT_EQ(scene.flowerY[1], 0x20000);
    EXPECT_EQ(scene.flowerY[2], 0x40000 - 0x100);
    // No time passes: nothing moves, and 20.0 stays 20.0 through the reset.
    scene.update(190257);
    EXPECT_EQ(scene.flowerY[0], 0x140000);
    EXPECT_EQ(scene.flowerY[1], 0x20000);
}

TEST_F(DragonflySceneTest, TheRemainderKeepsTheDividendsSign) {
    DragonflyScene scene(quietAssets());
    scene.update(100000);
    // 5900 ms is 23.046875 units: 3.0 - 23.046875 leaves -0.046875 by a
    // truncating remainder (a floored one would give 19.953125), so reset.
    scene.flowerY[0] = 0x30000;
    // 10.0 - 23.046875 = -13.046875: negative, reset.
    scene.flowerY[1] = 0xA0000;
    // 19.0 - 23.046875 + 20 would be 15.95; the remainder of -4.05 is -4.05.
    scene.flowerY[2] = 0x130000;
    scene.update(105900);
    EXPECT_EQ(scene.flowerY[0], 0x140000);
    EXPECT_EQ(scene.flowerY[1], 0x140000);
    EXPECT_EQ(scene.flowerY[2], 0x140000);
    // A clock that goes back by 10 s moves the flowers away by 39.0625
    // units: 3.0 + 39.0625 = 42.0625, remainder 2.0625, which stays.
    scene.flowerY[0] = 0x30000;
    scene.flowerY[1] = 0x130000;  // 58.0625 -> 18.0625
    scene.update(95900);
    EXPECT_EQ(scene.flowerY[0], 0x21000);
    EXPECT_EQ(scene.flowerY[1], 0x121000);
    // Across the 32-bit wrap of the elapsed time: 0xFFFFFF00 to 0x100 is 512 ms.
    scene.lastMs = static_cast<int32_t>(0xFFFFFF00u);
    scene.flowerY[0] = 0x50000;
    scene.update(0x100);
    EXPECT_EQ(scene.flowerY[0], 0x30000);
}

TEST_F(DragonflySceneTest, HazeLevelsByDistance) {
    DragonflyScene scene(quietAssets());
    const struct {
        Fixed distance;
        int32_t level;
    } cases[] = {{0x20000, 0},  {0xFFFFF, 0},  {0x100000, 1}, {0x10FFFF, 1}, {0x110000, 2},
                 {0x120000, 3}, {0x130000, 4}, {0x13FFFF, 4}, {0x140000, 4}, {-0x10000, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(DragonflyScene::fogLevel(c.distance), c.level) << std::hex << c.distance;
        EXPECT_EQ(scene.flowerTextureAt(c.distance), c.level ? scene.fogTextures[c.level - 1] : scene.flowerTexture)
            << std::hex << c.distance;
    }
}

// The generated flower drawn with a black texture: every pixel the flowers
// cover shows the texture of their haze level.
TEST_F(DragonflySceneTest, FlowersAreDrawnWithTheirHazeTexture) {
    Assets a = quietAssets();
    delete a.flower;
    a.flower = dataFlower();
    DragonflyScene scene(a);
    scene.update(190000);
    const struct {
        Fixed distance;
        uint16_t colour;
    } cases[] = {{0x80000, 0x0000},
                 {0xFFFFF, 0x0000},
                 {0x100000, rgb(7, 15, 7)},
                 {0x110000, rgb(15, 30, 14)},
                 {0x120000, rgb(22, 45, 21)},
                 {0x130000, DragonflyScene::FOG_COLOR},
                 {0x140000, DragonflyScene::FOG_COLOR}};
    for (const auto& c : cases) {
        for (Fixed& y : scene.flowerY) y = c.distance;
        screen->depthMinRow = 0, screen->depthMaxRow = SCREEN_HEIGHT;
        scene.render();
        int covered = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            if (screen->depthBuffer[i] == CLEAR_DEPTH) {
                ASSERT_EQ(screen->backBuffer[i], BACKDROP) << i;
                continue;
            }
            covered++;
            ASSERT_EQ(screen->backBuffer[i], c.colour) << std::hex << c.distance << " pixel " << std::dec << i;
        }
        EXPECT_GT(covered, 50) << std::hex << c.distance;
        EXPECT_EQ(scene.flower->texture, scene.flowerTextureAt(c.distance));
    }
}

TEST_F(DragonflySceneTest, UpdatePosesTheCameraAndTheCircle) {
    DragonflyScene scene(quietAssets());
    Camera& camera = *screen->camera;
    camera.position[1] = 0x12345;
    scene.flower->angle[0] = 777;
    // 4 t - 400000 = 16384 at t = 104096: sineTable[16384] is -65535, which
    // shifts to -512, index 65024.
    scene.update(104096);
    EXPECT_EQ(camera.angle[0], 0x4000);
    EXPECT_EQ(camera.angle[1], 0);
    EXPECT_EQ(camera.angle[2], sineTable[65024] & 0xFFFF);
    for (Fixed p : camera.position) EXPECT_EQ(p, 0);
    for (int32_t angle : scene.flower->angle) EXPECT_EQ(angle, 0);
    Camera expected;
    expected.angle[0] = 0x4000;
    expected.angle[2] = sineTable[65024];
    expected.update();
    for (int i = 0; i < 9; i++) EXPECT_EQ(camera.matrix.m[i], expected.matrix.m[i]) << i;
    EXPECT_EQ(scene.circleAngle, (8 * 104096) & 0xFFFF);
    // 4 t - 400000 wraps below zero at t = 0.
    scene.update(0);
    EXPECT_EQ(camera.angle[2], sineTable[static_cast<uint32_t>(sineTable[0xE580] >> 7) & 0xFFFF] & 0xFFFF);
    EXPECT_EQ(scene.circleAngle, 0);
    scene.update(8192 + 3);
    EXPECT_EQ(scene.circleAngle, 24);
}

TEST_F(DragonflySceneTest, CreditBandsEnterAt200000) {
    DragonflyScene scene(quietAssets());
    scene.update(199999);
    EXPECT_EQ(scene.creditX[0], 67108863 - 260);
    EXPECT_EQ(scene.creditX[1], 400 - 67108863);
    EXPECT_EQ(scene.creditX[2], 67108863 - 400);
    scene.update(200000);
    EXPECT_EQ(scene.creditX[0], -260);
    EXPECT_EQ(scene.creditX[1], 400);
    EXPECT_EQ(scene.creditX[2], -400);
    scene.update(200063);
    EXPECT_EQ(scene.creditX[0], -260);
    scene.update(200064);
    EXPECT_EQ(scene.creditX[0], -259);
    EXPECT_EQ(scene.creditX[1], 399);
    scene.update(205184);  // v = 81: the first two bands reach the screen
    EXPECT_EQ(scene.creditX[0], -179);
    EXPECT_EQ(scene.creditX[1], 319);
    scene.update(218624);  // v = 291: the third band reaches column 0
    EXPECT_EQ(scene.creditX[2], -109);
}

TEST_F(DragonflySceneTest, CreditWobbleAmplitudes) {
    DragonflyScene scene(quietAssets());
    int32_t low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    for (uint32_t t = 183101; t < 233100; t += 7) {
        scene.update(t);
        for (int k = 0; k < 3; k++)
            low[k] = std::min(low[k], scene.creditWobble[k]), high[k] = std::max(high[k], scene.creditWobble[k]);
    }
    // Arithmetic shifts: the largest sine (65535) gives amplitude - 1, the
    // most negative gives -amplitude.
    EXPECT_EQ(low[0], -10);
    EXPECT_EQ(high[0], 9);
    EXPECT_EQ(low[1], -15);
    EXPECT_EQ(high[1], 14);
    EXPECT_EQ(low[2], -13);
    EXPECT_EQ(high[2], 12);
    // At t = 2048, 8 t = 16384 (sine -65535): the second band at -15.
    scene.update(2048);
    EXPECT_EQ(scene.creditWobble[1], -15);
    // At t = 16384, 9 t wraps to 16384 and 10 t to 32768 (sine 0).
    scene.update(16384);
    EXPECT_EQ(scene.creditWobble[2], -13);
    EXPECT_EQ(scene.creditWobble[0], 0);
}

TEST_F(DragonflySceneTest, CreditOpacity63CopiesAndLowerBlends) {
    Assets a = quietAssets();
    const uint16_t paint = rgb(20, 50, 3);
    for (int k = 0; k < 4; k++) a.credits->pixels[5 * 256 + k] = paint;
    a.creditsOpacity->pixels[5 * 256 + 0] = greenOf(63);
    a.creditsOpacity->pixels[5 * 256 + 1] = greenOf(62);
    a.creditsOpacity->pixels[5 * 256 + 2] = 0xF81F;  // green 0: red and blue mean nothing
    a.creditsOpacity->pixels[5 * 256 + 3] = greenOf(1);
    DragonflyScene scene(a);
    scene.drawCreditStrip(100, 30, 4, 5, 6);
    EXPECT_EQ(at(30, 100), paint);
    EXPECT_EQ(at(30, 101), blend565(BACKGROUND, paint, 63488));
    EXPECT_NE(at(30, 101), paint);
    EXPECT_EQ(at(30, 102), BACKGROUND);
    EXPECT_EQ(at(30, 103), blend565(BACKGROUND, paint, 1024));
    EXPECT_EQ(at(30, 104), BACKGROUND);
    EXPECT_EQ(at(29, 100), BACKGROUND);
    EXPECT_EQ(at(31, 100), BACKGROUND);
    // Nothing for an empty width or row range.
    fillBack(BACKGROUND);
    scene.drawCreditStrip(100, 30, 0, 5, 6);
    scene.drawCreditStrip(100, 30, -4, 5, 6);
    scene.drawCreditStrip(100, 30, 4, 6, 6);
    scene.drawCreditStrip(100, 30, 4, 7, 6);
    EXPECT_EQ(at(30, 100), BACKGROUND);
}

// Every pair of field values under every opacity: 4096 (pixel, picture)
// pairs per opacity, whose red and blue fields also run through all 1024
// pairs; 11 opacities per scene, in bands of 16 picture rows.
TEST_F(DragonflySceneTest, CreditBlendIsBlend565ForEveryFieldPairAndOpacity) {
    auto pixelFor = [](int v) { return rgb(v & 31, v, 31 - (v & 31)); };
    for (int block = 0; block < 6; block++) {
        Assets a = quietAssets();
        for (int j = 0; j < 11; j++)
            for (int i = 0; i < 4096; i++) {
                a.credits->pixels[j * 4096 + i] = pixelFor(i & 63);
                a.creditsOpacity->pixels[j * 4096 + i] = greenOf(std::min(block * 11 + j, 63));
            }
        DragonflyScene scene(a);
        for (int j = 0; j < 11; j++)
            for (int i = 0; i < 4096; i++)
                screen->backBuffer[j * 16 * 320 + (i >> 8) * 320 + (i & 255)] = pixelFor(i >> 6);
        scene.drawCreditStrip(0, 0, 256, 0, 176);
        for (int j = 0; j < 11; j++) {
            const int opacity = std::min(block * 11 + j, 63);
            for (int i = 0; i < 4096; i++) {
                const uint16_t d = pixelFor(i >> 6), s = pixelFor(i & 63);
                const uint16_t expected = opacity == 63 ? s : blend565(d, s, static_cast<uint32_t>(opacity) << 10);
                ASSERT_EQ(at(j * 16 + (i >> 8), i & 255), expected) << "opacity " << opacity << " pair " << i;
            }
        }
    }
}

TEST_F(DragonflySceneTest, CreditStripsAreClippedNotWrapped) {
    Assets a = quietAssets();
    for (int i = 0; i < a.credits->pixelCount; i++) {
        a.credits->pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 16) | 1;
        a.creditsOpacity->pixels[i] = greenOf(63);
    }
    DragonflyScene scene(a);
    // Across the right edge and the bottom: columns 300..319 of rows
    // 230..239 only, from picture rows 10..19.
    scene.drawCreditStrip(300, 230, 60, 10, 40);
    for (int row = 0; row < 240; row++)
        for (int col = 0; col < 320; col++) {
            const bool drawn = row >= 230 && col >= 300;
            const uint16_t expected = drawn ? a.credits->pixels[(row - 230 + 10) * 256 + col - 300] : BACKGROUND;
            ASSERT_EQ(at(row, col), expected) << row << ", " << col;
        }
    // Across the left edge and the top: picture column k lands on column k - 7.
    fillBack(BACKGROUND);
    scene.drawCreditStrip(-7, -3, 20, 100, 110);
    for (int row = 0; row < 240; row++)
        for (int col = 0; col < 320; col++) {
            const bool drawn = row < 7 && col < 13;
            const uint16_t expected = drawn ? a.credits->pixels[(row + 3 + 100) * 256 + col + 7] : BACKGROUND;
            ASSERT_EQ(at(row, col), expected) << row << ", " << col;
        }
    // Far away in every direction: nothing.
    fillBack(BACKGROUND);
    scene.drawCreditStrip(67108603, 20, 180, 0, 56);
    scene.drawCreditStrip(-67108463, 90, 130, 66, 118);
    scene.drawCreditStrip(0, -1000, 180, 0, 56);
    scene.drawCreditStrip(0, 240, 180, 0, 56);
    scene.drawCreditStrip(-180, 0, 180, 0, 56);
    scene.drawCreditStrip(320, 0, 180, 0, 56);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], BACKGROUND) << i;
    // Rows outside the picture (before its first, after its last) are never read.
    scene.drawCreditStrip(0, 0, 256, -5, 2);
    scene.drawCreditStrip(0, 100, 300, 170, 400);
    EXPECT_EQ(at(5, 0), a.credits->pixels[0]);
    EXPECT_EQ(at(4, 0), BACKGROUND);
    EXPECT_EQ(at(105, 0), a.credits->pixels[175 * 256]);
    EXPECT_EQ(at(106, 0), BACKGROUND);
}

TEST_F(DragonflySceneTest, WingGreen52IsDrawnWithOpacity11And53IsNot) {
    Assets a = quietAssets();
    const uint16_t dark = static_cast<uint16_t>(0x8010 | greenOf(52));
    const uint16_t light = static_cast<uint16_t>(0x8010 | greenOf(53));
    Image& wing = *a.wings[0];
    wing.pixels[0] = dark;
    wing.pixels[1] = light;
    wing.pixels[2] = 0xF81F;        // green 0: opacity 63, blended, not copied
    wing.pixels[59 * 192 + 5] = 0;  // the last row is never drawn
    wing.pixels[58 * 192 + 191] = dark;
    DragonflyScene scene(a);
    ASSERT_EQ(scene.wingFrame, 0);
    // Row cy - 30 + r - 60, column cx - 95 + c.
    scene.drawDragonfly(160, 170);
    EXPECT_EQ(at(80, 65), blend565(BACKGROUND, dark, 11 << 10));
    EXPECT_NE(at(80, 65), BACKGROUND);
    EXPECT_EQ(at(80, 66), BACKGROUND);
    EXPECT_EQ(at(80, 67), blend565(BACKGROUND, 0xF81F, 63 << 10));
    EXPECT_NE(at(80, 67), 0xF81F);
    EXPECT_EQ(at(139, 70), BACKGROUND);
    EXPECT_EQ(at(138, 65 + 191), blend565(BACKGROUND, dark, 11 << 10));
    int changed = 0;
    for (int i = 0; i < SCREEN_PIXELS; i++) changed += screen->backBuffer[i] != BACKGROUND;
    EXPECT_EQ(changed, 3);
}

TEST_F(DragonflySceneTest, WingFramesRunOneTwoZeroFromTheFirstUpdate) {
    Assets a = quietAssets();
    // Each frame marks its own pixel (row 0, column f).
    for (int f = 0; f < 3; f++) a.wings[f]->pixels[f] = 0;
    DragonflyScene scene(a);
    const int expectedFrames[] = {1, 2, 0, 1, 2, 0, 1};
    uint32_t t = 190000;
    for (int expected : expectedFrames) {
        scene.update(t);
        EXPECT_EQ(scene.wingFrame, expected);
        scene.render();
        int32_t cx, cy;
        centre(scene.circleAngle, &cx, &cy);
        const int lift[3] = {60, 40, 10};
        const int row = cy - 30 - lift[expected];
        for (int f = 0; f < 3; f++)
            EXPECT_EQ(at(row, cx - 95 + f) != BACKDROP, f == expected) << "frame " << expected << " mark " << f;
        t += 33;
    }
}

TEST_F(DragonflySceneTest, BodyOpacityCopiesBlendsOrSkips) {
    Assets a = quietAssets();
    const uint16_t paint = rgb(31, 0, 12);
    for (int i = 0; i < 32 * 84; i++) a.body->pixels[i] = paint;
    a.bodyOpacity->pixels[0] = greenOf(63);
    a.bodyOpacity->pixels[1] = greenOf(32);
    a.bodyOpacity->pixels[83 * 32 + 31] = greenOf(63);
    DragonflyScene scene(a);
    scene.drawDragonfly(100, 120);  // top-left at row 78, column 84
    EXPECT_EQ(at(78, 84), paint);
    EXPECT_EQ(at(78, 85), blend565(BACKGROUND, paint, 32 << 10));
    EXPECT_EQ(at(78, 86), BACKGROUND);
    EXPECT_EQ(at(161, 115), paint);
    int changed = 0;
    for (int i = 0; i < SCREEN_PIXELS; i++) changed += screen->backBuffer[i] != BACKGROUND;
    EXPECT_EQ(changed, 3);
}

// Tall wings (600 rows) reach far above and below the screen wherever the
// circle is; placed off to the sides they also cross the left and right
// edges. Every pixel drawn must lie inside the sprite's rectangle on screen:
// nothing wraps onto a neighbouring row.
TEST_F(DragonflySceneTest, WingsAndBodyNearTheEdgesStayInsideTheScreen) {
    const int wingHeight = 600;
    Assets a = quietAssets(wingHeight);
    for (Image* w : a.wings)
        for (int i = 0; i < w->pixelCount; i++) w->pixels[i] = 0x001F;  // green 0: drawn everywhere
    for (int i = 0; i < 32 * 84; i++) a.body->pixels[i] = 0xFFFF, a.bodyOpacity->pixels[i] = greenOf(63);
    DragonflyScene scene(a);
    const int32_t centres[][2] = {{160, 170}, {-60, 100}, {380, 100},  {-200, 20}, {520, 230},
                                  {10, -30},  {300, 260}, {160, -400}, {160, 900}, {-100000, 5}};
    for (int f = 0; f < 3; f++) {
        scene.wingFrame = f;
        for (const auto& c : centres) {
            fillBack(BACKGROUND);
            scene.drawDragonfly(c[0], c[1]);
            const int64_t wingTop = int64_t{c[1]} - wingHeight / 2 - scene.wingLift[f];
            const int64_t wingLeft = int64_t{c[0]} - 95;
            const int64_t bodyTop = int64_t{c[1]} - 42, bodyLeft = int64_t{c[0]} - 16;
            for (int row = 0; row < 240; row++)
                for (int col = 0; col < 320; col++) {
                    const bool inBody = row >= bodyTop && row < bodyTop + 84 && col >= bodyLeft && col < bodyLeft + 32;
                    const bool inWing =
                        row >= wingTop && row < wingTop + wingHeight - 1 && col >= wingLeft && col < wingLeft + 192;
                    const uint16_t expected = inBody   ? 0xFFFF
                                              : inWing ? blend565(BACKGROUND, 0x001F, 63 << 10)
                                                       : BACKGROUND;
                    ASSERT_EQ(at(row, col), expected)
                        << "frame " << f << " centre " << c[0] << ", " << c[1] << " pixel " << row << ", " << col;
                }
        }
    }
    // The whole frame on the circle, every frame of the wings.
    for (uint32_t t = 183101; t < 192000; t += 1111) {
        scene.update(t);
        scene.render();
    }
}

TEST_F(DragonflySceneTest, DrawingMatchesThePlainVersionOnRandomInputs) {
    std::mt19937 rng(1404);
    for (int round = 0; round < 4; round++) {
        const int wingHeight = round == 0 ? 60 : round == 1 ? 2 : static_cast<int>(50 + rng() % 500);
        DragonflyScene scene(randomAssets(rng, meshFromText("", 0, 0, 0).release(), wingHeight));
        for (int trial = 0; trial < 60; trial++) {
            for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = static_cast<uint16_t>(rng());
            const std::vector<uint16_t> before = frame();
            const int32_t x = static_cast<int32_t>(rng() % 700) - 350, y = static_cast<int32_t>(rng() % 500) - 250;
            const int32_t width =
                trial % 10 == 0 ? static_cast<int32_t>(rng() % 600) - 20 : static_cast<int32_t>(rng() % 260);
            const int32_t firstRow = static_cast<int32_t>(rng() % 200) - 10;
            const int32_t endRow = firstRow + static_cast<int32_t>(rng() % 120) - 5;
            scene.drawCreditStrip(x, y, width, firstRow, endRow);
            const std::vector<uint16_t> fast = frame();
            restore(before);
            drawCreditStripReference(scene, x, y, width, firstRow, endRow);
            ASSERT_EQ(0, memcmp(fast.data(), screen->backBuffer, sizeof(uint16_t) * SCREEN_PIXELS))
                << "strip " << x << ", " << y << ", " << width << ", " << firstRow << ", " << endRow;

            scene.wingFrame = static_cast<int32_t>(rng() % 3);
            if (trial % 7 == 3) scene.wingLift[scene.wingFrame] = static_cast<int32_t>(rng() % 600) - 300;
            const int32_t cx = static_cast<int32_t>(rng() % 560) - 120, cy = static_cast<int32_t>(rng() % 480) - 120;
            restore(before);
            scene.drawDragonfly(cx, cy);
            const std::vector<uint16_t> fastFly = frame();
            restore(before);
            drawDragonflyReference(scene, cx, cy);
            ASSERT_EQ(0, memcmp(fastFly.data(), screen->backBuffer, sizeof(uint16_t) * SCREEN_PIXELS))
                << "dragonfly at " << cx << ", " << cy << " frame " << scene.wingFrame;
        }
    }
}

TEST_F(DragonflySceneTest, FramesMatchThePlainRender) {
    std::mt19937 rng(5404);
    DragonflyScene scene(randomAssets(rng, dataFlower(), 60));
    std::vector<Fixed> depths(SCREEN_PIXELS);
    int withCredits = 0;
    for (uint32_t t = 183101; t < 233100; t += 997) {
        scene.update(t);
        for (Fixed& d : depths) d = static_cast<Fixed>(rng());
        const int32_t minRow = static_cast<int32_t>(rng() % 240), maxRow = static_cast<int32_t>(rng() % 241);
        std::copy(depths.begin(), depths.end(), screen->depthBuffer);
        screen->depthMinRow = minRow, screen->depthMaxRow = maxRow;
        scene.render();
        const std::vector<uint16_t> fast = frame();
        const std::vector<Fixed> fastDepth(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS);
        const int32_t fastMin = screen->depthMinRow, fastMax = screen->depthMaxRow;
        std::copy(depths.begin(), depths.end(), screen->depthBuffer);
        screen->depthMinRow = minRow, screen->depthMaxRow = maxRow;
        renderDragonflyReference(scene);
        ASSERT_EQ(0, memcmp(fast.data(), screen->backBuffer, sizeof(uint16_t) * SCREEN_PIXELS)) << t;
        ASSERT_EQ(0, memcmp(fastDepth.data(), screen->depthBuffer, sizeof(Fixed) * SCREEN_PIXELS)) << t;
        EXPECT_EQ(fastMin, screen->depthMinRow) << t;
        EXPECT_EQ(fastMax, screen->depthMaxRow) << t;
        withCredits += t >= 205184;
    }
    EXPECT_GT(withCredits, 10);
}

TEST(DragonflySceneDeathTest, UndersizedPicturesAreRefused) {
    auto build = [](const char* which, int width, int height) {
        fflush(stdout);
        dup2(2, 1);
        Assets a = quietAssets();
        const std::string name = which;
        Image** slot = name == "body"    ? &a.body
                       : name == "opac"  ? &a.bodyOpacity
                       : name == "wing2" ? &a.wings[1]
                       : name == "cred"  ? &a.credits
                       : name == "copac" ? &a.creditsOpacity
                       : name == "bg"    ? &a.backdrop
                                         : &a.flowerTexture;
        delete *slot;
        *slot = new Image(width, height);
        std::unique_ptr<DragonflyScene> scene(new DragonflyScene(a));
    };
    EXPECT_EXIT(build("body", 31, 84), ::testing::ExitedWithCode(1), "data/dragonfly.png.*32 x 84");
    EXPECT_EXIT(build("opac", 32, 83), ::testing::ExitedWithCode(1), "data/dragonfly_opac.png.*32 x 84");
    EXPECT_EXIT(build("wing2", 191, 60), ::testing::ExitedWithCode(1), "data/df_wing2.png.*192 x 2");
    EXPECT_EXIT(build("wing2", 192, 1), ::testing::ExitedWithCode(1), "data/df_wing2.png.*192 x 2");
    EXPECT_EXIT(build("cred", 256, 175), ::testing::ExitedWithCode(1), "data/credits.png.*256 x 176");
    EXPECT_EXIT(build("copac", 255, 176), ::testing::ExitedWithCode(1), "data/credits_opac.png.*256 x 176");
    EXPECT_EXIT(build("bg", 320, 239), ::testing::ExitedWithCode(1), "data/bg.png.*320 x 240");
    EXPECT_EXIT(build("kukka", 256, 255), ::testing::ExitedWithCode(1), "data/kukka.png.*256 x 256");
}
