// The biplane scene: the fade table, the pose and the cloud layers, the three
// bands of the sky pass around the plane, texel index wrapping, the frame
// without the plane, whole frames against the plain pass, and size checks.
#include "scenes/biplane_scene.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "display/screen.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/reference/biplane_reference.h"
#include "support/mesh_fixture.h"

namespace {

constexpr Fixed SKY = BiplaneScene::SKY_DEPTH;
constexpr uint16_t SKY_BASE = BiplaneScene::SKY_BASE;
// A scale whose fade is 0: the layer adds each texel's green unchanged.
constexpr int32_t CLEAREST = 32000;

// A picture whose green field is `green` everywhere; red and blue are full,
// so a pass that read anything but green would show it.
Image* uniformCloud(int green, int width = 256, int height = 256) {
    Image* image = new Image(width, height);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = static_cast<uint16_t>(0xF81F | (green << 5));
    return image;
}

Image* randomPicture(std::mt19937& rng, int width = 256, int height = 256) {
    Image* image = new Image(width, height);
    for (int i = 0; i < image->pixelCount; i++) image->pixels[i] = static_cast<uint16_t>(rng());
    return image;
}

// A 256 x 256 picture whose green at texel i is green(i).
template <typename F>
Image* patternCloud(F green) {
    Image* image = new Image(256, 256);
    for (int i = 0; i < 65536; i++) image->pixels[i] = static_cast<uint16_t>(0x8010 | ((green(i) & 63) << 5));
    return image;
}

// A mesh without faces: the plane draws nothing.
Mesh* emptyMesh() { return meshFromText("", 0, 0, 0).release(); }

std::unique_ptr<BiplaneScene> makeScene(Image* c0, Image* c1, Image* c2, Mesh* plane = nullptr,
                                        Image* texture = nullptr) {
    BiplaneScene::Assets assets;
    assets.planeTexture = texture ? texture : uniformCloud(0);
    assets.plane = plane ? plane : emptyMesh();
    assets.clouds[0] = c0;
    assets.clouds[1] = c1;
    assets.clouds[2] = c2;
    return std::unique_ptr<BiplaneScene>(new BiplaneScene(assets));
}

// The pixel as the scene defines it: the base fields plus, per layer, c on
// green and c >> 1 on red and blue, each c already max(green - fade, 0); then
// clamped.
uint16_t lit(uint16_t base, int c0, int c1 = 0, int c2 = 0) {
    int r = base >> 11, g = (base >> 5) & 63, b = base & 31;
    for (int c : {c0, c1, c2}) {
        r += c >> 1;
        g += c;
        b += c >> 1;
    }
    return static_cast<uint16_t>(((r > 31 ? 31 : r) << 11) | ((g > 63 ? 63 : g) << 5) | (b > 31 ? 31 : b));
}

void setLayer(BiplaneScene& scene, int k, int32_t scale, int32_t uStart, int32_t vStart, int32_t step) {
    scene.layers[k] = CloudLayer{scale, uStart, vStart, step};
}

class BiplaneSceneTest : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { buildTrigTables(); }
    void SetUp() override { screen = Screen::instance(); }

    // Every pixel `back`, every depth `depth`, the written range as given.
    void fill(uint16_t back, Fixed depth, int32_t minRow, int32_t maxRow) {
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = back, screen->depthBuffer[i] = depth;
        screen->depthMinRow = minRow;
        screen->depthMaxRow = maxRow;
    }
    uint16_t& pixel(int x, int y) { return screen->backBuffer[y * SCREEN_WIDTH + x]; }
    Fixed& depth(int x, int y) { return screen->depthBuffer[y * SCREEN_WIDTH + x]; }

