// The platform-independent part of the Screen: the singleton, the depth range
// and the line primitive. The platform part is in screen_sdl.cpp (the show) or
// screen_headless.cpp (tests and the offline renderer).
#include "display/screen.h"

#include "display/present_scaler.h"
#include "gfx/vector_clones.h"

int32_t fullScreen = 1;
int32_t firstWindowWidth = 0;
int32_t firstWindowHeight = 0;

namespace {
Screen* theScreen = nullptr;

// A 3D scene clears most of the depth buffer every frame.
AMBRELLE_VECTOR_CLONES void fillDepth(Fixed* __restrict depth, int64_t count, Fixed value) {
    for (int64_t i = 0; i < count; i++) depth[i] = value;
}

// Rows first .. end - 1, each row whole unless it is known to hold value
// outside its drawn columns; every row is then known to hold value. One
// call for all the rows, so that the processor's clone is chosen once.
AMBRELLE_VECTOR_CLONES void fillDepthRows(Fixed* __restrict depth, int32_t first, int32_t end, Fixed value,
                                          int32_t* __restrict drawnFirst, int32_t* __restrict drawnEnd,
                                          Fixed* __restrict rowValue, bool* __restrict rowKnown) {
    for (int32_t row = first; row < end; row++) {
        Fixed* cells = depth + row * SCREEN_WIDTH;
        int32_t from = 0, to = SCREEN_WIDTH;
        if (rowKnown[row] && rowValue[row] == value) from = drawnFirst[row], to = drawnEnd[row];
        for (int32_t x = from; x < to; x++) cells[x] = value;
        drawnFirst[row] = SCREEN_WIDTH;
        drawnEnd[row] = 0;
        rowValue[row] = value;
        rowKnown[row] = true;
    }
}
}  // namespace

Screen* Screen::instance() {
    if (!theScreen) theScreen = new Screen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, fullScreen);
    return theScreen;
}

bool Screen::exists() { return theScreen != nullptr; }

void Screen::createBuffers(int w, int h) {
    pixelCount = w * h;
    width = w;
    height = h;
    backBuffer = new uint16_t[pixelCount]();
    camera = new Camera();
    scaler = new PresentScaler();
    depthMinRow = 0;
    depthMaxRow = 239;
    for (Fixed& d : depthBuffer) d = 0;
    forgetDepthExtents();
}

void Screen::releaseBuffers() {
    delete[] backBuffer;
    delete camera;
    delete scaler;
    if (theScreen == this) theScreen = nullptr;
}

void Screen::clearDepth(Fixed value) {
    int64_t first = static_cast<int64_t>(depthMinRow) * SCREEN_WIDTH;
    int64_t end = static_cast<int64_t>(depthMaxRow) * SCREEN_WIDTH;
    if (first < 0) first = 0;
    if (end > SCREEN_PIXELS) end = SCREEN_PIXELS;
    if (first > end) return;
    if (skipCleanDepth)
        fillDepthRows(depthBuffer, static_cast<int32_t>(first / SCREEN_WIDTH), static_cast<int32_t>(end / SCREEN_WIDTH),
                      value, depthDrawnFirst, depthDrawnEnd, depthRowValue, depthRowKnown);
    else
        fillDepth(depthBuffer + first, end - first, value);
    depthMinRow = 239;
    depthMaxRow = 0;
}

void Screen::startSkippingCleanDepth() {
    forgetDepthExtents();
    skipCleanDepth = true;
}

void Screen::forgetDepthExtents() {
    for (int row = 0; row < SCREEN_HEIGHT; row++) {
        depthDrawnFirst[row] = 0;
        depthDrawnEnd[row] = SCREEN_WIDTH;
        depthRowValue[row] = 0;
        depthRowKnown[row] = false;
    }
}

void Screen::drawLine(int x0, int y0, int x1, int y1, uint16_t color) {
    auto plot = [this, color](int x, int y) {
        if (x > 0 && x <= 318 && y > 0 && y <= 238) backBuffer[y * SCREEN_WIDTH + x] = color;
    };
    const int dx = x1 - x0, dy = y1 - y0;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int ax = 2 * (dx < 0 ? -dx : dx), ay = 2 * (dy < 0 ? -dy : dy);
    int x = x0, y = y0;
    plot(x, y);
    if (ay < ax) {
        int err = ay - (ax >> 1);
        while (x != x1) {
            if (err >= 0) {
                y += sy;
                err -= ax;
            }
            x += sx;
            err += ay;
            plot(x, y);
        }
    } else {
        int err = ax - (ay >> 1);
        while (y != y1) {
            if (err >= 0) {
                x += sx;
                err -= ay;
            }
            y += sy;
            err += ax;
            plot(x, y);
        }
    }
}
