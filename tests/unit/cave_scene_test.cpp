// The cave scene: greeting timing, the letter tables and their break-up, the
// plane's window and pose, the waterfall's threshold and opacities, letters
// under the mask near the edges, whole frames against the plain render with
// both waterfall kernels, and the size checks on the pictures.
#include "scenes/cave_scene.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "display/screen.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/bitmap_font.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/reference/cave_reference.h"
#include "support/mesh_fixture.h"
#include "support/test_png.h"

namespace {

constexpr int STRIP = CaveScene::WATERFALL_X;

uint16_t greenOf(int g) { return static_cast<uint16_t>(g << 5); }

Image* filled(int width, int height, uint16_t value) {
    Image* image = new Image(width, height);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = value;
    return image;
}

Image* randomPicture(std::mt19937& rng, int width, int height) {
    Image* image = new Image(width, height);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = static_cast<uint16_t>(rng());
    return image;
}

// A 256 x 80 greetings sheet: every glyph pixel opaque and telling its sheet
// position, except a magenta pixel every 7 pixels.
const std::string& greetSheetPath() {
    static const std::string path = [] {
        std::vector<unsigned char> rgb(256 * 80 * 3);
        for (int y = 0; y < 80; y++)
            for (int x = 0; x < 256; x++) {
                unsigned char* p = &rgb[(y * 256 + x) * 3];
                if ((y * 256 + x) % 7 == 3) {
                    p[0] = 255, p[1] = 0, p[2] = 255;
                } else {
                    p[0] = static_cast<unsigned char>(y << 2), p[1] = static_cast<unsigned char>(x),
                    p[2] = static_cast<unsigned char>(x * 3 + y);
                }
            }
        const std::string file = makeTempDir() + "/fontgreet.png";
        writeTestPng(file, 256, 80, 3, rgb);
        return file;
    }();
    return path;
}

BitmapFont* greetFont() { return new BitmapFont(greetSheetPath().c_str(), 16, 16, -1, 32, 102); }

// A small closed body of the plane's size (file units / 40 = model units):
// a box of both materials, written as the exporter writes its records.
std::string bodyAse() {
    const int corners[8][3] = {{-60, -20, -10}, {60, -20, -10}, {60, 20, -10}, {-60, 20, -10},
                               {-60, -20, 10},  {60, -20, 10},  {60, 20, 10},  {-60, 20, 10}};
    const int faces[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 6, 5}, {4, 7, 6}, {0, 4, 5}, {0, 5, 1},
                              {3, 2, 6}, {3, 6, 7}, {0, 3, 7}, {0, 7, 4}, {1, 5, 6}, {1, 6, 2}};
    std::string text;
    char line[160];
    for (int v = 0; v < 8; v++) {
        snprintf(line, sizeof line, "*MESH_VERTEX %d %d %d %d\n", v, corners[v][0], corners[v][1], corners[v][2]);
        text += line;
        snprintf(line, sizeof line, "*MESH_VERTEXNORMAL %d %.3f %.3f %.3f\n", v, corners[v][0] / 60 * 0.577,
                 corners[v][1] / 20 * 0.577, corners[v][2] / 10 * 0.577);
        text += line;
    }
    for (int f = 0; f < 12; f++) {
        snprintf(line, sizeof line,
                 "*MESH_FACE %d: A: %d B: %d C: %d AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID %d\n", f,
                 faces[f][0], faces[f][1], faces[f][2], (f / 2) % 2);
        text += line;
        snprintf(line, sizeof line, "*MESH_TFACE %d %d %d %d\n", f, 0, 1 + f % 2, 2 + f % 2);
        text += line;
    }
    text += "*MESH_TVERT 0 0.1 0.1 0\n*MESH_TVERT 1 0.9 0.1 0\n*MESH_TVERT 2 0.9 0.9 0\n*MESH_TVERT 3 0.1 0.9 0\n";
    return text;
}

Mesh* bodyMesh() { return meshFromText(bodyAse(), 8, 12, 4).release(); }

