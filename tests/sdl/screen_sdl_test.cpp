// The Screen's SDL side on SDL's dummy video driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "display/present_scaler.h"
#include "display/screen.h"

namespace {
struct SdlScreen : ::testing::Test {
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        fullScreen = 0;
    }
    void TearDown() override {
        if (Screen::exists()) delete Screen::instance();
        firstWindowWidth = firstWindowHeight = 0;
    }
    static uint16_t surfacePixel(SDL_Surface* s, int x, int y) {
        return static_cast<const uint16_t*>(s->pixels)[y * (s->pitch / 2) + x];
    }
};
}  // namespace

TEST_F(SdlScreen, OpensA640x480SixteenBitWindowAndPresentsScaled) {
    Screen* screen = Screen::instance();
    ASSERT_NE(screen->surface, nullptr);
    EXPECT_EQ(screen->surface->w, 640);
    EXPECT_EQ(screen->surface->h, 480);
    EXPECT_EQ(screen->surface->format->BitsPerPixel, 16);
    EXPECT_EQ(screen->windowWidth, 640);
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = static_cast<uint16_t>(i * 13 + 1);
    screen->lock();
    screen->unlock();
    screen->present();
    SDL_Surface* s = screen->surface;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 5)
            ASSERT_EQ(surfacePixel(s, x, y), screen->backBuffer[(y / 2) * 320 + x / 2]) << x << "," << y;
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}

// --size: the first window at the size asked for, the picture scaled into it
// exactly as into any window of that size.
TEST_F(SdlScreen, FirstWindowSizeCanBeChosen) {
    firstWindowWidth = 1000;
    firstWindowHeight = 500;
    Screen* screen = Screen::instance();
    ASSERT_NE(screen->surface, nullptr);
    EXPECT_EQ(screen->surface->w, 1000);
    EXPECT_EQ(screen->surface->h, 500);
    EXPECT_EQ(screen->windowWidth, 1000);
    EXPECT_EQ(screen->windowHeight, 500);
    EXPECT_EQ(screen->width, 320);  // the back buffer never changes
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = static_cast<uint16_t>(i * 7 + 3);
    screen->present();
    PresentScaler scaler;
    scaler.setSize(SCREEN_WIDTH, SCREEN_HEIGHT, 1000, 500);
    std::vector<uint16_t> expected(1000 * 500);
    scaler.scale(screen->backBuffer, expected.data(), 1000);
    SDL_Surface* s = screen->surface;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    for (int y = 0; y < 500; y += 3)
        for (int x = 0; x < 1000; x += 3) ASSERT_EQ(surfacePixel(s, x, y), expected[y * 1000 + x]) << x << "," << y;
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}

TEST_F(SdlScreen, ResizeRoundsDownToEvenAndStaysWindowed) {
    fullScreen = 1;
    Screen* screen = Screen::instance();
    screen->resize(801, 601);
    EXPECT_EQ(screen->windowWidth, 800);
    EXPECT_EQ(screen->windowHeight, 600);
    ASSERT_NE(screen->surface, nullptr);
    EXPECT_EQ(screen->surface->w, 800);
    EXPECT_EQ(screen->surface->h, 600);
    EXPECT_FALSE(screen->surface->flags & SDL_FULLSCREEN);
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0x1234;
    screen->present();
    SDL_Surface* s = screen->surface;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    // 800 x 600 is exactly 4:3: scale 0.4, no border.
    EXPECT_EQ(surfacePixel(s, 0, 0), 0x1234);
    EXPECT_EQ(surfacePixel(s, 799, 599), 0x1234);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}

TEST_F(SdlScreen, DeletingTheScreenQuitsSdl) {
    Screen* screen = Screen::instance();
    EXPECT_TRUE(Screen::exists());
    delete screen;
    EXPECT_FALSE(Screen::exists());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

TEST_F(SdlScreen, FailedResizeKeepsThePreviousModeInUse) {
    Screen* screen = Screen::instance();
    screen->resize(801, 601);
    // SDL refuses a negative size: the previous 800 x 600 mode comes back.
    screen->resize(-3, -5);
    ASSERT_NE(screen->surface, nullptr);
    EXPECT_EQ(screen->windowWidth, 800);
    EXPECT_EQ(screen->windowHeight, 600);
    EXPECT_EQ(screen->surface->w, 800);
    for (int i = 0; i < SCREEN_PIXELS; i++) screen->backBuffer[i] = 0x4321;
    screen->present();
    SDL_Surface* s = screen->surface;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    EXPECT_EQ(surfacePixel(s, 799, 599), 0x4321);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}