    // The sky pass, fast and plain, from the same state: the frames must match
    // bit for bit and neither may touch the depth buffer or the range.
    void expectSkyMatchesReference(BiplaneScene& scene, const std::string& what) {
        const std::vector<uint16_t> back(screen->backBuffer, screen->backBuffer + SCREEN_PIXELS);
        const std::vector<Fixed> depths(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS);
        const int32_t minRow = screen->depthMinRow, maxRow = screen->depthMaxRow;
        scene.renderSky();
        const std::vector<uint16_t> fast(screen->backBuffer, screen->backBuffer + SCREEN_PIXELS);
        std::copy(back.begin(), back.end(), screen->backBuffer);
        renderBiplaneSkyReference(scene);
        for (int i = 0; i < SCREEN_PIXELS; i++)
            ASSERT_EQ(fast[i], screen->backBuffer[i]) << what << ": row " << i / 320 << " column " << i % 320;
        ASSERT_EQ(0, memcmp(depths.data(), screen->depthBuffer, sizeof(Fixed) * SCREEN_PIXELS)) << what;
        ASSERT_EQ(screen->depthMinRow, minRow) << what;
        ASSERT_EQ(screen->depthMaxRow, maxRow) << what;
    }

    Screen* screen = nullptr;
};

}  // namespace

TEST_F(BiplaneSceneTest, CloudFadeHasTheSampleValues) {
    auto scene = makeScene(uniformCloud(0), uniformCloud(0), uniformCloud(0));
    const int32_t samples[][2] = {{0, 34},     {10000, 23}, {16000, 17}, {32000, 0},  {40000, 8}, {48000, 17},
                                  {60000, 30}, {70000, 41}, {75000, 46}, {89999, 62}, {90000, 63}};
    for (const auto& s : samples) EXPECT_EQ(scene->cloudFade[s[0]], s[1]) << "i = " << s[0];
    // Linear pieces: never rising up to 32000, never falling after it, by at
    // most one level per step.
    for (int i = 1; i <= 90000; i++) {
        const int32_t change = scene->cloudFade[i] - scene->cloudFade[i - 1];
        ASSERT_TRUE(i <= 32000 ? (change == 0 || change == -1) : (change == 0 || change == 1)) << i;
    }
}

TEST_F(BiplaneSceneTest, LayersAt90000And100000) {
    auto scene = makeScene(uniformCloud(0), uniformCloud(0), uniformCloud(0));
    scene->update(90000);
    const int32_t at90000[3] = {90000, 60000, 30000};
    for (int k = 0; k < 3; k++) {
        const CloudLayer& l = scene->layers[k];
        EXPECT_EQ(l.scale, at90000[k]) << k;
        EXPECT_EQ(l.step, at90000[k]) << k;
        EXPECT_EQ(l.uStart, 0x1540000 - 340 * at90000[k]) << k;
        EXPECT_EQ(l.vStart, 10 * at90000[k] - 0xA0000) << k;
    }
    EXPECT_EQ(scene->layers[0].uStart, -8317760);  // 340.0 - 340 x 90000
    EXPECT_EQ(scene->layers[0].vStart, 244640);    // 900000 - 10.0

    scene->update(100000);
    const int32_t at100000[3] = {40000, 10000, 70000};
    const int32_t fades[3] = {8, 23, 41};
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(scene->layers[k].scale, at100000[k]) << k;
        EXPECT_EQ(scene->cloudFade[scene->layers[k].scale], fades[k]) << k;
    }
}

TEST_F(BiplaneSceneTest, LayerScalesSweepDownAThirdOfACycleApart) {
    auto scene = makeScene(uniformCloud(0), uniformCloud(0), uniformCloud(0));
    for (uint32_t t = 0; t < 6000; t++) {
        scene->update(t);
        for (int k = 0; k < 3; k++) {
            ASSERT_GE(scene->layers[k].scale, 1) << t;
            ASSERT_LE(scene->layers[k].scale, 90000) << t;
        }
        // Layer k + 1 is 30000 units further along (smaller scale), wrapping.
        EXPECT_EQ((scene->layers[0].scale + 90000 - 30000 - 1) % 90000 + 1, scene->layers[1].scale) << t;
    }
    // 32 x t wraps in 32 bits: t = 2^27 gives 0, scale 90000.
    scene->update(1u << 27);
    EXPECT_EQ(scene->layers[0].scale, 90000);
    // 2812.5 ms per cycle: 90000 at 0, down to 16 at 2812 (32 x 2812 =
    // 89984), and back to 89984 at 2813.
    scene->update(0);
    EXPECT_EQ(scene->layers[0].scale, 90000);
    scene->update(2812);
    EXPECT_EQ(scene->layers[0].scale, 16);
    scene->update(2813);
    EXPECT_EQ(scene->layers[0].scale, 89984);
}

