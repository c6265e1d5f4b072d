// A soft ping-pong echo: repeats bounce from left to right, each one darker and quieter.
#pragma once

#include <cstddef>
#include <vector>

class Echo {
   public:
    // delaySeconds between repeats; feedback 0..1 is the level of each repeat against the one before.
    Echo(int rate, double delaySeconds, float feedback);

    // Adds wet * the echoes of the mono send to left and right, and toReverb * them to reverbSend.
    void process(const float* send, float* left, float* right, float* reverbSend, size_t frames, float wet,
                 float toReverb);

   private:
    std::vector<float> lineLeft_;
    std::vector<float> lineRight_;
    size_t index_ = 0;
    float feedback_;
    float lowPassCoef_;
    float stateLeft_ = 0;
    float stateRight_ = 0;
};
