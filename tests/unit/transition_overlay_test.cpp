// The transition overlay: run timing, picture cycling, the restart rule as the
// timeline applies it, and the fast render against the plain one, bit for bit.
// Runs in the build directory, where data/ holds the generated pictures.
#include "scenes/transition_overlay.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "display/screen.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "main/show.h"
#include "main/timeline.h"
#include "scenes/reference/transition_reference.h"
#include "support/test_png.h"

namespace {

uint16_t* back() { return Screen::instance()->backBuffer; }
std::vector<uint16_t> frame() { return std::vector<uint16_t>(back(), back() + SCREEN_PIXELS); }
void fillBack(uint16_t v) { std::fill(back(), back() + SCREEN_PIXELS, v); }
void fillPicture(Image* p, uint16_t v) { std::fill(p->pixels, p->pixels + p->pixelCount, v); }
uint16_t pattern(int red, int blue) { return static_cast<uint16_t>((red << 11) | blue); }

// Fills the back buffer with noise, about one pixel in eight pure white.
void randomBack(std::mt19937& rng) {
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const uint32_t r = rng();
        back()[i] = (r & 7) == 0 ? 0xFFFF : static_cast<uint16_t>(r >> 8);
    }
}

struct Overlay : ::testing::Test {
    TransitionOverlay* overlay = nullptr;
    void SetUp() override {
        Screen::instance();
        overlay = new TransitionOverlay(TransitionOverlay::load());
    }
    void TearDown() override { delete overlay; }
};

}  // namespace

TEST_F(Overlay, ConstructionStateIsARunFromTimeZeroWithPictureOne) {
    EXPECT_EQ(overlay->startMs, 0u);
    EXPECT_EQ(overlay->pictureIndex, 1);
    EXPECT_FALSE(overlay->isFinished());
    for (Image* p : overlay->pictures) {
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->width, 320);
        EXPECT_EQ(p->height, 240);
    }
}

TEST_F(Overlay, WorkedPixelOfTheFirstHalf) {
    // level = phase = 100, black pixel, pattern red 0 blue 0: v = 200 & 127 =
    // 72 folded to 55, w = 27: 0x6B6D. Other pictures would give otherwise.
    for (Image* p : overlay->pictures) fillPicture(p, pattern(0, 5));
    fillPicture(overlay->pictures[1], pattern(0, 0));
    overlay->update(1600);
    ASSERT_EQ(overlay->level, 100);
    ASSERT_EQ(overlay->phase, 100);
    for (bool fast : {true, false}) {
        fillBack(0x0000);
        fast ? overlay->render() : renderTransitionReference(*overlay);
        for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0x6B6D) << i << (fast ? " fast" : " plain");
    }
    // The same pattern place reached through blue - red: red 3, blue 3.
    fillPicture(overlay->pictures[1], pattern(3, 3));
    fillBack(0x0000);
    overlay->render();
    EXPECT_EQ(back()[12345], 0x6B6D);
}

TEST_F(Overlay, AllWhiteFrameIsLeftUnchangedAtEveryLevel) {
    std::mt19937 rng(5);
    for (Image* p : overlay->pictures)
        for (int i = 0; i < p->pixelCount; i++) p->pixels[i] = static_cast<uint16_t>(rng());
    for (uint32_t t = 0; t <= 6200; t += 16) {
        overlay->update(t);
        for (bool fast : {true, false}) {
            fillBack(0xFFFF);
            fast ? overlay->render() : renderTransitionReference(*overlay);
            for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0xFFFF) << t << " ms, pixel " << i;
        }
    }
}

TEST_F(Overlay, NothingChangesUpToLevel65AndFromLevel319) {
    std::mt19937 rng(6);
    randomBack(rng);
    const std::vector<uint16_t> before = frame();
    for (uint32_t t : {0u, 1055u, 5104u, 6159u}) {
        overlay->update(t);
        overlay->render();
        ASSERT_EQ(frame(), before) << t << " ms";
    }
    overlay->update(1056);  // level 66: the first brightened pixels
    overlay->render();
    EXPECT_NE(frame(), before);
}

