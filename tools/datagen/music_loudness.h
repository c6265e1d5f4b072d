// Programme loudness as EBU R 128 measures it: K-weighted, in 400 ms blocks, gated at -70 LUFS and 10 LU below.
#pragma once

#include <cstddef>

class Loudness {
   public:
    // Integrated loudness of a stereo signal in LUFS; -100 when every block is below the absolute gate.
    static double integrated(const float* left, const float* right, size_t frames, int rate);
};