TEST_F(BiplaneSceneTest, PoseFollowsTheTables) {
    auto scene = makeScene(uniformCloud(0), uniformCloud(0), uniformCloud(0));
    for (uint32_t t : {88101u, 100000u, 123457u}) {
        scene->update(t);
        const Camera& camera = *screen->camera;
        auto s = [](uint32_t a) { return sineTable[a & 0xFFFF]; };
        EXPECT_EQ(scene->planeMesh->focalLength, 0x12C0000);
        EXPECT_EQ(camera.angle[0], 0x4000);
        EXPECT_EQ(camera.angle[1], 0);
        EXPECT_EQ(camera.angle[2], s(static_cast<uint32_t>(s(16 * t) >> 7)) & 0xFFFF) << t;
        EXPECT_EQ(camera.position[0], 2 * s(8 * t)) << t;
        EXPECT_EQ(camera.position[1], 0x9E666);
        EXPECT_EQ(camera.position[2], 2 * cosineTable[(4 * t) & 0xFFFF]) << t;
        EXPECT_EQ(scene->planeMesh->angle[0], (s(static_cast<uint32_t>(s(8 * t) >> 8)) + 4000) & 0xFFFF) << t;
        EXPECT_EQ(scene->planeMesh->angle[1], s(static_cast<uint32_t>(s(16 * t) >> 6)) & 0xFFFF) << t;
        EXPECT_EQ(scene->planeMesh->angle[2], -5000 & 0xFFFF);
        for (int a = 0; a < 3; a++) EXPECT_EQ(scene->planeMesh->position[a], 0);
    }
}

TEST_F(BiplaneSceneTest, FirstLayerAddsNothingAt90000) {
    // Layer 0 at scale 90000 has fade 63: even full green adds nothing.
    auto scene = makeScene(uniformCloud(63), uniformCloud(0), uniformCloud(0));
    scene->update(90000);
    fill(0x1234, SKY, 239, 0);
    scene->renderSky();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], SKY_BASE) << i;
    // The second layer (60000, fade 30) does add 33.
    auto second = makeScene(uniformCloud(0), uniformCloud(63), uniformCloud(0));
    second->update(90000);
    second->renderSky();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], lit(SKY_BASE, 33)) << i;
}

TEST_F(BiplaneSceneTest, FadesAt100000AreSubtractedPerLayer) {
    // Greens 20, 25, 44 less fades 8, 23, 41: 12, 2 and 3, each halved
    // separately for red and blue (6 + 1 + 1, not 17 >> 1).
    auto scene = makeScene(uniformCloud(20), uniformCloud(25), uniformCloud(44));
    scene->update(100000);
    fill(0, SKY, 239, 0);
    scene->renderSky();
    const uint16_t expected = static_cast<uint16_t>(((6 + 8) << 11) | ((28 + 17) << 5) | (19 + 8));
    EXPECT_EQ(expected, lit(SKY_BASE, 12, 2, 3));
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], expected) << i;
    // A green below the fade adds nothing (never negative light).
    auto dim = makeScene(uniformCloud(7), uniformCloud(22), uniformCloud(40));
    dim->update(100000);
    dim->renderSky();
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], SKY_BASE) << i;
}

TEST_F(BiplaneSceneTest, MiddleBandKeepsPlanePixelsAndAddsLight) {
    auto scene = makeScene(uniformCloud(10), uniformCloud(0), uniformCloud(0));
    for (int k = 0; k < 3; k++) setLayer(*scene, k, CLEAREST, 0, 0, 0x10000);
    const uint16_t plane = rgb565(40, 80, 120);
    // The plane wrote rows 100 up to 110: rows 100..113 are depth-tested.
    fill(plane, SKY, 100, 110);
    for (int y : {99, 100, 105, 113, 114}) depth(50, y) = 0x10000;
    scene->renderSky();
    EXPECT_EQ(pixel(50, 99), lit(SKY_BASE, 10));  // above the band: depth not read
    EXPECT_EQ(pixel(50, 100), lit(plane, 10));
    EXPECT_EQ(pixel(50, 105), lit(plane, 10));
    EXPECT_EQ(pixel(50, 113), lit(plane, 10));     // depthMaxRow + 3
    EXPECT_EQ(pixel(50, 114), lit(SKY_BASE, 10));  // depthMaxRow + 4: below the band
    // Depth 100.0 inside the band: sky, whatever the back buffer held.
    EXPECT_EQ(pixel(51, 105), lit(SKY_BASE, 10));
    EXPECT_EQ(pixel(49, 113), lit(SKY_BASE, 10));
    // A depth just off 100.0 is the plane's.
    fill(plane, SKY, 100, 110);
    depth(7, 104) = SKY - 1;
    depth(8, 104) = SKY + 1;
    scene->renderSky();
    EXPECT_EQ(pixel(7, 104), lit(plane, 10));
    EXPECT_EQ(pixel(8, 104), lit(plane, 10));
    EXPECT_EQ(pixel(9, 104), lit(SKY_BASE, 10));
}

