// The generated meshes: their records, their size in the scenes' poses, solid
// surfaces from every side, and whole frames compared with recorded hashes.
// Set AMBRELLE_MESH_FRAMES to a folder to also get the frames as PNG files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "datagen/mesh_atlas.h"
#include "display/screen.h"
#include "engine/mesh.h"
#include "engine/trig_tables.h"
#include "gfx/frame_hash.h"
#include "gfx/image.h"
#include "gfx/pixel.h"
#include "scenes/biplane_scene.h"
#include "scenes/cave_scene.h"
#include "support/test_png.h"

namespace {

const std::string PLANE_PATH = std::string(AMBRELLE_DATA_DIR) + "/sopwith.ase";
const std::string FLOWER_PATH = std::string(AMBRELLE_DATA_DIR) + "/kukka.ase";

// The sky strip of the plane's atlas (columns 248..253, rows 52..204) in the
// test pictures: bands of blue, darker toward the top, every one of them
// distinct from the plane's colours.
bool inSkyStrip(const TexCoord& t) {
    const int u = t.u >> 16, v = t.v >> 16;
    return u >= 246 && u <= 255 && v >= 50 && v <= 206;
}
uint16_t skyTexel(int v) { return rgb565(20 + v / 2, 60 + v / 2, 250); }

// Test pictures laid out like the real ones (regions of the atlas in distinct
// colours with grid lines, the reflection as rings), so that a frame shows
// which part of the picture each face takes.
std::unique_ptr<Image> planeAtlas() {
    std::unique_ptr<Image> image(new Image(256, 256));
    for (int v = 0; v < 256; v++)
        for (int u = 0; u < 256; u++) {
            const double dx = (u - 128) / 128.0, dy = (v - 128) / 128.0, r = std::sqrt(dx * dx + dy * dy);
            int red = 200 - static_cast<int>(120 * r), green = 40 + static_cast<int>(60 * (1 - dy) / 2);
            int blue = 40 + static_cast<int>(150 * (1 + dx) / 2);
            if (red < 0) red = 0;
            if (static_cast<int>(r * 8) % 2) red = red * 3 / 4, green = green * 3 / 4, blue = blue * 3 / 4;
            uint16_t c = rgb565(red, green, blue);
            auto in = [&](int u0, int v0, int u1, int v1) { return u >= u0 && u <= u1 && v >= v0 && v <= v1; };
            if (in(2, 2, 253, 44))
                c = (u % 32 < 2 || v % 8 < 1) ? rgb565(60, 60, 30)
                    : u < 30                  ? rgb565(230, 230, 80)
                                              : rgb565(150, 160, 90);
            if (in(2, 211, 253, 253))
                c = (u % 32 < 2 || v % 8 < 1) ? rgb565(30, 40, 60)
                    : u < 30                  ? rgb565(230, 230, 80)
                                              : rgb565(110, 140, 170);
            if (in(2, 52, 40, 134))
                c = v < 70 ? rgb565(250, 60, 60) : u > 34 ? rgb565(40, 40, 200) : rgb565(220, 220, 220);
            if (in(8, 138, 34, 162)) c = u < 21 ? rgb565(20, 20, 20) : rgb565(200, 200, 200);
            if (in(4, 47, 20, 49) || in(234, 46, 252, 50)) c = v < 48 ? rgb565(250, 140, 0) : rgb565(0, 200, 120);
            if (in(2, 166, 40, 204))
                c = v < 172 ? rgb565(30, 30, 250) : u < 14 ? rgb565(250, 30, 30) : rgb565(240, 240, 240);
            if (in(215, 52, 245, 204)) c = (v < 60 || v > 196) ? rgb565(230, 200, 60) : rgb565(140, 90, 40);
            if (in(248, 52, 253, 204)) c = skyTexel(v);
            image->pixels[v * 256 + u] = c;
        }
    return image;
}

std::unique_ptr<Image> flowerAtlas() {
    std::unique_ptr<Image> image(new Image(256, 256));
    for (int v = 0; v < 256; v++)
        for (int u = 0; u < 256; u++) {
            uint16_t c;
            if (u < 128 && v < 128) {
                const double t = (124 - v) / 120.0;
                c = std::abs(u - 64) < 2 ? rgb565(250, 150, 180)
                                         : rgb565(255, 200 + static_cast<int>(50 * t), 230 - static_cast<int>(60 * t));
            } else if (v < 128) {
                const double dx = (u - 192) / 60.0, dy = (v - 64) / 60.0, r = std::sqrt(dx * dx + dy * dy);
                c = static_cast<int>(r * 6) % 2 ? rgb565(200, 120, 20)
                                                : rgb565(250, 200 - static_cast<int>(90 * r), 30);
            } else if (u < 128) {
                const double t = (252 - v) / 120.0;
                c = std::abs(u - 64) < 2 ? rgb565(30, 90, 30)
                                         : rgb565(60 + static_cast<int>(60 * t), 150 + static_cast<int>(40 * t), 50);
            } else if (u < 190) {
                c = v % 16 < 2 ? rgb565(40, 90, 40) : rgb565(70, 130, 60);
            } else {
                c = u % 14 < 2 ? rgb565(50, 110, 40) : rgb565(90, 160, 70);
            }
            image->pixels[v * 256 + u] = c;
        }
    return image;
}

class MeshFiles : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { buildTrigTables(); }
    void SetUp() override {
        screen = Screen::instance();
        planeTexture = planeAtlas();
        flowerTexture = flowerAtlas();
        plane.reset(new Mesh(PLANE_PATH.c_str(), planeTexture.get(), planeTexture.get(), 122, 136, 286));
        flower.reset(new Mesh(FLOWER_PATH.c_str(), flowerTexture.get(), flowerTexture.get(), 121, 121, 224));
    }
    void clear(uint16_t sky, Fixed far) {
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = sky;
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->depthBuffer[i] = far;
        screen->depthMinRow = 239;
        screen->depthMaxRow = 0;
    }
    // The biplane scene's pose at time t: the camera weaves, the plane rocks.
    void poseBiplaneScene(uint32_t t) { BiplaneScene::posePlane(*plane, *screen->camera, t); }
    // The cave scene's pass at time t.
    void poseCave(uint32_t t) { CaveScene::posePlane(*plane, *screen->camera, t); }
    // The camera at the origin, looking along the horizon.
    void levelCamera() {
        Camera& camera = *screen->camera;
        camera.angle[0] = 0x4000;
        camera.angle[1] = 0;
        camera.angle[2] = 0;
        camera.position[0] = camera.position[1] = camera.position[2] = 0;
        camera.update();
    }
    // A view from a point on a sphere around the mesh origin.
    void poseAround(Mesh& mesh, int32_t ax, int32_t az, Fixed distance, Fixed lift) {
        levelCamera();
        mesh.focalLength = 0xFA0000;
        mesh.angle[0] = ax;
        mesh.angle[1] = 32768;
        mesh.angle[2] = az;
        mesh.position[0] = 0;
        mesh.position[1] = distance;
        mesh.position[2] = lift;
        mesh.transform();
    }
    uint64_t frame(const char* name) {
        if (const char* dir = getenv("AMBRELLE_MESH_FRAMES")) {
            std::vector<unsigned char> rgb(SCREEN_PIXELS * 3);
            for (int i = 0; i < SCREEN_PIXELS; i++) {
                const uint16_t p = screen->backBuffer[i];
                rgb[3 * i] = static_cast<unsigned char>((p >> 11) << 3);
                rgb[3 * i + 1] = static_cast<unsigned char>(((p >> 5) & 63) << 2);
                rgb[3 * i + 2] = static_cast<unsigned char>((p & 31) << 3);
            }
            writeTestPng(std::string(dir) + "/" + name + ".png", SCREEN_WIDTH, SCREEN_HEIGHT, 3, rgb);
        }
        return frameHash(screen->backBuffer);
    }
    // Splits the plane's faces into the sky triangle (every corner's texel in
    // the sky strip) and the plane itself.
    void splitSky() {
        planeFaces.clear();
        skyFaces.clear();
        for (int i = 0; i < plane->faceCount; i++) {
            const TexFace& t = plane->texFaces[i];
            const bool sky = inSkyStrip(plane->texCoords[t.a]) && inSkyStrip(plane->texCoords[t.b]) &&
                             inSkyStrip(plane->texCoords[t.c]);
            (sky ? skyFaces : planeFaces).push_back(i);
        }
    }
    // Which of the plane's vertices belong to the plane itself, not the sky.
    std::vector<bool> planeVertices() {
        splitSky();
        std::vector<bool> ofPlane(plane->vertexCount, false);
        for (int f : planeFaces)
            for (int v : {plane->faces[f].a, plane->faces[f].b, plane->faces[f].c}) ofPlane[v] = true;
        return ofPlane;
    }
    // Leaves the plane only the given faces, in their order.
    void keepOnly(const std::vector<int>& which) {
        const std::vector<MeshFace> faces(plane->faces, plane->faces + plane->faceCount);
        const std::vector<TexFace> texFaces(plane->texFaces, plane->texFaces + plane->faceCount);
        for (size_t k = 0; k < which.size(); k++) {
            plane->faces[k] = faces[which[k]];
            plane->texFaces[k] = texFaces[which[k]];
        }
        plane->faceCount = static_cast<int32_t>(which.size());
    }
    // Renders only the given faces of the plane, then restores them all.
    void renderFaces(const std::vector<int>& which) {
        const std::vector<MeshFace> faces(plane->faces, plane->faces + plane->faceCount);
        const std::vector<TexFace> texFaces(plane->texFaces, plane->texFaces + plane->faceCount);
        const int32_t count = plane->faceCount;
        keepOnly(which);
        plane->render();
        plane->faceCount = count;
        std::copy(faces.begin(), faces.end(), plane->faces);
        std::copy(texFaces.begin(), texFaces.end(), plane->texFaces);
    }
    int covered(Fixed far) const {
        int n = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++) n += screen->depthBuffer[i] != far;
        return n;
    }

    Screen* screen = nullptr;
    std::unique_ptr<Image> planeTexture, flowerTexture;
    std::unique_ptr<Mesh> plane, flower;
    std::vector<int> planeFaces, skyFaces;
};

