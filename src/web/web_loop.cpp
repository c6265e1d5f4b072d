// The frame loops shared by the page's live show and its hash mode.
#include "web/web_loop.h"

#include <cinttypes>

#include "capture/frame_selection.h"
#include "display/screen.h"
#include "gfx/frame_hash.h"
#include "main/show_facts.h"
#include "main/timeline.h"

bool showHasEnded(const Timeline& timeline) { return (timeline.sceneMask & MASK_END) != 0; }

int drawDueFrames(Timeline& timeline, int maxFrames) {
    int drawn = 0;
    while (drawn < maxFrames && !showHasEnded(timeline)) {
        const uint32_t due = timeline.nextFrameDue;
        timeline.tick();
        if (timeline.nextFrameDue == due) break;
        drawn++;
    }
    return drawn;
}

uint32_t runHashFrames(const FrameSelection& frames, FILE* out, void (*pause)(uint32_t k), uint32_t pauseEvery) {
    Screen* screen = Screen::instance();
    const uint32_t lastFrame = frames.lastFrame();
    uint32_t k = 0;
    for (;;) {
        k++;
        timeline.drawFrame(FRAME_PERIOD_MS * k);
        if (frames.contains(k))
            fprintf(out, "%u %u %08x %016" PRIx64 "\n", k, timeline.elapsedMs, timeline.sceneMask,
                    frameHash(screen->backBuffer));
        if (showHasEnded(timeline) || k >= lastFrame) break;
        if (pause && pauseEvery > 0 && k % pauseEvery == 0) pause(k);
    }
    fprintf(out, "done\n");
    fflush(out);
    return k;
}
