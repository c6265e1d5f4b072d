// The triangle rasterizer: rejection tests, row range, edges, spans, depth and texels.
#include "engine/rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "engine/trig_tables.h"
#include "scenes/reference/mesh_reference.h"
#include "support/mesh_fixture.h"

namespace {

constexpr Fixed FAR = 0x3E80000;
constexpr uint16_t BACKGROUND = 0x0841;

struct Corner {
    int32_t x, y;
    Fixed z;
};

// A mesh of independent triangles whose screen positions and depths are set
// directly, as transform() would leave them. Face k uses vertices 3k..3k+2
// and texture vertices 3k..3k+2.
class Triangles {
   public:
    Triangles(int faces, Image* texture, Image* envMap) {
        mesh = meshFromText("", 3 * faces, faces, 3 * faces, texture, envMap);
        for (int k = 0; k < faces; k++) {
            mesh->faces[k] = MeshFace{3 * k, 3 * k + 1, 3 * k + 2, 0};
            mesh->texFaces[k] = TexFace{3 * k, 3 * k + 1, 3 * k + 2};
        }
    }
    void set(int face, Corner a, Corner b, Corner c, int material = 0) {
        const Corner corners[3] = {a, b, c};
        for (int k = 0; k < 3; k++) {
            mesh->screenX[3 * face + k] = corners[k].x;
            mesh->screenY[3 * face + k] = corners[k].y;
            mesh->viewZ[3 * face + k] = corners[k].z;
        }
        mesh->faces[face].materialId = material;
    }
    void texels(int face, std::array<TexCoord, 3> t) {
        for (int k = 0; k < 3; k++) mesh->texCoords[3 * face + k] = t[k];
    }
    void normals(int face, Fixed nx, Fixed ny) {
        for (int k = 0; k < 3; k++) {
            mesh->vertices[3 * face + k].rnx = nx;
            mesh->vertices[3 * face + k].rny = ny;
        }
    }
    std::unique_ptr<Mesh> mesh;
};

class RasterizerTest : public ::testing::Test {
   protected:
    void SetUp() override {
        picture = indexPicture();
        screen = &cleanScreen(FAR, BACKGROUND);
    }
    bool written(int x, int y) const { return screen->depthBuffer[y * SCREEN_WIDTH + x] != FAR; }
    int writtenInRow(int y) const {
        int n = 0;
        for (int x = 0; x < SCREEN_WIDTH; x++) n += written(x, y);
        return n;
    }
    int writtenCount() const {
        int n = 0;
        for (int y = 0; y < SCREEN_HEIGHT; y++) n += writtenInRow(y);
        return n;
    }
    std::unique_ptr<Image> picture;
    Screen* screen = nullptr;
};

}  // namespace

TEST_F(RasterizerTest, FlatTopFaceFillsItsRowsButNotTheBottomOne) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {10, 10, 0x10000}, {20, 20, 0x10000}, {30, 10, 0x10000});
    t.mesh->render();
    EXPECT_EQ(t.mesh->faceArea[0], -200);
    EXPECT_EQ(writtenInRow(9), 0);
    // Edge C starts afresh at the second top corner: row 10 spans 10..30.
    for (int x = 0; x < SCREEN_WIDTH; x++) EXPECT_EQ(written(x, 10), x >= 10 && x <= 30) << x;
    // The truncated reciprocal (2^32 / 10 rows = 6553) makes the edges step
    // 65530 per row: after 9 rows the left one sits just short of column 19.
    for (int x = 0; x < SCREEN_WIDTH; x++) EXPECT_EQ(written(x, 19), x >= 18 && x <= 21) << x;
    EXPECT_EQ(writtenInRow(20), 0);
    EXPECT_EQ(screen->depthMinRow, 10);
    EXPECT_EQ(screen->depthMaxRow, 20);
}

TEST_F(RasterizerTest, PointedTopStartsWithOnePixel) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {50, 10, 0x10000}, {40, 30, 0x10000}, {70, 30, 0x10000});
    t.mesh->render();
    EXPECT_EQ(writtenInRow(10), 1);
    EXPECT_TRUE(written(50, 10));
    EXPECT_GT(writtenInRow(29), 25);
    EXPECT_EQ(writtenInRow(30), 0);
}

TEST_F(RasterizerTest, FaceOnOneRowDrawsNothingButWidensTheRange) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {10, 50, 0x10000}, {20, 50, 0x10000}, {30, 50, 0x10000});
    t.mesh->render();
    EXPECT_EQ(writtenCount(), 0);
    EXPECT_EQ(screen->depthMinRow, 50);
    EXPECT_EQ(screen->depthMaxRow, 50);
}

TEST_F(RasterizerTest, FaceTurnedAwayWidensTheRangeOnly) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {10, 60, 0x10000}, {30, 60, 0x10000}, {20, 80, 0x10000});
    t.mesh->render();
    EXPECT_EQ(t.mesh->faceArea[0], 400);
    EXPECT_EQ(writtenCount(), 0);
    EXPECT_EQ(screen->depthMinRow, 60);
    EXPECT_EQ(screen->depthMaxRow, 80);
}

