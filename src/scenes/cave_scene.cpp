// The cave scene: letter tables, the plane's pass, and the waterfall drawn
// row by row from byte copies of the pictures' green fields, giving exactly
// the bits of the per-pixel blend565 definition.
#include "scenes/cave_scene.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "gfx/vector_clones.h"

// The 512-bit waterfall kernel, used where the processor has AVX-512BW.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(AMBRELLE_NO_VECTOR_CLONES)
#define CAVE_WIDE_WATERFALL 1
#include <immintrin.h>
#else
#define CAVE_WIDE_WATERFALL 0
#endif

namespace {

const char* const BACKGROUND_PATH = "data/luola.png";
const char* const FONT_PATH = "data/fontgreet.png";
const char* const PLANE_TEXTURE_PATH = "data/env_red.png";
const char* const PLANE_PATH = "data/sopwith.ase";
const char* const LAYER_PATHS[CaveScene::LAYER_COUNT] = {"data/waterfall1.png", "data/waterfall2.png",
                                                         "data/waterfall3.png"};
const char* const PALETTE_PATH = "data/waterfall_pal.png";
const char* const ALPHA_PATH = "data/luola_alpha.png";

// The greetings font: 16 x 16 cells, 16 per sheet row, codes 32..102.
constexpr int FONT_CELL = 16;
constexpr int FONT_SPACING = -1;
constexpr int FONT_FIRST_CHAR = 32;
constexpr int FONT_LAST_CHAR = 102;
constexpr int FONT_SHEET_WIDTH = 256;
constexpr int FONT_SHEET_HEIGHT = 80;
constexpr int PLANE_TEXTURE_SIZE = 256;
constexpr int32_t PLANE_VERTICES = 122;
constexpr int32_t PLANE_FACES = 136;
constexpr int32_t PLANE_TEX_COORDS = 286;

// The groups greeted, in the order they appear.
const char* const GREETING_NAMES[CaveScene::GREETING_COUNT] = {
    "VELUMORA", "BRANNOVIK", "QUELLIRAN", "ZEPHYRONIA", "OKAVIR", "ZUQ", "VYX", "OPH", "HALCYX", "KVE"};

constexpr int32_t LETTER_START_FALL = -20;
// letterDrift phase: 436000 + 20000 per greeting + 4000 per slot from the end.
constexpr uint32_t DRIFT_PHASE = 436000;
constexpr uint32_t DRIFT_PER_GREETING = 20000;
constexpr uint32_t DRIFT_PER_SLOT = 4000;
constexpr int32_t DRIFT_AMPLITUDE = 20;
constexpr int32_t DRIFT_BASE = -30;

// Letters: the name is centred on column 165, letters 14 columns apart.
constexpr int32_t LETTER_LEFT = 164;
constexpr int32_t LETTER_PITCH = 14;
constexpr int32_t LETTER_CENTRING = 7;
// Each letter wobbles about this angle; neighbours are 4096 phase units apart.
constexpr int32_t LETTER_REST_ANGLE = 32000;
constexpr int LETTER_PHASE_SHIFT = 12;
// drawRotatedGlyph writes rows y - 5 .. y + cellHeight + 4, only those in 0..238.
constexpr int64_t GLYPH_REACH_ABOVE = 5;
constexpr int64_t GLYPH_REACH_BELOW = 4;
constexpr int64_t GLYPH_LAST_ROW = 238;

// The plane's pass: camera pitched a quarter turn and yawed, 4.0 above the
// origin; the plane circles on a radius of 100 about (-70, 70) and recedes.
constexpr int32_t CAMERA_PITCH = 0x4000;
constexpr int32_t CAMERA_YAW = 7000;
constexpr int32_t CAMERA_HEIGHT = 0x40000;
constexpr uint32_t PLANE_PHASE_MS = 32000;
constexpr int32_t PLANE_RADIUS = 100;
constexpr int32_t PLANE_CENTRE = 0x460000;
constexpr uint32_t PLANE_START_Z = 0x140000;
constexpr uint32_t PLANE_RECEDE_MS = 170000;
constexpr int32_t PLANE_BANK = 25000;

constexpr uint16_t OPAQUE = 63;

// For pictures read as one run of pixels, whatever their shape.
void requirePixelCount(const Image* image, const char* path, int minPixels) {
    requireImageSize(image, path, 1, 1);
    if (image->pixelCount >= minPixels) return;
    printf("error loading %s: expected %d pixels or more, found %d x %d\n", path, minPixels, image->width,
           image->height);
    fflush(stdout);
    exit(1);
}

// One strip row, all 128 columns: s is the summed intensity, a the opacity,
// taken as 0 at or below the threshold. Opacity 0 leaves the pixel as it is
// (blendSixtyFourths with a = 0 gives d exactly, so whole rows can be run),
// 63 copies the palette colour, anything between blends. Everything runs in
// 16-bit lanes: the opacity bytes are at most 63 (the mask tells the compiler
// so) and the palette is held as 32-bit entries, which AVX2 can gather.
AMBRELLE_VECTOR_CLONES void waterfallRow(uint16_t* __restrict dst, const uint8_t* __restrict g0,
                                         const uint8_t* __restrict g1, const uint8_t* __restrict g2,
                                         const uint8_t* __restrict alpha, const uint32_t* __restrict palette) {
    for (int x = 0; x < CaveScene::WATERFALL_WIDTH; x++) {
        const uint16_t s = static_cast<uint16_t>(g0[x] + g1[x] + g2[x]);
        const uint16_t lit = static_cast<uint16_t>(-static_cast<uint16_t>(s > CaveScene::WATERFALL_THRESHOLD));
        const uint16_t a = static_cast<uint16_t>(alpha[x] & OPAQUE & lit);
        const uint16_t c = static_cast<uint16_t>(palette[s]);
        const uint16_t opaque = static_cast<uint16_t>(-static_cast<uint16_t>(a == OPAQUE));
        const uint16_t blended = blendSixtyFourths(dst[x], c, a);
        dst[x] = static_cast<uint16_t>((c & opaque) | (blended & ~opaque));
    }
}

#if CAVE_WIDE_WATERFALL
// The same row 32 pixels at a time in 512-bit registers. The palette lookup
// is two 64-entry word permutes of the table indexed by s - 91 (0..98); lanes
// at or below the threshold get some colour but opacity 0, like above.
__attribute__((target("avx512f,avx512bw"))) void waterfallRowWide(uint16_t* dst, const uint8_t* g0, const uint8_t* g1,
                                                                  const uint8_t* g2, const uint8_t* alpha,
                                                                  const uint16_t* table) {
    const __m512i t0 = _mm512_loadu_si512(table), t1 = _mm512_loadu_si512(table + 32);
    const __m512i t2 = _mm512_loadu_si512(table + 64), t3 = _mm512_loadu_si512(table + 96);
    const __m512i threshold = _mm512_set1_epi16(CaveScene::WATERFALL_THRESHOLD);
    const __m512i first = _mm512_set1_epi16(CaveScene::WATERFALL_THRESHOLD + 1);
    const __m512i upperHalf = _mm512_set1_epi16(64);
    const __m512i opaque = _mm512_set1_epi16(OPAQUE);
    const __m512i full = _mm512_set1_epi16(64);
    const __m512i sixBits = _mm512_set1_epi16(63), fiveBits = _mm512_set1_epi16(31);
    for (int x = 0; x < CaveScene::WATERFALL_WIDTH; x += 32) {
        const __m512i s = _mm512_add_epi16(
            _mm512_add_epi16(_mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(g0 + x))),
                             _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(g1 + x)))),
            _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(g2 + x))));
        const __mmask32 lit = _mm512_cmpgt_epu16_mask(s, threshold);
        const __m512i a = _mm512_maskz_mov_epi16(
            lit, _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(alpha + x))));
        const __m512i index = _mm512_sub_epi16(s, first);
        const __m512i low = _mm512_permutex2var_epi16(t0, index, t1);
        const __m512i high = _mm512_permutex2var_epi16(t2, index, t3);
        const __m512i c = _mm512_mask_blend_epi16(_mm512_test_epi16_mask(index, upperHalf), low, high);
        const __m512i d = _mm512_loadu_si512(dst + x);
        const __m512i ia = _mm512_sub_epi16(full, a);
        const __m512i r = _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_srli_epi16(d, 11), ia),
                                                             _mm512_mullo_epi16(_mm512_srli_epi16(c, 11), a)),
                                            6);
        const __m512i g = _mm512_srli_epi16(
            _mm512_add_epi16(_mm512_mullo_epi16(_mm512_and_si512(_mm512_srli_epi16(d, 5), sixBits), ia),
                             _mm512_mullo_epi16(_mm512_and_si512(_mm512_srli_epi16(c, 5), sixBits), a)),
            6);
        const __m512i b = _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_and_si512(d, fiveBits), ia),
                                                             _mm512_mullo_epi16(_mm512_and_si512(c, fiveBits), a)),
                                            6);
        const __m512i blended = _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(r, 11), _mm512_slli_epi16(g, 5)), b);
        _mm512_storeu_si512(dst + x, _mm512_mask_blend_epi16(_mm512_cmpeq_epi16_mask(a, opaque), blended, c));
    }
}
#endif

}  // namespace

