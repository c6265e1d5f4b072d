// The browser show's clock, in milliseconds like SDL_GetTicks: counted from
// the page's performance clock until the music starts, then from the audio
// clock, so the picture follows what is heard and never drifts from it.
#pragma once

#include <cstdint>

class WebClock {
   public:
    // The origin: the moment the Screen is created, as the native ticks
    // count from SDL's start.
    void begin(double performanceMs);
    // The music starts now. audioSeconds is the audio context's time at its
    // start, or negative when no audio clock runs (the picture then keeps to
    // the performance clock).
    void startMusic(double performanceMs, double audioSeconds);
    // Ticks for the present moment. heardAudioSeconds is the audio clock
    // minus the output latency, or negative without a running audio clock.
    // Never goes backwards.
    uint32_t ticks(double performanceMs, double heardAudioSeconds);

   private:
    double originMs = 0;
    bool followAudio = false;
    double audioStartSeconds = 0;
    uint32_t musicStartTicks = 0;
    uint32_t last = 0;

    uint32_t fromPerformance(double performanceMs) const;
};
