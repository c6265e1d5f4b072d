// Fixed-point product, trig tables, matrices and the camera.
#include <gtest/gtest.h>

#include "engine/camera.h"
#include "engine/fixed.h"
#include "engine/matrix.h"
#include "engine/trig_tables.h"

namespace {
struct Tables : ::testing::Test {
    static void SetUpTestSuite() { buildTrigTables(); }
};
}  // namespace

TEST(FixedMul, RoundsTowardMinusInfinityAndWraps) {
    EXPECT_EQ(fixedMul(-1, 1), -1);
    EXPECT_EQ(fixedMul(1, 1), 0);
    EXPECT_EQ(fixedMul(0x10000, 0x10000), 0x10000);
    EXPECT_EQ(fixedMul(0x10000, -12345), -12345);
    EXPECT_EQ(fixedMul(-0x18000, 0x10000), -0x18000);
    // 32768.0 * 2.0 = 65536.0 does not fit: the low 32 bits are kept.
    EXPECT_EQ(fixedMul(0x40000000, 0x20000), static_cast<Fixed>(0x80000000u));
    EXPECT_EQ(fixedMul(INT32_MIN, INT32_MIN), 0);
}

TEST_F(Tables, ReferenceValues) {
    const struct {
        int index;
        Fixed sine, cosine;
    } reference[] = {{0, 0, -65535},     {1, -6, -65535},    {4096, -25079, -60544}, {8192, -46340, -46336},
                     {16383, -65535, 0}, {16384, -65535, 0}, {24576, -46336, 46340}, {32767, 0, 65535},
                     {32768, 0, 65535},  {32769, 6, 65535},  {49152, 65535, 0},      {65535, 0, -65535}};
    for (const auto& r : reference) {
        EXPECT_EQ(sineTable[r.index], r.sine) << "index " << r.index;
        EXPECT_EQ(cosineTable[r.index], r.cosine) << "index " << r.index;
    }
}

TEST_F(Tables, MirrorNegationAndRange) {
    for (int i = 0; i < 32768; i++) ASSERT_EQ(sineTable[i], -sineTable[i + 32768]) << i;
    for (int j = 0; j < 16384; j++) ASSERT_EQ(sineTable[16384 + j], sineTable[16383 - j]) << j;
    for (int i = 0; i < 65536; i++) {
        ASSERT_EQ(cosineTable[i], sineTable[(i + 16384) & 0xFFFF]);
        ASSERT_LE(sineTable[i], 65535);
        ASSERT_GE(sineTable[i], -65535);
    }
}

