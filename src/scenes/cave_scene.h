// CaveScene: a cave with a palette-mapped waterfall, greeting names falling
// letter by letter through the water, and the biplane's pass near the end.
#pragma once

#include <cstdint>

class BitmapFont;
class Image;
class Mesh;
struct Camera;

class CaveScene {
   public:
    // The waterfall strip: screen columns WATERFALL_X .. WATERFALL_X + 127,
    // all 240 rows. Summed layer intensities up to the threshold draw nothing.
    static constexpr int WATERFALL_X = 100;
    static constexpr int WATERFALL_WIDTH = 128;
    static constexpr int WATERFALL_HEIGHT = 240;
    static constexpr int WATERFALL_THRESHOLD = 90;
    static constexpr int LAYER_COUNT = 3;
    // Each layer is read as LAYER_PIXELS pixels at stride 128, wrapping
    // vertically every 256 rows.
    static constexpr int LAYER_ROWS = 256;
    static constexpr int LAYER_PIXELS = WATERFALL_WIDTH * LAYER_ROWS;
    // Three greens of at most 63: summed intensities are 0..189.
    static constexpr int PALETTE_SIZE = 190;
    static constexpr int GREETING_COUNT = 10;
    static constexpr int GREETING_SLOTS = 12;
    static constexpr int32_t NO_GREETING = 10;
    static constexpr uint32_t GREETINGS_START_MS = 141000;
    static constexpr uint32_t GREETING_MS = 4000;
    // Letters of the current greeting start breaking apart at this fall.
    static constexpr int32_t LETTER_BREAK_FALL = 55;
    // The plane's window, inclusive (the scene itself ends at 183100 ms).
    static constexpr uint32_t PLANE_FIRST_MS = 175351;
    static constexpr uint32_t PLANE_LAST_MS = 184999;
    // The plane's projection distance (300.0) and the depth cleared under it (1000.0).
    static constexpr int32_t PLANE_FOCAL_LENGTH = 0x12C0000;
    static constexpr int32_t PLANE_CLEAR_DEPTH = 0x3E80000;

    // Everything the scene reads from data/, owned by the scene once handed over.
    struct Assets {
        Image* background;                    // 320 x 240
        BitmapFont* greetFont;                // 16 x 16 cells on a sheet of at least 256 x 80
        Image* planeTexture;                  // 256 x 256, the plane's texture and reflection
        Mesh* plane;                          // the biplane
        Image* waterfallLayers[LAYER_COUNT];  // 128 x 256 each; green = intensity
        Image* waterfallPalette;              // 190 pixels or more; pixel s = colour for sum s
        Image* waterfallAlpha;                // 128 x 240; green = opacity, also the letter mask
    };

    // Loads luola, fontgreet, env_red, sopwith.ase, waterfall1..3,
    // waterfall_pal and luola_alpha from data/, in that order. A missing,
    // undecodable or too small picture ends start-up with its message.
    static Assets load();
    // Takes ownership; checks every picture's size again (a picture too
    // small ends the process with its message and status 1), points the
    // plane's texture and reflection at planeTexture, and builds the letter
    // tables and the waterfall's lookup copies. The pictures are not
    // expected to change afterwards.
    explicit CaveScene(const Assets& assets);
    ~CaveScene();
    CaveScene(const CaveScene&) = delete;
    CaveScene& operator=(const CaveScene&) = delete;

    // t: elapsed show time in ms. Poses the plane inside its window, moves
    // the current greeting's letters and scrolls the layers.
    void update(uint32_t t);
    // Background, waterfall, the current greeting's letters, the plane.
    void render();

    // The plane's pass at time t: sets the camera and the plane's focal
    // length, position and angles, then updates the camera and transforms
    // the plane. Any t is safe; the scene uses it in its window only.
    static void posePlane(Mesh& plane, Camera& camera, uint32_t t);

    Image* background = nullptr;
    BitmapFont* greetFont = nullptr;
    Image* planeTexture = nullptr;
    Mesh* plane = nullptr;
    Image* waterfallLayers[LAYER_COUNT] = {nullptr, nullptr, nullptr};
    Image* waterfallPalette = nullptr;
    Image* waterfallAlpha = nullptr;

    uint32_t layerScroll[LAYER_COUNT] = {0, 0, 0};              // rows: t >> 4, t >> 3, t >> 2
    uint32_t letterSpin = 0;                                    // t << 5, the wobble phase
    char greetings[GREETING_COUNT][GREETING_SLOTS] = {};        // upper case, NUL padded
    int32_t letterDrift[GREETING_COUNT][GREETING_SLOTS] = {};   // -50..-11
    int32_t letterFall[GREETING_COUNT][GREETING_SLOTS] = {};    // rows fallen, 0..124
    int32_t letterOffset[GREETING_COUNT][GREETING_SLOTS] = {};  // rows, starts at letterDrift
    int32_t currentGreeting = 0;                                // 0..9, or NO_GREETING
    bool planeVisible = false;

    // The waterfall runs in 512-bit registers where the processor has
    // AVX-512BW (set by the constructor), else through the portable row
    // loop. Both give the same bits; clearing it picks the portable one.
    bool wideWaterfall = false;

   private:
    void buildWaterfallTables();
    void renderWaterfall(uint16_t* back) const;
    void drawGreeting() const;

    // Green fields of the layers and of the alpha picture, one byte each.
    uint8_t layerGreen[LAYER_COUNT][LAYER_PIXELS] = {};
    uint8_t alphaGreen[WATERFALL_WIDTH * WATERFALL_HEIGHT] = {};
    // The palette by summed intensity, one colour per 32-bit entry (a width
    // the vector units can gather); sums at or below the threshold never
    // show it, their opacity being taken as 0.
    uint32_t palette[PALETTE_SIZE] = {};
    // The palette from sum 91 on, for the 512-bit kernel's word permutes.
    static constexpr int WIDE_TABLE_SIZE = 128;
    uint16_t wideTable[WIDE_TABLE_SIZE] = {};
    // Strip rows with at least one non-zero opacity; the others are skipped.
    bool alphaRowLit[WATERFALL_HEIGHT] = {};
};
