// The Screen without a display, for tests and the offline renderer: the same
// buffers and camera, no window. present() shows nothing; callers read the
// back buffer itself.
#include "display/present_scaler.h"
#include "display/screen.h"

void forgetScreenInstance(Screen* screen);

Screen::Screen(int w, int h, int, int) {
    windowWidth = 2 * w;
    windowHeight = 2 * h;
    pixelCount = w * h;
    width = w;
    height = h;
    backBuffer = new uint16_t[pixelCount]();
    camera = new Camera();
    scaler = new PresentScaler();
    depthMinRow = 0;
    depthMaxRow = 239;
    for (Fixed& d : depthBuffer) d = 0;
}

Screen::~Screen() {
    delete[] backBuffer;
    delete camera;
    delete scaler;
    forgetScreenInstance(this);
}

void Screen::resize(int newWidth, int newHeight) {
    windowWidth = newWidth / 2 * 2;
    windowHeight = newHeight / 2 * 2;
}

void Screen::lock() {}
void Screen::unlock() {}
void Screen::present() {}