TEST_F(BiplaneSceneTest, BandsAtTheEdgesOfTheScreen) {
    auto scene = makeScene(uniformCloud(4), uniformCloud(0), uniformCloud(0));
    for (int k = 0; k < 3; k++) setLayer(*scene, k, CLEAREST, 0, 0, 0x10000);
    const uint16_t plane = rgb565(200, 40, 40);
    // The plane reaches the bottom rows: the band ends at row 239, no third band.
    for (int32_t maxRow : {238, 239, 300}) {
        fill(plane, 0x10000, 200, maxRow);
        scene->renderSky();
        EXPECT_EQ(pixel(3, 199), lit(SKY_BASE, 4)) << maxRow;
        EXPECT_EQ(pixel(3, 200), lit(plane, 4)) << maxRow;
        EXPECT_EQ(pixel(3, 239), lit(plane, 4)) << maxRow;
        expectSkyMatchesReference(*scene, "bottom " + std::to_string(maxRow));
    }
    // Above the top: no first band, the band starts at row 0.
    fill(plane, 0x10000, -20, 10);
    scene->renderSky();
    EXPECT_EQ(pixel(3, 0), lit(plane, 4));
    EXPECT_EQ(pixel(3, 13), lit(plane, 4));
    EXPECT_EQ(pixel(3, 14), lit(SKY_BASE, 4));
    expectSkyMatchesReference(*scene, "top");
    // A plane on the last row only.
    fill(plane, 0x10000, 239, 239);
    scene->renderSky();
    EXPECT_EQ(pixel(3, 238), lit(SKY_BASE, 4));
    EXPECT_EQ(pixel(3, 239), lit(plane, 4));
}

TEST_F(BiplaneSceneTest, EveryRowOnceWhenThePlaneTouchesNoRow) {
    // Texel i has green (i >> 8) & 63: its texture row. One texel per pixel
    // both ways, so row y column x reads texture row y + (x >> 8).
    auto scene = makeScene(patternCloud([](int i) { return i >> 8; }), uniformCloud(0), uniformCloud(0));
    setLayer(*scene, 0, CLEAREST, 0, 0, 0x10000);
    setLayer(*scene, 1, CLEAREST, 0, 0, 0x10000);
    setLayer(*scene, 2, CLEAREST, 0, 0, 0x10000);
    fill(0xFFFF, 0x10000, 239, 0);
    scene->renderSky();
    // Had rows 4..239 been drawn a second time, row 10 would show texture row
    // 246 (239 rows, then 7 more), and the plane's depth would not be ignored.
    for (int y = 0; y < SCREEN_HEIGHT; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++)
            ASSERT_EQ(pixel(x, y), lit(SKY_BASE, (y + (x >> 8)) & 63)) << x << "," << y;
    expectSkyMatchesReference(*scene, "no rows");

    // The same through render(): a mesh without faces leaves the range at
    // (239, 0), and the depth rows of the last range are cleared to 100.0.
    fill(0xFFFF, 0x10000, 0, 240);
    scene->render();
    EXPECT_EQ(screen->depthMinRow, 239);
    EXPECT_EQ(screen->depthMaxRow, 0);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->depthBuffer[i], SKY) << i;
    EXPECT_EQ(pixel(0, 10), lit(SKY_BASE, 10));
    EXPECT_EQ(pixel(300, 239), lit(SKY_BASE, 240 & 63));
}