// Plain pictures: background 0x4208, layers of green 0, palette entries
// telling their index, every opacity 63.
CaveScene::Assets plainAssets() {
    CaveScene::Assets a;
    a.background = filled(320, 240, 0x4208);
    a.greetFont = greetFont();
    a.planeTexture = filled(256, 256, 0xF800);
    a.plane = bodyMesh();
    for (Image*& layer : a.waterfallLayers) layer = filled(128, 256, greenOf(0));
    a.waterfallPalette = new Image(256, 1);
    for (int i = 0; i < 256; i++) a.waterfallPalette->pixels[i] = static_cast<uint16_t>(0x8000 | i * 97);
    a.waterfallAlpha = filled(128, 240, greenOf(63));
    return a;
}

std::unique_ptr<CaveScene> makeScene(const CaveScene::Assets& assets) {
    return std::unique_ptr<CaveScene>(new CaveScene(assets));
}

// Every picture of the given sizes random; opacities mostly 0, 63 or in
// between in equal parts; layer greens spread so that sums fall on both
// sides of the threshold.
CaveScene::Assets randomAssets(std::mt19937& rng) {
    CaveScene::Assets a;
    a.background = randomPicture(rng, 320, 240);
    a.greetFont = greetFont();
    a.planeTexture = randomPicture(rng, 256, 256);
    a.plane = bodyMesh();
    for (Image*& layer : a.waterfallLayers) layer = randomPicture(rng, 128, 256);
    a.waterfallPalette = randomPicture(rng, 190, 1);
    a.waterfallAlpha = new Image(128, 240);
    for (int i = 0; i < a.waterfallAlpha->pixelCount; i++) {
        const uint32_t r = rng();
        const int g = r % 3 == 0 ? 0 : r % 3 == 1 ? 63 : static_cast<int>(r >> 8) % 64;
        a.waterfallAlpha->pixels[i] = static_cast<uint16_t>((r & 0xF81F) | (g << 5));
    }
    // A few whole rows without any opacity.
    for (int y : {0, 17, 239})
        for (int x = 0; x < 128; x++) a.waterfallAlpha->pixels[y * 128 + x] &= 0xF81F;
    return a;
}

// Kernels to run: the portable one always, the 512-bit one where present.
std::vector<bool> kernels(const CaveScene& scene) {
    std::vector<bool> k{false};
    if (scene.wideWaterfall) k.push_back(true);
    return k;
}

std::vector<uint16_t> frame() {
    const uint16_t* back = Screen::instance()->backBuffer;
    return std::vector<uint16_t>(back, back + SCREEN_PIXELS);
}

// The first pixel where two frames differ, or -1.
int firstDifference(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
        if (a[i] != b[i]) return static_cast<int>(i);
    return a.size() == b.size() ? -1 : static_cast<int>(std::min(a.size(), b.size()));
}

// The same depth state before each of two renders that are compared.
void resetDepth() {
    Screen& screen = *Screen::instance();
    for (int i = 0; i < SCREEN_PIXELS; i++) screen.depthBuffer[i] = 0x640000;
    screen.depthMinRow = 0;
    screen.depthMaxRow = SCREEN_HEIGHT;
}

class CaveSceneTest : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        buildTrigTables();
        Screen::instance();
    }
    uint16_t* back() const { return Screen::instance()->backBuffer; }
};

}  // namespace

TEST_F(CaveSceneTest, StartsWithTheTablesAndStateOfTheText) {
    auto scene = makeScene(plainAssets());
    const char* names[10] = {"VELUMORA", "BRANNOVIK", "QUELLIRAN", "ZEPHYRONIA", "OKAVIR",
                             "ZUQ",      "VYX",       "OPH",       "HALCYX",     "KVE"};
    const size_t lengths[10] = {8, 9, 9, 10, 6, 3, 3, 3, 6, 3};
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(strnlen(scene->greetings[i], 12), lengths[i]);
        EXPECT_EQ(memcmp(scene->greetings[i], names[i], lengths[i]), 0) << i;
        for (size_t j = lengths[i]; j < 12; j++) EXPECT_EQ(scene->greetings[i][j], 0) << i << "," << j;
        for (int j = 0; j < 12; j++) {
            EXPECT_EQ(scene->letterFall[i][j], -20);
            EXPECT_EQ(scene->letterOffset[i][j], scene->letterDrift[i][j]);
        }
    }
    EXPECT_EQ(scene->currentGreeting, 0);
    EXPECT_FALSE(scene->planeVisible);
    EXPECT_EQ(scene->letterSpin, 0u);
    for (uint32_t s : scene->layerScroll) EXPECT_EQ(s, 0u);
    // The plane draws its own texture on both kinds of face.
    EXPECT_EQ(scene->plane->texture, scene->planeTexture);
    EXPECT_EQ(scene->plane->envMap, scene->planeTexture);
}

