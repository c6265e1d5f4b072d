// The show's random numbers: the GNU C library's rand() sequence, reproduced
// here so the scenes draw the same sparks, streaks, drops and flower heights
// with any C library (emscripten's and macOS's rand differ from glibc's).
#pragma once

#include <cstdint>

constexpr int SHOW_RAND_MAX = 2147483647;

// The additive feedback generator behind glibc's random(): 31 words seeded
// with the 16807 congruential generator, then r[i] = r[i - 3] + r[i - 31]
// (mod 2^32), each output being the new word shifted right by one. The first
// 310 sums are thrown away, so the first output is r[344] of the sequence
// r[0..30] (the seeds), r[31..33] (copies of r[0..2]), r[34], ...
class GlibcRandom {
   public:
    // The state srand(seed) gives; 0 counts as 1, as in glibc.
    explicit GlibcRandom(uint32_t seed = 1) { seed_(seed); }
    void seed(uint32_t seed) { seed_(seed); }
    // 0 .. SHOW_RAND_MAX.
    int next() {
        // ring[front] holds r[i - 31]; the word three behind it is r[i - 3].
        const uint32_t sum = ring[front] + ring[front < 3 ? front + 28 : front - 3];
        ring[front] = sum;
        front = front == DEGREE - 1 ? 0 : front + 1;
        return static_cast<int>(sum >> 1);
    }

   private:
    static constexpr int DEGREE = 31;
    static constexpr int SEPARATION = 3;
    uint32_t ring[DEGREE];
    int front = SEPARATION;

    void seed_(uint32_t seed);
};

// The process-wide generator every scene draws from, in call order, like the
// C library's rand(): unseeded it starts as showSrand(1).
int showRand();
void showSrand(uint32_t seed);
