// Pictures of the data generator: colours stored as exact RGB565 levels,
// dithered or nearest.
#include <cmath>
#include <cstdint>
#include <vector>

#include "datagen.h"

void Picture::set(int x, int y, int r, int g, int b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = at(x, y);
    p[0] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
    p[1] = static_cast<uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
    p[2] = static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
}

namespace {
// Thresholds of the dither: a 64 x 64 blue-noise map made by void and
// cluster. Each rank k marks where level k of 4096 is added, and every run of
// ranks lies evenly scattered, so the dither reads as fine grain at any
// brightness; a small Bayer matrix repeats every few pixels and shows as a
// grid once the picture is shown at 2 x 2. Energies are integers, so no
// choice between near-equal spots hangs on the order of rounded sums.
const int NOISE_SIZE = 64;
const int NOISE_TEXELS = NOISE_SIZE * NOISE_SIZE;

std::vector<int> makeBlueNoise() {
    const int reach = 6;  // four times the kernel's sigma of 1.5
    int kernel[2 * reach + 1][2 * reach + 1];
    for (int dy = -reach; dy <= reach; dy++)
        for (int dx = -reach; dx <= reach; dx++)
            kernel[dy + reach][dx + reach] =
                static_cast<int>(std::lround(65536 * std::exp(-(dx * dx + dy * dy) / (2 * 1.5 * 1.5))));
    std::vector<int64_t> energy(NOISE_TEXELS, 0);
    std::vector<bool> on(NOISE_TEXELS, false);
    auto flip = [&](int i) {
        on[i] = !on[i];
        const int sign = on[i] ? 1 : -1, x = i % NOISE_SIZE, y = i / NOISE_SIZE;
        for (int dy = -reach; dy <= reach; dy++)
            for (int dx = -reach; dx <= reach; dx++)
                energy[((y + dy) & (NOISE_SIZE - 1)) * NOISE_SIZE + ((x + dx) & (NOISE_SIZE - 1))] +=
                    sign * kernel[dy + reach][dx + reach];
    };
    // The densest point among those set, and the emptiest spot among those
    // not set (the first of equals, so the map is reproducible).
    auto tightest = [&] {
        int best = -1;
        for (int i = 0; i < NOISE_TEXELS; i++)
            if (on[i] && (best < 0 || energy[i] > energy[best])) best = i;
        return best;
    };
    auto emptiest = [&] {
        int best = -1;
        for (int i = 0; i < NOISE_TEXELS; i++)
            if (!on[i] && (best < 0 || energy[i] < energy[best])) best = i;
        return best;
    };
    // A tenth of the points at random, then moved from the densest cluster
    // to the largest void until that moves nothing.
    Rng rng(0xB1E5);
    int count = 0;
    while (count < NOISE_TEXELS / 10) {
        const int i = static_cast<int>(rng.next() % NOISE_TEXELS);
        if (!on[i]) flip(i), count++;
    }
    for (int moves = 0; moves < NOISE_TEXELS; moves++) {
        const int from = tightest();
        flip(from);
        const int to = emptiest();
        flip(to);
        if (to == from) break;
    }
    const std::vector<bool> startOn = on;
    const std::vector<int64_t> startEnergy = energy;
    std::vector<int> rank(NOISE_TEXELS, 0);
    // Ranks below the start: taken away densest first. Above it: filled into
    // the largest void, which past half way is the same as the densest
    // cluster of the spots not set.
    for (int k = count - 1; k >= 0; k--) {
        const int i = tightest();
        flip(i);
        rank[i] = k;
    }
    on = startOn;
    energy = startEnergy;
    for (int k = count; k < NOISE_TEXELS; k++) {
        const int i = emptiest();
        flip(i);
        rank[i] = k;
    }
    return rank;
}

double threshold(int x, int y) {
    static const std::vector<int> rank = makeBlueNoise();
    return (rank[(y & (NOISE_SIZE - 1)) * NOISE_SIZE + (x & (NOISE_SIZE - 1))] + 0.5) / NOISE_TEXELS;
}

// One channel onto `levels` steps (31 or 63) and back to a byte whose top bits
// are that step.
int ditherChannel(double value, int levels, int bits, double threshold) {
    int level = static_cast<int>(value * levels / 255.0 + threshold);
    level = level < 0 ? 0 : level > levels ? levels : level;
    return (level << (8 - bits)) | (level >> (2 * bits - 8));
}
}  // namespace

void Picture::setDithered(int x, int y, double r, double g, double b) {
    const double t = threshold(x, y);
    set(x, y, ditherChannel(r, 31, 5, t), ditherChannel(g, 63, 6, t), ditherChannel(b, 31, 5, t));
}

void Picture::setNearest(int x, int y, double r, double g, double b) {
    set(x, y, ditherChannel(r, 31, 5, 0.5), ditherChannel(g, 63, 6, 0.5), ditherChannel(b, 31, 5, 0.5));
}
