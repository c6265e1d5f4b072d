// ProgressBar: one self-rewriting line on standard error with the frames done
// and an estimate of the time left; silent unless standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

class ProgressBar {
   public:
    // total: the number of frames to render; enabled: draw at all.
    ProgressBar(uint32_t total, bool enabled);
    // Frame `done` of `total` is rendered; redraws at most ten times a second.
    void update(uint32_t done);
    // Removes the line so that the terminal is left as it was.
    void finish();

    // The line for a moment of the run (no terminal codes), for tests too:
    // e.g. "frame  3788/7576 [##########----------]  50%  0:12 left".
    static int format(char* out, int size, uint32_t done, uint32_t total, double elapsedSeconds);

   private:
    using Clock = std::chrono::steady_clock;
    uint32_t total;
    bool enabled;
    bool drawn = false;
    Clock::time_point start;
    Clock::time_point lastDraw;
};
