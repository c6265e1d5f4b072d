// A soft ping-pong echo: repeats bounce from left to right, each one darker and quieter.
#include "music_echo.h"

#include <cmath>

Echo::Echo(int rate, double delaySeconds, float feedback)
    : lineLeft_(static_cast<size_t>(delaySeconds * rate), 0.0f),
      lineRight_(static_cast<size_t>(delaySeconds * rate), 0.0f),
      feedback_(feedback),
      // Each pass through the loop is low-passed at about 2.5 kHz: repeats fade into the distance.
      lowPassCoef_(static_cast<float>(std::exp(-2.0 * M_PI * 2500.0 / rate))) {}

void Echo::process(const float* send, float* left, float* right, float* reverbSend, size_t frames, float wet,
                   float toReverb) {
    const size_t size = lineLeft_.size();
    for (size_t n = 0; n < frames; n++) {
        // What left the left line one delay ago is heard on the left, then fed to the right line, and back.
        const float outLeft = lineLeft_[index_];
        const float outRight = lineRight_[index_];
        stateLeft_ = outLeft + lowPassCoef_ * (stateLeft_ - outLeft);
        stateRight_ = outRight + lowPassCoef_ * (stateRight_ - outRight);
        lineLeft_[index_] = send[n] + stateRight_ * feedback_;
        lineRight_[index_] = stateLeft_ * feedback_;
        if (++index_ == size) index_ = 0;
        left[n] += stateLeft_ * wet;
        right[n] += stateRight_ * wet;
        reverbSend[n] += (stateLeft_ + stateRight_) * toReverb;
    }
}
