// The dragonfly scene: haze textures, the flower field's drift, the credit
// bands and the dragonfly sprite, drawn with clipped row kernels that give
// exactly blend565's bits.
#include "scenes/dragonfly_scene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "display/screen.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/show_rand.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/vector_clones.h"
#include "main/show_facts.h"

namespace {

const char* const BODY_PATH = "data/dragonfly.png";
const char* const BODY_OPACITY_PATH = "data/dragonfly_opac.png";
const char* const WING_PATHS[DragonflyScene::WING_FRAMES] = {"data/df_wing1.png", "data/df_wing2.png",
                                                             "data/df_wing3.png"};
const char* const CREDITS_PATH = "data/credits.png";
const char* const CREDITS_OPACITY_PATH = "data/credits_opac.png";
const char* const BACKDROP_PATH = "data/bg.png";
const char* const FLOWER_TEXTURE_PATH = "data/kukka.png";

constexpr int32_t WING_LIFT[DragonflyScene::WING_FRAMES] = {60, 40, 10};

// Flower start positions, whole units.
constexpr int32_t START_X[DragonflyScene::FLOWER_COUNT] = {-6, -10, -1, 4, 3, -5, 6, -8, -1, -3, 2, 7};
constexpr int32_t START_Y[DragonflyScene::FLOWER_COUNT] = {3, 6, 5, 3, 8, 10, 11, 12, 13, 18, 17, 15};

// Flowers live between these distances ahead: 2.0 (exclusive) and 20.0.
constexpr Fixed FAR_DISTANCE = 0x140000;
constexpr Fixed NEAR_LIMIT = 0x1FFFF;
// Distances from 16.0 on are hazed, a quarter more per unit.
constexpr int32_t FIRST_HAZED_UNIT = 15;

constexpr Fixed FLOWER_FOCAL_LENGTH = 0xFA0000;  // 250.0
constexpr Fixed FLOWER_CLEAR_DEPTH = 0x3E80000;  // 1000.0
constexpr int32_t CAMERA_PITCH = 0x4000;

// The credit bands start moving at this time, one column per 64 ms.
constexpr uint32_t CREDITS_START_MS = 200000;

// The dragonfly circles (160, 170) at a radius of 20 pixels.
constexpr int32_t CIRCLE_X = 160;
constexpr int32_t CIRCLE_Y = 170;
constexpr int32_t CIRCLE_RADIUS = 20;
// Offsets from the centre to a wing picture's column 0 and to the body's
// top-left pixel.
constexpr int32_t WING_LEFT = 95;
constexpr int32_t BODY_LEFT = 16;
constexpr int32_t BODY_TOP = 42;

constexpr int MAX_GREEN = 63;

// blend565(d, s, w << 10) for a weight w in 0..63, and s itself for w = 64,
// kept in 16-bit lanes. Per field, (d (64 - w) + s w) >> 6 is
// d + ((s - d) w >> 6): 64 d is a whole multiple of 64, so the floor only
// acts on the signed part, |s - d| w <= 63 x 64 fits 16 bits, and the shift
// is arithmetic (a floor). At w = 64 every field comes out as s's.
inline uint16_t mixField(uint16_t d, uint16_t s, int16_t w) {
    const int16_t step = static_cast<int16_t>(static_cast<int16_t>(static_cast<int16_t>(s - d) * w) >> 6);
    return static_cast<uint16_t>(d + step);
}
inline uint16_t mix565(uint16_t d, uint16_t s, int16_t w) {
    const uint16_t r = mixField(static_cast<uint16_t>(d >> 11), static_cast<uint16_t>(s >> 11), w);
    const uint16_t g = mixField(static_cast<uint16_t>((d >> 5) & 63), static_cast<uint16_t>((s >> 5) & 63), w);
    const uint16_t b = mixField(static_cast<uint16_t>(d & 31), static_cast<uint16_t>(s & 31), w);
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

// dst = p where the opacity is 63, else blend565(dst, p, opacity << 10),
// which leaves dst as it is for opacity 0: the weight is the opacity, raised
// to 64 (a plain copy) at 63.
AMBRELLE_VECTOR_CLONES void opacityRow(uint16_t* __restrict dst, const uint16_t* __restrict src,
                                       const uint16_t* __restrict opacity, int n) {
    for (int i = 0; i < n; i++) {
        const int16_t a = static_cast<int16_t>((opacity[i] >> 5) & MAX_GREEN);
        dst[i] = mix565(dst[i], src[i], static_cast<int16_t>(a + ((a + 1) >> 6)));
    }
}

// Wing pixels carry their own opacity, 63 - green, and are drawn only from
// WING_MIN_OPACITY on (weight 0 below); there is no opaque shortcut.
AMBRELLE_VECTOR_CLONES void wingRow(uint16_t* __restrict dst, const uint16_t* __restrict src, int n) {
    for (int i = 0; i < n; i++) {
        const int16_t a = static_cast<int16_t>(MAX_GREEN - ((src[i] >> 5) & MAX_GREEN));
        dst[i] = mix565(dst[i], src[i], a >= DragonflyScene::WING_MIN_OPACITY ? a : int16_t{0});
    }
}

}  // namespace

DragonflyScene::Assets DragonflyScene::load() {
    Assets a;
    a.body = loadPicture(BODY_PATH, BODY_WIDTH, BODY_HEIGHT);
    a.bodyOpacity = loadPicture(BODY_OPACITY_PATH, BODY_WIDTH, BODY_HEIGHT);
    for (int f = 0; f < WING_FRAMES; f++) a.wings[f] = loadPicture(WING_PATHS[f], WING_WIDTH, WING_MIN_HEIGHT);
    a.credits = loadPicture(CREDITS_PATH, CREDITS_WIDTH, CREDITS_HEIGHT);
    a.creditsOpacity = loadPicture(CREDITS_OPACITY_PATH, CREDITS_WIDTH, CREDITS_HEIGHT);
    a.backdrop = loadPicture(BACKDROP_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    a.flowerTexture = loadPicture(FLOWER_TEXTURE_PATH, TEXTURE_SIZE, TEXTURE_SIZE);
    a.flower = new Mesh(FLOWER_MESH.path, a.flowerTexture, a.flowerTexture, FLOWER_MESH.vertexCount,
                        FLOWER_MESH.faceCount, FLOWER_MESH.texCoordCount);
    return a;
}

DragonflyScene::DragonflyScene(const Assets& a)
    : body(a.body),
      bodyOpacity(a.bodyOpacity),
      credits(a.credits),
      creditsOpacity(a.creditsOpacity),
      backdrop(a.backdrop),
      flower(a.flower),
      flowerTexture(a.flowerTexture) {
    for (int f = 0; f < WING_FRAMES; f++) wings[f] = a.wings[f];
    requireImageSize(body, BODY_PATH, BODY_WIDTH, BODY_HEIGHT);
    requireImageSize(bodyOpacity, BODY_OPACITY_PATH, BODY_WIDTH, BODY_HEIGHT);
    for (int f = 0; f < WING_FRAMES; f++) requireImageSize(wings[f], WING_PATHS[f], WING_WIDTH, WING_MIN_HEIGHT);
    requireImageSize(credits, CREDITS_PATH, CREDITS_WIDTH, CREDITS_HEIGHT);
    requireImageSize(creditsOpacity, CREDITS_OPACITY_PATH, CREDITS_WIDTH, CREDITS_HEIGHT);
    requireImageSize(backdrop, BACKDROP_PATH, SCREEN_WIDTH, SCREEN_HEIGHT);
    requireImageSize(flowerTexture, FLOWER_TEXTURE_PATH, TEXTURE_SIZE, TEXTURE_SIZE);
    if (!flower) {
        printf("error loading %s\n", FLOWER_MESH.path);
        fflush(stdout);
        exit(1);
    }
    flower->texture = flowerTexture;
    flower->envMap = flowerTexture;

    for (int k = 0; k < FOG_LEVELS; k++) fogTextures[k] = new Image(TEXTURE_SIZE, TEXTURE_SIZE);
    buildFogTextures();
    flower->focalLength = FLOWER_FOCAL_LENGTH;

    wingFrame = 0;
    for (int f = 0; f < WING_FRAMES; f++) wingLift[f] = WING_LIFT[f];
    circleAngle = 0;

    for (int k = 0; k < FLOWER_COUNT; k++) {
        showRand();
        showRand();
        // Single precision, truncated toward zero: -3.0, -2.9, ..., -2.1
        // as the float arithmetic rounds them.
        const int n = showRand() % 10;
        flowerZ[k] = static_cast<Fixed>((static_cast<float>(n) / 10.0f - 3.0f) * 65536.0f);
    }
    for (int k = 0; k < FLOWER_COUNT; k++) {
        flowerX[k] = START_X[k] * FIXED_ONE;
        flowerY[k] = START_Y[k] * FIXED_ONE;
    }
    lastMs = -1;
    for (int32_t& x : creditX) x = 0;

    buildExtents();
}

DragonflyScene::~DragonflyScene() {
    delete flower;
    delete body;
    delete bodyOpacity;
    delete credits;
    delete creditsOpacity;
    for (Image* w : wings) delete w;
    delete backdrop;
    delete flowerTexture;
    for (Image* fog : fogTextures) delete fog;
}

// Texel i of level k (1..3) is, per channel, floor(c (4 - k) / 4 + F k / 4)
// in 16.16: both terms are whole multiples of 1/4, so the sum is exact and
// the shift truncates it. The largest sum, 63 x 4 << 16, fits 32 bits.
void DragonflyScene::buildFogTextures() {
    const uint32_t fogRed = FOG_COLOR >> 11, fogGreen = (FOG_COLOR >> 5) & 63, fogBlue = FOG_COLOR & 31;
    const uint16_t* texels = flowerTexture->pixels;
    for (uint32_t k = 1; k < FOG_LEVELS; k++) {
        uint16_t* out = fogTextures[k - 1]->pixels;
        const uint32_t keep = 4 - k;
        for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; i++) {
            const uint32_t p = texels[i];
            uint32_t r = (((p >> 11) << 16) * keep + (fogRed << 16) * k) >> 18;
            uint32_t g = ((((p >> 5) & 63) << 16) * keep + (fogGreen << 16) * k) >> 18;
            uint32_t b = (((p & 31) << 16) * keep + (fogBlue << 16) * k) >> 18;
            r = std::min(r, 31u);
            g = std::min(g, 63u);
            b = std::min(b, 31u);
            out[i] = static_cast<uint16_t>((r << 11) | (g << 5) | b);
        }
    }
    std::fill(fogTextures[FOG_LEVELS - 1]->pixels, fogTextures[FOG_LEVELS - 1]->pixels + TEXTURE_SIZE * TEXTURE_SIZE,
              FOG_COLOR);
}

namespace {

// The columns [first, end) of `count` pixels that hold every pixel passing
// `drawn`; {0, 0} for a row with none.
template <typename Drawn>
void rowExtent(const uint16_t* row, int count, Drawn drawn, int16_t* first, int16_t* end) {
    int f = -1, e = 0;
    for (int c = 0; c < count; c++) {
        if (!drawn(row[c])) continue;
        if (f < 0) f = c;
        e = c + 1;
    }
    *first = static_cast<int16_t>(f < 0 ? 0 : f);
    *end = static_cast<int16_t>(f < 0 ? 0 : e);
}

}  // namespace

// Only whole picture rows get an extent; a row without one is drawn over its
// full (clipped) width, which gives the same pixels.
void DragonflyScene::buildExtents() {
    const auto opaque = [](uint16_t p) { return green6(p) != 0; };
    const auto darkWing = [](uint16_t p) { return MAX_GREEN - green6(p) >= WING_MIN_OPACITY; };

    const int32_t creditRows = std::min(credits->pixelCount, creditsOpacity->pixelCount) / CREDITS_WIDTH;
    creditExtents.assign(static_cast<size_t>(creditRows), Extent{0, 0});
    for (int32_t q = 0; q < creditRows; q++)
        rowExtent(creditsOpacity->pixels + q * CREDITS_WIDTH, CREDITS_WIDTH, opaque, &creditExtents[q].first,
                  &creditExtents[q].end);

    bodyExtents.assign(BODY_HEIGHT, Extent{0, 0});
    for (int r = 0; r < BODY_HEIGHT; r++)
        rowExtent(bodyOpacity->pixels + r * BODY_WIDTH, BODY_WIDTH, opaque, &bodyExtents[r].first, &bodyExtents[r].end);

    for (int f = 0; f < WING_FRAMES; f++) {
        const int32_t rows = std::min(wings[f]->height - 1, wings[f]->pixelCount / WING_WIDTH);
        wingExtents[f].assign(static_cast<size_t>(std::max(rows, 0)), Extent{0, 0});
        for (int32_t r = 0; r < rows; r++)
            rowExtent(wings[f]->pixels + r * WING_WIDTH, WING_WIDTH, darkWing, &wingExtents[f][r].first,
                      &wingExtents[f][r].end);
    }
}

int32_t DragonflyScene::fogLevel(Fixed distance) {
    const int32_t level = (distance >> 16) - FIRST_HAZED_UNIT;
    return std::min(std::max(level, 0), FOG_LEVELS);
}

Image* DragonflyScene::flowerTextureAt(Fixed distance) const {
    const int32_t level = fogLevel(distance);
    return level == 0 ? flowerTexture : fogTextures[level - 1];
}

void DragonflyScene::update(uint32_t t) {
    // Elapsed ms as 1/256 unit each, formed in unsigned so that any gap (or a
    // clock that went back) wraps instead of overflowing.
    Fixed delta = 0;
    if (lastMs != -1) delta = static_cast<Fixed>((t - static_cast<uint32_t>(lastMs)) << 8);
    lastMs = static_cast<int32_t>(t);

    wingFrame = static_cast<int32_t>((int64_t{wingFrame} + 1) % WING_FRAMES);
    circleAngle = static_cast<int32_t>((8u * t) & 0xFFFF);

    Camera& camera = *Screen::instance()->camera;
    const uint32_t swayIndex = static_cast<uint32_t>(sineTable[(4u * t - 400000u) & 0xFFFF] >> 7) & 0xFFFF;
    camera.angle[0] = CAMERA_PITCH;
    camera.angle[1] = 0;
    camera.angle[2] = sineTable[swayIndex];
    for (Fixed& p : camera.position) p = 0;
    for (int32_t& a : flower->angle) a = 0;
    camera.update();

    for (int k = 0; k < FLOWER_COUNT; k++) {
        // The step wraps in 32 bits; % truncates toward zero, so a flower
        // carried past the viewer ends up at or below zero and is reset.
        const int32_t moved = fixedSub(flowerY[k], delta);
        int32_t y = moved % FAR_DISTANCE;
        if (y <= NEAR_LIMIT) y = FAR_DISTANCE;
        flowerY[k] = y;
    }

    // Before CREDITS_START_MS this wraps to a huge v: every band far away.
    // v < 2^26, so the signed forms below cannot overflow.
    const int32_t v = static_cast<int32_t>((t - CREDITS_START_MS) >> 6);
    creditX[0] = v - 260;
    creditX[1] = 400 - v;
    creditX[2] = v - 400;

    creditWobble[0] = (sineTable[(10u * t) & 0xFFFF] * 10) >> 16;
    creditWobble[1] = (sineTable[(8u * t) & 0xFFFF] * 15) >> 16;
    creditWobble[2] = (sineTable[(9u * t) & 0xFFFF] * 13) >> 16;
}

void DragonflyScene::render() {
    Screen& screen = *Screen::instance();
    backdrop->copyToScreen();
    screen.clearDepth(FLOWER_CLEAR_DEPTH);

    for (int k = 0; k < FLOWER_COUNT; k++) {
        flower->position[0] = flowerX[k];
        flower->position[1] = flowerY[k];
        flower->position[2] = flowerZ[k];
        flower->texture = flowerTextureAt(flowerY[k]);
        flower->transform();
        flower->render();
    }

    drawCreditStrip(creditX[0], creditWobble[0] + 20, 180, 0, 56);
    drawCreditStrip(creditX[1], creditWobble[1] + 90, 130, 66, 118);
    drawCreditStrip(creditX[2], creditWobble[2] + 40, 110, 126, 176);

    const uint32_t angle = static_cast<uint32_t>(circleAngle) & 0xFFFF;
    const int32_t cx = ((sineTable[angle] * CIRCLE_RADIUS) >> 16) + CIRCLE_X;
    const int32_t cy = ((cosineTable[angle] * CIRCLE_RADIUS) >> 16) + CIRCLE_Y;
    drawDragonfly(cx, cy);
}

// Every range below is cut three ways before a row is touched: to the screen,
// to the picture's real pixel count (a picture is never read past its end,
// whatever its size), and to the row's extent of drawable pixels. Positions
// are formed in 64 bits, so no placement can overflow.
void DragonflyScene::drawCreditStrip(int32_t x, int32_t y, int32_t width, int32_t firstRow, int32_t endRow) {
    if (width <= 0 || firstRow >= endRow) return;
    uint16_t* back = Screen::instance()->backBuffer;
    const int64_t available = std::min(credits->pixelCount, creditsOpacity->pixelCount);
    const int64_t kFirst = std::max<int64_t>(0, -int64_t{x});
    const int64_t kEnd = std::min<int64_t>(width, SCREEN_WIDTH - int64_t{x});
    if (kFirst >= kEnd) return;
    // Picture row q lands on screen row y + q - firstRow; rows before the
    // picture's first are never read.
    const int64_t shift = int64_t{y} - firstRow;
    const int64_t qFirst = std::max<int64_t>({firstRow, -shift, 0});
    const int64_t qEnd = std::min<int64_t>(endRow, SCREEN_HEIGHT - shift);
    // Columns past 255 read the next picture row, which the per-row extents
    // do not describe.
    const bool useExtents = width <= CREDITS_WIDTH;
    for (int64_t q = qFirst; q < qEnd; q++) {
        const int64_t rowStart = q * CREDITS_WIDTH;
        int64_t first = kFirst, end = std::min(kEnd, available - rowStart);
        if (useExtents && q < static_cast<int64_t>(creditExtents.size())) {
            first = std::max<int64_t>(first, creditExtents[q].first);
            end = std::min<int64_t>(end, creditExtents[q].end);
        }
        if (first >= end) continue;
        opacityRow(back + (q + shift) * SCREEN_WIDTH + x + first, credits->pixels + rowStart + first,
                   creditsOpacity->pixels + rowStart + first, static_cast<int>(end - first));
    }
}

// The shipped pictures, lifts and circle keep the whole dragonfly inside the
// back buffer, but neither the wings nor the body rely on that: rows and
// columns off the screen are skipped, never wrapped onto a neighbouring row.
void DragonflyScene::drawDragonfly(int32_t cx, int32_t cy) {
    uint16_t* back = Screen::instance()->backBuffer;

    if (wingFrame >= 0 && wingFrame < WING_FRAMES) {
        const Image& wing = *wings[wingFrame];
        const std::vector<Extent>& extents = wingExtents[wingFrame];
        // Every row but the last, and only rows wholly inside the picture.
        const int64_t rows = std::min<int64_t>(int64_t{wing.height} - 1, wing.pixelCount / WING_WIDTH);
        const int64_t top = int64_t{cy} - (wing.height >> 1) - wingLift[wingFrame];
        const int64_t left = int64_t{cx} - WING_LEFT;
        const int64_t rFirst = std::max<int64_t>(0, -top), rEnd = std::min<int64_t>(rows, SCREEN_HEIGHT - top);
        const int64_t cFirst = std::max<int64_t>(0, -left), cEnd = std::min<int64_t>(WING_WIDTH, SCREEN_WIDTH - left);
        for (int64_t r = rFirst; r < rEnd && cFirst < cEnd; r++) {
            int64_t first = cFirst, end = cEnd;
            if (r < static_cast<int64_t>(extents.size())) {
                first = std::max<int64_t>(first, extents[r].first);
                end = std::min<int64_t>(end, extents[r].end);
            }
            if (first >= end) continue;
            wingRow(back + (top + r) * SCREEN_WIDTH + left + first, wing.pixels + r * WING_WIDTH + first,
                    static_cast<int>(end - first));
        }
    }

    const int64_t available = std::min(body->pixelCount, bodyOpacity->pixelCount);
    const int64_t top = int64_t{cy} - BODY_TOP;
    const int64_t left = int64_t{cx} - BODY_LEFT;
    const int64_t rFirst = std::max<int64_t>(0, -top), rEnd = std::min<int64_t>(BODY_HEIGHT, SCREEN_HEIGHT - top);
    const int64_t cFirst = std::max<int64_t>(0, -left), cEnd = std::min<int64_t>(BODY_WIDTH, SCREEN_WIDTH - left);
    for (int64_t r = rFirst; r < rEnd && cFirst < cEnd; r++) {
        const int64_t rowStart = r * BODY_WIDTH;
        const int64_t first = std::max<int64_t>(cFirst, bodyExtents[r].first);
        const int64_t end = std::min<int64_t>({cEnd, int64_t{bodyExtents[r].end}, available - rowStart});
        if (first >= end) continue;
        opacityRow(back + (top + r) * SCREEN_WIDTH + left + first, body->pixels + rowStart + first,
                   bodyOpacity->pixels + rowStart + first, static_cast<int>(end - first));
    }
}
