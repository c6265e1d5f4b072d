// The Screen without a display, for tests and the offline renderer: the same
// buffers and camera, no window. present() shows nothing; callers read the
// back buffer itself.
#include "display/screen.h"

Screen::Screen(int w, int h, int, int) {
    windowWidth = 2 * w;
    windowHeight = 2 * h;
    createBuffers(w, h);
}

Screen::~Screen() { releaseBuffers(); }

void Screen::resize(int newWidth, int newHeight) {
    windowWidth = newWidth / 2 * 2;
    windowHeight = newHeight / 2 * 2;
}

void Screen::lock() {}
void Screen::unlock() {}
void Screen::present() {}
