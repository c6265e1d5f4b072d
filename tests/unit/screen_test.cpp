// Presentation scaling, depth clearing and the line primitive.
#include "display/screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "display/present_scaler.h"

namespace {
// The back buffer with every pixel naming its own position.
std::vector<uint16_t> numberedBuffer() {
    std::vector<uint16_t> back(SCREEN_PIXELS);
    for (int i = 0; i < SCREEN_PIXELS; i++) back[i] = static_cast<uint16_t>(i % 65521 + 1);
    return back;
}

// The scaling as written, one float expression per pixel: the reference the
// table-driven scaler must match bit for bit.
std::vector<uint16_t> referenceScale(const std::vector<uint16_t>& back, int W, int H) {
    std::vector<uint16_t> out(static_cast<size_t>(W) * H);
    const float w = 320, h = 240;
    const float ratio = static_cast<float>(H) / static_cast<float>(W);
    float scale;
    int offsetX = 0, offsetY = 0;
    if (ratio >= 0.75f || std::isnan(ratio)) {
        scale = w / static_cast<float>(W);
        volatile float t = static_cast<float>(H) * scale;
        volatile float u = t * -0.5f;
        offsetY = static_cast<int>(120.0f + u);
    } else {
        scale = h / static_cast<float>(H);
        volatile float t = static_cast<float>(W) * scale;
        volatile float u = t * -0.5f;
        offsetX = static_cast<int>(160.0f + u);
    }
    for (int y = 0; y < H; y++) {
        volatile float fy = static_cast<float>(y) * scale;
        const int sy = offsetY + static_cast<int>(fy);
        for (int x = 0; x < W; x++) {
            volatile float fx = static_cast<float>(x) * scale;
            const int sx = static_cast<int>(fx) + offsetX;
            out[static_cast<size_t>(y) * W + x] =
                (sy >= 0 && sy < 240 && sx >= 0 && sx < 320) ? back[sy * 320 + sx] : 0;
        }
    }
    return out;
}
}  // namespace

TEST(Present, At640x480EveryPixelIsATwoByTwoBlock) {
    const auto back = numberedBuffer();
    std::vector<uint16_t> out(640 * 480);
    presentScale(back.data(), 640, 480, out.data(), 640);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) ASSERT_EQ(out[y * 640 + x], back[(y / 2) * 320 + x / 2]) << x << "," << y;
}

TEST(Present, WideWindowHasSideBorders) {
    const auto back = numberedBuffer();
    std::vector<uint16_t> out(1000 * 500);
    presentScale(back.data(), 1000, 500, out.data(), 1000);
    for (int y = 0; y < 500; y++) {
        for (int x = 0; x < 1000; x++) {
            const uint16_t p = out[y * 1000 + x];
            if (x <= 166 || x >= 834)
                ASSERT_EQ(p, 0) << x << "," << y;
            else
                ASSERT_NE(p, 0) << x << "," << y;
        }
    }
    // scale 0.48, offsetX -80: column 167 shows source column 0.
    EXPECT_EQ(out[167], back[0]);
    EXPECT_EQ(out[499 * 1000 + 833], back[239 * 320 + 319]);
}

TEST(Present, TallWindowHasBlackRowsAboveAndBelow) {
    const auto back = numberedBuffer();
    std::vector<uint16_t> out(640 * 960);
    presentScale(back.data(), 640, 960, out.data(), 640);
    for (int y = 0; y < 960; y++) {
        const bool picture = y >= 240 && y < 720;
        for (int x = 0; x < 640; x += 17) {
            if (picture)
                ASSERT_EQ(out[y * 640 + x], back[(y / 2 - 120) * 320 + x / 2]) << x << "," << y;
            else
                ASSERT_EQ(out[y * 640 + x], 0) << x << "," << y;
        }
    }
}

TEST(Present, MatchesTheFloatExpressionOnManySizes) {
    const auto back = numberedBuffer();
    // Sizes where an integer mapping disagrees (78 x 58), odd sizes, tiny and
    // large ones.
    const int sizes[][2] = {{78, 58},     {641, 481},  {320, 240}, {1, 1},    {2, 1},    {1, 2},     {799, 601},
                            {1920, 1080}, {1366, 768}, {333, 999}, {1000, 3}, {3, 1000}, {642, 480}, {100, 75}};
    for (const auto& s : sizes) {
        const int W = s[0], H = s[1];
        std::vector<uint16_t> out(static_cast<size_t>(W) * H, 0xABCD);
        presentScale(back.data(), W, H, out.data(), W);
        ASSERT_EQ(out, referenceScale(back, W, H)) << W << " x " << H;
    }
    for (int W = 2; W <= 400; W += 2)
        for (int H = 2; H <= 300; H += 7) {
            std::vector<uint16_t> out(static_cast<size_t>(W) * H);
            presentScale(back.data(), W, H, out.data(), W);
            ASSERT_EQ(out, referenceScale(back, W, H)) << W << " x " << H;
        }
}

