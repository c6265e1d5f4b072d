// The backdrop: the picture and its random streaks, never stored, so every
// frame shows a new set and they read as falling rain.
#include "scenes/backdrop_scene.h"

#include "display/screen.h"
#include "engine/show_rand.h"
#include "gfx/image.h"
#include "gfx/pixel.h"

namespace {
const char* const BACKGROUND_PATH = "data/bg2.png";
}

BackdropScene::Assets BackdropScene::load() { return {loadPicture(BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT)}; }

BackdropScene::BackdropScene(const Assets& assets) : background(assets.background) {
    requireImageSize(*background, BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
}

BackdropScene::~BackdropScene() { delete background; }

void BackdropScene::update(uint32_t) {}

void BackdropScene::render() {
    Screen* screen = Screen::instance();
    background->copyToScreen();
    for (int k = 0; k < STREAK_COUNT; k++) {
        // Two statements: x must take the earlier showRand() value.
        const int x = showRand() % 319;
        const int y = showRand() % 229;
        screen->drawLine(x, y, x, y + STREAK_LENGTH, STREAK_COLOR);
    }
}