TEST_F(CaveSceneTest, LetterDriftTable) {
    auto scene = makeScene(plainAssets());
    const int32_t first[12] = {-22, -29, -36, -43, -48, -50, -50, -46, -41, -34, -26, -19};
    for (int j = 0; j < 12; j++) EXPECT_EQ(scene->letterDrift[0][j], first[j]) << j;
    int32_t low = 0, high = -100;
    for (int i = 0; i < 10; i++)
        for (int j = 0; j < 12; j++) {
            EXPECT_GE(scene->letterDrift[i][j], -50) << i << "," << j;
            EXPECT_LE(scene->letterDrift[i][j], -11) << i << "," << j;
            low = std::min(low, scene->letterDrift[i][j]);
            high = std::max(high, scene->letterDrift[i][j]);
        }
    EXPECT_EQ(low, -50);
    // Greeting 1, slot 0: cosine at 456000 + 44000 = 500000 & 0xFFFF.
    EXPECT_EQ(scene->letterDrift[1][0], ((cosineTable[500000 & 0xFFFF] * 20) >> 16) - 30);
}

TEST_F(CaveSceneTest, GreetingChangesEveryFourSecondsFrom141000) {
    auto scene = makeScene(plainAssets());
    const struct {
        uint32_t t;
        int32_t greeting;
    } cases[] = {{0, 10},      {138101, 10},      {140999, 10},     {141000, 0}, {144999, 0},
                 {145000, 1},  {176999, 8},       {177000, 9},      {180999, 9}, {181000, 10},
                 {183100, 10}, {0xFFFFFFFFu, 10}, {0x80000000u, 10}};
    for (const auto& c : cases) {
        scene->update(c.t);
        EXPECT_EQ(scene->currentGreeting, c.greeting) << c.t;
    }
    auto fresh = makeScene(plainAssets());
    fresh->update(141000);
    for (int j = 0; j < 12; j++) EXPECT_EQ(fresh->letterFall[0][j], 0);
    fresh->update(144999);
    for (int j = 0; j < 12; j++) EXPECT_EQ(fresh->letterFall[0][j], 124);
    // Only the current greeting's letters move.
    for (int i = 1; i < 10; i++)
        for (int j = 0; j < 12; j++) EXPECT_EQ(fresh->letterFall[i][j], -20);
    fresh->update(180999);
    for (int j = 0; j < 12; j++) EXPECT_EQ(fresh->letterFall[9][j], 124);
    for (int j = 0; j < 12; j++) EXPECT_EQ(fresh->letterFall[0][j], 124);  // kept from its last update
}

TEST_F(CaveSceneTest, LettersBreakApartFromFall56OnEveryUpdate) {
    auto scene = makeScene(plainAssets());
    const uint32_t fall55 = 141000 + 4000 * 3 + 55 * 32 + 31;  // greeting 3, fall 55
    for (int n = 0; n < 3; n++) scene->update(fall55);
    for (int j = 0; j < 12; j++) {
        EXPECT_EQ(scene->letterFall[3][j], 55);
        EXPECT_EQ(scene->letterOffset[3][j], scene->letterDrift[3][j]) << j;
    }
    const uint32_t fall56 = fall55 + 1;
    for (int n = 1; n <= 4; n++) {
        scene->update(fall56);
        for (int j = 0; j < 12; j++) {
            const int32_t drift = scene->letterDrift[3][j];
            // The step rounds toward minus infinity: -11 gives -2, -50 gives -7.
            const int32_t step = drift <= -49   ? -7
                                 : drift <= -41 ? -6
                                 : drift <= -33 ? -5
                                 : drift <= -25 ? -4
                                 : drift <= -17 ? -3
                                                : -2;
            EXPECT_EQ(scene->letterFall[3][j], 56);
            EXPECT_EQ(scene->letterOffset[3][j], drift - n * step) << "update " << n << " slot " << j;
        }
    }
    for (int j = 0; j < 12; j++) EXPECT_EQ(scene->letterOffset[2][j], scene->letterDrift[2][j]);
}