TEST_F(Overlay, MidpointSwitchesToTheSecondHalfBeforeThePicture) {
    std::mt19937 rng(7);
    overlay->update(3071);  // level 191: first half, all white
    EXPECT_EQ(overlay->level, 191);
    randomBack(rng);
    overlay->render();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0xFFFF);
    for (uint32_t t = 3072; t <= 3087; t++) {
        overlay->update(t);
        EXPECT_EQ(overlay->level, 192);
        EXPECT_EQ(overlay->pictureIndex, 1) << t;
        EXPECT_FALSE(overlay->pictureAdvanced);
        randomBack(rng);
        overlay->render();
        for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0xFFFF) << t;
    }
    overlay->update(3088);
    EXPECT_EQ(overlay->level, 193);
    EXPECT_EQ(overlay->pictureIndex, 2);
    EXPECT_TRUE(overlay->pictureAdvanced);
    // Later updates of the same run do not advance it again.
    overlay->update(4000);
    EXPECT_EQ(overlay->pictureIndex, 2);
}

TEST_F(Overlay, RunEndsAt6160AndThenDrawsNothing) {
    overlay->update(6159);
    EXPECT_EQ(overlay->level, 384);
    EXPECT_FALSE(overlay->isFinished());
    overlay->update(6160);
    EXPECT_EQ(overlay->level, 384);
    EXPECT_EQ(overlay->phase, 385);
    EXPECT_TRUE(overlay->isFinished());
    std::mt19937 rng(8);
    randomBack(rng);
    const std::vector<uint16_t> before = frame();
    overlay->render();
    EXPECT_EQ(frame(), before);
    renderTransitionReference(*overlay);
    EXPECT_EQ(frame(), before);
}

TEST_F(Overlay, RunsCycleThroughTheFivePicturesTwoAtATime) {
    // Construction run: trans2 then trans3; then trans4/trans5, trans1/trans2,
    // trans3/trans4, trans5/trans1, and round again.
    const int expected[][2] = {{1, 2}, {3, 4}, {0, 1}, {2, 3}, {4, 0}, {1, 2}};
    uint32_t start = 0;
    for (const auto& run : expected) {
        if (start > 0) overlay->start(start);
        EXPECT_FALSE(overlay->isFinished());
        overlay->update(start + 100);
        EXPECT_EQ(overlay->pictureIndex, run[0]) << "run from " << start;
        overlay->update(start + 3200);
        EXPECT_EQ(overlay->pictureIndex, run[1]) << "run from " << start;
        overlay->update(start + 7000);
        EXPECT_TRUE(overlay->isFinished());
        start += 20000;
    }
}

TEST_F(Overlay, StartLeavesLevelAndPhaseUntilTheNextUpdate) {
    overlay->update(2000);
    overlay->start(10000);
    EXPECT_EQ(overlay->startMs, 10000u);
    EXPECT_EQ(overlay->level, 125);
    EXPECT_EQ(overlay->phase, 125);
    overlay->update(10016);
    EXPECT_EQ(overlay->level, 1);
}

TEST_F(Overlay, FastRenderMatchesThePlainPassBitForBit) {
    std::mt19937 rng(2024);
    std::vector<uint16_t> input;
    // Renders the same frame both ways; true if they agree.
    auto bothAgree = [&] {
        std::copy(input.begin(), input.end(), back());
        renderTransitionReference(*overlay);
        const std::vector<uint16_t> expected = frame();
        std::copy(input.begin(), input.end(), back());
        overlay->render();
        return frame() == expected;
    };
    // Every level of a run, with random pictures, frames and run starts.
    for (int round = 0; round < 2; round++) {
        for (Image* p : overlay->pictures)
            for (int i = 0; i < p->pixelCount; i++) p->pixels[i] = static_cast<uint16_t>(rng());
        overlay->start(rng() % 100000);
        for (uint32_t a = 0; a <= 6200; a += 16) {
            if (a % 256 == 0) {
                randomBack(rng);
                input = frame();
            }
            overlay->update(overlay->startMs + a + rng() % 16);
            ASSERT_TRUE(bothAgree()) << "level " << overlay->level << " phase " << overlay->phase;
        }
    }
    // Field values no run produces: negative or huge phases, levels outside
    // the run, a time far before the run's start.
    for (int round = 0; round < 200; round++) {
        overlay->finished = false;
        overlay->level = static_cast<int32_t>(rng() % 420) - 20;
        overlay->phase = static_cast<int32_t>(rng());
        overlay->pictureIndex = static_cast<int32_t>(rng() % 5);
        if (round % 16 == 0) {
            randomBack(rng);
            input = frame();
        }
        ASSERT_TRUE(bothAgree()) << "level " << overlay->level << " phase " << overlay->phase;
    }
    overlay->start(5000);
    overlay->update(100);  // before the start: the run counts as long over
    EXPECT_TRUE(overlay->isFinished());
}

