// A look-ahead peak limiter that never lets the signal (nor its peaks between samples) pass a ceiling.
#include "music_limiter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int TAPS = 8;    // interpolation taps per point, four on each side
constexpr int POINTS = 3;  // points between two samples: a quarter, a half and three quarters of the way

// Windowed-sinc weights for the points between samples i and i + 1, over samples i - 3 .. i + 4.
struct Interpolator {
    float weights[POINTS][TAPS];
    Interpolator() {
        for (int p = 0; p < POINTS; p++) {
            const double frac = (p + 1) / 4.0;
            double sum = 0;
            for (int t = 0; t < TAPS; t++) {
                const double x = (t - 3) - frac;
                const double sinc = std::sin(M_PI * x) / (M_PI * x);
                const double window = 0.5 + 0.5 * std::cos(M_PI * x / 4.5);  // Hann over +-4.5 samples
                weights[p][t] = static_cast<float>(sinc * window);
                sum += sinc * window;
            }
            for (int t = 0; t < TAPS; t++) weights[p][t] = static_cast<float>(weights[p][t] / sum);
        }
    }
};

}  // namespace

Limiter::Limiter(const float* left, const float* right, size_t frames, int rate)
    : left_(left), right_(right), frames_(frames), rate_(rate), peak_(frames, 0.0f) {
    static const Interpolator interpolator;
    const float* channels[2] = {left, right};
    for (const float* x : channels) {
        for (size_t i = 0; i < frames; i++) {
            float peak = std::fabs(x[i]);
            if (i >= 3 && i + 4 < frames) {
                for (int p = 0; p < POINTS; p++) {
                    const float* w = interpolator.weights[p];
                    const float* s = x + i - 3;
                    float v = 0;
                    for (int t = 0; t < TAPS; t++) v += w[t] * s[t];
                    peak = std::max(peak, std::fabs(v));
                }
            }
            peak_[i] = std::max(peak_[i], peak);
            if (i + 1 < frames) peak_[i + 1] = std::max(peak_[i + 1], peak);  // the point lies before i + 1
        }
    }
}

void Limiter::apply(float gain, float ceiling, double releaseSeconds, float* outLeft, float* outRight) const {
    const size_t n = frames_;
    // The gain each sample needs on its own.
    std::vector<float> need(n);
    for (size_t i = 0; i < n; i++) {
        const float level = peak_[i] * gain;
        need[i] = level > ceiling ? ceiling / level : 1.0f;
    }
    // Minimum of need over the window [i - w + 1, i] (van Herk / Gil-Werman: running minima within blocks of w
    // from the left and from the right), so the gain starts falling w samples ahead of each peak.
    const size_t w = static_cast<size_t>(0.002 * rate_) + 1;
    std::vector<float> fromLeft(n), fromRight(n), hold(n);
    for (size_t i = 0; i < n; i++) fromLeft[i] = (i % w == 0) ? need[i] : std::min(fromLeft[i - 1], need[i]);
    for (size_t i = n; i-- > 0;) {
        fromRight[i] = (i % w == w - 1 || i == n - 1) ? need[i] : std::min(fromRight[i + 1], need[i]);
    }
    for (size_t i = 0; i < n; i++) hold[i] = i + 1 >= w ? std::min(fromRight[i + 1 - w], fromLeft[i]) : fromLeft[i];
    // Release: the gain climbs back toward 1 exponentially, never above what the window needs.
    const float recover = static_cast<float>(std::exp(-1.0 / (releaseSeconds * rate_)));
    float env = 1.0f;
    for (size_t i = 0; i < n; i++) {
        env = std::min(hold[i], 1.0f - (1.0f - env) * recover);
        hold[i] = env;
    }
    // Smooth the steps by averaging over the next w samples: every value averaged covers sample i, so the
    // average never exceeds what sample i needs.
    double sum = 0;
    for (size_t i = 0; i < std::min(w, n); i++) sum += hold[i];
    for (size_t i = 0; i < n; i++) {
        const size_t count = std::min(w, n - i);
        const float g = gain * static_cast<float>(sum / count);
        outLeft[i] = left_[i] * g;
        outRight[i] = right_[i] * g;
        sum -= hold[i];
        if (i + w < n) sum += hold[i + w];
    }
}