TEST(Present, PaddedPitchLeavesThePaddingAlone) {
    const auto back = numberedBuffer();
    const int W = 640, H = 480, pitch = 700;
    std::vector<uint16_t> out(static_cast<size_t>(pitch) * H, 0x5A5A);
    presentScale(back.data(), W, H, out.data(), pitch);
    for (int y = 0; y < H; y++) {
        ASSERT_EQ(out[y * pitch + 5], back[(y / 2) * 320 + 2]);
        for (int x = W; x < pitch; x++) ASSERT_EQ(out[y * pitch + x], 0x5A5A);
    }
}

TEST(Present, ZeroSizedWindowWritesNothing) {
    const auto back = numberedBuffer();
    uint16_t guard = 0x7777;
    presentScale(back.data(), 0, 0, &guard, 0);
    presentScale(back.data(), 0, 480, &guard, 0);
    presentScale(back.data(), 640, 0, &guard, 640);
    EXPECT_EQ(guard, 0x7777);
}

namespace {
struct ScreenTest : ::testing::Test {
    Screen* screen = nullptr;
    void SetUp() override {
        delete Screen::instance();  // a freshly constructed Screen
        screen = Screen::instance();
    }
};
}  // namespace

TEST_F(ScreenTest, ConstructionState) {
    EXPECT_EQ(screen->width, 320);
    EXPECT_EQ(screen->height, 240);
    EXPECT_EQ(screen->pixelCount, 76800);
    EXPECT_EQ(screen->windowWidth, 640);
    EXPECT_EQ(screen->windowHeight, 480);
    EXPECT_EQ(screen->depthMinRow, 0);
    EXPECT_EQ(screen->depthMaxRow, 239);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->depthBuffer[i], 0);
    for (int i = 0; i < 9; i++) EXPECT_EQ(screen->camera->matrix.m[i], i % 4 == 0 ? 0x10000 : 0);
}

TEST_F(ScreenTest, FirstClearDepthCoversRowsUpTo238) {
    screen->clearDepth(0x3E80000);
    for (int i = 0; i < 239 * 320; i++) ASSERT_EQ(screen->depthBuffer[i], 0x3E80000) << i;
    for (int i = 239 * 320; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->depthBuffer[i], 0) << i;
    EXPECT_EQ(screen->depthMinRow, 239);
    EXPECT_EQ(screen->depthMaxRow, 0);
    // Nothing drawn since: the range (239, 0) writes nothing.
    screen->clearDepth(0x640000);
    EXPECT_EQ(screen->depthBuffer[0], 0x3E80000);
}

TEST_F(ScreenTest, ClearDepthRangeIsExclusiveAndClamped) {
    screen->clearDepth(1);
    screen->depthMinRow = 10;
    screen->depthMaxRow = 12;
    screen->clearDepth(7);
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const int row = i / 320;
        ASSERT_EQ(screen->depthBuffer[i], (row == 10 || row == 11) ? 7 : row == 239 ? 0 : 1) << i;
    }
    // Unclamped rows from the rasterizer: negative and beyond the buffer.
    screen->depthMinRow = -50;
    screen->depthMaxRow = 900;
    screen->clearDepth(9);
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->depthBuffer[i], 9);
}

TEST_F(ScreenTest, DrawLineClipsTheOuterBorder) {
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0;
    screen->drawLine(0, 10, 0, 20, 0xFFFF);  // column 0 is outside the clip
    for (int i = 0; i < SCREEN_PIXELS; i++) ASSERT_EQ(screen->backBuffer[i], 0);
    screen->drawLine(5, 0, 5, 10, 0x1234);
    for (int y = 0; y < 240; y++) EXPECT_EQ(screen->backBuffer[y * 320 + 5], (y >= 1 && y <= 10) ? 0x1234 : 0) << y;
    // A line across the whole buffer and beyond never writes the outer frame.
    screen->drawLine(-40, -30, 400, 300, 0x4321);
    for (int x = 0; x < 320; x++) {
        ASSERT_NE(screen->backBuffer[x], 0x4321);
        ASSERT_NE(screen->backBuffer[239 * 320 + x], 0x4321);
    }
    for (int y = 0; y < 240; y++) {
        ASSERT_NE(screen->backBuffer[y * 320], 0x4321);
        ASSERT_NE(screen->backBuffer[y * 320 + 319], 0x4321);
    }
}

TEST_F(ScreenTest, DrawLineFollowsBresenham) {
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0;
    // x-major, dx 6, dy 2: err starts at 4 - 6 = -2.
    screen->drawLine(10, 10, 16, 12, 1);
    const int expectedY[7] = {10, 10, 11, 11, 11, 12, 12};
    for (int i = 0; i <= 6; i++) EXPECT_EQ(screen->backBuffer[expectedY[i] * 320 + 10 + i], 1) << i;
    // A diagonal is y-major and plots exactly one pixel per row.
    screen->drawLine(50, 50, 45, 55, 2);
    for (int i = 0; i <= 5; i++) EXPECT_EQ(screen->backBuffer[(50 + i) * 320 + 50 - i], 2) << i;
    // A single point.
    screen->drawLine(100, 100, 100, 100, 3);
    EXPECT_EQ(screen->backBuffer[100 * 320 + 100], 3);
}
