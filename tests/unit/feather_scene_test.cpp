// The feather scene: motion from the clock, the logo's dissolve, the opacity
// paths, the index test at the screen's edges, and the fast render against
// the plain one, bit for bit. Runs in the build directory (data/).
#include "scenes/feather_scene.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/reference/feather_reference.h"
#include "support/test_png.h"

namespace {

uint16_t* back() { return Screen::instance()->backBuffer; }
std::vector<uint16_t> frame() { return std::vector<uint16_t>(back(), back() + SCREEN_PIXELS); }
void fillPicture(Image* p, uint16_t v) { std::fill(p->pixels, p->pixels + p->pixelCount, v); }
void randomPicture(Image* p, std::mt19937& rng) {
    for (int i = 0; i < p->pixelCount; i++) p->pixels[i] = static_cast<uint16_t>(rng());
}
uint16_t grey(int g) { return static_cast<uint16_t>(g << 5); }  // opacity g

constexpr int LOGO_FIRST = 81 * 320 + 51;   // 25971
constexpr int LOGO_LAST = 154 * 320 + 274;  // 49554

struct Feather : ::testing::Test {
    FeatherScene* scene = nullptr;
    static void SetUpTestSuite() { buildTrigTables(); }
    void SetUp() override {
        Screen::instance();
        scene = new FeatherScene(FeatherScene::load());
    }
    void TearDown() override { delete scene; }
    std::vector<uint16_t> renderAt(uint32_t t) {
        scene->update(t);
        scene->render();
        return frame();
    }
    // Plain pictures: one background colour, one feather colour at one
    // opacity, the logo white at one opacity.
    void plainPictures(uint16_t background, uint16_t feather, int featherOpacity, int logoOpacity) {
        fillPicture(scene->background, background);
        fillPicture(scene->featherImage, feather);
        fillPicture(scene->featherAlpha, grey(featherOpacity));
        fillPicture(scene->logoImage, 0xFFFF);
        fillPicture(scene->logoOpacity, grey(logoOpacity));
    }
};

}  // namespace

TEST_F(Feather, ConstructionDefaultsAndPictureSizes) {
    EXPECT_EQ(scene->swingPhase, 0);
    EXPECT_EQ(scene->offsetY, -100);
    EXPECT_EQ(scene->offsetX, 0);
    EXPECT_FALSE(scene->logoVisible);
    EXPECT_EQ(scene->logoFade, 0);
    EXPECT_EQ(scene->background->width * scene->background->height, 76800);
    EXPECT_EQ(scene->featherImage->width, 128);
    EXPECT_EQ(scene->featherAlpha->height, 128);
    EXPECT_EQ(scene->logoOpacity->width, 320);
}

TEST_F(Feather, DriftSwayAndRockFollowTheClock) {
    scene->update(3151);
    EXPECT_EQ(scene->offsetY, -88);
    EXPECT_EQ(scene->swingPhase, 25208);
    EXPECT_EQ(scene->offsetX, (sineTable[(25208 + 32000) & 0xFFFF] * 50) >> 16);
    scene->update(43100);
    EXPECT_EQ(scene->offsetY, 68);
    int lowest = 0, highest = 0;
    for (uint32_t t = 0; t < 8192; t++) {
        scene->update(t);
        const int x = scene->offsetX;
        lowest = std::min(lowest, x), highest = std::max(highest, x);
        scene->update(t + 8192);  // the sway repeats every 8192 ms
        ASSERT_EQ(scene->offsetX, x) << t;
    }
    EXPECT_EQ(lowest, -50);
    EXPECT_EQ(highest, 49);      // 65535 x 50 >> 16
    scene->update(0x20000000u);  // 8 x t wraps in 32 bits
    EXPECT_EQ(scene->swingPhase, 0);
}

TEST_F(Feather, LogoStatesAroundSixteenSeconds) {
    plainPictures(0x0000, 0x0000, 0, 63);
    scene->logoFade = 12345;
    scene->update(16000);
    EXPECT_FALSE(scene->logoVisible);
    EXPECT_EQ(scene->logoFade, 12345);  // untouched until the logo shows
    scene->render();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0x0000);

    // 16001: fade 65280 exceeds every opacity weight, nothing shows yet.
    renderAt(16001);
    EXPECT_TRUE(scene->logoVisible);
    EXPECT_EQ(scene->logoFade, 65280);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0x0000) << i;

    // 16255: weight 64512 - 256; white over black gives 30, 61, 30.
    renderAt(16255);
    EXPECT_EQ(scene->logoFade, 256);
    for (int i = LOGO_FIRST; i <= LOGO_LAST; i++) ASSERT_EQ(back()[i], 0xF7BE) << i;

    // From 16256 full opacity, and opacity 63 is weight 64512, not a copy.
    for (uint32_t t : {16256u, 16300u, 43100u, 0xFFFFFFFFu}) {
        renderAt(t);
        EXPECT_EQ(scene->logoFade, 0) << t;
        for (int i = LOGO_FIRST; i <= LOGO_LAST; i++) ASSERT_EQ(back()[i], 0xF7DE) << t << " ms, " << i;
        EXPECT_EQ(back()[LOGO_FIRST - 1], 0x0000);  // column 50 of row 81
        EXPECT_EQ(back()[LOGO_LAST + 1], 0x0000);   // column 275 of row 154
    }
}

