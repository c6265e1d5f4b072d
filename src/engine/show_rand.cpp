// The show's generator and its seeding, as glibc's srandom_r does it.
#include "engine/show_rand.h"

void GlibcRandom::seed_(uint32_t seed) {
    if (seed == 0) seed = 1;
    // glibc keeps the seed in a signed 32-bit word and steps it with
    // Schrage's method (16807 x word mod 2^31 - 1 without overflow); seeds
    // above INT32_MAX therefore start from a negative word, as there.
    int32_t word = static_cast<int32_t>(seed);
    ring[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < DEGREE; i++) {
        const int64_t hi = word / 127773;
        const int64_t lo = word % 127773;
        int64_t next = 16807 * lo - 2836 * hi;
        if (next < 0) next += 2147483647;
        word = static_cast<int32_t>(next);
        ring[i] = static_cast<uint32_t>(word);
    }
    front = SEPARATION;
    for (int i = 0; i < 10 * DEGREE; i++) next();
}

namespace {
GlibcRandom& showGenerator() {
    static GlibcRandom generator;
    return generator;
}
}  // namespace

int showRand() { return showGenerator().next(); }

void showSrand(uint32_t seed) { showGenerator().seed(seed); }