TEST_F(RasterizerTest, HugeFrontFaceCoversTheScreen) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {-2000, -2000, 0x10000}, {-2000, 5000, 0x10000}, {5000, -2000, 0x10000});
    t.mesh->render();
    EXPECT_EQ(t.mesh->faceArea[0], -49000000);
    EXPECT_EQ(writtenCount(), SCREEN_PIXELS);
    EXPECT_EQ(screen->depthMinRow, -2000);
    EXPECT_EQ(screen->depthMaxRow, 5000);
    // The next clear covers exactly the screen.
    screen->clearDepth(0x640000);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->depthBuffer[i], 0x640000) << i;
}

TEST_F(RasterizerTest, AreaBeyondInt32IsSaturatedButKeepsItsSign) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {-100000, -100000, 0x10000}, {-100000, 100000, 0x10000}, {100000, -100000, 0x10000});
    t.mesh->render();
    EXPECT_EQ(t.mesh->faceArea[0], INT32_MIN);
}

TEST_F(RasterizerTest, CornerBehindTheViewerHidesTheFace) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {10, 10, 0x100000}, {10, 50, -1}, {60, 10, 0x100000});
    t.mesh->render();
    EXPECT_EQ(writtenCount(), 0);
    EXPECT_EQ(screen->depthMinRow, 239);  // rejected before the row range
    EXPECT_EQ(screen->depthMaxRow, 0);
}

TEST_F(RasterizerTest, ColumnTest) {
    Triangles left(1, picture.get(), picture.get());
    left.set(0, {-5, 10, 0x10000}, {-20, 30, 0x10000}, {-1, 30, 0x10000});
    left.mesh->render();
    EXPECT_EQ(screen->depthMinRow, 239);
    EXPECT_EQ(screen->depthMaxRow, 0);

    Triangles right(1, picture.get(), picture.get());
    right.set(0, {320, 10, 0x10000}, {400, 30, 0x10000}, {330, 30, 0x10000});
    right.mesh->render();
    EXPECT_EQ(screen->depthMinRow, 239);

    // One corner on column 0 lets the face through; nothing right of it is drawn.
    Triangles edge(1, picture.get(), picture.get());
    edge.set(0, {-5, 10, 0x10000}, {-20, 30, 0x10000}, {0, 30, 0x10000});
    edge.mesh->render();
    EXPECT_EQ(screen->depthMinRow, 10);
    EXPECT_EQ(screen->depthMaxRow, 30);
    for (int y = 0; y < SCREEN_HEIGHT; y++)
        for (int x = 1; x < SCREEN_WIDTH; x++) ASSERT_FALSE(written(x, y)) << x << "," << y;
}

TEST_F(RasterizerTest, RowTestAndUnclampedRange) {
    Triangles t(2, picture.get(), picture.get());
    t.set(0, {10, 240, 0x10000}, {5, 260, 0x10000}, {20, 260, 0x10000});  // top row 240: rejected
    t.set(1, {10, -40, 0x10000}, {5, -20, 0x10000}, {20, 30, 0x10000});   // reaches the screen
    t.mesh->render();
    EXPECT_EQ(screen->depthMinRow, -40);
    EXPECT_EQ(screen->depthMaxRow, 30);
    EXPECT_EQ(writtenInRow(0) > 0, true);
    EXPECT_EQ(writtenInRow(30), 0);
}

TEST_F(RasterizerTest, SpanClippedAtBothEnds) {
    Triangles t(1, picture.get(), picture.get());
    Rasterizer r(*screen, *t.mesh);
    // 15 columns, one texel and 1.0 of depth per column (as the reciprocal gives them).
    r.drawSpan(-10, 5, 100, 0, 0, 15 << 16, 0, 0, 15 << 16, picture->pixels);
    const Fixed step = 65535;  // (15 << 16) * (2^32 / (15 << 16)) >> 16
    EXPECT_EQ(screen->depthBuffer[100 * SCREEN_WIDTH + 0], 10 * step);
    EXPECT_EQ(screen->backBuffer[100 * SCREEN_WIDTH + 0], picture->pixels[(10 * step) >> 16]);
    EXPECT_EQ(screen->depthBuffer[100 * SCREEN_WIDTH + 5], 15 * step);
    EXPECT_FALSE(written(6, 100));
    EXPECT_FALSE(written(319, 99));

    r.drawSpan(400, 300, 120, 0, 0, 0, 0, 0x1000, 0x1000, picture->pixels);  // ends in either order
    for (int x = 0; x < SCREEN_WIDTH; x++) EXPECT_EQ(written(x, 120), x >= 300) << x;
    EXPECT_FALSE(written(0, 121));

    r.drawSpan(7, 7, 130, 3 << 16, 0, 99 << 16, 0, 0x2000, 0x9000, picture->pixels);
    EXPECT_EQ(writtenInRow(130), 1);
    EXPECT_EQ(screen->depthBuffer[130 * SCREEN_WIDTH + 7], 0x2000);  // the first end's values
    EXPECT_EQ(screen->backBuffer[130 * SCREEN_WIDTH + 7], picture->pixels[3]);

    r.drawSpan(-3, -1, 140, 0, 0, 0, 0, 0, 0, picture->pixels);
    r.drawSpan(320, 900, 140, 0, 0, 0, 0, 0, 0, picture->pixels);
    EXPECT_EQ(writtenInRow(140), 0);
}

