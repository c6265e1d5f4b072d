// The lighthouse scene: beacon rhythm, twirl-ordered logo reveal, front glow
// and sparks, drawn with row kernels that give exactly blend565's bits.
#include "scenes/lighthouse_scene.h"

#include "display/screen.h"
#include "engine/show_rand.h"
#include "gfx/image.h"

namespace {

const char* const BACKGROUND_PATH = "data/majakka.png";
const char* const BEAM_PATH = "data/majakka_light.png";
const char* const TWIRL_PATH = "data/map_twirl.png";
const char* const SPARK_PATH = "data/spark.png";
const char* const LOGO_PATH = "data/ambrelle_logo.png";
const char* const LOGO_ALPHA_PATH = "data/ambrelle_alpha.png";

constexpr uint32_t REVEAL_START_MS = 50000;
constexpr int32_t REVEAL_COMPLETE = 255;
// The front: twirl g4 within this distance of the reveal level (exclusive).
constexpr int32_t FRONT_WIDTH = 10;
constexpr int32_t SPAWN_ATTEMPTS = 100;
constexpr int32_t SPARK_FALL = 10;
constexpr int32_t SPARK_DEATH_ROW = 250;

// Four times the twirl green (0..252), the scale of the reveal level.
inline int32_t twirlG4(uint16_t p) { return (p & 0x7E0) >> 3; }

// dst[i] = blend565(dst[i], color, green(opacity[i]) << 10) for n pixels.
void blendColorRow(uint16_t* __restrict dst, const uint16_t* __restrict opacity, int n, uint16_t color) {
    for (int i = 0; i < n; i++) dst[i] = blendSixtyFourths(dst[i], color, static_cast<uint16_t>(green6(opacity[i])));
}

// The same over a fixed count: whole vectors, no scalar tail.
template <int N>
void blendColorFixed(uint16_t* __restrict dst, const uint16_t* __restrict opacity, uint16_t color) {
    for (int i = 0; i < N; i++) dst[i] = blendSixtyFourths(dst[i], color, static_cast<uint16_t>(green6(opacity[i])));
}

// Sprite rows are drawn in chunks of this many pixels; a chunk's pixels with
// opacity 0 come out unchanged.
constexpr int SPARK_CHUNK = 8;

// The logo over n pixels: blended where the twirl order has been reached.
// g4 <= level is the same as the twirl's green field (in place, bits 5..10)
// being at most (level / 4) << 5, which keeps the loop in 16-bit lanes.
void revealRow(uint16_t* __restrict dst, const uint16_t* __restrict logo, const uint16_t* __restrict alpha,
               const uint16_t* __restrict twirl, int n, int32_t level) {
    const uint16_t limit = static_cast<uint16_t>((level >> 2) << 5);
    for (int i = 0; i < n; i++) {
        const uint16_t shown = static_cast<uint16_t>(-static_cast<int16_t>((twirl[i] & 0x7E0) <= limit));
        dst[i] = blendSixtyFourths(dst[i], logo[i], static_cast<uint16_t>(green6(alpha[i]) & shown));
    }
}

// The front over n pixels: logo pixels whose twirl order lies strictly within
// FRONT_WIDTH of the level are brightened by w = g4 - level + 10, i.e. 1..19.
// w is taken modulo 2^16 so that one unsigned test covers both bounds.
void frontRow(uint16_t* __restrict dst, const uint16_t* __restrict alpha, const uint16_t* __restrict twirl, int n,
              int32_t level) {
    const uint16_t offset = static_cast<uint16_t>(FRONT_WIDTH - level);
    for (int i = 0; i < n; i++) {
        const uint16_t w = static_cast<uint16_t>(((twirl[i] & 0x7E0) >> 3) + offset);
        const uint16_t d = dst[i];
        uint16_t r6 = static_cast<uint16_t>(((d >> 11) << 1) + w), g6 = static_cast<uint16_t>(((d >> 5) & 63) + w),
                 b6 = static_cast<uint16_t>(((d & 31) << 1) + w);
        r6 = r6 > 63 ? 63 : r6;
        g6 = g6 > 63 ? 63 : g6;
        b6 = b6 > 63 ? 63 : b6;
        const uint16_t lit = static_cast<uint16_t>(((r6 >> 1) << 11) | (g6 << 5) | (b6 >> 1));
        // All-ones where the pixel glows; no branch, so the loop vectorizes.
        const uint16_t glows =
            static_cast<uint16_t>(-((static_cast<uint16_t>(w - 1) < 2 * FRONT_WIDTH - 1) & ((alpha[i] & 0x7E0) != 0)));
        dst[i] = static_cast<uint16_t>((lit & glows) | (d & ~glows));
    }
}

}  // namespace

