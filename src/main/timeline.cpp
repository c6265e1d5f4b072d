// The schedule and the frame step. The order of updates and renders is the
// show's choreography: the sky picture replaces whatever was drawn before it
// and the transition overlay always draws last.
#include "main/timeline.h"

#include <cstring>

#include "display/screen.h"
#include "gfx/image.h"
#include "main/show.h"
#include "scenes/feather_scene.h"
#include "scenes/transition_overlay.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/backdrop_scene.h"
#include "scenes/rain_scene.h"

Timeline timeline;

uint32_t scheduleMask(uint32_t t, uint32_t previousMask) {
    if (t == 0) return previousMask;
    if (t <= 3150) return 0x100001;
    if (t <= 6200) return 0x11;
    if (t <= 40000) return 0x10;
    if (t <= 43100) return 0x11;
    if (t <= 50000) return 0x3;
    if (t <= 62000) return 0x2;
    if (t <= 65100) return 0x3;
    if (t <= 69000) return 0x61;
    if (t <= 85000) return 0x60;
    if (t <= 88100) return 0x61;
    if (t <= 92000) return 0x81;
    if (t <= 135000) return 0x80;
    if (t <= 138100) return 0x81;
    if (t <= 142000) return 0x5;
    if (t <= 180000) return 0x4;
    if (t <= 183100) return 0x5;
    if (t <= 187000) return 0x9;
    if (t <= 230000) return 0x8;
    if (t <= 233100) return 0x9;
    if (t <= 236500) return 0x101;
    if (t <= 244000) return 0x100;
    if (t <= 247100) return 0x101;
    if (t <= 250000) return 0x80001;
    return MASK_END;
}

bool transitionShouldRestart(uint32_t mask, uint32_t previousMask, bool overlayFinished) {
    return mask != previousMask && (mask & MASK_TRANSITION) && overlayFinished && !(previousMask & MASK_TRANSITION);
}

void Timeline::tick() {
    Screen::instance();
    const uint32_t now = getTicks();
    if (now <= nextFrameDue) {
        sleepMicroseconds(2);
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

    if ((mask & MASK_LIGHTHOUSE) && lighthouseScene) lighthouseScene->update(elapsedMs);
    if ((mask & MASK_FEATHER) && featherScene) featherScene->update(elapsedMs);
    if ((mask & MASK_BACKDROP) && backdropScene) backdropScene->update(elapsedMs);
    if ((mask & MASK_RAIN) && rainScene) rainScene->update(elapsedMs);
    if ((mask & MASK_TRANSITION) && transitionOverlay) transitionOverlay->update(elapsedMs);

    screen->lock();
    if (mask & MASK_CLEAR_WHITE) memset(screen->backBuffer, 0xFF, SCREEN_PIXELS * sizeof(uint16_t));
    if (mask & MASK_CLEAR_BLACK) memset(screen->backBuffer, 0x00, SCREEN_PIXELS * sizeof(uint16_t));
    if ((mask & MASK_LIGHTHOUSE) && lighthouseScene) lighthouseScene->render();
    if ((mask & MASK_FEATHER) && featherScene) featherScene->render();
    if ((mask & MASK_BACKDROP) && backdropScene) backdropScene->render();
    if ((mask & MASK_RAIN) && rainScene) rainScene->render();
    if ((mask & MASK_SKY_PICTURE) && skyPicture) skyPicture->copyToScreen();
    if ((mask & MASK_TRANSITION) && transitionOverlay) transitionOverlay->render();
    screen->unlock();
    screen->present();
}
