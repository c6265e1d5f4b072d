// The soundtrack generator's measuring and shaping pieces: the loudness meter against the EBU reference
// signals, the limiter's ceiling (between samples too), and the score's sections on the scene changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "datagen/music_limiter.h"
#include "datagen/music_loudness.h"
#include "datagen/music_score.h"
#include "main/show_facts.h"

namespace {

struct Stereo {
    std::vector<float> left, right;
    void append(double dbfs, double seconds, int rate, double hz = 997.0) {
        const double amplitude = std::pow(10.0, dbfs / 20);
        const size_t n = static_cast<size_t>(seconds * rate);
        const size_t at = left.size();
        for (size_t i = 0; i < n; i++) {
            const float v = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * (at + i) / rate));
            left.push_back(v);
            right.push_back(v);
        }
    }
    double loudness(int rate) const { return Loudness::integrated(left.data(), right.data(), left.size(), rate); }
};

// A stereo 1 kHz sine reads its own level in LUFS (EBU Tech 3341, cases 1 and 2), at either sample rate.
TEST(MusicLoudness, ReferenceSinesReadTheirLevel) {
    for (int rate : {44100, 48000}) {
        for (double level : {-23.0, -33.0}) {
            Stereo s;
            s.append(level, 20, rate);
            EXPECT_NEAR(s.loudness(rate), level, 0.1) << rate << " Hz, " << level << " dBFS";
        }
    }
}

// Quiet passages fall under the gates and do not pull the reading down (EBU Tech 3341, cases 3 and 4).
TEST(MusicLoudness, GatesIgnoreQuietPassages) {
    const int rate = 44100;
    Stereo relative;
    relative.append(-36, 10, rate);
    relative.append(-23, 60, rate);
    relative.append(-36, 10, rate);
    EXPECT_NEAR(relative.loudness(rate), -23.0, 0.1);

    Stereo absolute;
    absolute.append(-72, 10, rate);
    absolute.append(-36, 10, rate);
    absolute.append(-23, 60, rate);
    absolute.append(-36, 10, rate);
    absolute.append(-72, 10, rate);
    EXPECT_NEAR(absolute.loudness(rate), -23.0, 0.1);
}

// Silence and signals shorter than one block give a finite reading far below any programme.
TEST(MusicLoudness, SilenceAndShortSignalsReadAsNothing) {
    const std::vector<float> silence(44100 * 2, 0.0f);
    const double quiet = Loudness::integrated(silence.data(), silence.data(), silence.size(), 44100);
    EXPECT_TRUE(std::isfinite(quiet));
    EXPECT_LT(quiet, -70.0);
    const double empty = Loudness::integrated(silence.data(), silence.data(), 100, 44100);
    EXPECT_TRUE(std::isfinite(empty));
    EXPECT_LT(empty, -70.0);
}

