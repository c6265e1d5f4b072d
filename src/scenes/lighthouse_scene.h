// LighthouseScene: the lighthouse at dusk with its double-blinking lamp, and the
// title revealed in twirl order with a glowing front and falling sparks.
#pragma once

#include <cstdint>

#include "gfx/pixel.h"

class Image;

class LighthouseScene {
   public:
    static constexpr int MAX_SPARKS = 100;
    // The glow is blended toward a warm near-white, not pure white.
    static constexpr uint16_t BEAM_COLOR = 0xFFFE;
    static constexpr uint16_t SPARK_COLOR = 0xFF9B;
    // The logo covers back-buffer indices LOGO_FIRST (row 63, column 36) to
    // the end; its front glows only up to FRONT_LAST (row 174, column 282).
    static constexpr int32_t LOGO_FIRST = 63 * SCREEN_WIDTH + 36;
    static constexpr int32_t FRONT_LAST = 174 * SCREEN_WIDTH + 282;
    // The lamp glow covers screen x 208..319, y 32..159, read from the left
    // 112 columns of the first 128 rows of the 128-pixel-wide beam picture.
    static constexpr int BEAM_STRIDE = 128;
    static constexpr int BEAM_COLUMNS = 112;
    static constexpr int BEAM_ROWS = 128;
    static constexpr int BEAM_LEFT = 208;
    static constexpr int BEAM_TOP = 32;
    static constexpr int SPARK_SIZE = 32;

    // The six pictures, owned by the scene once handed over.
    struct Assets {
        Image* background;   // 320 x 240
        Image* beam;         // 128 wide, 128 or more tall; green = glow
        Image* twirlMap;     // 320 x 240; green = reveal order
        Image* sparkSprite;  // 32 x 32; green = opacity
        Image* logo;         // 320 x 240
        Image* logoAlpha;    // 320 x 240; green = opacity
    };

    // Loads majakka, majakka_light, map_twirl, spark, ambrelle_logo and
    // ambrelle_alpha from data/, in that order. A missing picture, or one
    // smaller than the scene reads, ends start-up with its message.
    static Assets load();
    // Takes ownership of the pictures; they are checked against the same
    // sizes.
    explicit LighthouseScene(const Assets& assets);
    ~LighthouseScene();
    LighthouseScene(const LighthouseScene&) = delete;
    LighthouseScene& operator=(const LighthouseScene&) = delete;

    // t: show time in ms. Sets the beacon and reveal level; during the reveal
    // spawns sparks on the front (200 showRand() calls) and lets them fall.
    void update(uint32_t t);
    // Background, lamp glow, revealed logo, glowing front and sparks.
    void render();

    Image* background = nullptr;
    Image* beam = nullptr;
    Image* sparkSprite = nullptr;
    Image* twirlMap = nullptr;
    Image* logo = nullptr;
    Image* logoAlpha = nullptr;
    bool beaconOn = false;
    int32_t revealLevel = -1;  // -1 before the reveal, then 0..255
    int32_t sparkX[MAX_SPARKS] = {};
    int32_t sparkY[MAX_SPARKS] = {};
    bool sparkAlive[MAX_SPARKS] = {};
    int32_t nextSpark = 0;  // ring cursor, 0..99

   private:
    // Per screen row, the back-buffer indices [first, end) that can change
    // under the logo: every pixel outside them has logo opacity 0 or lies
    // before LOGO_FIRST, and blending with opacity 0 changes nothing.
    int32_t logoFirst[SCREEN_HEIGHT] = {};
    int32_t logoEnd[SCREEN_HEIGHT] = {};
    // Per sprite row, the columns [first, end) that hold every non-zero spark
    // opacity, widened to whole 8-pixel chunks.
    int32_t sparkFirst[SPARK_SIZE] = {};
    int32_t sparkEnd[SPARK_SIZE] = {};
};
