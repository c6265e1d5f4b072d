// The page side of the browser show as small JavaScript functions; the page's
// own script (index.html) keeps the state they read in Module.ambrelle.
#include "web/web_page.h"

#include <emscripten/emscripten.h>

// clang-format off
EM_JS(double, pageNowMs, (), { return performance.now(); });

extern "C" {
int pageWindowWidth();
int pageWindowHeight();
int pageEscapeFlag();
}

EM_JS(int, pageWindowWidth, (), { return Math.floor(window.innerWidth); });
EM_JS(int, pageWindowHeight, (), { return Math.floor(window.innerHeight); });

EM_JS(void, pageCanvasSize, (int width, int height), {
    const canvas = Module.ambrelle.canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = width + "px";
    canvas.style.height = height + "px";
});

EM_JS(void, pageCanvasPut, (const uint32_t* rgba, int width, int height), {
    if (width <= 0 || height <= 0) return;
    const a = Module.ambrelle;
    if (!a.context2d) a.context2d = a.canvas.getContext('2d');
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    a.context2d.putImageData(new ImageData(bytes, width, height), 0, 0);
});

// Listed in ASYNCIFY_IMPORTS: the wasm stack unwinds here and resumes after
// the browser's next animation frame.
EM_JS(void, pageWaitForPaint, (), {
    Asyncify.handleSleep(wakeUp => requestAnimationFrame(() => wakeUp()));
});

EM_JS(int, pageMusicState, (), { return Module.ambrelle.musicState(); });
EM_JS(double, pageStartMusic, (), { return Module.ambrelle.startMusic(); });
EM_JS(double, pageHeardAudioSeconds, (), { return Module.ambrelle.heardAudioSeconds(); });
EM_JS(void, pageStopMusic, (), { Module.ambrelle.stopMusic(); });
EM_JS(int, pageEscapeFlag, (), { return Module.ambrelle.escapeReleased ? 1 : 0; });
EM_JS(void, pageSetState, (const char* state), { Module.ambrelle.setState(UTF8ToString(state)); });
EM_JS(void, pageShowEnded, (int status), { Module.ambrelle.ended(status); });
EM_JS(void, pageHashTiming, (uint32_t frames, double ms), {
    Module.ambrelle.hashTiming = {frames: frames >>> 0, ms: ms};
    document.body.dataset.hashFrames = String(frames >>> 0);
    document.body.dataset.hashMs = ms.toFixed(1);
});
// clang-format on

void pageWindowSize(int* width, int* height) {
    *width = pageWindowWidth();
    *height = pageWindowHeight();
}

bool pageEscapeReleased() { return pageEscapeFlag() != 0; }

void pageBreathe() { emscripten_sleep(0); }
