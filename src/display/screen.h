// The display singleton: back buffer, depth buffer, camera and presentation.
#pragma once

#include <cstdint>

#include "engine/camera.h"
#include "engine/fixed.h"
#include "gfx/pixel.h"

struct SDL_Surface;
class PresentScaler;

// Start-up setting, read once when the Screen is created: 1 opens full screen,
// 0 a window (the program's name ends in "w").
extern int32_t fullScreen;
// Start-up setting: the first window's size (--size); 0 opens twice the back
// buffer's size, 640 x 480.
extern int32_t firstWindowWidth;
extern int32_t firstWindowHeight;

class Screen {
   public:
    // The singleton, created on first use with (320, 240, 16, fullScreen).
    static Screen* instance();
    // True once instance() has created the Screen and until it is deleted.
    static bool exists();

    // Initialises the platform (SDL video and audio in the show; nothing in the
    // headless build), opens the window, allocates the buffers, presents once.
    // Start-up failures print their message and exit with status 1.
    Screen(int width, int height, int bitsPerPixel, int fullScreen);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Re-creates the window at the new size rounded down to even numbers,
    // always windowed. If the new mode fails, the previous one is restored.
    void resize(int newWidth, int newHeight);
    void lock();
    void unlock();
    // Scales the back buffer into the window, 4:3 kept, black borders.
    void present();
    // Resets depth rows depthMinRow .. depthMaxRow - 1 to value, then the range.
    // With skipCleanDepth set, cells known to hold value already are not
    // written again; the buffer ends up the same.
    void clearDepth(Fixed value);
    // For code other than the rasterizer that writes depthBuffer while
    // skipCleanDepth is set: the next clearDepth rewrites whole rows again.
    void forgetDepthExtents();
    // Sets skipCleanDepth, from a state where nothing is known yet.
    void startSkippingCleanDepth();
    // Bresenham line; only columns 1..318 and rows 1..238 are ever written.
    void drawLine(int x0, int y0, int x1, int y1, uint16_t color);

    uint16_t* backBuffer = nullptr;  // 320 x 240 RGB565, row-major, owned
    int32_t width = 0;
    int32_t height = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    Fixed depthBuffer[SCREEN_PIXELS];  // smaller is nearer; stride 320
    Camera* camera = nullptr;          // owned
    int32_t depthMinRow = 239;         // rows written since the last clearDepth;
    int32_t depthMaxRow = 0;           // (239, 0) means none
    SDL_Surface* surface = nullptr;    // owned by SDL; null in the headless build

    // Depth clears write about a third of the cells a whole-row clear would
    // in the 3D scenes, whose meshes cover a part of each row. A row that
    // clearDepth set entirely to depthRowValue (depthRowKnown) has since
    // changed only in columns depthDrawnFirst .. depthDrawnEnd - 1, which the
    // rasterizer widens as it writes; that holds only while nothing else
    // writes depthBuffer (or calls forgetDepthExtents after doing so), so
    // it is used only where skipCleanDepth is set (startSkippingCleanDepth):
    // by the show at start-up, and by the benchmarks that time its scenes.
    bool skipCleanDepth = false;
    int32_t depthDrawnFirst[SCREEN_HEIGHT];
    int32_t depthDrawnEnd[SCREEN_HEIGHT];
    Fixed depthRowValue[SCREEN_HEIGHT];
    bool depthRowKnown[SCREEN_HEIGHT];
    int32_t pixelCount = 0;

   private:
    // What the Screen owns on every platform: a black back buffer, the
    // camera, the scaler and a depth buffer of zeros; and their release,
    // after which instance() creates a new Screen.
    void createBuffers(int w, int h);
    void releaseBuffers();

    PresentScaler* scaler = nullptr;  // row and column tables for the current size
};
