// A look-ahead peak limiter that never lets the signal (nor its peaks between samples) pass a ceiling.
#pragma once

#include <cstddef>
#include <vector>

class Limiter {
   public:
    // Prepares a stereo signal: finds its peak level around every sample, including peaks between samples
    // (estimated at three points between each pair by band-limited interpolation).
    Limiter(const float* left, const float* right, size_t frames, int rate);

    // Writes gain * input into the outputs, turned down just enough, just in time, that no sample or
    // estimated peak between samples exceeds `ceiling` (linear); the gain then recovers over releaseSeconds.
    void apply(float gain, float ceiling, double releaseSeconds, float* outLeft, float* outRight) const;

   private:
    const float* left_;
    const float* right_;
    size_t frames_;
    int rate_;
    std::vector<float> peak_;  // highest magnitude of either channel at or just after each sample
};
