// The offline renderer draws exactly what the live show draws: the show's own
// start-up on the SDL Screen (dummy video driver), then the live frame step at
// 33 x k ms, hashed frame by frame and compared with ambrelle-capture --hash.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "display/screen.h"
#include "gfx/frame_hash.h"
#include "gfx/text_console.h"
#include "main/show.h"
#include "main/timeline.h"

namespace {
struct CapturedFrame {
    uint32_t k, elapsedMs, mask;
    uint64_t hash;
};

// Runs the capture tool over frames 1 .. last and reads its hash lines.
std::vector<CapturedFrame> runCapture(uint32_t last) {
    const std::string command =
        std::string(AMBRELLE_CAPTURE) + " -C " + AMBRELLE_BUILD_DIR + " --hash --frames 1-" + std::to_string(last);
    std::vector<CapturedFrame> frames;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return frames;
    CapturedFrame f;
    unsigned long long hash = 0;
    while (fscanf(out, "%" SCNu32 " %" SCNu32 " %" SCNx32 " %llx", &f.k, &f.elapsedMs, &f.mask, &hash) == 4) {
        f.hash = hash;
        frames.push_back(f);
    }
    EXPECT_EQ(pclose(out), 0) << command;
    return frames;
}

}  // namespace

TEST(CaptureEquality, LiveFrameStepMatchesTheCaptureToolOverTheWholeShow) {
    const uint32_t last = SHOW_END_MS / FRAME_PERIOD_MS + 1;  // the frame that carries the end marker
    const std::vector<CapturedFrame> captured = runCapture(last);
    ASSERT_EQ(captured.size(), last);

    // The live start-up, as the entry point runs it, minus the audio device.
    ASSERT_EQ(chdir(AMBRELLE_BUILD_DIR), 0);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fullScreen = 0;
    Screen* screen = Screen::instance();
    ASSERT_NE(screen->surface, nullptr);
    startShow(StartupHooks());

    int mismatches = 0;
    for (uint32_t k = 1; k <= last; k++) {
        timeline.drawFrame(FRAME_PERIOD_MS * k);
        const CapturedFrame& c = captured[k - 1];
        const uint64_t hash = frameHash(screen->backBuffer);
        if (c.k != k || c.elapsedMs != FRAME_PERIOD_MS * k || c.mask != timeline.sceneMask || c.hash != hash) {
            ADD_FAILURE() << "frame " << k << ": live " << timeline.elapsedMs << " " << std::hex << timeline.sceneMask
                          << " " << hash << ", capture " << std::dec << c.k << " " << c.elapsedMs << " " << std::hex
                          << c.mask << " " << c.hash;
            if (++mismatches == 10) break;
        }
    }
    EXPECT_EQ(timeline.sceneMask, MASK_END);

    destroyShow();
    delete TextConsole::instance();
    delete screen;
}