TEST_F(BiplaneSceneTest, TexelIndexWrapsAsAWhole) {
    // Texel i has a green made from i, different on neighbouring rows.
    auto green = [](int i) { return (i * 7 + (i >> 8) * 13) & 63; };
    auto scene = makeScene(patternCloud(green), uniformCloud(0), uniformCloud(0));
    const int32_t one = 0x10000;
    // Row 5, columns 200 onward: screen column 100 reads texel column 300,
    // which continues on texture row 6 (texel 6 x 256 + 44), not row 5.
    setLayer(*scene, 0, CLEAREST, 200 * one, 5 * one, one);
    setLayer(*scene, 1, CLEAREST, 0, 0, one);
    setLayer(*scene, 2, CLEAREST, 0, 0, one);
    fill(0, SKY, 239, 0);
    scene->renderSky();
    ASSERT_NE(green(6 * 256 + 44), green(5 * 256 + 44));
    EXPECT_EQ(pixel(100, 0), lit(SKY_BASE, green(6 * 256 + 44)));
    EXPECT_EQ(pixel(55, 0), lit(SKY_BASE, green(5 * 256 + 255)));
    EXPECT_EQ(pixel(56, 0), lit(SKY_BASE, green(6 * 256 + 0)));
    expectSkyMatchesReference(*scene, "past column 255");

    // Negative columns run back into the previous row; a negative row wraps
    // to the bottom of the picture; row 255 past column 255 wraps to texel 0.
    setLayer(*scene, 0, CLEAREST, -10 * one, 5 * one, one);
    scene->renderSky();
    EXPECT_EQ(pixel(0, 0), lit(SKY_BASE, green(4 * 256 + 246)));
    EXPECT_EQ(pixel(10, 0), lit(SKY_BASE, green(5 * 256)));
    setLayer(*scene, 0, CLEAREST, 0, -one, one);
    scene->renderSky();
    EXPECT_EQ(pixel(3, 0), lit(SKY_BASE, green(255 * 256 + 3)));
    EXPECT_EQ(pixel(3, 1), lit(SKY_BASE, green(3)));
    setLayer(*scene, 0, CLEAREST, 250 * one, 255 * one, one);
    scene->renderSky();
    EXPECT_EQ(pixel(5, 0), lit(SKY_BASE, green(65535)));
    EXPECT_EQ(pixel(10, 0), lit(SKY_BASE, green(4)));
    expectSkyMatchesReference(*scene, "wrap at the end");

    // The shift is arithmetic: a column just below 0 is -1, not 0.
    setLayer(*scene, 0, CLEAREST, -1, 5 * one, one);
    scene->renderSky();
    EXPECT_EQ(pixel(0, 0), lit(SKY_BASE, green(4 * 256 + 255)));
    EXPECT_EQ(pixel(1, 0), lit(SKY_BASE, green(5 * 256 + 0)));
    // Rows likewise: vStart -1 is texture row -1 (255) on screen row 0.
    setLayer(*scene, 0, CLEAREST, 0, -1, one);
    scene->renderSky();
    EXPECT_EQ(pixel(9, 0), lit(SKY_BASE, green(255 * 256 + 9)));
    EXPECT_EQ(pixel(9, 1), lit(SKY_BASE, green(9)));
    expectSkyMatchesReference(*scene, "negative fractions");
}

TEST_F(BiplaneSceneTest, ZoomedLayerRepeatsTexels) {
    // At scale 10000 a texel covers about 6.5 pixels: columns 0..6 of row 0
    // read texel columns 0 (0, 10000, ..., 60000) and column 7 reads 1.
    auto green = [](int i) { return (i * 5 + (i >> 8) * 3) & 63; };
    auto scene = makeScene(patternCloud(green), uniformCloud(0), uniformCloud(0));
    setLayer(*scene, 0, 10000, 0, 0, 10000);  // fade 23
    setLayer(*scene, 1, CLEAREST, 0, 0, 0x10000);
    setLayer(*scene, 2, CLEAREST, 0, 0, 0x10000);
    fill(0, SKY, 239, 0);
    scene->renderSky();
    auto c = [&](int i) { return green(i) > 23 ? green(i) - 23 : 0; };
    for (int x = 0; x < 7; x++) EXPECT_EQ(pixel(x, 0), lit(SKY_BASE, c(0))) << x;
    EXPECT_EQ(pixel(7, 0), lit(SKY_BASE, c(1)));
    // Screen row 7 reads texture row 1 (7 x 10000 = 70000).
    EXPECT_EQ(pixel(0, 6), lit(SKY_BASE, c(0)));
    EXPECT_EQ(pixel(0, 7), lit(SKY_BASE, c(256)));
    expectSkyMatchesReference(*scene, "zoomed");
}