TEST_F(RasterizerTest, EqualDepthKeepsTheFirstFace) {
    Triangles t(2, picture.get(), picture.get());
    t.set(0, {10, 10, 0x50000}, {10, 60, 0x50000}, {60, 10, 0x50000});
    t.set(1, {10, 10, 0x50000}, {10, 60, 0x50000}, {60, 10, 0x50000}, ENV_MATERIAL);
    t.texels(0, {TexCoord{5 << 16, 7 << 16}, TexCoord{5 << 16, 7 << 16}, TexCoord{5 << 16, 7 << 16}});
    t.normals(1, 0, 0);
    t.mesh->render();
    EXPECT_EQ(screen->backBuffer[20 * SCREEN_WIDTH + 20], picture->pixels[5 + 7 * 256]);
}

TEST_F(RasterizerTest, NearerFaceWinsWhicheverComesFirst) {
    Triangles t(2, picture.get(), picture.get());
    t.set(0, {10, 10, 0x60000}, {10, 60, 0x60000}, {60, 10, 0x60000});
    t.set(1, {10, 10, 0x50000}, {10, 60, 0x50000}, {60, 10, 0x50000});
    t.texels(1, {TexCoord{1 << 16, 0}, TexCoord{1 << 16, 0}, TexCoord{1 << 16, 0}});
    t.mesh->render();
    EXPECT_EQ(screen->backBuffer[20 * SCREEN_WIDTH + 20], picture->pixels[1]);
    EXPECT_EQ(screen->depthBuffer[20 * SCREEN_WIDTH + 20], 0x50000);
}

TEST_F(RasterizerTest, EnvironmentNormalsFacingTheViewerSampleTheCentre) {
    std::unique_ptr<Image> env = indexPicture();
    std::unique_ptr<Image> other(new Image(256, 256));
    Triangles t(1, other.get(), env.get());
    t.set(0, {100, 100, 0x10000}, {100, 150, 0x20000}, {160, 100, 0x30000}, ENV_MATERIAL);
    t.normals(0, 0, 0);  // (0, 0, -1) in view space
    t.mesh->render();
    const uint16_t centre = env->pixels[128 + 128 * 256];
    int drawn = 0;
    for (int i = 0; i < SCREEN_PIXELS; i++)
        if (screen->depthBuffer[i] != FAR) {
            ASSERT_EQ(screen->backBuffer[i], centre) << i;
            drawn++;
        }
    EXPECT_GT(drawn, 1000);
}

TEST_F(RasterizerTest, TexelIndexStaysInsideThePicture) {
    Triangles t(2, picture.get(), picture.get());
    // A normal of exactly +1.0 gives texel column 256, which runs into the next row.
    t.set(0, {10, 10, 0x10000}, {10, 40, 0x10000}, {40, 10, 0x10000}, ENV_MATERIAL);
    t.normals(0, 0x10000, 0);
    // Coordinates far outside the picture keep their low 16 index bits.
    t.set(1, {100, 10, 0x10000}, {100, 40, 0x10000}, {140, 10, 0x10000});
    t.texels(1, {TexCoord{-0x10000, -0x10000}, TexCoord{-0x10000, -0x10000}, TexCoord{-0x10000, -0x10000}});
    t.mesh->render();
    EXPECT_EQ(screen->backBuffer[15 * SCREEN_WIDTH + 15], picture->pixels[(256 | (128 << 8)) & 0xFFFF]);
    EXPECT_EQ(screen->backBuffer[15 * SCREEN_WIDTH + 105], picture->pixels[0xFFFF]);
}

TEST_F(RasterizerTest, MagentaTexelsAreWrittenLikeAnyColour) {
    std::unique_ptr<Image> magenta(new Image(256, 256));
    for (int i = 0; i < 65536; i++) magenta->pixels[i] = COLOR_KEY;
    Triangles t(1, magenta.get(), magenta.get());
    t.set(0, {10, 10, 0x10000}, {10, 40, 0x10000}, {40, 10, 0x10000});
    t.mesh->render();
    EXPECT_EQ(screen->backBuffer[15 * SCREEN_WIDTH + 15], COLOR_KEY);
}

