// The biplane scene: the weaving pose, the cloud layers, and the sky pass that
// fills the frame around the plane from per-layer column tables, fetching a
// layer's texels only when its texture row changes.
#include "scenes/biplane_scene.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/screen.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/vector_clones.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

const char* const PLANE_TEXTURE_PATH = "data/env_red.png";
const char* const PLANE_MESH_PATH = "data/sopwith.ase";
const char* const CLOUD_PATHS[BiplaneScene::LAYER_COUNT] = {"data/cloud1.png", "data/cloud2.png", "data/cloud3.png"};
constexpr int32_t PLANE_VERTICES = 122;
constexpr int32_t PLANE_FACES = 136;
constexpr int32_t PLANE_TEX_VERTICES = 286;

// Camera height above the plane: about 9.9.
constexpr Fixed CAMERA_HEIGHT = 0x9E666;
constexpr int32_t QUARTER_TURN = 0x4000;
constexpr int32_t PLANE_PITCH = 4000;
constexpr int32_t PLANE_ROLL = -5000;

// Layer k runs a third of a 90000-unit cycle behind layer k - 1.
constexpr uint32_t LAYER_SPEED = 32;
constexpr uint32_t LAYER_OFFSET = 30000;
// The picture grows out of the point (340, -10), just off the top-right corner.
constexpr int32_t ZOOM_CENTRE_U = 0x1540000;  // 340.0
constexpr int32_t ZOOM_CENTRE_X = 340;
constexpr int32_t ZOOM_CENTRE_V = 0xA0000;  // 10.0
constexpr int32_t ZOOM_CENTRE_Y = 10;
// cloudFade is 0 at this scale and grows linearly with the distance from it,
// reaching 63 at a distance of FADE_SPAN.
constexpr int32_t FADE_CLEAREST = 32000;
constexpr int64_t FADE_SPAN = 58000;
constexpr int32_t MAX_GREEN = 63;

// Table angles: only the low 16 bits count.
inline Fixed sine(uint32_t angle) { return sineTable[angle & 0xFFFF]; }
inline Fixed cosine(uint32_t angle) { return cosineTable[angle & 0xFFFF]; }
inline uint32_t bits(int32_t v) { return static_cast<uint32_t>(v); }

// The portable fetch: c = max(green - fade, 0) for every screen column, one
// texel at a time. rowBase is the texture row times 256; columns may run past
// 255 into the next texture row, and the index wraps as a whole.
void fetchEach(uint8_t* __restrict out, const uint8_t* __restrict greens, const uint32_t* __restrict columns,
               uint32_t rowBase, uint8_t fade) {
    for (int x = 0; x < SCREEN_WIDTH; x++) {
        const uint8_t g = greens[(rowBase + columns[x]) & 0xFFFFu];
        out[x] = static_cast<uint8_t>(g > fade ? g - fade : 0);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define AMBRELLE_BIPLANE_SHUFFLES 1
bool processorShuffles() { return __builtin_cpu_supports("ssse3"); }

// The same for groups of `size` (16 or 8) screen columns whose texels lie in
// one 16-byte window of greens: one load, one byte shuffle and one saturating
// subtraction per group.
__attribute__((target("ssse3"))) void fetchShuffled(uint8_t* __restrict out, const uint8_t* __restrict greens,
                                                    const uint32_t* __restrict columns,
                                                    const uint8_t (*__restrict control)[16], int size, uint32_t rowBase,
                                                    uint8_t fade) {
    const __m128i f = _mm_set1_epi8(static_cast<char>(fade));
    const int groups = SCREEN_WIDTH / size;
    for (int g = 0; g < groups; g++) {
        const uint8_t* window = greens + ((rowBase + columns[g * size]) & 0xFFFFu);
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
        const __m128i c =
            _mm_subs_epu8(_mm_shuffle_epi8(w, _mm_load_si128(reinterpret_cast<const __m128i*>(control[g]))), f);
        if (size == 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + g * 16), c);
        else
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + g * 8), c);
    }
}
#else
bool processorShuffles() { return false; }
#endif

// base + the three layers' light, each field saturated: every layer adds c
// to green and c >> 1 to red and blue.
inline uint16_t addLight(uint16_t base, uint8_t c0, uint8_t c1, uint8_t c2) {
    const uint16_t half = static_cast<uint16_t>((c0 >> 1) + (c1 >> 1) + (c2 >> 1));
    const uint16_t whole = static_cast<uint16_t>(c0 + c1 + c2);
    uint16_t r = static_cast<uint16_t>((base >> 11) + half);
    uint16_t g = static_cast<uint16_t>(((base >> 5) & 63) + whole);
    uint16_t b = static_cast<uint16_t>((base & 31) + half);
    r = r < 31 ? r : 31;
    g = g < 63 ? g : 63;
    b = b < 31 ? b : 31;
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

// A row of pure sky: SKY_BASE plus the light.
AMBRELLE_VECTOR_CLONES void skyRow(uint16_t* __restrict out, const uint8_t* __restrict l0, const uint8_t* __restrict l1,
                                   const uint8_t* __restrict l2) {
    for (int x = 0; x < SCREEN_WIDTH; x++) out[x] = addLight(BiplaneScene::SKY_BASE, l0[x], l1[x], l2[x]);
}

// A row the plane may cover: where the depth is no longer the sky's, the
// pixel drawn there is the base.
AMBRELLE_VECTOR_CLONES void planeRow(uint16_t* __restrict out, const Fixed* __restrict depth,
                                     const uint8_t* __restrict l0, const uint8_t* __restrict l1,
                                     const uint8_t* __restrict l2) {
    for (int x = 0; x < SCREEN_WIDTH; x++) {
        const uint16_t base = depth[x] == BiplaneScene::SKY_DEPTH ? BiplaneScene::SKY_BASE : out[x];
        out[x] = addLight(base, l0[x], l1[x], l2[x]);
    }
}

}  // namespace