TEST_F(BiplaneSceneTest, RenderDrawsThePlaneThenTheSkyAroundIt) {
    // One front-facing triangle (rows 100..139) with a plain texture.
    Image* texture = new Image(256, 256);
    const uint16_t paint = rgb565(128, 0, 128);
    for (int i = 0; i < 65536; i++) texture->pixels[i] = paint;
    Mesh* mesh = meshFromText("", 3, 1, 3).release();
    mesh->faces[0] = MeshFace{0, 1, 2, 0};
    mesh->texFaces[0] = TexFace{0, 1, 2};
    auto scene = makeScene(uniformCloud(20), uniformCloud(25), uniformCloud(44), mesh, texture);
    EXPECT_EQ(mesh->texture, texture);
    EXPECT_EQ(mesh->envMap, texture);
    scene->update(100000);
    const int32_t x[3] = {50, 40, 150}, y[3] = {100, 140, 140};
    for (int k = 0; k < 3; k++) mesh->screenX[k] = x[k], mesh->screenY[k] = y[k], mesh->viewZ[k] = 0x50000;
    // Stale depths and colours everywhere, as the last frame left them.
    fill(0xFFFF, 0x20000, 0, 240);
    scene->render();
    EXPECT_EQ(screen->depthMinRow, 100);
    EXPECT_EQ(screen->depthMaxRow, 140);
    // Light 12, 2, 3 (see FadesAt100000AreSubtractedPerLayer).
    EXPECT_EQ(pixel(60, 130), lit(paint, 12, 2, 3));
    EXPECT_EQ(pixel(160, 130), lit(SKY_BASE, 12, 2, 3));  // band row, depth 100.0
    EXPECT_EQ(pixel(60, 140), lit(SKY_BASE, 12, 2, 3));   // the bottom corner's row is not drawn
    EXPECT_EQ(pixel(60, 50), lit(SKY_BASE, 12, 2, 3));
    EXPECT_EQ(pixel(60, 200), lit(SKY_BASE, 12, 2, 3));
}

TEST_F(BiplaneSceneTest, SkyMatchesThePlainPassOnRandomInputs) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 6; round++) {
        // Pictures larger than 256 x 256 are read by their first 65536 texels.
        const int size = round == 5 ? 300 : 256;
        auto scene = makeScene(randomPicture(rng, size, size), randomPicture(rng), randomPicture(rng));
        const bool shuffles = scene->shuffleFetch;
        for (int trial = 0; trial < 40; trial++) {
            const uint32_t t = trial < 4 ? 88101u + 12345u * trial : rng() % 400000;
            scene->update(t);
            // Now and then layers the show never makes: any start, any step
            // (columns far apart, backwards, wrapping), any scale.
            if (trial % 5 == 4) {
                const int k = static_cast<int>(rng() % 3);
                scene->layers[k].uStart = static_cast<int32_t>(rng());
                scene->layers[k].vStart = static_cast<int32_t>(rng());
                scene->layers[k].step =
                    trial % 10 == 4 ? static_cast<int32_t>(rng()) : static_cast<int32_t>(rng() % 400000) - 200000;
                scene->layers[k].scale = static_cast<int32_t>(rng() % 100000) - 5000;
            }
            for (int i = 0; i < SCREEN_PIXELS; i++) {
                screen->backBuffer[i] = static_cast<uint16_t>(rng());
                screen->depthBuffer[i] = rng() % 3 ? SKY : static_cast<Fixed>(rng());
            }
            switch (trial % 4) {
                case 0:  // nothing written
                    screen->depthMinRow = 239, screen->depthMaxRow = 0;
                    break;
                case 1: {  // a plane somewhere on screen
                    const int32_t a = static_cast<int32_t>(rng() % 240);
                    screen->depthMinRow = a, screen->depthMaxRow = a + static_cast<int32_t>(rng() % (241 - a));
                    break;
                }
                default:  // any range, off screen and inverted included
                    screen->depthMinRow = static_cast<int32_t>(rng() % 320) - 40;
                    screen->depthMaxRow = static_cast<int32_t>(rng() % 320) - 40;
            }
            scene->shuffleFetch = shuffles && trial % 2 == 0;
            expectSkyMatchesReference(*scene, "round " + std::to_string(round) + " trial " + std::to_string(trial) +
                                                  " t " + std::to_string(t));
        }
    }
}

