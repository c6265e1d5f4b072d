// The browser show's frame loops, free of the browser: the live loop's share
// of one animation frame and the hash mode's offline run.
#pragma once

#include <cstdint>
#include <cstdio>

class FrameSelection;
struct Timeline;

// Calls Timeline::tick, the native loop's step, until a call draws nothing,
// the show ends or maxFrames frames were drawn (a long stall is then caught up
// over the next animation frames instead of freezing the page). Returns the
// number of frames drawn.
int drawDueFrames(Timeline& timeline, int maxFrames);

// True once the timeline has drawn the end of the show.
bool showHasEnded(const Timeline& timeline);

// Frame k of the show at FRAME_PERIOD_MS x k ms, k = 1 .. the last listed
// frame or the end, exactly as ambrelle-capture --hash draws them; one line
// "K elapsedMs maskHex hashHex" on out per listed frame, then "done". pause,
// when given, is called after every pauseEvery frames (the page repaints and
// breathes there). Returns the number of frames drawn.
uint32_t runHashFrames(const FrameSelection& frames, FILE* out, void (*pause)(uint32_t k), uint32_t pauseEvery);
