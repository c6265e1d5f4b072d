// The schedule, the transition restart rule and the frame pacing.
#include "main/timeline.h"

#include <gtest/gtest.h>

#include <cstring>

#include "display/screen.h"

TEST(Schedule, BoundariesOfEveryRange) {
    const struct {
        uint32_t ms, mask;
    } cases[] = {{1, 0x100001},     {3150, 0x100001},   {3151, 0x11},          {6200, 0x11},    {6201, 0x10},
                 {40000, 0x10},     {40001, 0x11},      {43100, 0x11},         {43101, 0x3},    {50000, 0x3},
                 {50001, 0x2},      {62000, 0x2},       {62001, 0x3},          {65100, 0x3},    {65101, 0x61},
                 {69000, 0x61},     {69001, 0x60},      {85000, 0x60},         {85001, 0x61},   {88100, 0x61},
                 {88101, 0x81},     {92000, 0x81},      {92001, 0x80},         {135000, 0x80},  {135001, 0x81},
                 {138100, 0x81},    {138101, 0x5},      {142000, 0x5},         {142001, 0x4},   {180000, 0x4},
                 {180001, 0x5},     {183100, 0x5},      {183101, 0x9},         {187000, 0x9},   {187001, 0x8},
                 {230000, 0x8},     {230001, 0x9},      {233100, 0x9},         {233101, 0x101}, {236500, 0x101},
                 {236501, 0x100},   {244000, 0x100},    {244001, 0x101},       {247100, 0x101}, {247101, 0x80001},
                 {250000, 0x80001}, {250001, MASK_END}, {0xFFFFFFFF, MASK_END}};
    for (const auto& c : cases) EXPECT_EQ(scheduleMask(c.ms, 0x1234), c.mask) << c.ms << " ms";
}

TEST(Schedule, ElapsedZeroKeepsThePreviousMask) {
    EXPECT_EQ(scheduleMask(0, 0), 0u);
    EXPECT_EQ(scheduleMask(0, 0x61), 0x61u);
}

TEST(Schedule, TransitionRestartRule) {
    // Gains the bit, overlay finished: restart.
    EXPECT_TRUE(transitionShouldRestart(0x11, 0x10, true));
    // Overlay still running: the old run continues.
    EXPECT_FALSE(transitionShouldRestart(0x11, 0x10, false));
    // 0x11 -> 0x3 at 43101 ms: the previous mask already had the bit.
    EXPECT_FALSE(transitionShouldRestart(0x3, 0x11, true));
    // Unchanged mask, or a mask without the bit.
    EXPECT_FALSE(transitionShouldRestart(0x11, 0x11, true));
    EXPECT_FALSE(transitionShouldRestart(0x10, 0x11, true));
    // The first frame (0 -> 0x100001) would restart only if the overlay were
    // finished, which its construction state is not.
    EXPECT_FALSE(transitionShouldRestart(0x100001, 0, false));
}

TEST(Schedule, RestartMomentsAcrossTheWholeShow) {
    // Walking the show frame by frame with an always-finished overlay, the
    // mask gains bit 0x1 exactly at these moments (and at the first frame).
    std::vector<uint32_t> restarts;
    uint32_t mask = 0;
    for (uint32_t t = 1; t <= SHOW_END_MS; t++) {
        const uint32_t previous = mask;
        mask = scheduleMask(t, previous);
        if (transitionShouldRestart(mask, previous, true)) restarts.push_back(t);
    }
    const std::vector<uint32_t> expected = {1, 40001, 62001, 85001, 135001, 180001, 230001, 244001};
    EXPECT_EQ(restarts, expected);
}

namespace {
uint32_t fakeNow;
int sleeps;
unsigned lastSleep;
bool sleepAdvancesClock;  // the fake clock moves on by whole milliseconds slept
uint32_t fakeTicks() { return fakeNow; }
void fakeSleep(unsigned us) {
    lastSleep = us;
    sleeps++;
    if (sleepAdvancesClock) fakeNow += us / 1000;
}

struct Pacing : ::testing::Test {
    Timeline t;
    void SetUp() override {
        Screen::instance();
        fakeNow = 0;
        sleeps = 0;
        lastSleep = 0;
        sleepAdvancesClock = false;
        t.getTicks = fakeTicks;
        t.sleepMicroseconds = fakeSleep;
    }
    // Ticks until the clock's due frames are all drawn; returns frames drawn.
    int drain() {
        int frames = 0;
        for (;;) {
            const uint32_t due = t.nextFrameDue;
            t.tick();
            if (t.nextFrameDue == due) return frames;
            frames++;
        }
    }
};
}  // namespace