double length(Fixed x, Fixed y, Fixed z) { return std::sqrt(double(x) * x + double(y) * y + double(z) * z) / 65536.0; }

void expectWellFormed(const Mesh& mesh, int* envFaces) {
    *envFaces = 0;
    for (int i = 0; i < mesh.faceCount; i++) {
        const MeshFace& f = mesh.faces[i];
        const TexFace& t = mesh.texFaces[i];
        for (int v : {f.a, f.b, f.c}) ASSERT_TRUE(v >= 0 && v < mesh.vertexCount) << "face " << i;
        for (int v : {t.a, t.b, t.c}) ASSERT_TRUE(v >= 0 && v < mesh.texCoordCount) << "face " << i;
        ASSERT_TRUE(f.a != f.b && f.b != f.c && f.a != f.c) << "face " << i;
        *envFaces += f.materialId == ENV_MATERIAL;
    }
    for (int i = 0; i < mesh.vertexCount; i++) {
        const MeshVertex& v = mesh.vertices[i];
        EXPECT_NEAR(length(v.nx, v.ny, v.nz), 1.0, 0.001) << "vertex " << i;
    }
    for (int i = 0; i < mesh.texCoordCount; i++) {
        EXPECT_TRUE(mesh.texCoords[i].u >= 0 && mesh.texCoords[i].u <= 0xFF0000) << i;
        EXPECT_TRUE(mesh.texCoords[i].v >= 0 && mesh.texCoords[i].v <= 0xFF0000) << i;
    }
}

}  // namespace

