// The ASE reader (record patterns, scaling, bad input) and the mesh transform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/ase_loader.h"
#include "engine/trig_tables.h"
#include "scenes/reference/mesh_reference.h"
#include "support/mesh_fixture.h"

namespace {

const char* FACE_0_5_6_7 =
    "*MESH_FACE    0:    A:    5 B:    6 C:    7 AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID 1\n";

}  // namespace

TEST(AseLoader, VertexRecordIsScaledByOneFortieth) {
    auto mesh = meshFromText("*MESH_VERTEX    0\t40.0000\t-80.0000\t20.0000\n", 1, 0, 0);
    EXPECT_EQ(mesh->vertices[0].x, 0x10000);
    EXPECT_EQ(mesh->vertices[0].y, -0x20000);
    EXPECT_EQ(mesh->vertices[0].z, 0x8000);
}

TEST(AseLoader, VerticesTruncateTowardZeroInSinglePrecision) {
    // 1/40 of a unit is 1638.4 sixty-five-thousandths: both signs truncate to 1638.
    // 0.1 / 40 in single precision then times 65536 gives 163.84 -> 163.
    auto mesh = meshFromText("*MESH_VERTEX 0 1 -1 0.1\n", 1, 0, 0);
    EXPECT_EQ(mesh->vertices[0].x, 1638);
    EXPECT_EQ(mesh->vertices[0].y, -1638);
    EXPECT_EQ(mesh->vertices[0].z, 163);
}

TEST(AseLoader, TextureVertexTurnsVUpsideDownAndSkipsTheThirdCoordinate) {
    auto mesh = meshFromText("*MESH_TVERT 3\t0.5000\t0.2500\t0.0000\n*MESH_TVERT 4 1.0 1.0 0.75\n", 0, 0, 2);
    EXPECT_EQ(mesh->texCoords[0].u, 0x7F8000);
    EXPECT_EQ(mesh->texCoords[0].v, 0xBF4000);
    // Stored in file order whatever the index; v = 1.0 is texel row 0.
    EXPECT_EQ(mesh->texCoords[1].u, 0xFF0000);
    EXPECT_EQ(mesh->texCoords[1].v, 0);
}

TEST(AseLoader, FaceWithMaterialAndTextureFace) {
    auto mesh = meshFromText(std::string(FACE_0_5_6_7) + "*MESH_TFACE 0\t9\t8\t7\n", 8, 1, 10);
    EXPECT_EQ(mesh->faces[0].a, 5);
    EXPECT_EQ(mesh->faces[0].b, 6);
    EXPECT_EQ(mesh->faces[0].c, 7);
    EXPECT_EQ(mesh->faces[0].materialId, ENV_MATERIAL);
    EXPECT_EQ(mesh->texFaces[0].a, 9);
    EXPECT_EQ(mesh->texFaces[0].b, 8);
    EXPECT_EQ(mesh->texFaces[0].c, 7);
}

TEST(AseLoader, VertexNormalNamesItsVertexWhereverItStands) {
    std::string text = "*MESH_VERTEXNORMAL 12\t0.0000\t-1.0000\t0.0000\n";
    for (int i = 0; i < 14; i++) text += "*MESH_VERTEX " + std::to_string(i) + " 4 4 4\n";
    text += "*MESH_VERTEXNORMAL 3 1.0 0.0 0.0\n*MESH_VERTEXNORMAL 3 0.0 0.0 0.5\n";
    auto mesh = meshFromText(text, 14, 0, 0);
    EXPECT_EQ(mesh->vertices[12].nx, 0);
    EXPECT_EQ(mesh->vertices[12].ny, -0x10000);
    EXPECT_EQ(mesh->vertices[12].nz, 0);
    EXPECT_EQ(mesh->vertices[12].x, 0x1999);  // the position records do not touch the normal
    // A vertex named twice keeps the last normal read.
    EXPECT_EQ(mesh->vertices[3].nx, 0);
    EXPECT_EQ(mesh->vertices[3].nz, 0x8000);
}

