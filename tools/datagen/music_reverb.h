// A warm stereo room reverb (eight damped combs and four all-passes per side) fed by a mono send.
#pragma once

#include <cstddef>
#include <vector>

class Reverb {
   public:
    // roomSize 0..1 lengthens the tail; damping 0..1 darkens it; preDelaySeconds separates it from the dry sound.
    Reverb(int rate, float roomSize, float damping, double preDelaySeconds);

    // Turns the send into the rooms' input in place: pre-delayed, high-passed and scaled. Call once, before
    // processSide.
    void prepare(float* send, size_t frames);

    // Adds wet * one side's reverberation (side 0 left, 1 right) of the prepared send to out. The two sides
    // share nothing, so they may run at once on two threads.
    void processSide(int side, const float* send, float* out, size_t frames, float wet);

   private:
    struct Comb {
        std::vector<float> buffer;
        size_t index = 0;
        float store = 0;
    };
    struct Allpass {
        std::vector<float> buffer;
        size_t index = 0;
    };

    Comb combs_[2][8];
    Allpass allpasses_[2][4];
    std::vector<float> preDelay_;
    size_t preIndex_ = 0;
    float feedback_;
    float damp_;
    float highPassState_ = 0;
    float highPassCoef_;
};