TEST_F(MeshFiles, RecordsAreWellFormed) {
    int envFaces = 0;
    expectWellFormed(*plane, &envFaces);
    EXPECT_GE(envFaces, 24);   // the lacquered body behind the cowling
    EXPECT_LT(envFaces, 136);  // wings, tail, cowling, struts, wheels and propeller are painted
    expectWellFormed(*flower, &envFaces);
    // The flower fades into the haze by a texture swap: no face may bypass it.
    EXPECT_EQ(envFaces, 0);
}

TEST_F(MeshFiles, BiplaneFillsTheScreenWithoutLeavingIt) {
    const std::vector<bool> ofPlane = planeVertices();
    int narrowest = SCREEN_WIDTH, widest = 0;
    for (uint32_t t = 88101; t < 138101; t += 33) {
        poseBiplaneScene(t);
        int left = 1 << 30, right = -(1 << 30);
        for (int i = 0; i < plane->vertexCount; i++) {
            if (!ofPlane[i]) continue;
            ASSERT_TRUE(plane->screenX[i] >= 0 && plane->screenX[i] < SCREEN_WIDTH) << "t=" << t << " vertex " << i;
            ASSERT_TRUE(plane->screenY[i] >= 0 && plane->screenY[i] < SCREEN_HEIGHT) << "t=" << t << " vertex " << i;
            left = std::min(left, plane->screenX[i]);
            right = std::max(right, plane->screenX[i]);
        }
        narrowest = std::min(narrowest, right - left);
        widest = std::max(widest, right - left);
    }
    EXPECT_GE(narrowest, 120);
    EXPECT_LE(widest, 200);
}