TEST_F(RasterizerTest, ClearDepthAfterRenderingCoversTheRowsTouched) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {10, 50, 0x10000}, {10, 100, 0x10000}, {200, 50, 0x10000});
    t.mesh->render();
    ASSERT_EQ(screen->depthMinRow, 50);
    ASSERT_EQ(screen->depthMaxRow, 100);
    // Mark the row the face ends on: clearDepth leaves it alone.
    screen->depthBuffer[100 * SCREEN_WIDTH + 3] = 0x777;
    screen->depthBuffer[49 * SCREEN_WIDTH + 3] = 0x777;
    screen->clearDepth(0x640000);
    for (int y = 50; y < 100; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++) ASSERT_EQ(screen->depthBuffer[y * SCREEN_WIDTH + x], 0x640000);
    EXPECT_EQ(screen->depthBuffer[100 * SCREEN_WIDTH + 3], 0x777);
    EXPECT_EQ(screen->depthBuffer[49 * SCREEN_WIDTH + 3], 0x777);
    EXPECT_EQ(screen->depthMinRow, 239);
    EXPECT_EQ(screen->depthMaxRow, 0);
}

// The show skips depth cells known to hold the clear value already; over
// frames of random faces, clear values, clip windows and row ranges, every
// cell must come out as a whole-row clear leaves it.
TEST_F(RasterizerTest, SkippingCleanDepthCellsClearsTheSame) {
    auto play = [&](bool skip) {
        std::mt19937 rng(31337);
        auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<uint32_t>(hi - lo + 1)); };
        cleanScreen(FAR, BACKGROUND);
        screen->skipCleanDepth = false;
        if (skip) screen->startSkippingCleanDepth();
        std::vector<Fixed> frames;
        Triangles t(24, picture.get(), picture.get());
        for (int frame = 0; frame < 60; frame++) {
            // Mostly the same value, as a scene clears it every frame.
            screen->clearDepth(frame % 9 == 4 ? 0x640000 : FAR);
            for (int k = 0; k < 24; k++) {
                const int size = k % 3 == 0 ? 300 : 12;
                const int x = pick(-40, 360), y = pick(-40, 280);
                t.set(k, {x, y, pick(0, 0x4000000)}, {x + pick(-size, size), y + pick(0, size), pick(0, 0x4000000)},
                      {x + pick(-size, size), y + pick(-size, size), pick(0, 0x4000000)});
            }
            t.mesh->clipLeft = frame % 5 == 1 ? pick(0, 200) : 0;
            t.mesh->clipRight = frame % 5 == 1 ? pick(100, 320) : 320;
            t.mesh->render();
            // Now and then a range the faces did not give.
            if (frame % 7 == 3) screen->depthMinRow = pick(-20, 250), screen->depthMaxRow = pick(-20, 260);
            frames.insert(frames.end(), screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS);
        }
        screen->skipCleanDepth = false;
        return frames;
    };
    const std::vector<Fixed> whole = play(false), skipping = play(true);
    ASSERT_EQ(whole.size(), skipping.size());
    for (size_t i = 0; i < whole.size(); i++)
        ASSERT_EQ(whole[i], skipping[i]) << "frame " << i / SCREEN_PIXELS << " cell " << i % SCREEN_PIXELS;
}

TEST_F(RasterizerTest, ForgettingDepthExtentsClearsWholeRowsAgain) {
    screen->startSkippingCleanDepth();
    screen->depthMinRow = 0, screen->depthMaxRow = 240;
    screen->clearDepth(FAR);
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {10, 50, 0x10000}, {10, 100, 0x10000}, {200, 50, 0x10000});
    t.mesh->render();
    // A write the rasterizer did not make, in a drawn row but outside its columns.
    screen->depthBuffer[60 * SCREEN_WIDTH + 300] = 0x777;
    screen->forgetDepthExtents();
    screen->clearDepth(FAR);
    screen->skipCleanDepth = false;
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->depthBuffer[i], FAR) << i;
}

TEST_F(RasterizerTest, BadIndicesAndSmallPicturesAreSkipped) {
    std::unique_ptr<Image> small(new Image(16, 16));
    Triangles t(3, picture.get(), small.get());
    t.set(0, {10, 10, 0x10000}, {10, 40, 0x10000}, {40, 10, 0x10000});
    t.set(1, {10, 10, 0x10000}, {10, 40, 0x10000}, {40, 10, 0x10000});
    t.set(2, {10, 10, 0x10000}, {10, 40, 0x10000}, {40, 10, 0x10000}, ENV_MATERIAL);
    t.mesh->faces[0].b = 9;      // no such vertex
    t.mesh->texFaces[1].c = -1;  // no such texture vertex
    t.mesh->render();            // face 2 samples a 16 x 16 picture
    EXPECT_EQ(writtenCount(), 0);
    // The face with the small picture still counts like any other: its area
    // is stored and its rows widen the range; only its pixels are skipped.
    EXPECT_EQ(screen->depthMinRow, 10);
    EXPECT_EQ(screen->depthMaxRow, 40);
    EXPECT_LT(t.mesh->faceArea[2], 0);

    t.mesh->texture = nullptr;
    t.mesh->faces[0].b = 1;
    t.mesh->render();
    EXPECT_EQ(writtenCount(), 0);
}

