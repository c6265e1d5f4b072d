// A warm stereo room reverb (eight damped combs and four all-passes per side) fed by a mono send.
#include "music_reverb.h"

#include <cmath>

namespace {

// Delay lengths in samples at 44100 Hz; the right side is a little longer, which makes the tail wide.
constexpr int COMB_LENGTHS[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int ALLPASS_LENGTHS[4] = {556, 441, 341, 225};
constexpr int STEREO_SPREAD = 23;
// The combs sum eight copies of the input: scale it down so the tail stays near the dry level.
constexpr float INPUT_GAIN = 0.015f;

}  // namespace

Reverb::Reverb(int rate, float roomSize, float damping, double preDelaySeconds)
    : feedback_(0.7f + 0.28f * roomSize), damp_(0.4f * damping) {
    const double scale = rate / 44100.0;
    for (int side = 0; side < 2; side++) {
        for (int i = 0; i < 8; i++) {
            combs_[side][i].buffer.assign(static_cast<size_t>((COMB_LENGTHS[i] + side * STEREO_SPREAD) * scale), 0.0f);
        }
        for (int i = 0; i < 4; i++) {
            allpasses_[side][i].buffer.assign(static_cast<size_t>((ALLPASS_LENGTHS[i] + side * STEREO_SPREAD) * scale),
                                              0.0f);
        }
    }
    preDelay_.assign(static_cast<size_t>(preDelaySeconds * rate) + 1, 0.0f);
    // The send is high-passed at about 180 Hz so that the bass does not muddy the room.
    highPassCoef_ = static_cast<float>(std::exp(-2.0 * M_PI * 180.0 / rate));
}

void Reverb::prepare(float* send, size_t frames) {
    for (size_t n = 0; n < frames; n++) {
        // Pre-delay, then a one-pole high-pass (the input minus its low-passed self).
        const float in = preDelay_[preIndex_];
        preDelay_[preIndex_] = send[n];
        if (++preIndex_ == preDelay_.size()) preIndex_ = 0;
        highPassState_ = in + highPassCoef_ * (highPassState_ - in);
        send[n] = (in - highPassState_) * INPUT_GAIN;
    }
}

void Reverb::processSide(int side, const float* send, float* out, size_t frames, float wet) {
    const float feedback = feedback_;
    const float damp1 = damp_;
    const float damp2 = 1.0f - damp_;
    Comb* combs = combs_[side];
    Allpass* allpasses = allpasses_[side];
    for (size_t n = 0; n < frames; n++) {
        const float in = send[n];
        float sum = 0;
        for (int k = 0; k < 8; k++) {
            Comb& c = combs[k];
            const float y = c.buffer[c.index];
            c.store = y * damp2 + c.store * damp1;
            c.buffer[c.index] = in + c.store * feedback;
            if (++c.index == c.buffer.size()) c.index = 0;
            sum += y;
        }
        for (int k = 0; k < 4; k++) {
            Allpass& a = allpasses[k];
            const float b = a.buffer[a.index];
            a.buffer[a.index] = sum + b * 0.5f;
            if (++a.index == a.buffer.size()) a.index = 0;
            sum = b - sum;
        }
        out[n] += sum * wet;
    }
}
