// The clock's arithmetic, free of the browser so it can be tested natively.
#include "web/web_clock.h"

namespace {
// Whole milliseconds, clamped to the clock's range (a page left open for 49
// days saturates rather than wrapping).
uint32_t wholeMs(double ms) {
    if (!(ms > 0)) return 0;
    if (ms >= 4294967295.0) return 4294967295u;
    return static_cast<uint32_t>(ms);
}
}  // namespace

void WebClock::begin(double performanceMs) {
    originMs = performanceMs;
    followAudio = false;
    last = 0;
}

uint32_t WebClock::fromPerformance(double performanceMs) const { return wholeMs(performanceMs - originMs); }

void WebClock::startMusic(double performanceMs, double audioSeconds) {
    const uint32_t now = fromPerformance(performanceMs);
    musicStartTicks = now > last ? now : last;
    last = musicStartTicks;
    followAudio = audioSeconds >= 0;
    audioStartSeconds = audioSeconds;
}

uint32_t WebClock::ticks(double performanceMs, double heardAudioSeconds) {
    uint32_t now;
    if (followAudio) {
        // A suspended or closed context stops the music, and the picture
        // with it, rather than running ahead of the sound.
        if (heardAudioSeconds < 0) return last;
        const double ms = musicStartTicks + (heardAudioSeconds - audioStartSeconds) * 1000.0;
        now = wholeMs(ms);
    } else {
        now = fromPerformance(performanceMs);
    }
    if (now > last) last = now;
    return last;
}