TEST_F(RasterizerTest, PositionsBeyondSixteenBitsStayInsideTheBuffers) {
    Triangles t(4, picture.get(), picture.get());
    t.set(0, {40000, 10, 0x10000}, {-40000, 200, 0x10000}, {100, 100, 0x10000});
    t.set(1, {INT32_MAX, INT32_MIN, 0x10000}, {INT32_MIN, INT32_MAX, 0x10000}, {0, 0, 0x10000});
    t.set(2, {100, -70000, 0x10000}, {-70000, 70000, 0x10000}, {70000, 70000, 0x10000});
    t.set(3, {32767, 32767, 0x10000}, {-32768, 32767, 0x10000}, {0, -32768, 0x10000});
    // AddressSanitizer checks that every write lands inside. Without it, the
    // buffers must at least stay coherent: every pixel either keeps the
    // background at the far depth or holds a face's depth and a new colour.
    auto expectCoherent = [&] {
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            const Fixed d = screen->depthBuffer[i];
            if (d == FAR) {
                ASSERT_EQ(screen->backBuffer[i], BACKGROUND) << i;
            } else {
                ASSERT_EQ(d, 0x10000) << i;
            }
        }
    };
    t.mesh->render();
    expectCoherent();
    for (int k = 0; k < 4; k++) t.mesh->faces[k].materialId = ENV_MATERIAL;
    t.normals(0, INT32_MAX, INT32_MIN);
    t.mesh->render();
    expectCoherent();
}

TEST_F(RasterizerTest, ClipWindowIsKeptInsideTheScreen) {
    Triangles t(1, picture.get(), picture.get());
    t.set(0, {-2000, -2000, 0x10000}, {-2000, 5000, 0x10000}, {5000, -2000, 0x10000});
    t.mesh->clipLeft = -50;
    t.mesh->clipRight = 1000;
    t.mesh->clipTop = -0x100000;
    t.mesh->clipBottom = 0x7FFFFFFF;
    t.mesh->render();
    EXPECT_EQ(writtenCount(), SCREEN_PIXELS);

    cleanScreen(FAR, BACKGROUND);
    t.mesh->clipLeft = 10;
    t.mesh->clipRight = 20;
    t.mesh->clipTop = 5 << 16;
    t.mesh->clipBottom = 8 << 16;
    t.mesh->render();
    EXPECT_EQ(writtenCount(), 30);
    EXPECT_TRUE(written(10, 5));
    EXPECT_TRUE(written(19, 7));
}

TEST(SpanKernel, FourAtATimeMatchesOneAtATime) {
    std::unique_ptr<Image> picture = indexPicture();
    std::mt19937 rng(7);
    auto any = [&]() { return static_cast<uint32_t>(rng()); };
    std::vector<uint16_t> outA(400), outB(400);
    std::vector<Fixed> depthA(400), depthB(400);
    for (int trial = 0; trial < 3000; trial++) {
        for (int i = 0; i < 400; i++) {
            outA[i] = outB[i] = static_cast<uint16_t>(any());
            // Depths near the span's own, so that lanes pass and fail in mixed groups.
            depthA[i] = depthB[i] = static_cast<Fixed>(trial % 3 == 0 ? any() : 0x100000 + (any() % 0x40000));
        }
        SpanRun run{};
        const int offset = static_cast<int>(any() % 8);
        run.count = static_cast<int32_t>(any() % 330);
        run.z = trial % 3 == 0 ? any() : 0x100000 + any() % 0x40000;
        run.dz = trial % 3 == 0 ? any() : (any() % 0x2000) - 0x1000;
        // Coordinates inside the picture, and anywhere at all (wrapping).
        run.u = trial % 2 ? any() : any() % 0xFF0000;
        run.v = trial % 2 ? any() : any() % 0xFF0000;
        // Steps of up to a texel a pixel, or a picture stretched wide, whose
        // groups of lanes fall on one, two or three texels.
        const uint32_t reach = trial % 4 == 2 ? 0x4000 : 0x10000;
        run.du = trial % 2 ? any() : any() % (2 * reach) - reach;
        run.dv = trial % 2 ? any() : any() % (2 * reach) - reach;
        run.out = outA.data() + offset;
        run.depth = depthA.data() + offset;
        // The eight-lane and the four-lane kernels by turns (the same where
        // the processor lacks AVX2).
        const bool avx2 = Rasterizer::avx2Spans;
        Rasterizer::avx2Spans = avx2 && trial % 2 == 0;
        Rasterizer::fillSpan(run, picture->pixels);
        Rasterizer::avx2Spans = avx2;
        run.out = outB.data() + offset;
        run.depth = depthB.data() + offset;
        Rasterizer::fillSpanPortable(run, picture->pixels);
        ASSERT_EQ(outA, outB) << "trial " << trial;
        ASSERT_EQ(depthA, depthB) << "trial " << trial;
    }
}

