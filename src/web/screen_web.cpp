// The Screen's browser side: the back buffer scaled into the window by the
// show's own present scaler, widened to RGBA and put on the page's canvas.
#include <vector>

#include "display/present_scaler.h"
#include "display/screen.h"
#include "web/canvas_pixels.h"
#include "web/web_page.h"
#include "web/web_screen.h"

namespace {
std::vector<uint16_t> windowPixels;
std::vector<uint32_t> canvasPixels;
bool presenting = true;
bool paintAfterPresent = false;

void blitToCanvas(Screen* screen, PresentScaler* scaler) {
    const int W = screen->windowWidth, H = screen->windowHeight;
    if (W <= 0 || H <= 0) return;
    const size_t n = static_cast<size_t>(W) * static_cast<size_t>(H);
    windowPixels.resize(n);
    canvasPixels.resize(n);
    scaler->setSize(screen->width, screen->height, W, H);
    scaler->scale(screen->backBuffer, windowPixels.data(), W);
    rgb565ToRgba(windowPixels.data(), canvasPixels.data(), n);
    pageCanvasPut(canvasPixels.data(), W, H);
}
}  // namespace

void setWebPresenting(bool on) { presenting = on; }
void setWebPaintAfterPresent(bool on) { paintAfterPresent = on; }

Screen::Screen(int w, int h, int, int) {
    int innerWidth = 0, innerHeight = 0;
    pageWindowSize(&innerWidth, &innerHeight);
    windowWidth = innerWidth / 2 * 2;
    windowHeight = innerHeight / 2 * 2;
    pageCanvasSize(windowWidth, windowHeight);
    createBuffers(w, h);
    present();
}

Screen::~Screen() { releaseBuffers(); }

void Screen::resize(int newWidth, int newHeight) {
    windowWidth = newWidth < 0 ? 0 : newWidth / 2 * 2;
    windowHeight = newHeight < 0 ? 0 : newHeight / 2 * 2;
    pageCanvasSize(windowWidth, windowHeight);
}

void Screen::lock() {}
void Screen::unlock() {}

void Screen::present() {
    if (!presenting) return;
    blitToCanvas(this, scaler);
    if (paintAfterPresent) pageWaitForPaint();
}

void showBackBufferNow() {
    Screen* screen = Screen::instance();
    const bool was = presenting, paint = paintAfterPresent;
    presenting = true;
    paintAfterPresent = false;
    screen->present();
    presenting = was;
    paintAfterPresent = paint;
}