TEST_F(CaveSceneTest, SpinAndScrollFollowTime) {
    auto scene = makeScene(plainAssets());
    scene->update(150001);
    EXPECT_EQ(scene->letterSpin, 150001u << 5);
    EXPECT_EQ(scene->layerScroll[0], 150001u >> 4);
    EXPECT_EQ(scene->layerScroll[1], 150001u >> 3);
    EXPECT_EQ(scene->layerScroll[2], 150001u >> 2);
    scene->update(0x08000001u);
    EXPECT_EQ(scene->letterSpin, 0x20u);  // wraps in 32 bits
}

TEST_F(CaveSceneTest, PlaneWindowAndPose) {
    auto scene = makeScene(plainAssets());
    Camera& camera = *Screen::instance()->camera;
    scene->update(175350);
    EXPECT_FALSE(scene->planeVisible);
    scene->update(175351);
    EXPECT_TRUE(scene->planeVisible);
    EXPECT_EQ(scene->plane->position[2], 0x140000 - 5351 * 256);
    EXPECT_EQ(scene->plane->focalLength, 0x12C0000);
    EXPECT_EQ(camera.angle[0], 0x4000);
    EXPECT_EQ(camera.angle[1], 7000);
    EXPECT_EQ(camera.angle[2], 0);
    EXPECT_EQ(camera.position[0], 0);
    EXPECT_EQ(camera.position[1], 0x40000);
    EXPECT_EQ(camera.position[2], 0);
    // a = 2 x (175351 - 32000) & 0xFFFF = 286702 - 4 x 65536 = 24558.
    EXPECT_EQ(scene->plane->position[0], cosineTable[24558] * 100 - 0x460000);
    EXPECT_EQ(scene->plane->position[1], sineTable[24558] * 100 + 0x460000);
    EXPECT_EQ(scene->plane->angle[0], 0);
    EXPECT_EQ(scene->plane->angle[1], (175351 - 32000) & 0xFFFF);
    EXPECT_EQ(scene->plane->angle[2], ((sineTable[24558] + 25000) >> 1) & 0xFFFF);
    scene->update(184999);
    EXPECT_TRUE(scene->planeVisible);
    scene->update(185000);
    EXPECT_FALSE(scene->planeVisible);
    scene->update(100000);
    EXPECT_FALSE(scene->planeVisible);
}

