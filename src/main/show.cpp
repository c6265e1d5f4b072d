// The scene table and the loading, per-frame and shutdown passes over it.
// Nothing else in the program lists the scenes.
#include "main/show.h"

#include <algorithm>
#include <array>

#include "display/screen.h"
#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "gfx/text_console.h"
#include "scenes/backdrop_scene.h"
#include "scenes/biplane_scene.h"
#include "scenes/cave_scene.h"
#include "scenes/dragonfly_scene.h"
#include "scenes/feather_scene.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/rain_scene.h"
#include "scenes/transition_overlay.h"

BitmapFont* loadingFont = nullptr;
Image* skyPicture = nullptr;
FeatherScene* featherScene = nullptr;
LighthouseScene* lighthouseScene = nullptr;
TransitionOverlay* transitionOverlay = nullptr;
BackdropScene* backdropScene = nullptr;
RainScene* rainScene = nullptr;
BiplaneScene* biplaneScene = nullptr;
CaveScene* caveScene = nullptr;
DragonflyScene* dragonflyScene = nullptr;

namespace {

// A scene held in its global pointer: built from its assets, skipped while
// absent (tests run frames with only some scenes loaded).
template <typename Scene, Scene*& slot>
struct SceneSlot {
    static void load() { slot = new Scene(Scene::load()); }
    static void update(uint32_t t) {
        if (slot) slot->update(t);
    }
    static void render() {
        if (slot) slot->render();
    }
    static void destroy() {
        delete slot;
        slot = nullptr;
    }
};

template <typename Scene, Scene*& slot>
constexpr ShowPart scene(const char* name, uint32_t bit, int loadRank, int frameRank, int destroyRank) {
    using S = SceneSlot<Scene, slot>;
    return {name, bit, loadRank, frameRank, destroyRank, S::load, S::update, S::render, S::destroy};
}

// The closing sky: a picture copied over everything drawn before it.
void loadSky() { skyPicture = loadPicture(SKY_PICTURE_PATH, SCREEN_WIDTH, SCREEN_HEIGHT); }
void renderSky() {
    if (skyPicture) skyPicture->copyToScreen();
}
void destroySky() {
    delete skyPicture;
    skyPicture = nullptr;
}

// The show. Ranks: construction, frame, destruction.
constexpr ShowPart PARTS[] = {
    {"sky picture", MASK_SKY_PICTURE, 0, 7, 8, loadSky, nullptr, renderSky, destroySky},
    scene<FeatherScene, featherScene>("feather", MASK_FEATHER, 1, 3, 0),
    scene<LighthouseScene, lighthouseScene>("lighthouse", MASK_LIGHTHOUSE, 2, 0, 1),
    scene<TransitionOverlay, transitionOverlay>("transition", MASK_TRANSITION, 3, 8, 2),
    scene<CaveScene, caveScene>("cave", MASK_CAVE, 4, 1, 3),
    scene<DragonflyScene, dragonflyScene>("dragonfly", MASK_DRAGONFLY, 5, 2, 4),
    scene<BackdropScene, backdropScene>("backdrop", MASK_BACKDROP, 6, 4, 7),
    scene<RainScene, rainScene>("rain", MASK_RAIN, 7, 5, 5),
    scene<BiplaneScene, biplaneScene>("biplane", MASK_BIPLANE, 8, 6, 6),
};
constexpr size_t PART_COUNT = sizeof(PARTS) / sizeof(PARTS[0]);

using Order = std::array<const ShowPart*, PART_COUNT>;

// The parts sorted by one of their ranks.
Order orderBy(int ShowPart::*rank) {
    Order order;
    for (size_t i = 0; i < PART_COUNT; i++) order[i] = &PARTS[i];
    std::sort(order.begin(), order.end(), [rank](const ShowPart* a, const ShowPart* b) { return a->*rank < b->*rank; });
    return order;
}
const Order& loadOrder() {
    static const Order order = orderBy(&ShowPart::loadRank);
    return order;
}
const Order& frameOrder() {
    static const Order order = orderBy(&ShowPart::frameRank);
    return order;
}
const Order& destroyOrder() {
    static const Order order = orderBy(&ShowPart::destroyRank);
    return order;
}

LoadingStep currentStep = nullptr;

void stepAfterTablePass(int pass) {
    // The cosine pass, the fourth, takes no step of its own.
    if (pass < 3 && currentStep) currentStep();
}

void advanceLoadingBar() { TextConsole::instance()->advanceProgress(); }

}  // namespace

const ShowPart* const SHOW_PARTS = PARTS;
const size_t SHOW_PART_COUNT = PART_COUNT;

void loadShow(LoadingStep step) {
    currentStep = step;
    buildTrigTables(stepAfterTablePass);
    currentStep = nullptr;
    for (const ShowPart* part : loadOrder()) {
        part->load();
        if (step) step();
    }
}

void updateShow(uint32_t mask, uint32_t elapsedMs) {
    for (const ShowPart* part : frameOrder())
        if ((mask & part->maskBit) && part->update) part->update(elapsedMs);
}

void renderShow(uint32_t mask) {
    for (const ShowPart* part : frameOrder())
        if (mask & part->maskBit) part->render();
}

void destroyShow() {
    for (const ShowPart* part : destroyOrder()) part->destroy();
    delete loadingFont;
    loadingFont = nullptr;
}

void startShow(const StartupHooks& hooks) {
    Screen* screen = Screen::instance();
    // Only the rasterizer writes the depth buffer in the show.
    screen->startSkippingCleanDepth();
    TextConsole* console = TextConsole::instance();
    loadingFont = new BitmapFont(LOADING_FONT_PATH, 8, 9, -1, 32, 102);
    console->setFont(loadingFont);
    if (hooks.afterFont) hooks.afterFont();
    // The empty bar of 28 cells, the cursor back on its first cell.
    console->setCursor(5, 11);
    console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
    console->setCursor(5, 11);
    console->render(true);
    loadShow(advanceLoadingBar);
    if (hooks.beforeLastStep) hooks.beforeLastStep();
    console->advanceProgress();
    std::fill(screen->backBuffer, screen->backBuffer + SCREEN_PIXELS, uint16_t{0xFFFF});
}
