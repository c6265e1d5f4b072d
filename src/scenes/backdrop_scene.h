// BackdropScene: the view through the rainy window, with a fresh scatter of
// pale rain streaks every frame; the rain scene refracts this picture.
#pragma once

#include <cstdint>

class Image;

class BackdropScene {
   public:
    static constexpr int STREAK_COUNT = 150;
    static constexpr uint16_t STREAK_COLOR = 0xEF7F;  // pale blue-white
    static constexpr int STREAK_LENGTH = 10;          // rows below the first

    struct Assets {
        Image* background;  // 320 x 240
    };
    // Loads data/bg2.png; a missing or smaller picture ends start-up.
    static Assets load();
    // Takes ownership of the picture; the same size check applies.
    explicit BackdropScene(const Assets& assets);
    ~BackdropScene();
    BackdropScene(const BackdropScene&) = delete;
    BackdropScene& operator=(const BackdropScene&) = delete;

    // Nothing depends on time.
    void update(uint32_t elapsedMs);
    // The picture, then 150 streaks at random places: 300 showRand() calls, x
    // (0..318) before y (0..228) for each streak.
    void render();

    Image* background = nullptr;
};
