// The Screen's SDL side: initialisation, video mode, surface locking and
// presentation into the window surface. Only the show links this file.
#include <SDL.h>
#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "display/present_scaler.h"
#include "display/screen.h"

namespace {
// Drivers that show nothing. With no display SDL falls back to one of them,
// and the show would play unseen to its end; they serve only when asked for
// by name (SDL_VIDEODRIVER=dummy, as the tests and headless runs do).
bool driverShowsNothingUnasked() {
    char name[32] = "";
    if (!SDL_VideoDriverName(name, sizeof name)) return false;
    if (strcmp(name, "dummy") != 0 && strcmp(name, "offscreen") != 0) return false;
    const char* asked = getenv("SDL_VIDEODRIVER");
    if (!asked) return true;
    // The variable may list several drivers, separated by commas.
    const size_t n = strlen(name);
    for (const char* p = asked; *p;) {
        const char* end = strchr(p, ',');
        const size_t len = end ? static_cast<size_t>(end - p) : strlen(p);
        if (len == n && strncasecmp(p, name, n) == 0) return false;
        if (!end) break;
        p = end + 1;
    }
    return true;
}

// Xlib's answer to a lost X connection is to print a line and call exit(),
// whose handlers (SDL_Quit among them) then wait forever on the dead
// connection: the show spun at full speed and ignored SIGTERM. This handler
// prints one line and ends the process at once, with status 1.
int onLostDisplay(void*) {
    const char* display = getenv("DISPLAY");
    char message[160];
    const int n = snprintf(message, sizeof message, "Lost the display: X connection to %s broken\n",
                           display ? display : "the X server");
    if (n > 0) {
        const ssize_t ignored =
            write(STDERR_FILENO, message, static_cast<size_t>(n) < sizeof message ? n : sizeof message - 1);
        (void)ignored;
    }
    _exit(1);
}

// A display can take the window and never show it: a map request sent while a
// window manager is still starting is lost now and then, and SDL then waits
// for the window forever. A server that accepts the connection but never
// answers (a stopped one) holds start-up the same way. Past this long the show
// says so and ends with status 1 rather than hang unseen.
constexpr int WINDOW_WAIT_SECONDS = 10;

class WindowWatch {
   public:
    WindowWatch() : thread([this] { watch(); }) {}
    ~WindowWatch() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            windowShown = true;
        }
        wake.notify_one();
        thread.join();
    }

   private:
    void watch() {
        std::unique_lock<std::mutex> lock(mutex);
        if (wake.wait_for(lock, std::chrono::seconds(WINDOW_WAIT_SECONDS), [this] { return windowShown; })) return;
        // The main thread is stuck inside the display's library: only a raw
        // write and _exit are safe here.
        static const char message[] = "Unable to set video: the display showed no window within 10 s\n";
        const ssize_t ignored = write(STDOUT_FILENO, message, sizeof message - 1);
        (void)ignored;
        _exit(1);
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool windowShown = false;
    std::thread thread;  // last: it starts once the members above exist
};

// SDL loads Xlib itself when it draws through X; nothing is done otherwise.
void endPromptlyOnLostDisplay() {
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!x11) return;
    // A write to the dead connection must fail into the handler rather than
    // end the process silently.
    signal(SIGPIPE, SIG_IGN);
    using IoErrorHandler = int (*)(void*);
    using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler);
    const auto set = reinterpret_cast<SetIoErrorHandler>(dlsym(x11, "XSetIOErrorHandler"));
    if (set) set(onLostDisplay);
    dlclose(x11);
}
}  // namespace

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
    WindowWatch watch;
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        fflush(stdout);
        exit(1);
    }
    if (driverShowsNothingUnasked()) {
        SDL_Quit();
        printf("Unable to init SDL: No available video device\n");
        fflush(stdout);
        exit(1);
    }
    atexit(SDL_Quit);
    windowWidth = firstWindowWidth > 0 ? firstWindowWidth : 2 * w;
    windowHeight = firstWindowHeight > 0 ? firstWindowHeight : 2 * h;
    Uint32 flags = SDL_HWSURFACE | SDL_RESIZABLE;
    if (full & 1) {
        flags |= SDL_FULLSCREEN;
        // Full screen covers the desktop at its own size. A 640 x 480 mode is
        // shown scaled to the screen by SDL, but without a window manager the
        // window keeps 640 x 480 and shows only the picture's top-left part.
        const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
        if (desktop && desktop->current_w > 0 && desktop->current_h > 0) {
            windowWidth = desktop->current_w / 2 * 2;
            windowHeight = desktop->current_h / 2 * 2;
        }
    }
    surface = SDL_SetVideoMode(windowWidth, windowHeight, bitsPerPixel, flags);
    SDL_ShowCursor(0);
    if (!surface) {
        printf("Unable to set video: %s\n", SDL_GetError());
        fflush(stdout);
        exit(1);
    }
    endPromptlyOnLostDisplay();
    // Black rather than whatever the allocator left: nothing defines the first
    // present's contents, and black is what a viewer expects to see.
    createBuffers(w, h);
    present();
}

Screen::~Screen() {
    releaseBuffers();
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