TEST(AseLoader, ListAndCountKeywordsStartNothing) {
    const std::string text =
        "*MESH {\n*MESH_NUMVERTEX 99\n*MESH_NUMFACES 99\n*MESH_VERTEX_LIST {\n"
        "*MESH_VERTEX 0 40 40 40\n}\n*MESH_FACE_LIST {\n}\n*MESH_NUMTVERTEX 7\n*MESH_TVERTLIST {\n}\n"
        "*MESH_NUMTVFACES 3\n*MESH_TFACELIST {\n}\n*MESH_NORMALS {\n"
        "*MESH_FACENORMAL 0 80.0 80.0 80.0\n*MESH_VERTEXNORMALS 1 1 1 1\n}\n"
        "*MESH_VERTEX 1 80 80 80\n";
    auto mesh = meshFromText(text, 2, 1, 1);
    EXPECT_EQ(mesh->vertexCount, 2);
    EXPECT_EQ(mesh->vertices[0].x, 0x10000);
    EXPECT_EQ(mesh->vertices[1].x, 0x20000);  // the face normal's numbers were not a vertex
    EXPECT_EQ(mesh->vertices[0].nx, 0);
    EXPECT_EQ(mesh->faces[0].a, 0);
    EXPECT_EQ(mesh->texCoords[0].u, 0);
}

TEST(AseLoader, FileWithoutKeywordsStillYieldsADefaultMesh) {
    auto mesh = meshFromText("*3DSMAX_ASCIIEXPORT 200\n*SCENE {\n*SCENE_FILENAME \"x.max\"\n}\n", 3, 2, 4);
    EXPECT_EQ(mesh->focalLength, 0xFA0000);
    const Fixed identity[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x10000};
    for (int i = 0; i < 9; i++) EXPECT_EQ(mesh->rotation.m[i], identity[i]);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(mesh->angle[k], 0);
        EXPECT_EQ(mesh->position[k], 0);
    }
    EXPECT_EQ(mesh->clipLeft, 0);
    EXPECT_EQ(mesh->clipRight, 320);
    EXPECT_EQ(mesh->clipTop, 0);
    EXPECT_EQ(mesh->clipBottom, 0xF00000);
    for (int i = 0; i < 3; i++) EXPECT_EQ(mesh->vertices[i].x | mesh->vertices[i].nz | mesh->viewZ[i], 0);
    for (int i = 0; i < 2; i++) EXPECT_EQ(mesh->faces[i].a | mesh->faces[i].materialId | mesh->texFaces[i].c, 0);
    auto empty = meshFromText("", 1, 1, 1);
    EXPECT_EQ(empty->focalLength, 0xFA0000);
}

TEST(AseLoader, RecordsBeyondTheCountsAreDropped) {
    std::string text;
    for (int i = 0; i < 6; i++)
        text += "*MESH_VERTEX " + std::to_string(i) + " " + std::to_string(40 * (i + 1)) + " 0 0\n";
    for (int i = 0; i < 4; i++) text += FACE_0_5_6_7;
    for (int i = 0; i < 5; i++) text += "*MESH_TVERT 0 0.5 0.5 0\n*MESH_TFACE 0 1 1 1\n";
    auto mesh = meshFromText(text, 2, 1, 1);
    EXPECT_EQ(mesh->vertices[0].x, 0x10000);
    EXPECT_EQ(mesh->vertices[1].x, 0x20000);
    EXPECT_EQ(mesh->faces[0].c, 7);
    // Nothing beyond the arrays was written (AddressSanitizer watches), and
    // the words after the dropped records were still read as records.
    auto none = meshFromText(text, 0, 0, 0);
    EXPECT_EQ(none->vertexCount, 0);
}

TEST(AseLoader, NormalsForVerticesOutsideTheArrayAreIgnored) {
    auto mesh = meshFromText(
        "*MESH_VERTEXNORMAL 2 1 0 0\n*MESH_VERTEXNORMAL -1 1 0 0\n"
        "*MESH_VERTEXNORMAL 2147483647 1 0 0\n*MESH_VERTEXNORMAL 1 0 1 0\n",
        2, 0, 0);
    EXPECT_EQ(mesh->vertices[0].nx, 0);
    EXPECT_EQ(mesh->vertices[1].nx, 0);
    EXPECT_EQ(mesh->vertices[1].ny, 0x10000);
}