TEST_F(Feather, LogoDissolvesInOrderOfOpacity) {
    plainPictures(0x0000, 0x0000, 0, 0);
    for (int i = 0; i < SCREEN_PIXELS; i++) scene->logoOpacity->pixels[i] = grey(i % 320 < 160 ? 32 : 48);
    // 16128: fade 32768. Opacity 32 (weight 32768) still hidden; opacity 48
    // (49152) shows with 16384: white gives 7, 15, 7.
    renderAt(16128);
    const int row = 100 * 320;
    EXPECT_EQ(back()[row + 100], 0x0000);
    EXPECT_EQ(back()[row + 200], (7 << 11) | (15 << 5) | 7);
    renderAt(16256);
    EXPECT_EQ(back()[row + 100], (15 << 11) | (31 << 5) | 15);
    EXPECT_EQ(back()[row + 200], (23 << 11) | (47 << 5) | 23);
}

TEST_F(Feather, OpacityZeroKeepsTheBackgroundAndSixtyThreeCopiesTheTexel) {
    std::mt19937 rng(11);
    randomPicture(scene->background, rng);
    randomPicture(scene->featherImage, rng);
    fillPicture(scene->featherAlpha, grey(0));
    fillPicture(scene->logoOpacity, grey(0));
    const std::vector<uint16_t> background(scene->background->pixels, scene->background->pixels + SCREEN_PIXELS);
    EXPECT_EQ(renderAt(20000), background);

    // The turning centre shows texel (64, 64) wherever the feather is.
    fillPicture(scene->featherAlpha, grey(63));
    for (uint32_t t : {5000u, 20000u, 31000u}) {
        renderAt(t);
        const int centre = (120 + scene->offsetY) * 320 + 161 + scene->offsetX;
        EXPECT_EQ(back()[centre], scene->featherImage->pixels[64 * 128 + 64]) << t;
    }
    // In between, a true blend.
    fillPicture(scene->featherAlpha, grey(21));
    renderAt(20000);
    const int centre = (120 + scene->offsetY) * 320 + 161 + scene->offsetX;
    EXPECT_EQ(back()[centre], blend565(background[centre], scene->featherImage->pixels[64 * 128 + 64], 21 << 10));
}

TEST_F(Feather, FirstActiveFrameShowsOnlyTheLowerPartOfTheSquare) {
    // t = 3151: offsetY -88, the square's rows -32 .. 95; the rows above the
    // screen are skipped, nothing wraps to the bottom.
    plainPictures(0x0841, 0xF800, 63, 0);
    renderAt(3151);
    int featherRows = 0;
    for (int y = 0; y < 240; y++) {
        bool any = false;
        for (int x = 0; x < 320; x++) any = any || back()[y * 320 + x] == 0xF800;
        if (y >= 96) {
            ASSERT_FALSE(any) << "row " << y;
        } else {
            featherRows += any;
        }
    }
    EXPECT_EQ(featherRows, 96);
    EXPECT_NE(back()[0 * 320 + 161 + scene->offsetX], 0x0841);  // 32 rows above the centre
}

TEST_F(Feather, IndexZeroIsNeverWritten) {
    plainPictures(0x0841, 0xF800, 63, 0);
    scene->update(0);
    // Put the turning centre (always inside the texture) on index 0.
    scene->offsetY = -120;
    scene->offsetX = -161;
    for (bool fast : {true, false}) {
        fast ? scene->render() : renderFeatherReference(*scene);
        EXPECT_EQ(back()[0], 0x0841);
        EXPECT_EQ(back()[1], 0xF800);
    }
    // Off the end of the buffer: the centre one past the last index.
    scene->offsetY = 120;
    scene->offsetX = -161;
    for (bool fast : {true, false}) {
        std::fill(back(), back() + SCREEN_PIXELS, 0);
        fast ? scene->render() : renderFeatherReference(*scene);
        EXPECT_EQ(back()[SCREEN_PIXELS - 1], 0xF800);
    }
}