// Every length around the lane widths, where the last group of lanes
// overlaps the one before it by one to three pixels: with depths that let
// every other pixel through, a pixel drawn twice or skipped shows.
TEST(SpanKernel, OverlappingLastGroupDrawsEachPixelOnce) {
    std::unique_ptr<Image> picture = indexPicture();
    std::mt19937 rng(99);
    const bool avx2 = Rasterizer::avx2Spans;
    for (int32_t count = 0; count <= 40; count++)
        for (int pattern = 0; pattern < 6; pattern++) {
            std::vector<uint16_t> outA(48), outB(48);
            std::vector<Fixed> depthA(48), depthB(48);
            for (int i = 0; i < 48; i++) {
                outA[i] = outB[i] = static_cast<uint16_t>(rng());
                // Everything passes, every other pixel passes, or the nearest
                // pixels pass and the far ones fail (depth 16.0 against 1.5 + k).
                const Fixed far[3] = {0x7FFFFFFF, i % 2 ? 0x7FFFFFFF : 0, 0x100000};
                depthA[i] = depthB[i] = far[pattern % 3];
            }
            SpanRun run{nullptr, nullptr, count, 0x123456, 0x654321, 0x18000, static_cast<uint32_t>(0x10000 + count),
                        0x3000,  0x10000};
            run.out = outA.data() + 2;
            run.depth = depthA.data() + 2;
            // Eight lanes, then four (the same where the processor lacks AVX2).
            Rasterizer::avx2Spans = avx2 && pattern < 3;
            Rasterizer::fillSpan(run, picture->pixels);
            Rasterizer::avx2Spans = avx2;
            run.out = outB.data() + 2;
            run.depth = depthB.data() + 2;
            Rasterizer::fillSpanPortable(run, picture->pixels);
            ASSERT_EQ(outA, outB) << "count " << count << " pattern " << pattern;
            ASSERT_EQ(depthA, depthB) << "count " << count << " pattern " << pattern;
        }
}

// ---- the fast render against the plain one, whole meshes --------------------

namespace {

// The Screen's drawing state, to start two renders from the same one.
struct ScreenState {
    std::vector<uint16_t> back;
    std::vector<Fixed> depth;
    int32_t minRow, maxRow;
    explicit ScreenState(const Screen& s)
        : back(s.backBuffer, s.backBuffer + SCREEN_PIXELS),
          depth(s.depthBuffer, s.depthBuffer + SCREEN_PIXELS),
          minRow(s.depthMinRow),
          maxRow(s.depthMaxRow) {}
    void restore(Screen& s) const {
        std::copy(back.begin(), back.end(), s.backBuffer);
        std::copy(depth.begin(), depth.end(), s.depthBuffer);
        s.depthMinRow = minRow;
        s.depthMaxRow = maxRow;
    }
    bool operator==(const ScreenState& o) const {
        return back == o.back && depth == o.depth && minRow == o.minRow && maxRow == o.maxRow;
    }
};

// Renders the mesh plainly and fast from the same Screen state (faceArea
// starting from the same values too) and tells whether the bits agree.
::testing::AssertionResult sameRender(Mesh& mesh) {
    Screen& screen = *Screen::instance();
    const ScreenState before(screen);
    std::vector<int32_t> areaBefore(mesh.faceArea, mesh.faceArea + mesh.faceCount);
    renderMeshReference(mesh);
    const ScreenState plain(screen);
    const std::vector<int32_t> plainArea(mesh.faceArea, mesh.faceArea + mesh.faceCount);
    before.restore(screen);
    std::copy(areaBefore.begin(), areaBefore.end(), mesh.faceArea);
    mesh.render();
    const ScreenState fast(screen);
    const std::vector<int32_t> fastArea(mesh.faceArea, mesh.faceArea + mesh.faceCount);
    if (plainArea != fastArea) return ::testing::AssertionFailure() << "faceArea differs";
    if (plain.minRow != fast.minRow || plain.maxRow != fast.maxRow)
        return ::testing::AssertionFailure() << "row range " << plain.minRow << ".." << plain.maxRow << " against "
                                             << fast.minRow << ".." << fast.maxRow;
    int pixels = 0;
    for (int i = 0; i < SCREEN_PIXELS; i++) pixels += plain.back[i] != fast.back[i] || plain.depth[i] != fast.depth[i];
    if (pixels) return ::testing::AssertionFailure() << pixels << " pixels differ";
    return ::testing::AssertionSuccess();
}

// A screen position of the given scale: near the screen, around it, far
// outside, beyond 16 bits, or at the int32 extremes.
int32_t anyPosition(std::mt19937& rng, int scale, int32_t centre) {
    switch (scale) {
        case 0:
            return centre + static_cast<int32_t>(rng() % 41) - 20;
        case 1:
            return static_cast<int32_t>(rng() % 800) - 240;
        case 2:
            return static_cast<int32_t>(rng() % 6000) - 3000;
        case 3:
            return static_cast<int32_t>(rng() % 200000) - 100000;
        case 4:
            return static_cast<int32_t>(rng());
        default:
            return (rng() & 1) ? INT32_MAX - static_cast<int32_t>(rng() % 4)
                               : INT32_MIN + static_cast<int32_t>(rng() % 4);
    }
}

}  // namespace

