// RainScene: up to 50 drops that appear on the window, rest, grow and slide
// down, drawn as refraction of whatever the back buffer already holds.
#pragma once

#include <cstdint>

#include "gfx/pixel.h"

class Image;

class RainScene {
   public:
    static constexpr int DROP_COUNT = 50;
    // Red 15, green 31: dx = dy = -1, a pixel the refraction leaves alone.
    static constexpr uint16_t NEUTRAL_DISPLACEMENT = 0x7BE0;
    // The sheet: 32 x 32 cells read at a row stride of 256 pixels; the cell
    // row is the drop's age (0..7), the cell column its sheet column (0..7).
    static constexpr int CELL_SIZE = 32;
    static constexpr int SHEET_STRIDE = 256;
    static constexpr int SHEET_CELLS = 8;
    static constexpr int MAX_AGE = 7;

    struct Assets {
        Image* dropSheet;  // 256 x 256 or more
    };
    // Loads data/drops01.png; a missing picture, or one smaller than
    // 256 x 256, ends start-up with its message.
    static Assets load();
    // Takes ownership of the sheet; the same size check applies.
    explicit RainScene(const Assets& assets);
    ~RainScene();
    RainScene(const RainScene&) = delete;
    RainScene& operator=(const RainScene&) = delete;

    // One simulation step: maybe spawn into nextSlot (showRand() for x, y, then
    // speed), age and move the drops, merge drops that touch at clearly
    // different speeds. t: show time in ms; only t % 50 matters (ageing).
    void update(uint32_t t);
    // Refracts the back buffer in place through the drops' displacement.
    void render();

    Image* dropSheet = nullptr;
    int32_t dropX[DROP_COUNT] = {};  // left column of the drop's cell
    int32_t dropY[DROP_COUNT] = {};  // top row of the drop's cell
    bool dropActive[DROP_COUNT] = {};
    int32_t dropAge[DROP_COUNT] = {};
    int32_t dropColumn[DROP_COUNT] = {};
    int32_t dropSpeed[DROP_COUNT] = {};  // 1..4 at spawn, 5 after a merge
    int32_t nextSlot = 0;

   private:
    void prepareCells();
    void stamp(int slot);

    // The displacement map, 320 x 240. It is neutral everywhere between
    // frames; render raises it under the drops and restores it as it goes.
    uint16_t* displacement = nullptr;
    // One bit per 8-pixel run of the map (320 is a multiple of 8, so runs
    // never cross a row): set where a drop may have raised the map.
    static constexpr int RUN_SHIFT = 3;
    static constexpr int RUN_WORDS = (SCREEN_PIXELS >> RUN_SHIFT) / 64;
    uint64_t touchedRuns[RUN_WORDS] = {};
    // Per cell (column, age) and cell row: the columns [first, end) whose
    // sheet pixels raise red above 15 or green above 31. Every other sheet
    // pixel leaves any map entry as it is under the per-field maximum.
    int8_t cellFirst[SHEET_CELLS][SHEET_CELLS][CELL_SIZE] = {};
    int8_t cellEnd[SHEET_CELLS][SHEET_CELLS][CELL_SIZE] = {};
};
