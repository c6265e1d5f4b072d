// The Screen's SDL side: initialisation, video mode, surface locking and
// presentation into the window surface. Only the show links this file.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "display/present_scaler.h"
#include "display/screen.h"

void forgetScreenInstance(Screen* screen);

Screen::Screen(int w, int h, int bitsPerPixel, int full) {
    // A window surface is always the window's own size (present scales into
    // it), so sdl12-compat need not scale it through OpenGL; without a GPU
    // (a virtual display) that path costs several times the whole show.
    // Full screen keeps OpenGL, which scales the mode to the desktop. The
    // user's own settings win; classic SDL 1.2 ignores all three.
    if (!(full & 1)) {
        setenv("SDL12COMPAT_OPENGL_SCALING", "0", 0);
        setenv("SDL_RENDER_DRIVER", "software", 0);
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    }
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        fflush(stdout);
        exit(1);
    }
    atexit(SDL_Quit);
    windowWidth = firstWindowWidth > 0 ? firstWindowWidth : 2 * w;
    windowHeight = firstWindowHeight > 0 ? firstWindowHeight : 2 * h;
    Uint32 flags = SDL_HWSURFACE | SDL_RESIZABLE;
    if (full & 1) flags |= SDL_FULLSCREEN;
    surface = SDL_SetVideoMode(windowWidth, windowHeight, bitsPerPixel, flags);
    SDL_ShowCursor(0);
    if (!surface) {
        printf("Unable to set video: %s\n", SDL_GetError());
        fflush(stdout);
        exit(1);
    }
    pixelCount = w * h;
    width = w;
    height = h;
    // Black rather than whatever the allocator left: nothing defines the first
    // present's contents, and black is what a viewer expects to see.
    backBuffer = new uint16_t[pixelCount]();
    camera = new Camera();
    scaler = new PresentScaler();
    present();
    depthMinRow = 0;
    depthMaxRow = 239;
    for (Fixed& d : depthBuffer) d = 0;
}

Screen::~Screen() {
    delete[] backBuffer;
    delete camera;
    delete scaler;
    forgetScreenInstance(this);
    SDL_Quit();
}

void Screen::resize(int newWidth, int newHeight) {
    const int previousWidth = windowWidth, previousHeight = windowHeight;
    windowWidth = newWidth / 2 * 2;
    windowHeight = newHeight / 2 * 2;
    SDL_Surface* s = SDL_SetVideoMode(windowWidth, windowHeight, 16, SDL_HWSURFACE | SDL_RESIZABLE);
    if (!s) {
        // Never go on with a null surface: fall back to the size that worked.
        windowWidth = previousWidth;
        windowHeight = previousHeight;
        s = SDL_SetVideoMode(windowWidth, windowHeight, 16, SDL_HWSURFACE | SDL_RESIZABLE);
        if (!s) {
            printf("Unable to set video: %s\n", SDL_GetError());
            fflush(stdout);
            exit(1);
        }
    }
    surface = s;
}

void Screen::lock() {
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
}

void Screen::unlock() {
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

void Screen::present() {
    // The surface may be smaller than asked for, or padded: address it through
    // its own size and pitch so nothing is written outside it.
    const int W = surface->w < windowWidth ? surface->w : windowWidth;
    const int H = surface->h < windowHeight ? surface->h : windowHeight;
    if (surface->format->BytesPerPixel != 2 || W <= 0 || H <= 0) return;
    scaler->setSize(width, height, W, H);
    const bool mustLock = SDL_MUSTLOCK(surface);
    if (mustLock && SDL_LockSurface(surface) < 0) return;
    scaler->scale(backBuffer, static_cast<uint16_t*>(surface->pixels), surface->pitch / 2);
    if (mustLock) SDL_UnlockSurface(surface);
    SDL_UpdateRect(surface, 0, 0, W, H);
}