TEST(AseLoader, ValuesARecordCouldNotReadAreZero) {
    // The face ends before its material id; the vertex after the mismatch is
    // then read as a record of its own.
    auto mesh = meshFromText("*MESH_FACE 0: A: 1 B: 2 C: 3 *MESH_VERTEX 0 40 80 120\n*MESH_TVERT 0 0.5\n", 1, 1, 1);
    EXPECT_EQ(mesh->faces[0].a, 1);
    EXPECT_EQ(mesh->faces[0].c, 3);
    EXPECT_EQ(mesh->faces[0].materialId, 0);
    EXPECT_EQ(mesh->vertices[0].z, 0x30000);
    EXPECT_EQ(mesh->texCoords[0].u, 0x7F8000);
    EXPECT_EQ(mesh->texCoords[0].v, 0);

    // A normal whose index cannot be read names vertex 0, with nothing read.
    auto normal = meshFromText("*MESH_VERTEXNORMAL 0 1 1 1\n*MESH_VERTEXNORMAL x 1 1 1\n", 1, 0, 0);
    EXPECT_EQ(normal->vertices[0].nx, 0);
    EXPECT_EQ(normal->vertices[0].nz, 0);
    auto cut = meshFromText("*MESH_VERTEX 0 40", 1, 0, 0);
    EXPECT_EQ(cut->vertices[0].x, 0x10000);
    EXPECT_EQ(cut->vertices[0].y, 0);
}

TEST(AseLoader, WordsOfAnyLengthAreSafe) {
    const std::string w79(79, 'w');
    // A 79-character word is an ordinary word; the record after it counts.
    auto ok = meshFromText(w79 + " *MESH_VERTEX 0 40 40 40\n", 1, 0, 0);
    EXPECT_EQ(ok->vertices[0].x, 0x10000);
    // A longer word is skipped whole: its tail is never taken for a keyword.
    auto skipped = meshFromText(std::string(100, 'w') + "*MESH_VERTEX 0 40 40 40\n", 1, 0, 0);
    EXPECT_EQ(skipped->vertices[0].x, 0);
    auto huge = meshFromText("\"" + std::string(100000, 'p') + "\" *MESH_VERTEX 0 80 0 0", 1, 0, 0);
    EXPECT_EQ(huge->vertices[0].x, 0x20000);
}

TEST(AseLoader, NumbersBeyondTheFixedRangeSaturate) {
    auto mesh = meshFromText("*MESH_VERTEX 0 nan 1e30 -1e30\n*MESH_TVERT 0 inf -inf\n", 1, 0, 1);
    EXPECT_EQ(mesh->vertices[0].x, 0);
    EXPECT_EQ(mesh->vertices[0].y, INT32_MAX);
    EXPECT_EQ(mesh->vertices[0].z, INT32_MIN);
    EXPECT_EQ(mesh->texCoords[0].u, INT32_MAX);
    EXPECT_EQ(mesh->texCoords[0].v, INT32_MAX);
    EXPECT_EQ(truncateToInt32(-2147483648.0f), INT32_MIN);
    EXPECT_EQ(truncateToInt32(-0.99f), 0);
}

TEST(AseLoader, NegativeCountsMeanEmptyArrays) {
    auto mesh = meshFromText("*MESH_VERTEX 0 40 40 40\n", -5, -1, -7);
    EXPECT_EQ(mesh->vertexCount, 0);
    EXPECT_EQ(mesh->faceCount, 0);
    EXPECT_EQ(mesh->texCoordCount, 0);
    mesh->transform();
    mesh->render();
}

TEST(AseLoader, ReadsAFileByPath) {
    char path[] = "/tmp/ambrelle_mesh_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "*MESH_VERTEX 0 40 -80 20\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    Mesh mesh(path, nullptr, nullptr, 1, 0, 0);
    unlink(path);
    EXPECT_EQ(mesh.vertices[0].y, -0x20000);
    EXPECT_EQ(mesh.focalLength, 0xFA0000);
}

TEST(AseLoaderDeathTest, MissingFileEndsStartUpWithItsPath) {
    // The message goes to standard output; the child sends it to standard error.
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            Mesh mesh("data/no_such_mesh.ase", nullptr, nullptr, 1, 1, 1);
        },
        ::testing::ExitedWithCode(1), "^error loading data/no_such_mesh.ase\n$");
}