TEST_F(Feather, IdenticalTimesGiveIdenticalFrames) {
    const std::vector<uint16_t> first = renderAt(20000);
    renderAt(31337);
    EXPECT_NE(frame(), first);
    EXPECT_EQ(renderAt(20000), first);
    scene->render();
    EXPECT_EQ(frame(), first);
}

TEST_F(Feather, FastRenderMatchesThePlainRenderBitForBit) {
    std::mt19937 rng(77);
    auto bothAgree = [&] {
        renderFeatherReference(*scene);
        const std::vector<uint16_t> expected = frame();
        std::fill(back(), back() + SCREEN_PIXELS, 0x5555);
        scene->render();
        return frame() == expected;
    };
    // The generated pictures through the scene's whole window and the fade.
    for (uint32_t t = 3151; t <= 43100; t += 997) {
        scene->update(t);
        ASSERT_TRUE(bothAgree()) << t << " ms";
    }
    for (uint32_t t = 15990; t <= 16270; t++) {
        scene->update(t);
        ASSERT_TRUE(bothAgree()) << t << " ms";
    }
    // Random pictures, times and fields the show never produces.
    for (int round = 0; round < 60; round++) {
        randomPicture(scene->background, rng);
        randomPicture(scene->featherImage, rng);
        randomPicture(scene->featherAlpha, rng);
        randomPicture(scene->logoImage, rng);
        randomPicture(scene->logoOpacity, rng);
        scene->update(rng() % 60000);
        ASSERT_TRUE(bothAgree()) << "round " << round;
        scene->offsetX = static_cast<int32_t>(rng() % 1000) - 500;
        scene->offsetY = static_cast<int32_t>(rng() % 600) - 300;
        scene->swingPhase = static_cast<int32_t>(rng());
        scene->logoVisible = true;
        const int32_t fades[3] = {static_cast<int32_t>(rng()), static_cast<int32_t>(rng() % 257) * 256,
                                  static_cast<int32_t>(rng() % 70000)};
        scene->logoFade = fades[round % 3];
        ASSERT_TRUE(bothAgree()) << "round " << round << " fade " << scene->logoFade;
    }
}

TEST_F(Feather, LoneOpaqueTexelsAreDrawnAtEveryAngle) {
    // The fast path passes over columns that cannot reach an opaque texel;
    // single texels, anywhere (block edges, corners), at any rotation and
    // offset, must still come out exactly as the plain render draws them.
    std::mt19937 rng(99);
    randomPicture(scene->background, rng);
    randomPicture(scene->featherImage, rng);
    for (int round = 0; round < 400; round++) {
        fillPicture(scene->featherAlpha, 0);
        const int count = 1 + round % 3;
        for (int k = 0; k < count; k++) {
            const int u = round % 5 == 0 ? (rng() % 2) * 127 : static_cast<int>(rng() % 128);
            const int v = round % 7 == 0 ? (rng() % 2) * 127 : static_cast<int>(rng() % 128);
            scene->featherAlpha->pixels[v * 128 + u] = grey(1 + static_cast<int>(rng() % 63));
        }
        scene->update(0);
        scene->swingPhase = static_cast<int32_t>(rng());
        scene->offsetX = static_cast<int32_t>(rng() % 101) - 50;
        scene->offsetY = static_cast<int32_t>(rng() % 240) - 120;
        renderFeatherReference(*scene);
        const std::vector<uint16_t> expected = frame();
        scene->render();
        ASSERT_EQ(frame(), expected) << "round " << round << " swing " << scene->swingPhase;
    }
}

TEST(FeatherDeathTest, AShortOpacityPictureStopsStartUp) {
    const std::string dir = makeTempDir();
    ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
    ASSERT_TRUE(writeTestPng(dir + "/data/bg3.png", 320, 240, 3, std::vector<unsigned char>(320 * 240 * 3, 200)));
    ASSERT_TRUE(writeTestPng(dir + "/data/feather.png", 128, 128, 3, std::vector<unsigned char>(128 * 128 * 3, 90)));
    ASSERT_TRUE(
        writeTestPng(dir + "/data/feather_alpha.png", 128, 127, 3, std::vector<unsigned char>(128 * 127 * 3, 255)));
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            if (chdir(dir.c_str()) != 0) exit(9);
            FeatherScene scene(FeatherScene::load());
        },
        ::testing::ExitedWithCode(1),
        "error loading data/feather_alpha.png: expected 128 x 128 pixels, found 128 x 127");
}
