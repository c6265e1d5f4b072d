// The timeline: frame pacing, the schedule of scene masks and the dispatch of
// scene updates and renders.
#pragma once

#include <cstdint>

#include "main/show_facts.h"

// The mask for a moment of the show from the SCHEDULE; elapsed 0 keeps the
// previous mask.
uint32_t scheduleMask(uint32_t elapsedMs, uint32_t previousMask);

// True when a frame must begin a new transition run.
bool transitionShouldRestart(uint32_t mask, uint32_t previousMask, bool overlayFinished);

// The longest the main loop sleeps between two looks at the clock and the
// event queue: Escape, closing and resizing are answered within this time.
constexpr uint32_t IDLE_SLEEP_MAX_MS = 10;

struct Timeline {
    uint32_t nextFrameDue = 0;
    uint32_t startTicks = 0;
    uint32_t elapsedMs = 0;
    uint32_t previousMask = 0;
    uint32_t sceneMask = 0;

    // The clock: the live show sets SDL_GetTicks and usleep; tests set fakes.
    uint32_t (*getTicks)() = nullptr;
    void (*sleepMicroseconds)(unsigned) = nullptr;

    // Draws a frame when one is due (the due time advances by the period, not
    // from the clock, so a stall is caught up back to back); otherwise sleeps
    // until the frame is due, at most IDLE_SLEEP_MAX_MS, and returns.
    void tick();
    // One frame for the given show time: mask, transition restart, updates,
    // clears, renders, present. The live show and the offline renderer both
    // draw every frame through this.
    void drawFrame(uint32_t elapsed);
};

extern Timeline timeline;