TEST_F(MeshFiles, CavePassRecedesFromNearToFar) {
    const std::vector<bool> ofPlane = planeVertices();
    poseCave(176000);
    int nearLeft = SCREEN_WIDTH, nearRight = 0;
    for (int i = 0; i < plane->vertexCount; i++) {
        if (!ofPlane[i]) continue;
        nearLeft = std::min(nearLeft, plane->screenX[i]);
        nearRight = std::max(nearRight, plane->screenX[i]);
    }
    EXPECT_GT(nearRight - nearLeft, 20);
    poseCave(182000);
    for (int i = 0; i < plane->vertexCount; i++) {
        if (!ofPlane[i]) continue;
        EXPECT_GT(plane->viewZ[i], 100 << 16);
    }
}

// The sky is one painted triangle; everything else is the plane.
TEST_F(MeshFiles, PlaneCarriesOneSkyTriangle) {
    splitSky();
    ASSERT_EQ(skyFaces.size(), 1u);
    EXPECT_EQ(plane->faces[skyFaces[0]].materialId, 0);
    EXPECT_EQ(planeFaces.size(), 135u);
}

// Every pixel of every frame the biplane scene can draw (any whole
// millisecond) is covered by the sky, behind the plane and nearer than the
// depth the scene clears to; any pixel left over would show the scene's flat
// blue through a hole in the sky.
TEST_F(MeshFiles, SkyCoversEveryBiplaneFrame) {
    splitSky();
    for (uint32_t t = 88101; t < 138101; t++) {
        poseBiplaneScene(t);
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->depthBuffer[i] = 0x640000;
        renderFaces(skyFaces);
        const int left = SCREEN_PIXELS - covered(0x640000);
        ASSERT_EQ(left, 0) << "t=" << t;
        if (t % 97 == 0) {
            // The plane, drawn after the sky, keeps every pixel it draws alone.
            for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0;
            renderFaces(planeFaces);
            std::vector<uint16_t> withSky(screen->backBuffer, screen->backBuffer + SCREEN_PIXELS);
            clear(0, 0x640000);
            renderFaces(planeFaces);
            for (int i = 0; i < SCREEN_PIXELS; i++) {
                if (screen->backBuffer[i] == 0) continue;
                ASSERT_EQ(withSky[i], screen->backBuffer[i]) << "t=" << t << " at " << i;
            }
        }
    }
}