// Deterministic noise in [-1, 1).
std::vector<float> noise(size_t n, uint32_t seed, float amplitude) {
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

// A signal that stays under the ceiling comes out as exactly gain * input.
TEST(MusicLimiter, QuietSignalPassesUntouched) {
    const std::vector<float> left = noise(44100, 1, 0.2f), right = noise(44100, 2, 0.2f);
    const Limiter limiter(left.data(), right.data(), left.size(), 44100);
    std::vector<float> outLeft(left.size()), outRight(left.size());
    limiter.apply(2.0f, 0.9f, 0.1, outLeft.data(), outRight.data());
    for (size_t i = 0; i < left.size(); i++) {
        ASSERT_FLOAT_EQ(outLeft[i], 2.0f * left[i]) << i;
        ASSERT_FLOAT_EQ(outRight[i], 2.0f * right[i]) << i;
    }
}

// Loud bursts are turned down to the ceiling, never over it, and the gain comes back afterwards.
TEST(MusicLimiter, BurstsStayUnderTheCeilingAndTheGainRecovers) {
    const int rate = 44100;
    std::vector<float> left = noise(3 * rate, 3, 0.1f), right = noise(3 * rate, 4, 0.1f);
    for (size_t i = rate / 2; i < static_cast<size_t>(rate / 2 + 400); i++) left[i] *= 10.0f;  // peaks near 1
    right[rate] = 1.0f;                                                                        // a lone click
    const Limiter limiter(left.data(), right.data(), left.size(), rate);
    std::vector<float> outLeft(left.size()), outRight(left.size());
    const float ceiling = 0.5f;
    limiter.apply(1.5f, ceiling, 0.05, outLeft.data(), outRight.data());
    float peak = 0;
    for (size_t i = 0; i < left.size(); i++) peak = std::max({peak, std::fabs(outLeft[i]), std::fabs(outRight[i])});
    EXPECT_LE(peak, ceiling + 1e-6f);
    EXPECT_GT(peak, 0.9f * ceiling);  // turned down just enough, not much more
    // Both channels share one gain, so the click pulls the left side down too; 1 s later all is back.
    const size_t later = 2 * rate;
    for (size_t i = later; i < later + 1000; i++) ASSERT_NEAR(outLeft[i], 1.5f * left[i], 1e-4f) << i;
}

// A sine at a quarter of the sample rate, sampled 45 degrees off its crests, peaks 3 dB above its samples:
// the limiter sees the peak between the samples and turns the sine down so that it, too, stays under.
TEST(MusicLimiter, PeaksBetweenSamplesCount) {
    const int rate = 44100;
    std::vector<float> tone(rate);
    for (size_t i = 0; i < tone.size(); i++) tone[i] = static_cast<float>(std::sin(M_PI / 2 * i + M_PI / 4));
    const Limiter limiter(tone.data(), tone.data(), tone.size(), rate);
    std::vector<float> outLeft(tone.size()), outRight(tone.size());
    const float ceiling = 0.8f;
    limiter.apply(1.0f, ceiling, 0.05, outLeft.data(), outRight.data());
    // Away from the ends the samples sit at 0.7071 of the sine's true crest, which must stay under 0.8 (the
    // estimate of the crest may be off by 1 %).
    for (size_t i = 100; i < tone.size() - 100; i++) ASSERT_LE(std::fabs(outLeft[i]), ceiling * 0.7071f * 1.01f) << i;
    EXPECT_GT(std::fabs(outLeft[tone.size() / 2]), ceiling * 0.7071f * 0.97f);
}

// The music's sections begin on the picture's scene changes and fill them with whole bars.
TEST(MusicScore, SectionsStartOnTheSceneChanges) {
    const Score score;
    // The picture's last millisecond before each change.
    double changes[SCENE_CHANGE_COUNT + 1] = {0.0};
    for (size_t i = 0; i < SCENE_CHANGE_COUNT; i++) changes[i + 1] = (sceneChangeMs(i) - 1) / 1000.0;
    EXPECT_DOUBLE_EQ(changes[3], 88.1);
    const std::vector<Section>& sections = score.sections();
    ASSERT_EQ(sections.size(), 8u);
    for (size_t i = 0; i < sections.size(); i++) {
        EXPECT_NEAR(sections[i].start, changes[i], 1e-9) << sections[i].name;
        if (i + 1 < sections.size()) {
            EXPECT_NEAR(sections[i].start + sections[i].bars * sections[i].barSeconds, changes[i + 1], 1e-9)
                << sections[i].name;
        }
    }
    EXPECT_LT(score.length(), 250.0);
    EXPECT_GT(score.length(), 248.0);
}

// Something new is struck exactly on every scene change, so the music turns with the picture.
TEST(MusicScore, EverySceneChangeIsStruck) {
    const Score score;
    for (const Section& section : score.sections()) {
        bool struck = false;
        for (const NoteEvent& note : score.notes()) {
            struck = struck || (std::fabs(note.start - section.start) < 0.001 && note.instrument != Instrument::Pad);
        }
        EXPECT_TRUE(struck) << section.name;
    }
}

// Every note lies inside the track with sane values; the last ones leave room for the final fade.
TEST(MusicScore, NotesFitTheTrack) {
    const Score score;
    ASSERT_FALSE(score.notes().empty());
    for (const NoteEvent& note : score.notes()) {
        ASSERT_GE(note.start, 0.0);
        ASSERT_LT(note.start, score.fadeStart());
        ASSERT_GT(note.length, 0.0);
        ASSERT_GT(note.velocity, 0.0f);
        ASSERT_LE(note.velocity, 1.0f);
        ASSERT_GE(note.pan, -1.0f);
        ASSERT_LE(note.pan, 1.0f);
        ASSERT_GE(note.pitch, 0.0f);
        ASSERT_LE(note.pitch, 108.0f);
    }
    EXPECT_LT(score.fadeStart(), score.length());
}

}  // namespace
