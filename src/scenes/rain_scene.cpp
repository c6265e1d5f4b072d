// The rain: a per-frame drop simulation and the refraction pass that pulls
// the picture under each drop from below and to the right, and lights it up.
#include "scenes/rain_scene.h"

#include <algorithm>

#include "display/screen.h"
#include "engine/show_rand.h"
#include "gfx/image.h"
#include "gfx/vector_clones.h"

namespace {

const char* const SHEET_PATH = "data/drops01.png";

constexpr int32_t SPAWN_COLUMNS = 280;
constexpr int32_t SPAWN_ROWS = 200;
constexpr int32_t SPAWN_SPEEDS = 4;
constexpr int32_t MERGED_SPEED = 5;
// Ages 0..4 rest on the glass; from age 5 the drop slides.
constexpr int32_t LAST_RESTING_AGE = 4;
// A drop whose top row passes this leaves the window.
constexpr int32_t LEAVING_ROW = 240;
// Drops closer than these (exclusive) touch.
constexpr int64_t TOUCH_ROWS = 10;
constexpr int64_t TOUCH_COLUMNS = 20;
constexpr uint16_t RED_MASK = 0xF800;
constexpr uint16_t GREEN_MASK = 0x07E0;

inline bool raisesNeutral(uint16_t s) {
    return (s & RED_MASK) > (RainScene::NEUTRAL_DISPLACEMENT & RED_MASK) ||
           (s & GREEN_MASK) > (RainScene::NEUTRAL_DISPLACEMENT & GREEN_MASK);
}

// Per field the larger value; blue is dropped.
inline uint16_t mergeDisplacement(uint16_t m, uint16_t s) {
    const uint16_t r = (m & RED_MASK) > (s & RED_MASK) ? (m & RED_MASK) : (s & RED_MASK);
    const uint16_t g = (m & GREEN_MASK) > (s & GREEN_MASK) ? (m & GREEN_MASK) : (s & GREEN_MASK);
    return static_cast<uint16_t>(r | g);
}

inline int64_t distance(int64_t a, int64_t b) { return a > b ? a - b : b - a; }

// For count map entries from index begin: the entry to refract by (neutral
// where the pull would pass the buffer's end, which keeps the pixel as a
// neutral entry does) and the index each pixel pulls from (its own where it
// is kept). Masks rather than branches: which pixels are kept follows the
// drop's shape and would defeat branch prediction.
AMBRELLE_VECTOR_CLONES void planPulls(const uint16_t* __restrict map, uint16_t* __restrict entries,
                                      int32_t* __restrict sources, int begin, int count) {
    for (int j = 0; j < count; j++) {
        const int i = begin + j;
        const uint16_t m = map[j];
        const int dx = (m >> 11) - 16, dy = ((m & GREEN_MASK) >> 6) - 16;
        const int shift = 4 * dy * SCREEN_WIDTH + 4 * dx;
        const int keep = (dx == -1) | (dy == -1) | (i + shift >= SCREEN_PIXELS);
        const uint16_t keepMask = static_cast<uint16_t>(0u - static_cast<unsigned>(keep));
        entries[j] = static_cast<uint16_t>((m & ~keepMask) | (RainScene::NEUTRAL_DISPLACEMENT & keepMask));
        sources[j] = i + (shift & (keep - 1));
    }
}

// The refraction of count pixels given each one's map entry and the pixel it
// pulls from. Entries with dx or dy of -1 keep the pixel they were given; the
// rest are 0..15 each, so the arithmetic below is exact in 16 bits (other
// lanes compute garbage that is then discarded).
AMBRELLE_VECTOR_CLONES void refractSpan(uint16_t* __restrict out, const uint16_t* __restrict entries,
                                        const uint16_t* __restrict pulled, int count) {
    for (int j = 0; j < count; j++) {
        const uint16_t m = entries[j], p = pulled[j];
        const uint16_t red = static_cast<uint16_t>(m >> 11), half = static_cast<uint16_t>((m & GREEN_MASK) >> 6);
        const bool keep = red == 15 || half == 15;
        const uint16_t e = static_cast<uint16_t>(red + half - 32);
        const uint16_t halfE = static_cast<uint16_t>(e >> 1);
        uint16_t r = static_cast<uint16_t>((p >> 11) + halfE);
        uint16_t g = static_cast<uint16_t>(((p >> 5) & 63) + e);
        uint16_t b = static_cast<uint16_t>((p & 31) + halfE);
        r = r > 31 ? 31 : r;
        g = g > 63 ? 63 : g;
        b = b > 31 ? 31 : b;
        const uint16_t lit = static_cast<uint16_t>((r << 11) | (g << 5) | b);
        out[j] = keep ? p : lit;
    }
}

}  // namespace

RainScene::Assets RainScene::load() { return {loadPicture(SHEET_PATH, SHEET_STRIDE, SHEET_STRIDE)}; }

RainScene::RainScene(const Assets& assets) : dropSheet(assets.dropSheet) {
    requireImageSize(*dropSheet, SHEET_PATH, SHEET_STRIDE, SHEET_STRIDE);
    prepareCells();
}

RainScene::~RainScene() {
    delete dropSheet;
    delete[] displacement;
}