// The cave scene flies the same mesh past its camera: the sky must never
// reach its screen, at any millisecond of the plane's pass.
TEST_F(MeshFiles, CaveNeverDrawsTheSky) {
    splitSky();
    for (uint32_t t = 175351; t <= 183100; t++) {
        poseCave(t);
        for (int i = 0; i < SCREEN_PIXELS; i++) screen->depthBuffer[i] = 0x3E80000;
        renderFaces(skyFaces);
        ASSERT_EQ(covered(0x3E80000), 0) << "t=" << t;
    }
}

// Every face drawn from both sides against the faces as they are: from any
// side, what the front faces cover is the whole silhouette (no face turned
// the wrong way, no open part). The sky, one-sided by design, is left out.
TEST_F(MeshFiles, SolidFromEverySide) {
    splitSky();
    keepOnly(planeFaces);
    for (Mesh* mesh : {plane.get(), flower.get()}) {
        const int faces = mesh->faceCount;
        std::vector<MeshFace> original(mesh->faces, mesh->faces + faces);
        for (int view = 0; view < 24; view++) {
            const int32_t ax = 32768 + (view / 8 - 1) * 9000, az = view * 8192;
            const Fixed lift = mesh == flower.get() ? -0x10000 : 0;
            poseAround(*mesh, ax, az, mesh == flower.get() ? 0x40000 : 0x80000, lift);
            clear(0, 0x3E80000);
            mesh->render();
            const int front = covered(0x3E80000);
            for (int i = 0; i < faces; i++) std::swap(mesh->faces[i].b, mesh->faces[i].c);
            mesh->render();
            for (int i = 0; i < faces; i++) mesh->faces[i] = original[i];
            const int both = covered(0x3E80000);
            EXPECT_GT(front, 500) << "view " << view;
            // Edge pixels may differ where the two windings round the other way.
            EXPECT_LE(both - front, front / 100 + 8) << (mesh == plane.get() ? "plane" : "flower") << " view " << view;
        }
    }
}