CaveScene::Assets CaveScene::load() {
    Assets a;
    a.background = loadPicture(BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    a.greetFont = new BitmapFont(FONT_PATH, FONT_CELL, FONT_CELL, FONT_SPACING, FONT_FIRST_CHAR, FONT_LAST_CHAR);
    requireImageSize(*a.greetFont->sheet, FONT_PATH, FONT_SHEET_WIDTH, FONT_SHEET_HEIGHT);
    a.planeTexture = loadPicture(PLANE_TEXTURE_PATH, PLANE_TEXTURE_SIZE, PLANE_TEXTURE_SIZE);
    a.plane = new Mesh(PLANE_PATH, a.planeTexture, a.planeTexture, PLANE_VERTICES, PLANE_FACES, PLANE_TEX_COORDS);
    for (int L = 0; L < LAYER_COUNT; L++)
        a.waterfallLayers[L] = loadPicture(LAYER_PATHS[L], WATERFALL_WIDTH, LAYER_ROWS);
    a.waterfallPalette = loadPicture(PALETTE_PATH, 1, 1);
    requirePixelCount(a.waterfallPalette, PALETTE_PATH, PALETTE_SIZE);
    a.waterfallAlpha = loadPicture(ALPHA_PATH, WATERFALL_WIDTH, WATERFALL_HEIGHT);
    return a;
}

CaveScene::CaveScene(const Assets& assets)
    : background(assets.background),
      greetFont(assets.greetFont),
      planeTexture(assets.planeTexture),
      plane(assets.plane),
      waterfallLayers{assets.waterfallLayers[0], assets.waterfallLayers[1], assets.waterfallLayers[2]},
      waterfallPalette(assets.waterfallPalette),
      waterfallAlpha(assets.waterfallAlpha) {
    requireImageSize(background, BACKGROUND_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(greetFont ? greetFont->sheet : nullptr, FONT_PATH, FONT_SHEET_WIDTH, FONT_SHEET_HEIGHT);
    requireImageSize(planeTexture, PLANE_TEXTURE_PATH, PLANE_TEXTURE_SIZE, PLANE_TEXTURE_SIZE);
    if (!plane) {
        printf("error loading %s\n", PLANE_PATH);
        fflush(stdout);
        exit(1);
    }
    for (int L = 0; L < LAYER_COUNT; L++)
        requireImageSize(waterfallLayers[L], LAYER_PATHS[L], WATERFALL_WIDTH, LAYER_ROWS);
    requirePixelCount(waterfallPalette, PALETTE_PATH, PALETTE_SIZE);
    requireImageSize(waterfallAlpha, ALPHA_PATH, WATERFALL_WIDTH, WATERFALL_HEIGHT);
    plane->texture = planeTexture;
    plane->envMap = planeTexture;

    memset(greetings, 0, sizeof greetings);
    for (int i = 0; i < GREETING_COUNT; i++)
        for (int j = 0; j < GREETING_SLOTS && GREETING_NAMES[i][j] != 0; j++) greetings[i][j] = GREETING_NAMES[i][j];
    for (int i = 0; i < GREETING_COUNT; i++)
        for (int j = 0; j < GREETING_SLOTS; j++) {
            const uint32_t phase =
                (DRIFT_PHASE + DRIFT_PER_GREETING * i + DRIFT_PER_SLOT * (GREETING_SLOTS - 1 - j)) & 0xFFFF;
            letterDrift[i][j] = ((cosineTable[phase] * DRIFT_AMPLITUDE) >> 16) + DRIFT_BASE;
            letterOffset[i][j] = letterDrift[i][j];
            letterFall[i][j] = LETTER_START_FALL;
        }
    currentGreeting = 0;
    for (uint32_t& scroll : layerScroll) scroll = 0;
    letterSpin = 0;
    planeVisible = false;
    buildWaterfallTables();
#if CAVE_WIDE_WATERFALL
    wideWaterfall = __builtin_cpu_supports("avx512bw");
#endif
}

void CaveScene::buildWaterfallTables() {
    // Every read below stays inside the sizes checked by the constructor.
    for (int L = 0; L < LAYER_COUNT; L++)
        for (int i = 0; i < LAYER_PIXELS; i++)
            layerGreen[L][i] = static_cast<uint8_t>(green6(waterfallLayers[L]->pixels[i]));
    for (int i = 0; i < WATERFALL_WIDTH * WATERFALL_HEIGHT; i++)
        alphaGreen[i] = static_cast<uint8_t>(green6(waterfallAlpha->pixels[i]));
    for (int s = 0; s < PALETTE_SIZE; s++) palette[s] = s > WATERFALL_THRESHOLD ? waterfallPalette->pixels[s] : 0u;
    for (int i = 0; i < WIDE_TABLE_SIZE; i++)
        wideTable[i] = static_cast<uint16_t>(
            i < PALETTE_SIZE - WATERFALL_THRESHOLD - 1 ? palette[WATERFALL_THRESHOLD + 1 + i] : 0);
    for (int y = 0; y < WATERFALL_HEIGHT; y++) {
        alphaRowLit[y] = false;
        for (int x = 0; x < WATERFALL_WIDTH; x++)
            alphaRowLit[y] = alphaRowLit[y] || alphaGreen[y * WATERFALL_WIDTH + x] != 0;
    }
}

CaveScene::~CaveScene() {
    delete plane;  // refers to planeTexture
    delete planeTexture;
    delete background;
    delete greetFont;
    for (Image* layer : waterfallLayers) delete layer;
    delete waterfallPalette;
    delete waterfallAlpha;
}

void CaveScene::posePlane(Mesh& plane, Camera& camera, uint32_t t) {
    plane.focalLength = PLANE_FOCAL_LENGTH;
    camera.angle[0] = CAMERA_PITCH;
    camera.angle[1] = CAMERA_YAW;
    camera.angle[2] = 0;
    camera.position[0] = 0;
    camera.position[1] = CAMERA_HEIGHT;
    camera.position[2] = 0;
    const uint32_t a = (2u * (t - PLANE_PHASE_MS)) & 0xFFFF;
    // Table values are at most 65535 in size: the products fit in 32 bits.
    plane.position[0] = cosineTable[a] * PLANE_RADIUS - PLANE_CENTRE;
    plane.position[1] = sineTable[a] * PLANE_RADIUS + PLANE_CENTRE;
    // 20.0 less one unit per 256 ms after 170000 ms, wrapping in 32 bits.
    plane.position[2] = static_cast<int32_t>(PLANE_START_Z - ((t - PLANE_RECEDE_MS) << 8));
    plane.angle[0] = 0;
    plane.angle[1] = static_cast<int32_t>((t - PLANE_PHASE_MS) & 0xFFFF);
    plane.angle[2] = (sineTable[a] + PLANE_BANK) >> 1;
    camera.update();
    plane.transform();
}

void CaveScene::update(uint32_t t) {
    planeVisible = false;
    if (t >= PLANE_FIRST_MS && t <= PLANE_LAST_MS) {
        planeVisible = true;
        posePlane(*plane, *Screen::instance()->camera, t);
    }

    letterSpin = t << 5;

    // Unsigned: any t before the greetings gives a huge quotient.
    const uint32_t greeting = (t - GREETINGS_START_MS) / GREETING_MS;
    currentGreeting = greeting > 9 ? NO_GREETING : static_cast<int32_t>(greeting);
    if (currentGreeting != NO_GREETING) {
        const int k = currentGreeting;
        // 0..124 over the greeting's 4000 ms.
        const int32_t fall =
            static_cast<int32_t>((t - GREETING_MS * static_cast<uint32_t>(k) - GREETINGS_START_MS) >> 5);
        for (int j = 0; j < GREETING_SLOTS; j++) {
            letterFall[k][j] = fall;
            // letterDrift >> 3 is -7..-2: the letter drops a further 2..7 rows
            // on every update. Kept in 32-bit wrap-around however many
            // updates come.
            if (fall > LETTER_BREAK_FALL)
                letterOffset[k][j] = static_cast<int32_t>(static_cast<uint32_t>(letterOffset[k][j]) -
                                                          static_cast<uint32_t>(letterDrift[k][j] >> 3));
        }
    }

    layerScroll[0] = t >> 4;
    layerScroll[1] = t >> 3;
    layerScroll[2] = t >> 2;
}

void CaveScene::renderWaterfall(uint16_t* back) const {
    for (int y = 0; y < WATERFALL_HEIGHT; y++) {
        if (!alphaRowLit[y]) continue;
        // Layer index ((y - scroll) x 128 + x) & 0x7FFF is row (y - scroll) & 255,
        // column x: each row is one run of 128 pixels.
        const uint8_t* g[LAYER_COUNT];
        for (int L = 0; L < LAYER_COUNT; L++)
            g[L] = layerGreen[L] + ((static_cast<uint32_t>(y) - layerScroll[L]) & (LAYER_ROWS - 1)) * WATERFALL_WIDTH;
        uint16_t* dst = back + y * SCREEN_WIDTH + WATERFALL_X;
        const uint8_t* alpha = alphaGreen + y * WATERFALL_WIDTH;
#if CAVE_WIDE_WATERFALL
        if (wideWaterfall) {
            waterfallRowWide(dst, g[0], g[1], g[2], alpha, wideTable);
            continue;
        }
#endif
        waterfallRow(dst, g[0], g[1], g[2], alpha, palette);
    }
}

void CaveScene::drawGreeting() const {
    if (currentGreeting < 0 || currentGreeting >= GREETING_COUNT) return;
    const int k = currentGreeting;
    const int32_t n = static_cast<int32_t>(strnlen(greetings[k], GREETING_SLOTS));
    const GlyphMask mask = {waterfallAlpha->pixels, waterfallAlpha->pixelCount, WATERFALL_WIDTH, WATERFALL_X};
    for (int j = 0; j < GREETING_SLOTS; j++) {
        const char ch = greetings[k][j];
        if (ch == 0) continue;
        const int32_t x = LETTER_LEFT + LETTER_PITCH * j - LETTER_CENTRING * n;
        const int32_t y =
            static_cast<int32_t>(static_cast<uint32_t>(letterFall[k][j]) + static_cast<uint32_t>(letterOffset[k][j]));
        // A glyph with none of its rows in 0..238 writes nothing: skipping it
        // changes no pixel and keeps the glyph's row arithmetic in range.
        if (static_cast<int64_t>(y) - GLYPH_REACH_ABOVE > GLYPH_LAST_ROW ||
            static_cast<int64_t>(y) + greetFont->cellHeight + GLYPH_REACH_BELOW < 0)
            continue;
        const int32_t angle =
            (sineTable[((static_cast<uint32_t>(j) << LETTER_PHASE_SHIFT) + letterSpin) & 0xFFFF] >> 3) +
            LETTER_REST_ANGLE;
        greetFont->drawRotatedGlyph(x, y, ch, angle, mask);
    }
}

void CaveScene::render() {
    Screen* screen = Screen::instance();
    background->copyToScreen();
    renderWaterfall(screen->backBuffer);
    drawGreeting();
    if (planeVisible) {
        screen->clearDepth(PLANE_CLEAR_DEPTH);
        plane->render();
    }
}
