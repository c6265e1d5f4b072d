// The entry point: loading screen, start-up, the main loop and shutdown.
#include <SDL.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen.h"
#include "gfx/text_console.h"
#include "main/audio.h"
#include "main/data_location.h"
#include "main/music.h"
#include "main/show.h"
#include "main/show_options.h"
#include "main/timeline.h"

namespace {
uint32_t sdlTicks() { return SDL_GetTicks(); }
void sleepMicroseconds(unsigned us) { usleep(us); }

bool nameEndsInW(const char* name) {
    if (!name) return false;
    const size_t n = strlen(name);
    return n > 0 && name[n - 1] == 'w';
}

void setUpWindow() {
    SDL_WM_SetCaption("ambrelle by tornvale", nullptr);
    SDL_EnableKeyRepeat(200, 30);
}

// SIGTERM and SIGINT end the show as closing the window does: the main loop
// leaves at its next pass and the audio device is closed. Installed before
// SDL starts, so SDL keeps its hands off them.
volatile sig_atomic_t stopSignal = 0;
void onStopSignal(int signal) { stopSignal = signal; }
void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The show's clock starts once everything is in memory; the music follows.
void startClockAndMusic() {
    timeline.getTicks = sdlTicks;
    timeline.sleepMicroseconds = sleepMicroseconds;
    timeline.startTicks = SDL_GetTicks();
    if (!openAudioDevice()) {
        fprintf(stderr, "Couldn't open audio: %s\n", SDL_GetError());
        fprintf(stderr, "Run with --no-sound to play the show without sound.\n");
        exit(1);
    }
    if (!openMusicStream(MUSIC_PATH)) {
        fprintf(stderr, "!ogg\n");
        exit(1);
    }
}
}  // namespace

int main(int argc, char** argv) {
    catchStopSignals();
    if (nameEndsInW(argc > 0 ? argv[0] : nullptr)) fullScreen = 0;
    // Options win over the name rule; without any the show starts as always.
    const int status = takeShowCommandLine(argc, argv);
    if (status >= 0) return status;

    Screen* screen = Screen::instance();
    StartupHooks hooks;
    hooks.afterFont = setUpWindow;
    hooks.beforeLastStep = startClockAndMusic;
    startShow(hooks);
    releaseDataLink();
    SDL_PauseAudio(0);

    bool quit = false;
    while (!quit) {
        timeline.tick();
        quit = static_cast<int32_t>(timeline.sceneMask) < 0;
        if (stopSignal) quit = true;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT)
                quit = true;
            else if (event.type == SDL_VIDEORESIZE)
                screen->resize(event.resize.w, event.resize.h);
            else if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE)
                quit = true;
        }
    }

    destroyShow();
    closeAudioDevice();
    closeMusicStream();
    delete TextConsole::instance();
    delete screen;
    return 0;
}