BiplaneScene::Assets BiplaneScene::load() {
    Assets assets;
    assets.planeTexture = loadPicture(PLANE_TEXTURE_PATH, PLANE_TEXTURE_SIZE, PLANE_TEXTURE_SIZE);
    assets.plane = new Mesh(PLANE_MESH_PATH, assets.planeTexture, assets.planeTexture, PLANE_VERTICES, PLANE_FACES,
                            PLANE_TEX_VERTICES);
    for (int k = 0; k < LAYER_COUNT; k++) assets.clouds[k] = loadPicture(CLOUD_PATHS[k], CLOUD_SIZE, CLOUD_SIZE);
    return assets;
}

BiplaneScene::BiplaneScene(const Assets& assets) {
    requireImageSize(assets.planeTexture, PLANE_TEXTURE_PATH, PLANE_TEXTURE_SIZE, PLANE_TEXTURE_SIZE);
    if (!assets.plane) {
        printf("error loading %s\n", PLANE_MESH_PATH);
        fflush(stdout);
        exit(1);
    }
    for (int k = 0; k < LAYER_COUNT; k++) requireImageSize(assets.clouds[k], CLOUD_PATHS[k], CLOUD_SIZE, CLOUD_SIZE);

    planeTexture = assets.planeTexture;
    planeMesh = assets.plane;
    planeMesh->texture = planeTexture;
    planeMesh->envMap = planeTexture;
    for (int k = 0; k < LAYER_COUNT; k++) {
        cloudImages[k] = assets.clouds[k];
        const uint16_t* pixels = cloudImages[k]->pixels;
        for (int i = 0; i < TEXELS + WINDOW; i++) greens[k][i] = static_cast<uint8_t>(green6(pixels[i & (TEXELS - 1)]));
    }
    shuffleFetch = processorShuffles();

    for (int32_t i = 0; i <= MAX_SCALE; i++) {
        const int64_t d = i < FADE_CLEAREST ? FADE_CLEAREST - i : i - FADE_CLEAREST;
        const int64_t q = (d * 65536) / FADE_SPAN;
        cloudFade[i] = static_cast<int32_t>((q * MAX_GREEN) >> 16);
    }
}

BiplaneScene::~BiplaneScene() {
    delete planeTexture;
    delete planeMesh;
    for (Image* cloud : cloudImages) delete cloud;
}

void BiplaneScene::posePlane(Mesh& plane, Camera& camera, uint32_t t) {
    plane.focalLength = FOCAL_LENGTH;
    // The first angle is a quarter turn; the third rocks within about +-3200.
    camera.angle[0] = QUARTER_TURN;
    camera.angle[1] = 0;
    camera.angle[2] = sine(bits(sine(16 * t) >> 7));
    // x and z in a 2:1 frequency ratio: a figure-of-eight at a fixed height.
    camera.position[0] = 2 * sine(8 * t);
    camera.position[1] = CAMERA_HEIGHT;
    camera.position[2] = 2 * cosine(4 * t);
    plane.angle[0] = sine(bits(sine(8 * t) >> 8)) + PLANE_PITCH;
    plane.angle[1] = sine(bits(sine(16 * t) >> 6));
    plane.angle[2] = PLANE_ROLL;
    // The plane stays at the origin; only the camera moves.
    plane.position[0] = plane.position[1] = plane.position[2] = 0;
    camera.update();
    plane.transform();
}

void BiplaneScene::setLayers(CloudLayer (&out)[LAYER_COUNT], uint32_t t) {
    for (int k = 0; k < LAYER_COUNT; k++) {
        const uint32_t p =
            (LAYER_SPEED * t + LAYER_OFFSET * static_cast<uint32_t>(k)) % static_cast<uint32_t>(MAX_SCALE);
        const int32_t scale = MAX_SCALE - static_cast<int32_t>(p);
        out[k].scale = scale;
        out[k].uStart = ZOOM_CENTRE_U - ZOOM_CENTRE_X * scale;
        out[k].vStart = ZOOM_CENTRE_Y * scale - ZOOM_CENTRE_V;
        out[k].step = scale;
    }
}

void BiplaneScene::update(uint32_t t) {
    posePlane(*planeMesh, *Screen::instance()->camera, t);
    setLayers(layers, t);
}

void BiplaneScene::render() {
    Screen::instance()->clearDepth(SKY_DEPTH);
    planeMesh->render();
    renderSky();
}

