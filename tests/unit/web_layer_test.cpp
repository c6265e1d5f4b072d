// The browser build's portable parts, run natively: the canvas pixel format,
// the clock that follows the music, the live loop's share of an animation
// frame and the hash mode's frame run and output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/frame_selection.h"
#include "display/screen.h"
#include "gfx/frame_hash.h"
#include "main/timeline.h"
#include "web/canvas_pixels.h"
#include "web/web_clock.h"
#include "web/web_loop.h"

namespace {

std::vector<uint8_t> bytesOf(uint32_t rgba) {
    std::vector<uint8_t> b(4);
    memcpy(b.data(), &rgba, 4);
    return b;
}

TEST(CanvasPixels, EveryValueWidensEachChannelByRepeatingItsTopBits) {
    for (uint32_t v = 0; v <= 0xFFFF; v++) {
        const auto b = bytesOf(rgb565ToRgba(static_cast<uint16_t>(v)));
        const uint32_t r5 = v >> 11, g6 = (v >> 5) & 0x3F, b5 = v & 0x1F;
        ASSERT_EQ(b[0] >> 3, r5) << v;
        ASSERT_EQ(b[0] & 7, r5 >> 2) << v;
        ASSERT_EQ(b[1] >> 2, g6) << v;
        ASSERT_EQ(b[1] & 3, g6 >> 4) << v;
        ASSERT_EQ(b[2] >> 3, b5) << v;
        ASSERT_EQ(b[2] & 7, b5 >> 2) << v;
        ASSERT_EQ(b[3], 0xFF) << v;
    }
}

TEST(CanvasPixels, ExtremesAndPrimariesInMemoryOrder) {
    EXPECT_EQ(bytesOf(rgb565ToRgba(0x0000)), (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_EQ(bytesOf(rgb565ToRgba(0xFFFF)), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(bytesOf(rgb565ToRgba(0xF800)), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(bytesOf(rgb565ToRgba(0x07E0)), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(bytesOf(rgb565ToRgba(0x001F)), (std::vector<uint8_t>{0, 0, 255, 255}));
}

TEST(CanvasPixels, RowConversionTouchesExactlyCountPixels) {
    const uint16_t src[3] = {0xFFFF, 0x0000, 0xF800};
    uint32_t dst[5] = {1, 2, 3, 4, 5};
    rgb565ToRgba(src, dst + 1, 3);
    EXPECT_EQ(dst[0], 1u);
    EXPECT_EQ(dst[1], rgb565ToRgba(uint16_t{0xFFFF}));
    EXPECT_EQ(dst[3], rgb565ToRgba(uint16_t{0xF800}));
    EXPECT_EQ(dst[4], 5u);
}

TEST(WebClock, CountsFromTheOriginOnThePerformanceClockBeforeTheMusic) {
    WebClock clock;
    clock.begin(1000.5);
    EXPECT_EQ(clock.ticks(1000.5, -1), 0u);
    EXPECT_EQ(clock.ticks(1033.9, -1), 33u);
    EXPECT_EQ(clock.ticks(900.0, -1), 33u) << "never backwards";
    EXPECT_EQ(clock.ticks(5000.5, 12.0), 4000u) << "no music yet: the audio clock is ignored";
}

TEST(WebClock, FollowsTheHeardAudioOnceTheMusicStarts) {
    WebClock clock;
    clock.begin(0);
    clock.startMusic(2500.0, 7.25);
    // The sound begins at context time 7.25; until it is heard the clock waits.
    EXPECT_EQ(clock.ticks(2600.0, 7.2), 2500u);
    EXPECT_EQ(clock.ticks(2700.0, 7.25), 2500u);
    // Then it moves with the audio, whatever the performance clock says.
    EXPECT_EQ(clock.ticks(2700.0, 8.25), 3500u);
    EXPECT_EQ(clock.ticks(99999.0, 8.5), 3750u);
    // A suspended context holds the picture with the sound.
    EXPECT_EQ(clock.ticks(120000.0, -1), 3750u);
    EXPECT_EQ(clock.ticks(120000.0, 8.4), 3750u) << "never backwards";
    EXPECT_EQ(clock.ticks(120000.0, 9.0), 4250u);
}

TEST(WebClock, WithoutAnAudioClockThePerformanceClockGoesOn) {
    WebClock clock;
    clock.begin(100);
    clock.startMusic(600, -1);
    EXPECT_EQ(clock.ticks(600, -1), 500u);
    EXPECT_EQ(clock.ticks(1600, 3.0), 1500u);
}

TEST(WebClock, SaturatesInsteadOfWrapping) {
    WebClock clock;
    clock.begin(10);
    EXPECT_EQ(clock.ticks(5, -1), 0u);
    EXPECT_EQ(clock.ticks(1e13, -1), 4294967295u);
    WebClock audio;
    audio.begin(0);
    audio.startMusic(0, 0);
    EXPECT_EQ(audio.ticks(0, 1e12), 4294967295u);
}

uint32_t fakeNow;
uint32_t fakeTicks() { return fakeNow; }
void noSleep(unsigned) {}

struct WebLoop : ::testing::Test {
    void SetUp() override {
        Screen::instance();
        timeline = Timeline();
        timeline.getTicks = fakeTicks;
        timeline.sleepMicroseconds = noSleep;
        fakeNow = 0;
    }
};

TEST_F(WebLoop, DrawsEveryDueFrameUpToTheCapThenContinuesNextTime) {
    timeline.startTicks = 1000;
    fakeNow = 1000;  // 1000 ms of loading: 31 frames due (0, 33, ..., 990)
    EXPECT_EQ(drawDueFrames(timeline, 8), 8);
    EXPECT_EQ(timeline.nextFrameDue, 8u * 33);
    EXPECT_EQ(drawDueFrames(timeline, 100), 23);
    EXPECT_EQ(timeline.nextFrameDue, 31u * 33);
    EXPECT_EQ(drawDueFrames(timeline, 100), 0) << "nothing due until the clock passes 1023";
    fakeNow = 1024;
    EXPECT_EQ(drawDueFrames(timeline, 100), 1);
    EXPECT_EQ(timeline.elapsedMs, 24u);
}

TEST_F(WebLoop, StopsAtTheEndOfTheShow) {
    timeline.startTicks = 0;
    timeline.nextFrameDue = SHOW_END_MS;
    fakeNow = SHOW_END_MS + 100;  // four frames due, the first already past the end
    EXPECT_EQ(drawDueFrames(timeline, 8), 1);
    EXPECT_TRUE(showHasEnded(timeline));
    EXPECT_EQ(drawDueFrames(timeline, 8), 0);
}

std::string readAll(FILE* f) {
    rewind(f);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    return text;
}

std::vector<uint32_t> pauses;
void recordPause(uint32_t k) { pauses.push_back(k); }

std::string hex16(uint64_t v) {
    char s[17];
    snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(v));
    return s;
}

// The hash run's output for a frame list; *lastFrame gets what the run returns.
std::string hashRun(const char* list, void (*pause)(uint32_t), uint32_t every, uint32_t* lastFrame) {
    FrameSelection frames;
    std::string error;
    EXPECT_TRUE(frames.parseList(list, &error)) << error;
    FILE* out = tmpfile();
    if (!out) {
        ADD_FAILURE() << "no temporary file";
        return "";
    }
    *lastFrame = runHashFrames(frames, out, pause, every);
    const std::string text = readAll(out);
    fclose(out);
    return text;
}

// No scene is loaded here, so the frames are the clears alone: white up to
// 3150 ms, kept from then on.
TEST_F(WebLoop, HashRunPrintsTheListedFramesInTheCaptureFormatThenDone) {
    pauses.clear();
    uint32_t lastFrame = 0;
    const std::string text = hashRun("96,2,1,10", recordPause, 40, &lastFrame);
    EXPECT_EQ(lastFrame, 96u);
    std::vector<uint16_t> white(SCREEN_PIXELS, 0xFFFF);
    const std::string h = hex16(frameHash(white.data()));
    EXPECT_EQ(text, "1 33 00100001 " + h + "\n2 66 00100001 " + h + "\n10 330 00100001 " + h + "\n96 3168 00000011 " +
                        h + "\ndone\n");
    EXPECT_EQ(pauses, (std::vector<uint32_t>{40, 80}));
}

TEST_F(WebLoop, HashRunEndsAtTheShowsLastFrame) {
    uint32_t lastFrame = 0;
    const std::string text = hashRun("7575-7576", nullptr, 0, &lastFrame);
    EXPECT_EQ(lastFrame, LAST_SHOW_FRAME);
    ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_EQ(text.substr(0, 21), "7575 249975 00080001 ");
    const size_t last = text.find('\n') + 1;
    EXPECT_EQ(text.substr(last, 21), "7576 250008 80000000 ");
    EXPECT_EQ(text.substr(text.size() - 5), "done\n");
}

}  // namespace
