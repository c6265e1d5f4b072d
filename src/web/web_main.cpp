// The browser's entry point. The page calls main with no arguments to play
// the show (after its start button, so sound is allowed), or with
// "--hash LIST" to render the listed frames offline and print their hashes.
// The show itself is the native one: the same start-up, frame step and
// present scaler; only the clock, the music and the event loop are the page's.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capture/frame_selection.h"
#include "display/screen.h"
#include "gfx/text_console.h"
#include "main/show.h"
#include "main/timeline.h"
#include "web/web_clock.h"
#include "web/web_loop.h"
#include "web/web_page.h"
#include "web/web_screen.h"

namespace {
// At most this many frames per animation frame: a long stall (a hidden tab)
// is caught up over several animation frames, each frame still drawn with
// its true elapsed time.
constexpr int MAX_FRAMES_PER_ANIMATION_FRAME = 8;
// Hash mode lets the page repaint after this many frames.
constexpr uint32_t HASH_FRAMES_PER_PAUSE = 256;

WebClock showClock;

uint32_t webTicks() { return showClock.ticks(pageNowMs(), pageHeardAudioSeconds()); }
void noSleep(unsigned) {}

// The start moment: the music must be decoded first (the browser does it
// while the show loads), then clock and music start together.
void startClockAndMusic() {
    setWebPaintAfterPresent(false);
    while (pageMusicState() == 0) pageBreathe();
    if (pageMusicState() < 0) {
        fprintf(stderr, "!ogg\n");
        pageShowEnded(1);
        exit(1);
    }
    showClock.startMusic(pageNowMs(), pageStartMusic());
    timeline.getTicks = webTicks;
    timeline.sleepMicroseconds = noSleep;
    timeline.startTicks = webTicks();
    setWebPaintAfterPresent(true);
}

void endShow(int status) {
    pageStopMusic();
    destroyShow();
    delete TextConsole::instance();
    delete Screen::instance();
    pageShowEnded(status);
}

EM_BOOL animationFrame(double, void*) {
    if (pageEscapeReleased()) {
        endShow(0);
        return EM_FALSE;
    }
    Screen* screen = Screen::instance();
    int w = 0, h = 0;
    pageWindowSize(&w, &h);
    if (w / 2 * 2 != screen->windowWidth || h / 2 * 2 != screen->windowHeight) screen->resize(w, h);
    drawDueFrames(timeline, MAX_FRAMES_PER_ANIMATION_FRAME);
    if (showHasEnded(timeline)) {
        endShow(0);
        return EM_FALSE;
    }
    return EM_TRUE;
}

void hashPause(uint32_t) {
    showBackBufferNow();
    pageBreathe();
}

int runHashMode(const char* list) {
    FrameSelection frames;
    std::string error;
    if (!frames.parseList(list, &error)) {
        // The parser speaks of --frames; here the list is the hash parameter.
        const std::string flag = "--frames: ";
        if (error.compare(0, flag.size(), flag) == 0) error.erase(0, flag.size());
        fprintf(stderr, "ambrelle: hash: %s\n", error.c_str());
        pageShowEnded(2);
        return 2;
    }
    pageSetState("loading");
    setWebPresenting(false);
    Screen::instance();
    startShow(StartupHooks());
    pageSetState("hashing");
    const double start = pageNowMs();
    const uint32_t drawn = runHashFrames(frames, stdout, hashPause, HASH_FRAMES_PER_PAUSE);
    pageHashTiming(drawn, pageNowMs() - start);
    showBackBufferNow();
    destroyShow();
    delete TextConsole::instance();
    delete Screen::instance();
    pageShowEnded(0);
    return 0;
}
}  // namespace

// The page (and its test) reads how far the show has come.
extern "C" EMSCRIPTEN_KEEPALIVE uint32_t ambrelleElapsedMs() { return timeline.elapsedMs; }

int main(int argc, char** argv) {
    fullScreen = 0;
    if (argc == 3 && strcmp(argv[1], "--hash") == 0) return runHashMode(argv[2]);
    if (argc != 1) {
        fprintf(stderr, "ambrelle: usage: main() or main(--hash LIST)\n");
        pageShowEnded(2);
        return 2;
    }
    pageSetState("loading");
    showClock.begin(pageNowMs());
    setWebPaintAfterPresent(true);
    Screen::instance();
    StartupHooks hooks;
    hooks.beforeLastStep = startClockAndMusic;
    startShow(hooks);
    setWebPaintAfterPresent(false);
    pageSetState("playing");
    emscripten_request_animation_frame_loop(animationFrame, nullptr);
    return 0;
}
