// Programme loudness as EBU R 128 measures it: K-weighted, in 400 ms blocks, gated at -70 LUFS and 10 LU below.
#include "music_loudness.h"

#include <cmath>
#include <vector>

namespace {

// One biquad section, direct form I, in double precision (the sums of squares are long).
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double operator()(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The two K-weighting stages (a high shelf of about +4 dB above 1.7 kHz, then a high-pass at 38 Hz), designed
// for any sample rate from their analogue prototypes.
void kWeighting(int rate, Biquad& shelf, Biquad& highPass) {
    double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
    double k = std::tan(M_PI * f0 / rate);
    const double vh = std::pow(10.0, gain / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    f0 = 38.13547087602444;
    q = 0.5003270373238773;
    k = std::tan(M_PI * f0 / rate);
    a0 = 1.0 + k / q + k * k;
    highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

}  // namespace

double Loudness::integrated(const float* left, const float* right, size_t frames, int rate) {
    // Mean square of the weighted signal (both channels summed) in steps of 100 ms.
    const size_t step = static_cast<size_t>(rate / 10);
    std::vector<double> steps;
    Biquad shelf[2], highPass[2];
    kWeighting(rate, shelf[0], highPass[0]);
    kWeighting(rate, shelf[1], highPass[1]);
    double sum = 0;
    for (size_t i = 0; i < frames; i++) {
        const double l = highPass[0](shelf[0](left[i]));
        const double r = highPass[1](shelf[1](right[i]));
        sum += l * l + r * r;
        if ((i + 1) % step == 0) {
            steps.push_back(sum / step);
            sum = 0;
        }
    }
    // 400 ms blocks overlapping by 75 %.
    std::vector<double> blocks;
    for (size_t i = 0; i + 4 <= steps.size(); i++) {
        blocks.push_back((steps[i] + steps[i + 1] + steps[i + 2] + steps[i + 3]) / 4);
    }
    auto lufs = [](double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); };
    double gated = 0;
    size_t count = 0;
    for (double b : blocks) {
        if (b > 0 && lufs(b) > -70.0) {
            gated += b;
            count++;
        }
    }
    if (count == 0) return -100.0;
    const double relativeGate = lufs(gated / count) - 10.0;
    double total = 0;
    count = 0;
    for (double b : blocks) {
        if (b > 0 && lufs(b) > -70.0 && lufs(b) > relativeGate) {
            total += b;
            count++;
        }
    }
    return lufs(total / count);
}
