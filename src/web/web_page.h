// What the C++ side asks of the page (index.html): the canvas, the clocks,
// the music decoded by Web Audio, the keyboard and the show's state.
#pragma once

#include <cstdint>

// Plain C names: most are JavaScript functions (web_page.cpp).
extern "C" {
// performance.now(), in milliseconds.
double pageNowMs();
// The window's inner size in CSS pixels.
void pageWindowSize(int* width, int* height);
// Sets the canvas's pixel size; its content is cleared.
void pageCanvasSize(int width, int height);
// Copies width x height RGBA pixels (4 bytes each, row-major) to the canvas.
void pageCanvasPut(const uint32_t* rgba, int width, int height);
// Returns once the browser has had a chance to paint (an animation frame).
void pageWaitForPaint();
// Returns to the browser's event loop for a moment (a zero timeout).
void pageBreathe();

// The music: 0 while the browser still decodes data/warmer.ogg, 1 when it is
// ready, -1 when it could not be read or decoded.
int pageMusicState();
// Starts the decoded music now; returns the audio context's time at the
// start, or -1 when no audio clock runs.
double pageStartMusic();
// The audio clock minus the output latency (the moment being heard), or -1.
double pageHeardAudioSeconds();
void pageStopMusic();

// True once Escape has been released since the show started.
bool pageEscapeReleased();
// The page's view of the show: "loading", "playing", then "ended" with the
// exit status (0 at the end or on Escape).
void pageSetState(const char* state);
void pageShowEnded(int status);
// Hash mode's figures: frames drawn and milliseconds taken.
void pageHashTiming(uint32_t frames, double ms);
}
