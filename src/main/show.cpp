// Loading and destroying the show's objects, in the order the loading bar and
// the shared rand() sequence depend on.
#include "main/show.h"

#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/feather_scene.h"
#include "scenes/transition_overlay.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/backdrop_scene.h"
#include "scenes/rain_scene.h"

BitmapFont* loadingFont = nullptr;
Image* skyPicture = nullptr;
FeatherScene* featherScene = nullptr;
TransitionOverlay* transitionOverlay = nullptr;
LighthouseScene* lighthouseScene = nullptr;
BackdropScene* backdropScene = nullptr;
RainScene* rainScene = nullptr;

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

    featherScene = new FeatherScene();
    step(s);

    lighthouseScene = new LighthouseScene();
    step(s);

    transitionOverlay = new TransitionOverlay();
    step(s);

    backdropScene = new BackdropScene();
    step(s);

    rainScene = new RainScene();
    step(s);
}

template <typename T>
static void destroy(T*& object) {
    delete object;
    object = nullptr;
}

void destroyShow() {
    destroy(featherScene);
    destroy(lighthouseScene);
    destroy(transitionOverlay);
    destroy(rainScene);
    destroy(backdropScene);
    destroy(skyPicture);
    destroy(loadingFont);
}
