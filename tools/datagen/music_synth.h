// The soundtrack's synthesiser: renders a Score into stereo float samples (voices, pad filter, echo, reverb).
#pragma once

#include <vector>

#include "music_score.h"

class Synth {
   public:
    static constexpr int RATE = 44100;

    // Renders the whole score into left and right: score.length() seconds at RATE, roughly within -1..1
    // (the level is set afterwards by the mastering). The same score gives the same samples on every run.
    static void render(const Score& score, std::vector<float>& left, std::vector<float>& right);
};