LighthouseScene::Assets LighthouseScene::load() {
    Assets assets;
    assets.background = loadPicture(BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    assets.beam = loadPicture(BEAM_PATH, BEAM_STRIDE, BEAM_ROWS);
    assets.twirlMap = loadPicture(TWIRL_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    assets.sparkSprite = loadPicture(SPARK_PATH, SPARK_SIZE, SPARK_SIZE);
    assets.logo = loadPicture(LOGO_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    assets.logoAlpha = loadPicture(LOGO_ALPHA_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    return assets;
}

LighthouseScene::LighthouseScene(const Assets& p) {
    requireImageSize(*p.background, BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(*p.beam, BEAM_PATH, BEAM_STRIDE, BEAM_ROWS);
    requireImageSize(*p.twirlMap, TWIRL_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(*p.sparkSprite, SPARK_PATH, SPARK_SIZE, SPARK_SIZE);
    requireImageSize(*p.logo, LOGO_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(*p.logoAlpha, LOGO_ALPHA_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    background = p.background;
    beam = p.beam;
    twirlMap = p.twirlMap;
    sparkSprite = p.sparkSprite;
    logo = p.logo;
    logoAlpha = p.logoAlpha;

    // Pictures are read at fixed strides (320, 128, 32), whatever their own
    // width; the size checks above keep every read inside them.
    for (int y = 0; y < SCREEN_HEIGHT; y++) {
        int32_t first = -1, end = -1;
        for (int32_t i = y * SCREEN_WIDTH; i < (y + 1) * SCREEN_WIDTH; i++) {
            if (i < LOGO_FIRST || green6(logoAlpha->pixels[i]) == 0) continue;
            if (first < 0) first = i;
            end = i + 1;
        }
        logoFirst[y] = first < 0 ? 0 : first;
        logoEnd[y] = first < 0 ? 0 : end;
    }
    for (int sy = 0; sy < SPARK_SIZE; sy++) {
        int32_t first = -1, end = -1;
        for (int sx = 0; sx < SPARK_SIZE; sx++) {
            if (green6(sparkSprite->pixels[sy * SPARK_SIZE + sx]) == 0) continue;
            if (first < 0) first = sx;
            end = sx + 1;
        }
        // Widened to whole chunks; the sprite is 32 wide, a multiple of 8.
        sparkFirst[sy] = first < 0 ? 0 : first / SPARK_CHUNK * SPARK_CHUNK;
        sparkEnd[sy] = first < 0 ? 0 : (end + SPARK_CHUNK - 1) / SPARK_CHUNK * SPARK_CHUNK;
    }
}

LighthouseScene::~LighthouseScene() {
    delete background;
    delete beam;
    delete twirlMap;
    delete sparkSprite;
    delete logo;
    delete logoAlpha;
}

void LighthouseScene::update(uint32_t t) {
    revealLevel = -1;
    if (t > REVEAL_START_MS) {
        const uint32_t level = (t - REVEAL_START_MS) >> 4;
        revealLevel = level >= 256 ? REVEAL_COMPLETE : static_cast<int32_t>(level);
    }

    const uint32_t m = t % 2000;
    beaconOn = m <= 49 || (m >= 100 && m <= 399);

    if (revealLevel < 0 || revealLevel > 254) return;

    const uint16_t* twirl = twirlMap->pixels;
    const uint16_t* alpha = logoAlpha->pixels;
    for (int attempt = 0; attempt < SPAWN_ATTEMPTS; attempt++) {
        // Unsigned: showRand() may return up to INT_MAX, and the masked result is
        // the same as two's complement wrap-around would give.
        const int32_t x = static_cast<int32_t>((static_cast<uint32_t>(showRand()) + 64u) & 255u);
        const int32_t y = static_cast<int32_t>((static_cast<uint32_t>(showRand()) + 96u) & 127u);
        const int32_t p = y * SCREEN_WIDTH + x;
        const int32_t g4 = twirlG4(twirl[p]);
        if (g4 + FRONT_WIDTH > revealLevel && revealLevel > g4 - FRONT_WIDTH && green6(alpha[p]) != 0) {
            sparkX[nextSpark] = x;
            sparkY[nextSpark] = y;
            sparkAlive[nextSpark] = true;
            nextSpark = nextSpark + 1 == MAX_SPARKS ? 0 : nextSpark + 1;
        }
    }

    for (int k = 0; k < MAX_SPARKS; k++) {
        if (!sparkAlive[k]) continue;
        sparkY[k] += SPARK_FALL;
        if (sparkY[k] > SPARK_DEATH_ROW) sparkAlive[k] = false;
    }
}

void LighthouseScene::render() {
    uint16_t* back = Screen::instance()->backBuffer;
    background->copyToScreen();

    if (beaconOn) {
        for (int r = 0; r < BEAM_ROWS; r++)
            blendColorFixed<BEAM_COLUMNS>(back + (r + BEAM_TOP) * SCREEN_WIDTH + BEAM_LEFT,
                                          beam->pixels + r * BEAM_STRIDE, BEAM_COLOR);
    }

    const int32_t level = revealLevel;
    if (level < 0) return;

    const uint16_t* twirl = twirlMap->pixels;
    const uint16_t* alpha = logoAlpha->pixels;
    for (int y = 0; y < SCREEN_HEIGHT; y++) {
        const int32_t first = logoFirst[y], n = logoEnd[y] - first;
        if (n > 0) revealRow(back + first, logo->pixels + first, alpha + first, twirl + first, n, level);
    }

    if (level > 254) return;

    for (int y = 0; y < SCREEN_HEIGHT; y++) {
        const int32_t first = logoFirst[y];
        const int32_t end = logoEnd[y] <= FRONT_LAST ? logoEnd[y] : FRONT_LAST + 1;
        if (end > first) frontRow(back + first, alpha + first, twirl + first, end - first, level);
    }

    // Only the linear index is bounded: a sprite that crosses the left or
    // right edge continues on the neighbouring row, and whatever falls before
    // the first or after the last pixel of the buffer is dropped.
    const uint16_t* sprite = sparkSprite->pixels;
    for (int k = 0; k < MAX_SPARKS; k++) {
        if (!sparkAlive[k]) continue;
        for (int sy = 0; sy < SPARK_SIZE; sy++) {
            if (sparkEnd[sy] <= sparkFirst[sy]) continue;
            const int64_t rowStart =
                (static_cast<int64_t>(sparkY[k]) + sy - SPARK_SIZE / 2) * SCREEN_WIDTH + sparkX[k] - SPARK_SIZE / 2;
            int64_t first = rowStart + sparkFirst[sy], end = rowStart + sparkEnd[sy];
            const uint16_t* opacity = sprite + sy * SPARK_SIZE + sparkFirst[sy];
            if (first >= 0 && end <= SCREEN_PIXELS) {
                for (int64_t i = first; i < end; i += SPARK_CHUNK, opacity += SPARK_CHUNK)
                    blendColorFixed<SPARK_CHUNK>(back + i, opacity, SPARK_COLOR);
                continue;
            }
            if (first < 0) first = 0;
            if (end > SCREEN_PIXELS) end = SCREEN_PIXELS;
            if (end <= first) continue;
            blendColorRow(back + first, sprite + sy * SPARK_SIZE + (first - rowStart), static_cast<int>(end - first),
                          SPARK_COLOR);
        }
    }
}