TEST_F(Pacing, ClockEqualToDueDrawsNothing) {
    t.nextFrameDue = 1000;
    fakeNow = 1000;
    t.tick();
    EXPECT_EQ(t.nextFrameDue, 1000u);
    EXPECT_EQ(sleeps, 1);
    fakeNow = 1001;
    t.tick();
    EXPECT_EQ(t.nextFrameDue, 1033u);
    EXPECT_EQ(sleeps, 1);
}

TEST_F(Pacing, IdleTicksSleepUntilTheFrameIsDueInBoundedSteps) {
    t.nextFrameDue = 1000;
    const struct {
        uint32_t now;
        unsigned sleptUs;
    } cases[] = {{1000, 1000}, {999, 2000}, {992, 9000}, {991, 10000}, {967, 10000}, {0, 10000}};
    for (const auto& c : cases) {
        fakeNow = c.now;
        t.tick();
        EXPECT_EQ(lastSleep, c.sleptUs) << c.now;
        EXPECT_EQ(t.nextFrameDue, 1000u);
    }
    // A clock that has wrapped below a due time near the top of the range
    // still sleeps only the bounded step.
    t.nextFrameDue = UINT32_MAX - 5;
    fakeNow = 3;
    t.tick();
    EXPECT_EQ(lastSleep, 10000u);
    EXPECT_EQ(sleeps, 7);
}

TEST_F(Pacing, EveryFrameIsDrawnTheMillisecondItIsDue) {
    sleepAdvancesClock = true;
    t.startTicks = 2000;
    t.nextFrameDue = 2000;
    fakeNow = 2000;
    uint32_t due = t.nextFrameDue;
    int frames = 0;
    while (frames < 60) {
        t.tick();
        if (t.nextFrameDue == due) continue;  // slept
        // Drawn at the first clock reading past the due time.
        EXPECT_EQ(fakeNow, due + 1) << frames;
        EXPECT_EQ(t.elapsedMs, due + 1 - t.startTicks);
        due = t.nextFrameDue;
        frames++;
    }
    // One 1 ms sleep before the first frame, then 10 + 10 + 10 + 3 ms between
    // frames: never a spin.
    EXPECT_EQ(sleeps, 1 + 4 * 59);
}

TEST_F(Pacing, ElapsedIsASecondClockReadingMinusStart) {
    t.startTicks = 500;
    t.nextFrameDue = 1000;
    fakeNow = 1650;
    t.tick();
    EXPECT_EQ(t.elapsedMs, 1150u);
    EXPECT_EQ(t.sceneMask, 0x100001u);
    EXPECT_EQ(t.previousMask, 0u);
}

TEST_F(Pacing, LoadingTimeIsCaughtUpBackToBack) {
    // Loading took 3300 ms of SDL clock before the show's start moment.
    t.startTicks = 3300;
    fakeNow = 3300;
    EXPECT_EQ(drain(), 100);
    EXPECT_EQ(t.nextFrameDue, 3300u);
    // From then on exactly one frame per 33 ms.
    fakeNow += 1;
    EXPECT_EQ(drain(), 1);
    fakeNow += 32;
    EXPECT_EQ(drain(), 0);
    fakeNow += 1;
    EXPECT_EQ(drain(), 1);
    EXPECT_EQ(t.nextFrameDue, 3366u);
}

TEST_F(Pacing, StallIsCaughtUpButTheDueTimeDoesNotJump) {
    t.nextFrameDue = 10000;
    fakeNow = 10000 + 33 * 5 + 1;
    EXPECT_EQ(drain(), 6);
    EXPECT_EQ(t.nextFrameDue, 10000u + 33 * 6);
}

TEST_F(Pacing, FrameAtElapsedZeroKeepsMaskAndFirstFrameIsPresentedUncleared) {
    Screen* screen = Screen::instance();
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = static_cast<uint16_t>(i * 7);
    t.drawFrame(0);
    EXPECT_EQ(t.sceneMask, 0u);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], static_cast<uint16_t>(i * 7));
    t.drawFrame(100);
    EXPECT_EQ(t.sceneMask, 0x100001u);
    t.drawFrame(0);
    EXPECT_EQ(t.sceneMask, 0x100001u);
}

TEST_F(Pacing, ClearsFollowTheMask) {
    Screen* screen = Screen::instance();
    memset(screen->backBuffer, 0x12, SCREEN_PIXELS * 2);
    t.drawFrame(2000);  // white clear (the transition draws nothing without an overlay)
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], 0xFFFF);
    t.drawFrame(248000);  // black clear
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], 0x0000);
    memset(screen->backBuffer, 0x34, SCREEN_PIXELS * 2);
    t.drawFrame(250001);  // the end: nothing drawn
    EXPECT_EQ(t.sceneMask, MASK_END);
    EXPECT_LT(static_cast<int32_t>(t.sceneMask), 0);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], 0x3434);
}