TEST(AseLoaderDeathTest, DirectoryInPlaceOfTheFileIsUnreadable) {
    // fopen accepts a directory; only the reads fail.
    char dir[] = "/tmp/ambrelle-mesh-dir-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string expected = std::string("^error loading ") + dir + "\n$";
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            Mesh mesh(dir, nullptr, nullptr, 1, 1, 1);
        },
        ::testing::ExitedWithCode(1), expected);
    rmdir(dir);
}

class MeshTransform : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { buildTrigTables(); }
    void SetUp() override {
        Camera& camera = *Screen::instance()->camera;
        for (int k = 0; k < 3; k++) {
            camera.position[k] = 0;
            camera.angle[k] = 32768;  // zero radians
        }
        camera.update();
    }
};

TEST_F(MeshTransform, ReferenceProjection) {
    auto mesh = meshFromText("*MESH_VERTEX 0 40 0 0\n*MESH_VERTEX 1 0 0 0\n", 2, 0, 0);
    for (int k = 0; k < 3; k++) mesh->angle[k] = 32768;
    mesh->position[2] = 0x640000;
    mesh->transform();
    EXPECT_EQ(mesh->viewZ[0], 0x63FF38);
    // D = 250.0 << 16 / 0x63FF38 = 163845, and the 16.16 product falls to whole pixels.
    EXPECT_EQ(mesh->screenX[0], 162);
    EXPECT_EQ(mesh->screenY[0], 120);
    // The origin lands where the mesh position alone projects.
    EXPECT_EQ(mesh->screenX[1], 160);
    EXPECT_EQ(mesh->screenY[1], 120);
    EXPECT_EQ(mesh->rotation.m[0], 65534);
}

TEST_F(MeshTransform, NegativePositionsTruncateTowardMinusInfinity) {
    auto mesh = meshFromText("*MESH_VERTEX 0 -40 -40 0\n*MESH_VERTEX 1 -1 0 0\n", 2, 0, 0);
    for (int k = 0; k < 3; k++) mesh->angle[k] = 32768;
    mesh->position[2] = 0x640000;
    mesh->transform();
    EXPECT_EQ(mesh->screenX[0], 157);  // -2.5 pixels -> -3
    EXPECT_EQ(mesh->screenY[0], 117);
    EXPECT_EQ(mesh->screenX[1], 159);  // a fraction of a pixel left -> column 159
}

TEST_F(MeshTransform, AnglesKeepTheirLow16Bits) {
    auto mesh = meshFromText("", 0, 0, 0);
    mesh->angle[0] = 0x10000 + 5;
    mesh->angle[1] = -1;
    mesh->angle[2] = 0x7FFF8000;
    mesh->transform();
    EXPECT_EQ(mesh->angle[0], 5);
    EXPECT_EQ(mesh->angle[1], 0xFFFF);
    EXPECT_EQ(mesh->angle[2], 0x8000);
}

TEST_F(MeshTransform, CameraOffsetIsAddedBeforeItsRotation) {
    Camera& camera = *Screen::instance()->camera;
    camera.angle[0] = 0x4000;  // a quarter turn about x: world y becomes depth
    camera.angle[1] = 0;
    camera.angle[2] = 0;
    camera.position[1] = -0x50000;
    camera.update();
    auto mesh = meshFromText("*MESH_VERTEX 0 0 0 0\n*MESH_VERTEXNORMAL 0 0 0 -1\n", 1, 0, 0);
    mesh->angle[0] = mesh->angle[1] = mesh->angle[2] = 32768;
    mesh->position[1] = 0xF0000;  // 15 units ahead, 10 after the camera offset
    mesh->transform();
    Fixed x, y, z;
    camera.matrix.transform(0, 0xA0000, 0, x, y, z);
    EXPECT_EQ(mesh->viewZ[0], z);
    EXPECT_NEAR(mesh->viewZ[0], 0xA0000, 64);
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 120);
    // The normal turns with the mesh and the camera: down in the world is
    // toward the bottom of the screen.
    EXPECT_NEAR(mesh->vertices[0].rny, 0x10000, 16);
}