TEST_F(RasterizerTest, SameBitsAsARowByRowReadingOnRandomFaces) {
    std::mt19937 rng(20260707);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int faces = 400;
    Triangles t(faces, picture.get(), picture.get());
    for (int k = 0; k < faces; k++) {
        // Mostly near or across the screen's edges, some far outside.
        const int spread = k % 5 == 0 ? 3000 : 500;
        Corner c[3];
        for (Corner& p : c)
            p = {pick(-spread / 2, 320 + spread / 2), pick(-spread / 2, 240 + spread / 2),
                 pick(k % 17 == 0 ? -5 : 0, 0x2000000)};
        t.set(k, c[0], c[1], c[2], pick(0, 3) == 0 ? ENV_MATERIAL : 0);
        for (int j = 0; j < 3; j++) {
            t.mesh->texCoords[3 * k + j] = TexCoord{pick(0, 255 << 16), pick(0, 255 << 16)};
            t.mesh->vertices[3 * k + j].rnx = pick(-0x10000, 0x10000);
            t.mesh->vertices[3 * k + j].rny = pick(-0x10000, 0x10000);
        }
    }
    // Same row range, faceArea, pixels and depths as the plain render.
    EXPECT_TRUE(sameRender(*t.mesh));
    EXPECT_GT(writtenCount(), SCREEN_PIXELS / 2);
}

TEST_F(RasterizerTest, SameBitsAsThePlainRenderOnRandomMeshes) {
    std::mt19937 rng(4242);
    std::unique_ptr<Image> small(new Image(16, 16));
    int drawnTrials = 0;
    for (int trial = 0; trial < 300; trial++) {
        const int32_t vertices = 3 + static_cast<int32_t>(rng() % 40);
        const int32_t faces = 1 + static_cast<int32_t>(rng() % 300);  // more than one cull block now and then
        const int32_t texCoords = 1 + static_cast<int32_t>(rng() % 40);
        Image* pictures[] = {picture.get(), picture.get(), picture.get(), small.get(), nullptr};
        auto mesh = meshFromText("", vertices, faces, texCoords, pictures[rng() % 5], pictures[rng() % 4]);
        // Small faces clustered like far meshes, large ones, or anything.
        const int scale = trial % 6;
        const int32_t cx = static_cast<int32_t>(rng() % 360) - 20, cy = static_cast<int32_t>(rng() % 280) - 20;
        for (int32_t i = 0; i < vertices; i++) {
            mesh->screenX[i] = anyPosition(rng, scale, cx);
            mesh->screenY[i] = anyPosition(rng, scale, cy);
            const uint32_t z = rng();
            mesh->viewZ[i] = z % 50 == 0 ? -static_cast<Fixed>(z % 3)
                                         : (trial % 4 == 0 ? static_cast<Fixed>(z) : static_cast<Fixed>(z % 0x4000000));
            mesh->vertices[i].rnx =
                trial % 3 == 0 ? static_cast<Fixed>(rng()) : static_cast<Fixed>(rng() % 0x20001) - 0x10000;
            mesh->vertices[i].rny =
                trial % 3 == 0 ? static_cast<Fixed>(rng()) : static_cast<Fixed>(rng() % 0x20001) - 0x10000;
        }
        for (int32_t i = 0; i < texCoords; i++)
            mesh->texCoords[i] =
                trial % 5 == 0 ? TexCoord{static_cast<Fixed>(rng()), static_cast<Fixed>(rng())}
                               : TexCoord{static_cast<Fixed>(rng() % 0xFF0000), static_cast<Fixed>(rng() % 0xFF0000)};
        // Indices mostly valid, a few negative or past the arrays.
        auto index = [&](int32_t n) {
            const uint32_t r = rng() % 100;
            return r == 0 ? -1 - static_cast<int32_t>(rng() % 5)
                          : (r == 1 ? n + static_cast<int32_t>(rng() % 5) : static_cast<int32_t>(rng() % n));
        };
        for (int32_t f = 0; f < faces; f++) {
            mesh->faces[f] =
                MeshFace{index(vertices), index(vertices), index(vertices), static_cast<int32_t>(rng() % 3)};
            mesh->texFaces[f] = TexFace{index(texCoords), index(texCoords), index(texCoords)};
            mesh->faceArea[f] = static_cast<int32_t>(rng());
        }
        if (trial % 7 == 0) {
            mesh->clipLeft = static_cast<int32_t>(rng() % 400) - 40;
            mesh->clipRight = static_cast<int32_t>(rng() % 400) - 40;
            mesh->clipTop = static_cast<Fixed>(rng() % 0x1200000) - 0x100000;
            mesh->clipBottom = static_cast<Fixed>(rng() % 0x1200000) - 0x100000;
        }
        // Earlier drawing of every kind in the buffers, and any row range.
        Screen& s = *screen;
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            s.depthBuffer[i] = trial % 2 ? FAR : static_cast<Fixed>(rng() % 0x4000000);
            s.backBuffer[i] = static_cast<uint16_t>(rng());
        }
        s.depthMinRow = static_cast<int32_t>(rng() % 300) - 30;
        s.depthMaxRow = static_cast<int32_t>(rng() % 300) - 30;
        // Every other trial without the AVX2 spans, as on a processor without it.
        const bool avx2 = Rasterizer::avx2Spans;
        Rasterizer::avx2Spans = avx2 && trial % 2 == 0;
        const ::testing::AssertionResult same = sameRender(*mesh);
        Rasterizer::avx2Spans = avx2;
        ASSERT_TRUE(same) << "trial " << trial;
        drawnTrials += std::count(s.depthBuffer, s.depthBuffer + SCREEN_PIXELS, FAR) < SCREEN_PIXELS;
    }
    EXPECT_GT(drawnTrials, 100);
}