void BiplaneScene::planLayer(int k) {
    const CloudLayer& layer = layers[k];
    LayerPlan& plan = plans[k];
    // Layers come from setLayers (scale 1..90000); any other scale reads the
    // nearest end of the table.
    const int32_t scale = layer.scale < 0 ? 0 : (layer.scale > MAX_SCALE ? MAX_SCALE : layer.scale);
    plan.fade = static_cast<uint16_t>(cloudFade[scale]);
    uint32_t uk = bits(layer.uStart);
    for (int x = 0; x < SCREEN_WIDTH; x++) {
        plan.columns[x] = bits(static_cast<int32_t>(uk) >> 16);
        uk += bits(layer.step);
    }
    // Groups of 16 fit one window while the step stays below one texel per
    // pixel, groups of 8 up to 90000 (at most 11 texels); a group fits when
    // every column lies 0..15 texels on from the group's first.
    plan.groupSize = 0;
    const int sizes[] = {WINDOW, WINDOW / 2};
    for (int size : sizes) {
        uint32_t widest = 0;
        for (int first = 0; first < SCREEN_WIDTH; first += size)
            for (int i = 1; i < size; i++) {
                const uint32_t offset = plan.columns[first + i] - plan.columns[first];
                widest = offset > widest ? offset : widest;
            }
        if (widest >= WINDOW) continue;
        plan.groupSize = size;
        for (int g = 0; g < SCREEN_WIDTH / size; g++)
            for (int i = 0; i < WINDOW; i++)
                plan.control[g][i] =
                    static_cast<uint8_t>(i < size ? plan.columns[g * size + i] - plan.columns[g * size] : 0);
        break;
    }
}

void BiplaneScene::renderSky() {
    Screen& screen = *Screen::instance();
    uint16_t* back = screen.backBuffer;
    const Fixed* depth = screen.depthBuffer;

    // Rows [bandFirst, bandEnd) are depth-tested. When the plane wrote no row
    // the range is still (239, 0), and the bands as first drawn (rows
    // 0..depthMinRow - 1, then depthMaxRow + 4..239) would overlap: rows
    // 4..238 would be drawn twice, the second time with the texture rows
    // running on from the first pass. Whenever the first and last band would
    // overlap, every row is drawn once as sky instead, so the clouds stream
    // on undisturbed in a frame without the plane.
    const int64_t minRow = screen.depthMinRow, bandLimit = static_cast<int64_t>(screen.depthMaxRow) + BAND_MARGIN;
    int32_t bandFirst = SCREEN_HEIGHT, bandEnd = SCREEN_HEIGHT;
    if (minRow <= bandLimit) {
        bandFirst = static_cast<int32_t>(minRow < 0 ? 0 : (minRow > SCREEN_HEIGHT ? SCREEN_HEIGHT : minRow));
        bandEnd = static_cast<int32_t>(bandLimit < 0 ? 0 : (bandLimit > SCREEN_HEIGHT ? SCREEN_HEIGHT : bandLimit));
    }

    // Every row is drawn once in order, so row y reads texture row
    // (vStart + y x step) >> 16; the light of a layer is fetched again only
    // when that row changes modulo 256 (the part that reaches the index).
    uint32_t vk[LAYER_COUNT], fetchedRow[LAYER_COUNT];
    for (int k = 0; k < LAYER_COUNT; k++) {
        planLayer(k);
        vk[k] = bits(layers[k].vStart);
        fetchedRow[k] = ~0u;  // nothing fetched yet this frame
    }

    for (int32_t y = 0; y < SCREEN_HEIGHT; y++) {
        bool changed = false;
        for (int k = 0; k < LAYER_COUNT; k++) {
            const uint32_t textureRow = bits(static_cast<int32_t>(vk[k]) >> 16) & 0xFFu;
            vk[k] += bits(layers[k].step);
            if (textureRow == fetchedRow[k]) continue;
            fetchedRow[k] = textureRow;
            changed = true;
            const LayerPlan& plan = plans[k];
            const uint8_t fade = static_cast<uint8_t>(plan.fade);
#ifdef AMBRELLE_BIPLANE_SHUFFLES
            if (shuffleFetch && plan.groupSize != 0) {
                fetchShuffled(light[k], greens[k], plan.columns, plan.control, plan.groupSize, textureRow << 8, fade);
                continue;
            }
#endif
            fetchEach(light[k], greens[k], plan.columns, textureRow << 8, fade);
        }
        uint16_t* out = back + y * SCREEN_WIDTH;
        const bool band = y >= bandFirst && y < bandEnd;
        const bool bandAbove = y - 1 >= bandFirst && y - 1 < bandEnd;
        if (band) {
            planeRow(out, depth + y * SCREEN_WIDTH, light[0], light[1], light[2]);
        } else if (!changed && y > 0 && !bandAbove) {
            // The same light as the sky row above: the same pixels.
            memcpy(out, out - SCREEN_WIDTH, SCREEN_WIDTH * sizeof(uint16_t));
        } else {
            skyRow(out, light[0], light[1], light[2]);
        }
    }
}
