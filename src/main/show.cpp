// Loading and destroying the show's objects, in the order the loading bar and
// the shared rand() sequence depend on.
#include "main/show.h"

#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/transition_overlay.h"

BitmapFont* loadingFont = nullptr;
Image* skyPicture = nullptr;
TransitionOverlay* transitionOverlay = nullptr;

namespace {
LoadingStep currentStep = nullptr;

void stepAfterTablePass(int pass) {
    if (pass < 3 && currentStep) currentStep();
}

void step(LoadingStep s) {
    if (s) s();
}
}  // namespace

void loadShow(LoadingStep s) {
    currentStep = s;
    buildTrigTables(stepAfterTablePass);
    currentStep = nullptr;

    skyPicture = new Image("data/skybax.png");
    requireImageSize(*skyPicture, "data/skybax.png", SCREEN_WIDTH, SCREEN_HEIGHT);
    step(s);

    transitionOverlay = new TransitionOverlay();
    step(s);
}

template <typename T>
static void destroy(T*& object) {
    delete object;
    object = nullptr;
}

void destroyShow() {
    destroy(transitionOverlay);
    destroy(skyPicture);
    destroy(loadingFont);
}