void RainScene::prepareCells() {
    displacement = new uint16_t[SCREEN_PIXELS];
    for (int i = 0; i < SCREEN_PIXELS; i++) displacement[i] = NEUTRAL_DISPLACEMENT;
    // The sheet is at least 256 x 256, so every cell of the 8 x 8 grid lies
    // inside it even when read at stride 256.
    for (int column = 0; column < SHEET_CELLS; column++)
        for (int age = 0; age < SHEET_CELLS; age++)
            for (int r = 0; r < CELL_SIZE; r++) {
                const uint16_t* row =
                    dropSheet->pixels + age * CELL_SIZE * SHEET_STRIDE + r * SHEET_STRIDE + column * CELL_SIZE;
                int first = -1, end = -1;
                for (int c = 0; c < CELL_SIZE; c++) {
                    if (!raisesNeutral(row[c])) continue;
                    if (first < 0) first = c;
                    end = c + 1;
                }
                cellFirst[column][age][r] = static_cast<int8_t>(first < 0 ? 0 : first);
                cellEnd[column][age][r] = static_cast<int8_t>(first < 0 ? 0 : end);
            }
}

void RainScene::update(uint32_t t) {
    if (!dropActive[nextSlot]) {
        // Separate statements: the calls must happen in the order x, y, speed.
        dropX[nextSlot] = showRand() % SPAWN_COLUMNS;
        dropY[nextSlot] = showRand() % SPAWN_ROWS;
        dropActive[nextSlot] = true;
        dropAge[nextSlot] = 0;
        dropColumn[nextSlot] = 0;
        dropSpeed[nextSlot] = showRand() % SPAWN_SPEEDS + 1;
    }
    nextSlot = (nextSlot + 1) % DROP_COUNT;

    const bool ageing = t % 50 < 25;
    for (int k = 0; k < DROP_COUNT; k++) {
        if (!dropActive[k]) continue;
        if (ageing && dropAge[k] <= MAX_AGE - 1) dropAge[k]++;
        if (dropAge[k] > LAST_RESTING_AGE) dropY[k] += dropSpeed[k];
        if (dropY[k] > LEAVING_ROW) dropActive[k] = false;
    }

    // Later pairs of the same pass see speeds already raised to 5.
    for (int i = 0; i < DROP_COUNT; i++) {
        if (!dropActive[i]) continue;
        for (int j = 0; j < DROP_COUNT; j++) {
            if (!dropActive[j]) continue;
            if (distance(dropY[j], dropY[i]) < TOUCH_ROWS && distance(dropX[j], dropX[i]) < TOUCH_COLUMNS &&
                distance(dropSpeed[i], dropSpeed[j]) > 1) {
                dropSpeed[i] = MERGED_SPEED;
                dropSpeed[j] = MERGED_SPEED;
            }
        }
    }
}

void RainScene::stamp(int k) {
    const int32_t column = dropColumn[k], age = dropAge[k];
    // Cells outside the sheet's 8 x 8 grid are never reached by the
    // simulation; they would lie outside the picture, so they stamp nothing.
    if (column < 0 || column >= SHEET_CELLS || age < 0 || age >= SHEET_CELLS) return;
    const uint16_t* cell = dropSheet->pixels + age * CELL_SIZE * SHEET_STRIDE + column * CELL_SIZE;
    for (int r = 0; r < CELL_SIZE; r++) {
        const int first = cellFirst[column][age][r], end = cellEnd[column][age][r];
        if (end <= first) continue;
        // A linear index: a cell past the right edge continues on the next
        // row; rows past the bottom and the index 0 are never written.
        const int64_t base = (static_cast<int64_t>(dropY[k]) + r) * SCREEN_WIDTH + dropX[k];
        int64_t lo = base + first, hi = base + end;
        if (lo < 1) lo = 1;
        if (hi > SCREEN_PIXELS) hi = SCREEN_PIXELS;
        if (hi <= lo) continue;
        const uint16_t* src = cell + r * SHEET_STRIDE + (lo - base);
        uint16_t* dst = displacement + lo;
        const int n = static_cast<int>(hi - lo);
        for (int c = 0; c < n; c++) dst[c] = mergeDisplacement(dst[c], src[c]);
        for (int64_t run = lo >> RUN_SHIFT; run <= (hi - 1) >> RUN_SHIFT; run++)
            touchedRuns[run >> 6] |= uint64_t{1} << (run & 63);
    }
}

void RainScene::render() {
    for (int k = 0; k < DROP_COUNT; k++)
        if (dropActive[k]) stamp(k);

    // Every displaced pixel reads from at or after its own index (dx and dy
    // of a raised entry are 0..15), so refracting in ascending order in place
    // reads only pixels not yet rewritten: the same as reading a snapshot.
    // A span of adjacent touched runs is therefore read whole before any of
    // it is written, which reads the same pixels.
    uint16_t* back = Screen::instance()->backBuffer;
    uint16_t* map = displacement;
    constexpr int RUN = 1 << RUN_SHIFT;
    uint16_t entries[64 * RUN], pulled[64 * RUN];
    int32_t sources[64 * RUN];
    for (int w = 0; w < RUN_WORDS; w++) {
        uint64_t bits = touchedRuns[w];
        touchedRuns[w] = 0;
        while (bits) {
            const int low = __builtin_ctzll(bits);
            const uint64_t rest = ~(bits >> low);
            const int length = rest == 0 ? 64 - low : __builtin_ctzll(rest);
            bits &= length == 64 ? 0 : ~(((uint64_t{1} << length) - 1) << low);
            const int begin = (w * 64 + low) << RUN_SHIFT, count = length << RUN_SHIFT;
            planPulls(map + begin, entries, sources, begin, count);
            for (int j = 0; j < count; j++) pulled[j] = back[sources[j]];
            std::fill(map + begin, map + begin + count, NEUTRAL_DISPLACEMENT);
            refractSpan(back + begin, entries, pulled, count);
        }
    }
}
