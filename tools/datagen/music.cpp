// warmer.ogg, the soundtrack: composed, synthesised, mastered to a steady loudness and encoded as Ogg Vorbis.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "makers.h"
#include "music_denormals.h"
#include "music_limiter.h"
#include "music_loudness.h"
#include "music_score.h"
#include "music_synth.h"
#include "music_vorbis.h"

namespace {

constexpr double TARGET_LUFS = -14.0;
// Peaks (between samples too) stay 2.5 dB under full scale before encoding: the encoder's rounding raises them
// by a few tenths of a dB, and the decoded file must stay under -1 dBTP.
constexpr double CEILING_DBFS = -2.5;
constexpr double RELEASE_SECONDS = 0.15;
constexpr float QUALITY = 0.5f;  // libvorbisenc VBR quality (0.4 is the least we accept)

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Turns the mix up to the target loudness, limiting the peaks that would pass the ceiling; limiting lowers the
// loudness a little, so the gain is corrected until the result is within 0.05 LU. Returns the loudness reached.
double master(const std::vector<float>& left, const std::vector<float>& right, std::vector<float>& outLeft,
              std::vector<float>& outRight) {
    const size_t n = left.size();
    outLeft.resize(n);
    outRight.resize(n);
    const Limiter limiter(left.data(), right.data(), n, Synth::RATE);
    const float ceiling = static_cast<float>(std::pow(10.0, CEILING_DBFS / 20));
    double loudness = Loudness::integrated(left.data(), right.data(), n, Synth::RATE);
    double gain = std::pow(10.0, (TARGET_LUFS - loudness) / 20);
    for (int pass = 0; pass < 6; pass++) {
        limiter.apply(static_cast<float>(gain), ceiling, RELEASE_SECONDS, outLeft.data(), outRight.data());
        loudness = Loudness::integrated(outLeft.data(), outRight.data(), n, Synth::RATE);
        if (std::fabs(loudness - TARGET_LUFS) < 0.05) break;
        gain *= std::pow(10.0, (TARGET_LUFS - loudness) / 20);
    }
    return loudness;
}

// The last chord's ring and its reverb fade to silence by the end of the track (a raised-cosine fade).
void fadeOut(const Score& score, std::vector<float>& left, std::vector<float>& right) {
    const size_t from = static_cast<size_t>(score.fadeStart() * Synth::RATE);
    const size_t to = left.size();
    for (size_t i = from; i < to; i++) {
        const double x = static_cast<double>(i - from) / (to - from);
        const float g = static_cast<float>(0.5 + 0.5 * std::cos(M_PI * x));
        left[i] *= g;
        right[i] *= g;
    }
}

}  // namespace

bool makeMusic(const std::string& dir) {
    const auto start = std::chrono::steady_clock::now();
    const DenormalsOff denormalsOff;
    const Score score;
    std::string sections;
    for (const Section& section : score.sections()) {
        char text[32];
        snprintf(text, sizeof text, " %.1f", section.start);
        sections += text;
    }
    printf("        warmer.ogg: %zu notes, sections at%s s\n", score.notes().size(), sections.c_str());
    fflush(stdout);

    std::vector<float> left, right;
    Synth::render(score, left, right);
    std::vector<float> masteredLeft, masteredRight;
    const double loudness = master(left, right, masteredLeft, masteredRight);
    left = std::vector<float>();
    right = std::vector<float>();
    fadeOut(score, masteredLeft, masteredRight);
    printf("        warmer.ogg: synthesised and mastered to %.1f LUFS in %.1f s, encoding\n", loudness,
           secondsSince(start));
    fflush(stdout);

    if (!writeOggVorbis(dir + "/warmer.ogg", masteredLeft, masteredRight, Synth::RATE, QUALITY)) return false;
    printf("        warmer.ogg: %.1f s of music in %.1f s\n", masteredLeft.size() / static_cast<double>(Synth::RATE),
           secondsSince(start));
    fflush(stdout);
    return true;
}