TEST_F(RasterizerTest, SameBitsAsThePlainRenderOnRandomPoses) {
    // Closed random blobs turned and moved in front of (and behind, and
    // right next to) the camera, both materials, several meshes between two
    // clears as the scenes draw them.
    buildTrigTables();
    std::mt19937 rng(777);
    Camera& camera = *screen->camera;
    const int32_t vertices = 60, faces = 116;
    auto mesh = meshFromText("", vertices, faces, 90, picture.get(), picture.get());
    for (int32_t i = 0; i < vertices; i++) {
        const double a = 6.2831853 * (i % 10) / 10, b = 3.14159 * (i / 10 + 0.5) / 6;
        const double r = 0.6 + 0.4 * ((rng() % 1000) / 1000.0);
        mesh->vertices[i].x = static_cast<Fixed>(65536 * r * std::cos(a) * std::sin(b));
        mesh->vertices[i].y = static_cast<Fixed>(65536 * r * std::cos(b));
        mesh->vertices[i].z = static_cast<Fixed>(65536 * r * std::sin(a) * std::sin(b));
        mesh->vertices[i].nx = static_cast<Fixed>(65536 * std::cos(a) * std::sin(b));
        mesh->vertices[i].ny = static_cast<Fixed>(65536 * std::cos(b));
        mesh->vertices[i].nz = static_cast<Fixed>(65536 * std::sin(a) * std::sin(b));
    }
    for (int32_t i = 0; i < 90; i++)
        mesh->texCoords[i] = TexCoord{static_cast<Fixed>(rng() % 0xFF0000), static_cast<Fixed>(rng() % 0xFF0000)};
    for (int32_t f = 0; f < faces; f++) {
        const int32_t ring = f / 20 % 5, step = f % 10, k = ring * 10 + step, next = ring * 10 + (step + 1) % 10;
        mesh->faces[f] = f % 20 < 10 ? MeshFace{k, k + 10, next, static_cast<int32_t>(f % 3 == 0)}
                                     : MeshFace{next, k + 10, next + 10, static_cast<int32_t>(f % 4 == 0)};
        mesh->texFaces[f] = TexFace{static_cast<int32_t>(rng() % 90), static_cast<int32_t>(rng() % 90),
                                    static_cast<int32_t>(rng() % 90)};
    }
    int drawn = 0;
    for (int trial = 0; trial < 200; trial++) {
        for (int k = 0; k < 3; k++) {
            camera.angle[k] = static_cast<int32_t>(rng());
            camera.position[k] = static_cast<Fixed>(rng() % 0x100000) - 0x80000;
            mesh->angle[k] = static_cast<int32_t>(rng());
        }
        camera.update();
        const Fixed clear = trial % 3 ? FAR : 0x640000;
        cleanScreen(clear, BACKGROUND);
        for (int copy = 0; copy < 3; copy++) {
            // Far (a few pixels), middle, and so near that corners leave the
            // screen or fall behind the viewer.
            const int distance = (trial + copy) % 3;
            const Fixed depth = distance == 0 ? static_cast<Fixed>(0x1000000 + rng() % 0x3000000)
                                              : (distance == 1 ? static_cast<Fixed>(0x30000 + rng() % 0x100000)
                                                               : static_cast<Fixed>(rng() % 0x30000) - 0x8000);
            // Straight ahead of the camera at that depth (the transpose of
            // the camera rotation turns back), give or take two units.
            for (int k = 0; k < 3; k++) mesh->position[k] = static_cast<Fixed>(rng() % 0x40000) - 0x20000;
            Fixed dx, dy, dz;
            Matrix inverse = camera.matrix;
            for (int r = 0; r < 3; r++)
                for (int c = 0; c < 3; c++) inverse.m[3 * r + c] = camera.matrix.m[3 * c + r];
            inverse.transform(0, 0, depth, dx, dy, dz);
            mesh->position[0] += dx - camera.position[0];
            mesh->position[1] += dy - camera.position[1];
            mesh->position[2] += dz - camera.position[2];
            mesh->focalLength = trial % 2 ? 0xFA0000 : 0x12C0000;
            mesh->transform();
            ASSERT_TRUE(sameRender(*mesh)) << "trial " << trial << " copy " << copy;
        }
        drawn += std::count(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS, clear) < SCREEN_PIXELS;
    }
    EXPECT_GT(drawn, 150);
}