TEST_F(BiplaneSceneTest, FramesWithThePlaneMatchThePlainRender) {
    std::mt19937 rng(7);
    Image* texture = randomPicture(rng);
    const std::string path = std::string(AMBRELLE_DATA_DIR) + "/sopwith.ase";
    Mesh* plane = new Mesh(path.c_str(), texture, texture, 122, 136, 286);
    auto scene = makeScene(randomPicture(rng), randomPicture(rng), randomPicture(rng), plane, texture);
    std::vector<uint16_t> back(SCREEN_PIXELS);
    std::vector<Fixed> depths(SCREEN_PIXELS);
    int planeFrames = 0;
    for (uint32_t t = 88101; t < 138101; t += 1013) {
        scene->update(t);
        for (int i = 0; i < SCREEN_PIXELS; i++) back[i] = static_cast<uint16_t>(rng()), depths[i] = SKY;
        const int32_t minRow = static_cast<int32_t>(rng() % 120), maxRow = minRow + static_cast<int32_t>(rng() % 120);
        std::copy(back.begin(), back.end(), screen->backBuffer);
        std::copy(depths.begin(), depths.end(), screen->depthBuffer);
        screen->depthMinRow = minRow, screen->depthMaxRow = maxRow;
        scene->render();
        const std::vector<uint16_t> fast(screen->backBuffer, screen->backBuffer + SCREEN_PIXELS);
        const std::vector<Fixed> fastDepth(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS);
        const int32_t fastMin = screen->depthMinRow, fastMax = screen->depthMaxRow;
        planeFrames += fastMin <= fastMax;
        std::copy(back.begin(), back.end(), screen->backBuffer);
        std::copy(depths.begin(), depths.end(), screen->depthBuffer);
        screen->depthMinRow = minRow, screen->depthMaxRow = maxRow;
        renderBiplaneReference(*scene);
        ASSERT_EQ(0, memcmp(fast.data(), screen->backBuffer, sizeof(uint16_t) * SCREEN_PIXELS)) << t;
        ASSERT_EQ(0, memcmp(fastDepth.data(), screen->depthBuffer, sizeof(Fixed) * SCREEN_PIXELS)) << t;
        EXPECT_EQ(fastMin, screen->depthMinRow) << t;
        EXPECT_EQ(fastMax, screen->depthMaxRow) << t;
    }
    EXPECT_EQ(planeFrames, 50);  // the plane is in view in every frame
}

TEST(BiplaneSceneDeathTest, UndersizedPicturesAreRefused) {
    auto build = [](int which, int width, int height) {
        fflush(stdout);
        dup2(2, 1);
        BiplaneScene::Assets assets;
        assets.planeTexture = uniformCloud(0, which == 0 ? width : 256, which == 0 ? height : 256);
        assets.plane = emptyMesh();
        for (int k = 0; k < 3; k++)
            assets.clouds[k] = uniformCloud(0, which == k + 1 ? width : 256, which == k + 1 ? height : 256);
        std::unique_ptr<BiplaneScene> scene(new BiplaneScene(assets));
    };
    EXPECT_EXIT(build(2, 255, 256), ::testing::ExitedWithCode(1), "data/cloud2.png.*256 x 256");
    EXPECT_EXIT(build(3, 256, 128), ::testing::ExitedWithCode(1), "data/cloud3.png.*256 x 256");
    EXPECT_EXIT(build(1, 320, 240), ::testing::ExitedWithCode(1), "data/cloud1.png.*256 x 256");
    EXPECT_EXIT(build(0, 128, 128), ::testing::ExitedWithCode(1), "data/env_red.png.*256 x 256");
}