// The timeline's restart rule with a real overlay: the first run plays from
// the construction state, later runs restart only when the mask gains the
// transition bit while the previous run has finished.
TEST_F(Overlay, TimelineRestartsOnlyWhenTheMaskGainsTheBitAfterAFinishedRun) {
    TransitionOverlay* savedOverlay = transitionOverlay;
    Image* savedSky = skyPicture;
    transitionOverlay = overlay;
    skyPicture = nullptr;
    Timeline timeline;

    fillBack(0x1234);
    timeline.drawFrame(33);  // 0 -> 0x100001: not finished, so no start
    EXPECT_EQ(timeline.sceneMask, 0x100001u);
    EXPECT_EQ(overlay->startMs, 0u);
    EXPECT_EQ(overlay->pictureIndex, 1);
    EXPECT_EQ(overlay->level, 2);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0xFFFF);  // white clear, left white

    timeline.drawFrame(3200);
    EXPECT_EQ(overlay->pictureIndex, 2);
    timeline.drawFrame(6200);
    EXPECT_TRUE(overlay->isFinished());
    timeline.drawFrame(6201);  // 0x10: the overlay is neither updated nor drawn

    timeline.drawFrame(40001);  // gains the bit, previous run finished: start
    EXPECT_EQ(timeline.sceneMask, 0x11u);
    EXPECT_EQ(overlay->startMs, 40001u);
    EXPECT_EQ(overlay->pictureIndex, 3);
    EXPECT_EQ(overlay->level, 0);
    EXPECT_FALSE(overlay->isFinished());

    overlay->finished = true;
    timeline.drawFrame(43101);  // 0x11 -> 0x3: the previous mask had the bit
    EXPECT_EQ(overlay->startMs, 40001u);
    overlay->finished = false;
    overlay->update(43101);

    timeline.drawFrame(50001);  // 0x2: the unfinished run is frozen
    EXPECT_FALSE(overlay->isFinished());
    fillBack(0x4321);
    timeline.drawFrame(62001);  // gains the bit, but the old run goes on...
    EXPECT_EQ(overlay->startMs, 40001u);
    EXPECT_EQ(overlay->pictureIndex, 4);
    EXPECT_TRUE(overlay->isFinished());  // ...and ends at once
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(back()[i], 0x4321);

    transitionOverlay = savedOverlay;
    skyPicture = savedSky;
}

TEST(OverlayDeathTest, ASmallTransitionPictureStopsStartUp) {
    const std::string dir = makeTempDir();
    ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
    const std::vector<unsigned char> full(320 * 240 * 3, 128), small(320 * 239 * 3, 128);
    for (int i = 1; i <= 5; i++) {
        const std::string path = dir + "/data/trans" + std::to_string(i) + ".png";
        ASSERT_TRUE(writeTestPng(path, 320, i == 3 ? 239 : 240, 3, i == 3 ? small : full));
    }
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            if (chdir(dir.c_str()) != 0) exit(9);
            TransitionOverlay overlay(TransitionOverlay::load());
        },
        ::testing::ExitedWithCode(1), "error loading data/trans3.png: expected 320 x 240 pixels, found 320 x 239");
}