TEST_F(CaveSceneTest, PoseIsSafeForAnyTime) {
    auto scene = makeScene(plainAssets());
    Camera& camera = *Screen::instance()->camera;
    for (uint32_t t : {0u, 31999u, 169999u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        CaveScene::posePlane(*scene->plane, camera, t);
        EXPECT_EQ(static_cast<uint32_t>(scene->plane->position[2]), 0x140000u - ((t - 170000u) << 8)) << t;
        EXPECT_EQ(static_cast<uint32_t>(scene->plane->angle[1]), (t - 32000u) & 0xFFFF) << t;
    }
}

TEST_F(CaveSceneTest, WaterfallThresholdAndOpacities) {
    CaveScene::Assets a = plainAssets();
    // Row 10 (t = 0: no scroll), pixels x: sums 90, 91, 189 under various opacities.
    auto setSum = [&](int x, int g0, int g1, int g2, int opacity) {
        a.waterfallLayers[0]->pixels[10 * 128 + x] = static_cast<uint16_t>(0xF81F | greenOf(g0));
        a.waterfallLayers[1]->pixels[10 * 128 + x] = greenOf(g1);
        a.waterfallLayers[2]->pixels[10 * 128 + x] = greenOf(g2);
        a.waterfallAlpha->pixels[10 * 128 + x] = static_cast<uint16_t>(0xF81F | greenOf(opacity));
    };
    setSum(0, 30, 30, 30, 63);  // 90: nothing
    setSum(1, 30, 30, 31, 63);  // 91: palette[91] exactly
    setSum(2, 63, 63, 63, 0);   // opacity 0: nothing
    setSum(3, 63, 63, 63, 63);  // 189: palette[189] exactly
    setSum(4, 63, 0, 40, 32);   // 103 at half opacity
    setSum(5, 63, 63, 63, 1);
    setSum(6, 0, 0, 0, 63);  // sum 0
    auto scene = makeScene(a);
    const uint16_t* palette = scene->waterfallPalette->pixels;
    for (bool wide : kernels(*scene)) {
        scene->wideWaterfall = wide;
        scene->update(0);
        scene->render();
        const uint16_t* row = back() + 10 * 320 + STRIP;
        EXPECT_EQ(row[0], 0x4208) << wide;
        EXPECT_EQ(row[1], palette[91]) << wide;
        EXPECT_EQ(row[2], 0x4208) << wide;
        EXPECT_EQ(row[3], palette[189]) << wide;
        EXPECT_EQ(row[4], blend565(0x4208, palette[103], 32 << 10)) << wide;
        EXPECT_EQ(row[5], blend565(0x4208, palette[189], 1 << 10)) << wide;
        EXPECT_EQ(row[6], 0x4208) << wide;
        // Outside the strip and in rows of sum 0 the background stays.
        EXPECT_EQ(back()[10 * 320 + STRIP - 1], 0x4208);
        EXPECT_EQ(back()[10 * 320 + STRIP + 128], 0x4208);
        EXPECT_EQ(back()[11 * 320 + STRIP + 1], 0x4208);
    }
}

TEST_F(CaveSceneTest, LayersScrollDownAndWrapEvery256Rows) {
    CaveScene::Assets a = plainAssets();
    // Layer 2 holds one lit pixel (row 5, column 7); the others are 0, so the
    // pixel alone (green 63 + 28 from layer 0 everywhere) passes the threshold.
    for (int i = 0; i < 128 * 256; i++) a.waterfallLayers[0]->pixels[i] = greenOf(28);
    a.waterfallLayers[2]->pixels[5 * 128 + 7] = greenOf(63);
    auto scene = makeScene(a);
    const uint16_t lit = scene->waterfallPalette->pixels[91];
    for (bool wide : kernels(*scene)) {
        scene->wideWaterfall = wide;
        // t >> 2 = 300: the layer row 5 shows on screen row (5 + 300) & 255 = 49.
        for (uint32_t t : {1200u, 1203u, 2224u, 1004u, 1000u, 0xFFFFFFD8u}) {
            scene->update(t);
            scene->render();
            const uint32_t row = (5 + (t >> 2)) & 255;
            int count = 0;
            for (int y = 0; y < 240; y++)
                for (int x = 0; x < 128; x++) count += back()[y * 320 + STRIP + x] == lit;
            if (row < 240) {
                EXPECT_EQ(back()[row * 320 + STRIP + 7], lit) << t;
                EXPECT_EQ(count, 1) << t;
            } else {
                EXPECT_EQ(count, 0) << t;
            }
        }
    }
}

TEST_F(CaveSceneTest, LettersStayInsideTheMaskNearEveryEdge) {
    std::mt19937 rng(7);
    CaveScene::Assets a = plainAssets();
    // A random third of the alpha picture all 0 (the mask tests whole
    // pixels, not their green); the waterfall draws nothing
    // (all layers 0), so every changed pixel is a letter pixel.
    for (int i = 0; i < 128 * 240; i++)
        if (rng() % 3 == 0) a.waterfallAlpha->pixels[i] = 0;
    auto scene = makeScene(a);
    const uint16_t* mask = scene->waterfallAlpha->pixels;
    int drawn = 0;
    // ZEPHYRONIA spans columns 89..240, wider than the strip; then rows near
    // the top (mask positions before the array), the bottom and far below.
    for (int32_t y : {-30, -21, -20, -12, -5, 0, 3, 100, 222, 230, 238, 239, 243, 244, 2000, 0x7FFFFFF0}) {
        scene->update(141000 + 4000 * 3 + 100);
        for (int j = 0; j < 12; j++) {
            scene->letterFall[3][j] = 0;
            scene->letterOffset[3][j] = y;
        }
        resetDepth();
        scene->render();
        for (int sy = 0; sy < 240; sy++)
            for (int sx = 0; sx < 320; sx++) {
                if (back()[sy * 320 + sx] == 0x4208) continue;
                drawn++;
                const int m = sy * 128 + sx - 100;
                ASSERT_TRUE(sy <= 238 && m >= 0 && m < 128 * 240 && mask[m] != 0) << sx << "," << sy << " y " << y;
                ASSERT_TRUE(sy >= y - 5 && sy <= y + 20) << sx << "," << sy << " y " << y;
            }
        const std::vector<uint16_t> fast = frame();
        resetDepth();
        renderCaveReference(*scene);
        ASSERT_EQ(firstDifference(fast, frame()), -1) << y;
    }
    EXPECT_GT(drawn, 1000);
    // On the top row, columns left of the strip map before the mask: masked.
    scene->update(141000 + 4000 * 3 + 100);
    for (int j = 0; j < 12; j++) scene->letterFall[3][j] = 0, scene->letterOffset[3][j] = 0;
    scene->render();
    for (int sx = 0; sx < 100; sx++) EXPECT_EQ(back()[sx], 0x4208) << sx;
}

TEST_F(CaveSceneTest, FramesMatchThePlainRenderOnRandomPictures) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 4; round++) {
        auto scene = makeScene(randomAssets(rng));
        int planeFrames = 0, letterFrames = 0, planePixels = 0;
        for (int n = 0; n < 60; n++) {
            uint32_t t;
            if (n < 40)
                t = 138101 + static_cast<uint32_t>(rng() % (185100 - 138101));
            else if (n < 50)
                t = 175351 + static_cast<uint32_t>(rng() % 8000);
            else
                t = static_cast<uint32_t>(rng());
            scene->update(t);
            if (rng() % 4 == 0 && scene->currentGreeting < 10)
                for (int j = 0; j < 12; j++)
                    scene->letterOffset[scene->currentGreeting][j] = static_cast<int32_t>(rng() % 300) - 60;
            const bool wide = n % 2 == 1 && scene->wideWaterfall;
            const bool keepWide = scene->wideWaterfall;
            scene->wideWaterfall = wide;
            resetDepth();
            scene->render();
            const std::vector<uint16_t> fast = frame();
            int covered = 0;
            for (int i = 0; i < SCREEN_PIXELS; i++) {
                const Fixed z = Screen::instance()->depthBuffer[i];
                covered += z != 0x640000 && z != CaveScene::PLANE_CLEAR_DEPTH;
            }
            resetDepth();
            renderCaveReference(*scene);
            scene->wideWaterfall = keepWide;
            ASSERT_EQ(firstDifference(fast, frame()), -1) << "round " << round << " t " << t << " wide " << wide;
            planeFrames += scene->planeVisible;
            planePixels += covered;
            letterFrames += scene->currentGreeting < 10;
        }
        EXPECT_GT(planeFrames, 10);
        EXPECT_GT(planePixels, 0);
        EXPECT_GT(letterFrames, 20);
    }
}