TEST_F(Tables, PassCallbackRunsFourTimesInOrder) {
    static int calls[4];
    static int count;
    count = 0;
    buildTrigTables([](int pass) { calls[count++] = pass; });
    ASSERT_EQ(count, 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(calls[i], i);
}

TEST_F(Tables, RotationOfZeroRadiansIsNearlyIdentity) {
    Matrix m;
    const int a = 32768;
    m.setRotation(sineTable[a], sineTable[a], sineTable[a], cosineTable[a], cosineTable[a], cosineTable[a]);
    const Fixed expected[9] = {65534, 0, 0, 0, 65534, 0, 0, 0, 65534};
    for (int i = 0; i < 9; i++) EXPECT_EQ(m.m[i], expected[i]) << i;
    // Angles of 0 stand for -pi each: the same diagonal.
    m.setRotation(sineTable[0], sineTable[0], sineTable[0], cosineTable[0], cosineTable[0], cosineTable[0]);
    for (int i = 0; i < 9; i++) EXPECT_EQ(m.m[i], expected[i]) << i;
}

TEST_F(Tables, RotationGroupsProductsAsWritten) {
    // Three unrelated angles, none a quarter turn, so every table value is
    // odd-sized and the shared products w and f truncate before the third
    // factor: a different grouping would change the last bits.
    const int ax = 5000, ay = 21000, az = 40000;
    const Fixed sx = sineTable[ax], sy = sineTable[ay], sz = sineTable[az];
    const Fixed cx = cosineTable[ax], cy = cosineTable[ay], cz = cosineTable[az];
    Matrix m;
    m.setRotation(sx, sy, sz, cx, cy, cz);
    const Fixed w = fixedMul(cz, sy), f = fixedMul(sz, sy);
    EXPECT_EQ(m.m[0], fixedMul(cy, cz));
    EXPECT_EQ(m.m[1], fixedMul(cy, sz));
    EXPECT_EQ(m.m[2], -sy);
    EXPECT_EQ(m.m[3], fixedMul(w, sx) - fixedMul(sz, cx));
    EXPECT_EQ(m.m[4], fixedMul(sx, f) + fixedMul(cz, cx));
    EXPECT_EQ(m.m[5], fixedMul(cy, sx));
    EXPECT_EQ(m.m[6], fixedMul(w, cx) + fixedMul(sz, sx));
    EXPECT_EQ(m.m[7], fixedMul(cx, f) - fixedMul(cz, sx));
    EXPECT_EQ(m.m[8], fixedMul(cy, cx));
}

TEST(MatrixOps, IdentityTimesAnyMatrixIsThatMatrix) {
    Matrix other;
    for (int i = 0; i < 9; i++) other.m[i] = (i - 4) * 12345 + (i * 7919 << 4);
    Matrix m;
    m.setIdentity();
    m.multiply(other);
    for (int i = 0; i < 9; i++) EXPECT_EQ(m.m[i], other.m[i]);
}

TEST(MatrixOps, MultiplyInPlaceUsesOldRowValues) {
    Matrix a, b;
    // a = [[1,2,0],[0,1,0],[0,0,1]], b = [[1,0,0],[3,1,0],[0,0,2]] in 16.16.
    const Fixed av[9] = {0x10000, 0x20000, 0, 0, 0x10000, 0, 0, 0, 0x10000};
    const Fixed bv[9] = {0x10000, 0, 0, 0x30000, 0x10000, 0, 0, 0, 0x20000};
    for (int i = 0; i < 9; i++) a.m[i] = av[i], b.m[i] = bv[i];
    a.multiply(b);
    const Fixed expected[9] = {0x70000, 0x20000, 0, 0x30000, 0x10000, 0, 0, 0, 0x20000};
    for (int i = 0; i < 9; i++) EXPECT_EQ(a.m[i], expected[i]) << i;
}

TEST(MatrixOps, TransformIsRowVectorTimesMatrix) {
    Matrix m;
    const Fixed v[9] = {0x10000, 0x20000, 0x30000, 0x40000, 0x50000, 0x60000, 0x70000, 0x80000, 0x90000};
    for (int i = 0; i < 9; i++) m.m[i] = v[i];
    Fixed x, y, z;
    m.transform(0x10000, 0x20000, -0x10000, x, y, z);
    EXPECT_EQ(x, 0x10000 + 2 * 0x40000 - 0x70000);
    EXPECT_EQ(y, 0x20000 + 2 * 0x50000 - 0x80000);
    EXPECT_EQ(z, 0x30000 + 2 * 0x60000 - 0x90000);
}

TEST_F(Tables, CameraUpdateReducesAnglesAndBuildsRotation) {
    Camera camera;
    for (int i = 0; i < 9; i++) EXPECT_EQ(camera.matrix.m[i], (i % 4 == 0) ? 0x10000 : 0);
    camera.angle[0] = 0x10000 + 5;
    camera.angle[1] = -1;
    camera.angle[2] = 32768;
    camera.update();
    EXPECT_EQ(camera.angle[0], 5);
    EXPECT_EQ(camera.angle[1], 0xFFFF);
    EXPECT_EQ(camera.angle[2], 32768);
    Matrix expected;
    expected.setRotation(sineTable[5], sineTable[0xFFFF], sineTable[32768], cosineTable[5], cosineTable[0xFFFF],
                         cosineTable[32768]);
    for (int i = 0; i < 9; i++) EXPECT_EQ(camera.matrix.m[i], expected.m[i]);
}
