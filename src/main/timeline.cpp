// The schedule lookup and the frame step. The order of updates and renders is
// the show's choreography, kept in the scene table (show.cpp).
#include "main/timeline.h"

#include <cstring>

#include "display/screen.h"
#include "main/show.h"
#include "scenes/transition_overlay.h"

Timeline timeline;

uint32_t scheduleMask(uint32_t t, uint32_t previousMask) {
    if (t == 0) return previousMask;
    for (const ScheduleRow& row : SCHEDULE)
        if (t <= row.lastMs) return row.mask;
    return MASK_END;
}

bool transitionShouldRestart(uint32_t mask, uint32_t previousMask, bool overlayFinished) {
    return mask != previousMask && (mask & MASK_TRANSITION) && overlayFinished && !(previousMask & MASK_TRANSITION);
}

void Timeline::tick() {
    // The show's frame step begins by taking the Screen; it exists long before
    // the first tick, so this only keeps the order of the step.
    Screen::instance();
    const uint32_t now = getTicks();
    if (now <= nextFrameDue) {
        // The frame is due once the clock passes nextFrameDue: sleep until
        // then, but briefly enough that the main loop still answers events.
        const uint32_t wait = nextFrameDue - now + 1;
        sleepMicroseconds(1000 * (wait < IDLE_SLEEP_MAX_MS ? wait : IDLE_SLEEP_MAX_MS));
        return;
    }
    nextFrameDue += FRAME_PERIOD_MS;
    drawFrame(getTicks() - startTicks);
}

void Timeline::drawFrame(uint32_t elapsed) {
    Screen* screen = Screen::instance();
    elapsedMs = elapsed;
    previousMask = sceneMask;
    sceneMask = scheduleMask(elapsedMs, previousMask);
    const uint32_t mask = sceneMask;

    if (transitionOverlay && transitionShouldRestart(mask, previousMask, transitionOverlay->isFinished()))
        transitionOverlay->start(elapsedMs);

    updateShow(mask, elapsedMs);

    screen->lock();
    if (mask & MASK_CLEAR_WHITE) memset(screen->backBuffer, 0xFF, SCREEN_PIXELS * sizeof(uint16_t));
    if (mask & MASK_CLEAR_BLACK) memset(screen->backBuffer, 0x00, SCREEN_PIXELS * sizeof(uint16_t));
    renderShow(mask);
    screen->unlock();
    screen->present();
}