TEST_F(MeshTransform, DepthZeroDoesNotTrapAndHidesTheVertex) {
    auto mesh = meshFromText("*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 40 0 40\n", 2, 0, 0);
    mesh->transform();  // mesh and camera at the origin: depth exactly 0
    EXPECT_EQ(mesh->viewZ[0], -1);
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 120);
    EXPECT_GT(mesh->viewZ[1], 0);
}

// ---- the fast transform against the plain one --------------------------------

namespace {

// Values of every size: mostly like the show's (a few units), some up to the
// whole 32-bit range, some exactly 0 or at the extremes.
Fixed anyFixed(std::mt19937& rng, int kind) {
    switch (kind % 6) {
        case 0:
            return static_cast<Fixed>(rng() % 0x80000) - 0x40000;
        case 1:
            return static_cast<Fixed>(rng() % 0x2000000) - 0x1000000;
        case 2:
            return static_cast<Fixed>(rng());
        case 3:
            return 0;
        case 4:
            return (rng() & 1) ? INT32_MAX : INT32_MIN;
        default:
            return static_cast<Fixed>(rng() % 0x20001) - 0x10000;
    }
}

// Everything transform() writes, to compare two runs.
struct TransformOutput {
    Matrix rotation;
    int32_t angle[3];
    std::vector<Fixed> values;
    explicit TransformOutput(const Mesh& m) : rotation(m.rotation) {
        for (int k = 0; k < 3; k++) angle[k] = m.angle[k];
        for (int32_t i = 0; i < m.vertexCount; i++) {
            const MeshVertex& v = m.vertices[i];
            values.insert(values.end(), {v.rnx, v.rny, v.rnz, m.screenX[i], m.screenY[i], m.viewZ[i]});
        }
    }
};

bool sameOutput(const TransformOutput& a, const TransformOutput& b) {
    for (int k = 0; k < 9; k++)
        if (a.rotation.m[k] != b.rotation.m[k]) return false;
    for (int k = 0; k < 3; k++)
        if (a.angle[k] != b.angle[k]) return false;
    return a.values == b.values;
}

}  // namespace

TEST_F(MeshTransform, SameBitsAsThePlainTransformOnRandomMeshesAndPoses) {
    std::mt19937 rng(20261207);
    Camera& camera = *Screen::instance()->camera;
    int compared = 0, atZero = 0;
    for (int trial = 0; trial < 400; trial++) {
        // Vertex counts around the vector width, so that every tail length occurs.
        const int32_t count = static_cast<int32_t>(rng() % 14);
        auto mesh = meshFromText("", count, 0, 0);
        const int kind = trial % 7;
        for (int32_t i = 0; i < count; i++) {
            MeshVertex& v = mesh->vertices[i];
            v = MeshVertex{anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           anyFixed(rng, kind + 5),
                           anyFixed(rng, kind + 5),
                           anyFixed(rng, kind + 5),
                           0,
                           0,
                           0};
        }
        for (int k = 0; k < 3; k++) {
            mesh->angle[k] = static_cast<int32_t>(rng());
            camera.angle[k] = static_cast<int32_t>(rng());
            mesh->position[k] = anyFixed(rng, kind == 6 ? 3 : kind);
            camera.position[k] = anyFixed(rng, kind == 6 ? 3 : kind);
        }
        if (kind == 6) {
            // Mesh and camera at the origin: the vertex at the origin lands at
            // depth exactly 0.
            camera.angle[0] = camera.angle[1] = camera.angle[2] = 32768;
            if (count > 0) mesh->vertices[rng() % count] = MeshVertex{};
        }
        mesh->focalLength = trial % 5 == 4 ? static_cast<Fixed>(rng()) : (trial % 2 ? 0xFA0000 : 0x12C0000);
        camera.update();
        const int32_t angle[3] = {mesh->angle[0], mesh->angle[1], mesh->angle[2]};

        transformMeshReference(*mesh);
        const TransformOutput plain(*mesh);
        for (int k = 0; k < 3; k++) mesh->angle[k] = angle[k];
        for (int32_t i = 0; i < count; i++) {
            mesh->screenX[i] = mesh->screenY[i] = mesh->viewZ[i] = 0x5A5A5A5A;
            mesh->vertices[i].rnx = mesh->vertices[i].rny = mesh->vertices[i].rnz = 0x5A5A5A5A;
        }
        mesh->transform();
        const TransformOutput fast(*mesh);
        ASSERT_TRUE(sameOutput(plain, fast)) << "trial " << trial;
        compared += count;
        for (int32_t i = 0; i < count; i++) atZero += mesh->viewZ[i] == -1;
    }
    EXPECT_GT(compared, 2000);
    EXPECT_GT(atZero, 10);  // the zero-depth case was exercised
}