TEST_F(MeshFiles, FramesMatchTheirRecordedHashes) {
    struct Expected {
        const char* name;
        uint64_t hash;
    };
    std::vector<std::pair<std::string, uint64_t>> got;

    for (uint32_t t : {95000u, 120000u, 131000u}) {
        poseBiplaneScene(t);
        clear(rgb565(100, 150, 220), 0x640000);
        plane->render();
        got.emplace_back("biplane_" + std::to_string(t), frame(("biplane_" + std::to_string(t)).c_str()));
    }
    for (uint32_t t : {175400u, 176000u}) {
        poseCave(t);
        clear(rgb565(40, 50, 60), 0x3E80000);
        plane->render();
        got.emplace_back("cave_" + std::to_string(t), frame(("cave_" + std::to_string(t)).c_str()));
    }
    poseAround(*plane, 32768 - 9000, 20000, 0x70000, 0);
    clear(rgb565(100, 150, 220), 0x3E80000);
    plane->render();
    got.emplace_back("plane_below", frame("plane_below"));

    // A meadow of flowers at the dragonfly scene's distances.
    {
        levelCamera();
        clear(rgb565(150, 200, 120), 0x3E80000);
        for (int i = 0; i < 320 * 110; i++) screen->backBuffer[i] = rgb565(170, 200, 240);
        const int x[6] = {-6, -1, 4, 3, 6, -3};
        const int y[6] = {3, 5, 3, 8, 11, 18};
        for (int k = 0; k < 6; k++) {
            flower->angle[0] = flower->angle[1] = flower->angle[2] = 0;
            flower->focalLength = 0xFA0000;
            flower->position[0] = x[k] * 65536;
            flower->position[1] = y[k] * 65536;
            flower->position[2] = -(0x20000 + k * 0x3333);
            flower->transform();
            flower->render();
        }
        got.emplace_back("meadow", frame("meadow"));
    }
    poseAround(*flower, 32768 + 6000, 30000, 0x40000, -0x18000);
    clear(rgb565(150, 200, 120), 0x3E80000);
    flower->render();
    got.emplace_back("flower_turned", frame("flower_turned"));

    // Recorded after looking at the frames; a change of the meshes, the
    // loader or the rasterizer shows up here.
    const Expected expected[] = {
        {"biplane_95000", 0xc92f7c9aec2694deull},  {"biplane_120000", 0x21f9bf75c2a3c099ull},
        {"biplane_131000", 0xbb808334c368523full}, {"cave_175400", 0xe593e0a9156e6a6aull},
        {"cave_176000", 0xaaeb9aa5762738d6ull},    {"plane_below", 0xf4e9437e67ae0a81ull},
        {"meadow", 0xa78525d97c781c11ull},         {"flower_turned", 0x602df0c2d2f094edull},
    };
    ASSERT_EQ(got.size(), sizeof(expected) / sizeof(expected[0]));
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(got[i].first, expected[i].name);
        EXPECT_EQ(got[i].second, expected[i].hash) << got[i].first << ": 0x" << std::hex << got[i].second;
    }
}

// The biplane's sky is a gradient down one strip of env_red.png, and the
// camera's roll lays every RGB565 step of it across the screen as a line.
// Two channels stepping on the same row add up to a seam viewers notice, so
// neighbouring rows differ in one channel, by one level, at most.
TEST(PlaneTexture, SkyStripStepsOneChannelOneLevelAtATime) {
    const Image atlas((std::string(AMBRELLE_DATA_DIR) + "/env_red.png").c_str());
    ASSERT_EQ(atlas.width, 256);
    const AtlasRect& sky = PlaneAtlas::SKY;
    auto at = [&](int u, int v) { return atlas.pixels[v * 256 + u]; };
    int steps = 0;
    for (int v = static_cast<int>(sky.v0); v <= static_cast<int>(sky.v1); v++) {
        for (int u = static_cast<int>(sky.u0); u <= static_cast<int>(sky.u1); u++)
            ASSERT_EQ(at(u, v), at(static_cast<int>(sky.u0), v)) << "row " << v << " is not one colour";
        if (v == static_cast<int>(sky.v1)) break;
        const uint16_t a = at(static_cast<int>(sky.u0), v), b = at(static_cast<int>(sky.u0), v + 1);
        const int d[3] = {(a >> 11) - (b >> 11), ((a >> 5) & 63) - ((b >> 5) & 63), (a & 31) - (b & 31)};
        int changed = 0;
        for (int k : d) {
            ASSERT_LE(std::abs(k), 1) << "rows " << v << " and " << v + 1;
            changed += k != 0;
        }
        ASSERT_LE(changed, 1) << "rows " << v << " and " << v + 1;
        steps += changed;
    }
    // Still a gradient: deep blue overhead, lighter toward the horizon.
    EXPECT_GT(steps, 20);
    const uint16_t top = at(static_cast<int>(sky.u0), static_cast<int>(sky.v0));
    const double horizonRow =
        sky.v0 + (sky.v1 - sky.v0) * PlaneAtlas::SKY_TOP / (PlaneAtlas::SKY_TOP - PlaneAtlas::SKY_BOTTOM);
    const uint16_t horizon = at(static_cast<int>(sky.u0), static_cast<int>(horizonRow));
    EXPECT_LT((top >> 5) & 63, (horizon >> 5) & 63);
}