TEST_F(CaveSceneTest, WaterfallMatchesThePlainLoopOnEveryScroll) {
    std::mt19937 rng(99);
    auto scene = makeScene(randomAssets(rng));
    std::vector<uint16_t> expected(SCREEN_PIXELS);
    for (int n = 0; n < 300; n++) {
        const uint32_t t = n < 256 ? 139000 + 4 * static_cast<uint32_t>(n) : static_cast<uint32_t>(rng());
        scene->update(t);
        scene->currentGreeting = 10;
        scene->planeVisible = false;
        for (bool wide : kernels(*scene)) {
            const bool keep = scene->wideWaterfall;
            scene->wideWaterfall = wide;
            scene->render();
            scene->wideWaterfall = keep;
            for (int i = 0; i < SCREEN_PIXELS; i++) expected[i] = scene->background->pixels[i];
            renderCaveWaterfallReference(*scene, expected.data());
            ASSERT_EQ(firstDifference(frame(), expected), -1) << "t " << t << " wide " << wide;
        }
    }
}

TEST(CaveSceneDeathTest, UndersizedPicturesAreRefused) {
    buildTrigTables();
    Screen::instance();
    // which: 0 background, 1 font sheet, 2 plane texture, 3..5 layers,
    // 6 palette, 7 alpha.
    auto build = [](int which, int width, int height) {
        fflush(stdout);
        dup2(2, 1);
        CaveScene::Assets a = plainAssets();
        auto swap = [&](Image*& image) {
            delete image;
            image = new Image(width, height);
        };
        if (which == 0) swap(a.background);
        if (which == 1) swap(a.greetFont->sheet);
        if (which == 2) swap(a.planeTexture);
        if (which >= 3 && which <= 5) swap(a.waterfallLayers[which - 3]);
        if (which == 6) swap(a.waterfallPalette);
        if (which == 7) swap(a.waterfallAlpha);
        CaveScene scene(a);
        exit(0);
    };
    EXPECT_EXIT(build(0, 319, 240), ::testing::ExitedWithCode(1),
                "error loading data/luola.png: expected 320 x 240 pixels, found 319 x 240");
    EXPECT_EXIT(build(1, 256, 79), ::testing::ExitedWithCode(1), "data/fontgreet.png.*256 x 80");
    EXPECT_EXIT(build(2, 256, 255), ::testing::ExitedWithCode(1), "data/env_red.png.*256 x 256");
    EXPECT_EXIT(build(3, 127, 256), ::testing::ExitedWithCode(1), "data/waterfall1.png.*128 x 256");
    EXPECT_EXIT(build(4, 128, 255), ::testing::ExitedWithCode(1), "data/waterfall2.png.*128 x 256");
    EXPECT_EXIT(build(5, 64, 512), ::testing::ExitedWithCode(1), "data/waterfall3.png.*128 x 256");
    EXPECT_EXIT(build(6, 189, 1), ::testing::ExitedWithCode(1),
                "error loading data/waterfall_pal.png: expected 190 pixels or more, found 189 x 1");
    EXPECT_EXIT(build(6, 18, 10), ::testing::ExitedWithCode(1), "data/waterfall_pal.png.*190 pixels");
    EXPECT_EXIT(build(7, 128, 239), ::testing::ExitedWithCode(1), "data/luola_alpha.png.*128 x 240");
    // Exactly large enough, whatever the shape for the palette: accepted.
    EXPECT_EXIT(build(6, 19, 10), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(build(6, 190, 1), ::testing::ExitedWithCode(0), "");
}

TEST(CaveSceneDeathTest, LoadingStopsAtTheFirstMissingOrShortPicture) {
    buildTrigTables();
    Screen::instance();
    const std::string dir = makeTempDir();
    ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
    auto picture = [&](const char* name, int width, int height) {
        ASSERT_TRUE(writeTestPng(dir + "/data/" + name, width, height, 3,
                                 std::vector<unsigned char>(static_cast<size_t>(width) * height * 3, 120)));
    };
    auto load = [&dir] {
        fflush(stdout);
        dup2(2, 1);
        if (chdir(dir.c_str()) != 0) exit(9);
        CaveScene scene(CaveScene::load());
        exit(0);
    };
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), "^error loading data/luola.png\n$");
    picture("luola.png", 320, 240);
    picture("fontgreet.png", 256, 79);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), "data/fontgreet.png: expected 256 x 80 pixels");
    picture("fontgreet.png", 256, 80);
    picture("env_red.png", 256, 256);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), "^error loading data/sopwith.ase\n$");
    FILE* mesh = fopen((dir + "/data/sopwith.ase").c_str(), "w");
    ASSERT_NE(mesh, nullptr);
    fputs(bodyAse().c_str(), mesh);
    fclose(mesh);
    for (const char* name : {"waterfall1.png", "waterfall2.png", "waterfall3.png"}) picture(name, 128, 256);
    picture("waterfall_pal.png", 189, 1);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), "data/waterfall_pal.png: expected 190 pixels or more");
    picture("waterfall_pal.png", 256, 1);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(1), "^error loading data/luola_alpha.png\n$");
    picture("luola_alpha.png", 128, 240);
    EXPECT_EXIT(load(), ::testing::ExitedWithCode(0), "");
}