TEST(VertexProjection, FourAtATimeMatchesOneAtATime) {
    std::mt19937 rng(99);
    for (int trial = 0; trial < 3000; trial++) {
        const int kind = trial % 6;
        VertexProjection p;
        for (Fixed& m : p.view.m) m = anyFixed(rng, kind == 2 ? 2 : 5);
        for (Fixed& t : p.translation) t = anyFixed(rng, kind);
        p.focalLength = kind == 4 ? INT32_MIN : (kind == 2 ? static_cast<Fixed>(rng()) : 0xFA0000);
        const int32_t count = static_cast<int32_t>(rng() % 12);
        std::vector<MeshVertex> a(count), b;
        for (MeshVertex& v : a) {
            v = MeshVertex{anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           anyFixed(rng, kind),
                           1,
                           2,
                           3};
            // Depth exactly 0 now and then: no rotation, no depth translation.
            if (trial % 9 == 0) v.z = 0;
        }
        if (trial % 9 == 0) {
            for (Fixed& m : p.view.m) m = 0;
            p.translation[2] = 0;
        }
        b = a;
        std::vector<int32_t> xa(count, 7), ya(count, 7), za(count, 7), xb(count, 9), yb(count, 9), zb(count, 9);
        projectVertices(p, a.data(), count, xa.data(), ya.data(), za.data());
        projectVerticesPortable(p, b.data(), count, xb.data(), yb.data(), zb.data());
        ASSERT_EQ(xa, xb) << "trial " << trial;
        ASSERT_EQ(ya, yb) << "trial " << trial;
        ASSERT_EQ(za, zb) << "trial " << trial;
        for (int32_t i = 0; i < count; i++) {
            ASSERT_EQ(a[i].rnx, b[i].rnx) << "trial " << trial;
            ASSERT_EQ(a[i].rny, b[i].rny) << "trial " << trial;
            ASSERT_EQ(a[i].rnz, b[i].rnz) << "trial " << trial;
            ASSERT_EQ(a[i].x, b[i].x);  // the inputs stay as they were
        }
    }
}

TEST(VertexProjection, DoubleQuotientTruncatesLikeTheIntegerDivision) {
    // Quotients just below, at and just above whole numbers, of both signs,
    // and the largest focal lengths: the scale must be the 64-bit integer
    // quotient's low 32 bits in every case.
    VertexProjection p;
    p.view.setIdentity();
    p.translation[0] = p.translation[1] = p.translation[2] = 0;
    const Fixed focals[] = {0xFA0000, 0x12C0000, INT32_MAX, INT32_MIN, 1, -1, 3};
    const Fixed depths[] = {1, -1, 2, 3, 7, 65535, 65536, 65537, 0x63FF38, 0x7FFFFFFF, INT32_MIN, -3, 0xFA0000};
    for (Fixed focal : focals)
        for (Fixed depth : depths) {
            p.focalLength = focal;
            // x = 1.0: screenX - 160 is the scale's high half, read through fixedMul.
            MeshVertex v{0x10000, 0x10000, depth, 0, 0, 0, 0, 0, 0};
            int32_t x, y, z;
            projectVerticesPortable(p, &v, 1, &x, &y, &z);
            const int64_t quotient = (static_cast<int64_t>(focal) * 65536) / depth;
            const Fixed d = static_cast<Fixed>(static_cast<uint32_t>(static_cast<uint64_t>(quotient)));
            EXPECT_EQ(x, (fixedMul(0x10000, d) >> 16) + 160) << focal << " / " << depth;
            EXPECT_EQ(z, depth);
        }
}
