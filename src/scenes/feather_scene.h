// FeatherScene: a feather drifting down over a pale sky, and the group logo
// dissolving in over it from 16 seconds into the show.
#pragma once

#include <cstdint>

class Image;

class FeatherScene {
   public:
    // The logo is drawn over back-buffer indices FIRST..LAST inclusive: column
    // 51 of row 81 through column 274 of row 154.
    static constexpr int32_t LOGO_FIRST_INDEX = 81 * 320 + 51;
    static constexpr int32_t LOGO_LAST_INDEX = 154 * 320 + 274;
    static constexpr uint32_t LOGO_START_MS = 16000;

    static constexpr int FEATHER_SIZE = 128;

    struct Assets {
        Image* background;    // 320 x 240
        Image* feather;       // 128 x 128
        Image* featherAlpha;  // 128 x 128; green = opacity
        Image* logo;          // 320 x 240
        Image* logoOpacity;   // 320 x 240; green = opacity
    };
    // Loads bg3, feather, feather_alpha, tornvale and tornvale_opac, in that
    // order. Pictures smaller than the scene reads stop start-up with a
    // message naming the file and the size expected.
    static Assets load();
    // Takes ownership of the pictures, checked against the same sizes.
    explicit FeatherScene(const Assets& assets);
    ~FeatherScene();
    FeatherScene(const FeatherScene&) = delete;
    FeatherScene& operator=(const FeatherScene&) = delete;

    // Sets the feather's drift, sway and rocking and the logo's fade from the
    // elapsed show time in ms; draws nothing.
    void update(uint32_t elapsedMs);
    // Background, rotated feather, logo. Bit-identical to
    // renderFeatherReference.
    void render();
    // The feather's rotation for this frame: cosine and sine, 16.16.
    void rotation(int32_t* c, int32_t* s) const;

    Image* background = nullptr;
    Image* featherImage = nullptr;
    Image* featherAlpha = nullptr;  // green = opacity, 63 opaque
    Image* logoImage = nullptr;
    Image* logoOpacity = nullptr;  // green = opacity; same layout as the screen
    int32_t swingPhase = 0;        // 8 x elapsed ms; low 16 bits are an angle
    int32_t offsetY = -100;        // feather drift in pixels, positive is down
    int32_t offsetX = 0;           // feather sway in pixels, positive is right
    bool logoVisible = false;
    int32_t logoFade = 0;  // 16.16, subtracted from every logo opacity weight

   private:
    void drawFeather(uint16_t* back) const;
    void drawLogo(uint16_t* back) const;
};
