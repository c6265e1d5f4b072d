// The soundtrack's synthesiser: renders a Score into stereo float samples (voices, pad filter, echo, reverb).
#include "music_synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>

#include "music_denormals.h"
#include "music_echo.h"
#include "music_reverb.h"

namespace {

constexpr float FS = static_cast<float>(Synth::RATE);
constexpr float TWO_PI = 6.28318530717958647692f;

// Sine of a phase in turns, from a table with linear interpolation (far cheaper than sin() per sample).
class SineTable {
   public:
    static constexpr int SIZE = 4096;
    SineTable() {
        for (int i = 0; i <= SIZE; i++) table_[i] = static_cast<float>(std::sin(2.0 * M_PI * i / SIZE));
    }
    // phase: any value (frequency modulation swings it below 0 and past 1); only its fraction counts. The
    // index wraps by masking, so a fraction that rounds up to a whole turn still reads inside the table.
    float operator()(float phase) const {
        const float x = phase * SIZE;
        int i = static_cast<int>(x);
        if (x < static_cast<float>(i)) i--;  // round toward minus infinity
        const float fraction = x - static_cast<float>(i);
        i &= SIZE - 1;
        return table_[i] + fraction * (table_[i + 1] - table_[i]);
    }

   private:
    float table_[SIZE + 1];
};

const SineTable& sine() {
    static const SineTable table;
    return table;
}

// White noise in [-1, 1) from a 32-bit xorshift; each note has its own seed, so the order of rendering
// does not matter.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x2545F491u) {}
    float operator()() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(static_cast<int32_t>(state)) * (1.0f / 2147483648.0f);
    }
};

// A state-variable filter (trapezoidal, stable under fast cut-off changes); one call gives all three outputs.
struct Svf {
    float a1 = 0, a2 = 0, a3 = 0, k = 1;
    float ic1 = 0, ic2 = 0;
    float low = 0, band = 0, high = 0;

    void set(float cutoffHz, float q) {
        if (cutoffHz > FS * 0.45f) cutoffHz = FS * 0.45f;
        const float g = std::tan(static_cast<float>(M_PI) * cutoffHz / FS);
        k = 1.0f / q;
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void process(float v0) {
        const float v3 = v0 - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = v0 - k * v1 - v2;
    }
};

// A high-shelf biquad (the usual audio-EQ design with a shelf slope of 1).
struct Shelf {
    float b0, b1, b2, a1, a2;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    Shelf(float cornerHz, float gainDb) {
        const double a = std::pow(10.0, gainDb / 40.0);
        const double w = 2.0 * M_PI * cornerHz / FS;
        const double cw = std::cos(w), alpha = std::sin(w) / 2.0 * std::sqrt(2.0);
        const double sq = 2.0 * std::sqrt(a) * alpha;
        const double a0 = (a + 1) - (a - 1) * cw + sq;
        b0 = static_cast<float>(a * ((a + 1) + (a - 1) * cw + sq) / a0);
        b1 = static_cast<float>(-2 * a * ((a - 1) + (a + 1) * cw) / a0);
        b2 = static_cast<float>(a * ((a + 1) + (a - 1) * cw - sq) / a0);
        a1 = static_cast<float>(2 * ((a - 1) - (a + 1) * cw) / a0);
        a2 = static_cast<float>(((a + 1) - (a - 1) * cw - sq) / a0);
    }
    float operator()(float x) {
        const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// A naive sawtooth with its step smoothed over one sample (PolyBLEP), so high notes do not alias.
inline float saw(float phase, float increment) {
    float value = 2.0f * phase - 1.0f;
    if (phase < increment) {
        const float t = phase / increment;
        value -= t + t - t * t - 1.0f;
    } else if (phase > 1.0f - increment) {
        const float t = (phase - 1.0f) / increment;
        value -= t * t + t + t + 1.0f;
    }
    return value;
}

float hz(float midi) { return 440.0f * std::pow(2.0f, (midi - 69.0f) / 12.0f); }

// Multiplier per sample that decays by 60 dB in `seconds`.
float decayPerSample(float seconds) { return std::exp(std::log(0.001f) / (seconds * FS)); }

// Equal-power pan gains.
void panGains(float pan, float& left, float& right) {
    const float angle = (pan + 1.0f) * static_cast<float>(M_PI) * 0.25f;
    left = std::cos(angle);
    right = std::sin(angle);
}

// How loud each instrument is and how much of it goes to the reverb and the echo.
struct Patch {
    float gain;
    float reverb;
    float echo;
};

constexpr Patch PATCHES[static_cast<int>(Instrument::Count)] = {
    {0.095f, 0.30f, 0.00f},  // Pad (its reverb send is taken from the filtered pad bus)
    {0.36f, 0.03f, 0.00f},   // Bass
    {0.24f, 0.28f, 0.20f},   // Lead
    {0.22f, 0.30f, 0.16f},   // Pluck
    {0.13f, 0.40f, 0.22f},   // Bell
    {0.30f, 0.45f, 0.30f},   // Drop
    {0.45f, 0.03f, 0.00f},   // Kick
    {0.36f, 0.20f, 0.00f},   // Snare
    {0.16f, 0.12f, 0.00f},   // Hat
    {0.28f, 0.35f, 0.00f},   // Tom
    {0.06f, 0.30f, 0.00f},   // Cymbal
    {0.14f, 0.35f, 0.00f},   // Swell
};

// Everything the voices write into: the pad bus (filtered as a whole), the dry mix and the effect sends.
struct Buses {
    size_t frames;
    std::vector<float> padLeft, padRight, left, right, reverb, echo;

    explicit Buses(size_t n) : frames(n), padLeft(n), padRight(n), left(n), right(n), reverb(n), echo(n) {}
};

// The stretch of samples one thread renders: [from, to). Voices keep their state from their first sample on but
// write only inside the range, so two threads can render the two halves of the piece side by side.
struct Range {
    size_t from;
    size_t to;
};

// One note being rendered: its sample range and its output gains.
struct Voice {
    size_t begin;    // first sample
    size_t release;  // first sample after the held part
    size_t end;      // one past the last sample rendered (within the range)
    size_t from;     // first sample written
    bool silent;     // nothing of the note falls inside the range
    float gainLeft;  // gain * velocity * pan
    float gainRight;
    float reverbSend;  // per unit of (left + right)
    float echoSend;

    // The note sounds for its length plus tailSeconds; drums pass fixedSeconds, their whole sound.
    Voice(const NoteEvent& n, const Range& range, float tailSeconds, float fixedSeconds = 0)
        : begin(static_cast<size_t>(std::lround(std::max(0.0, n.start) * FS))),
          release(static_cast<size_t>(std::lround(std::max(0.0, n.start + n.length) * FS))),
          end(static_cast<size_t>(std::lround(std::max(0.0, n.start + n.length + tailSeconds) * FS))),
          from(range.from) {
        if (fixedSeconds > 0) end = release = begin + static_cast<size_t>(fixedSeconds * FS);
        silent = end <= range.from || begin >= range.to;
        if (end > range.to) end = range.to;
        if (release > end) release = end;
        const Patch& patch = PATCHES[static_cast<int>(n.instrument)];
        panGains(n.pan, gainLeft, gainRight);
        gainLeft *= patch.gain * n.velocity;
        gainRight *= patch.gain * n.velocity;
        reverbSend = patch.reverb * n.space * 0.5f;
        echoSend = patch.echo * 0.5f;
    }

    void write(Buses& b, size_t i, float l, float r) const {
        if (i < from) return;
        l *= gainLeft;
        r *= gainRight;
        b.left[i] += l;
        b.right[i] += r;
        b.reverb[i] += (l + r) * reverbSend;
        b.echo[i] += (l + r) * echoSend;
    }
};

void renderPad(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 2.2f);
    if (v.silent) return;
    Noise noise(seed);
    // Three saws: the outer two detuned by 7 cents and sent one to each side, the middle one to both.
    const float f = hz(note.pitch);
    const float inc[3] = {f * 0.99596f / FS, f / FS, f * 1.00405f / FS};
    float phase[3] = {noise() * 0.5f + 0.5f, noise() * 0.5f + 0.5f, noise() * 0.5f + 0.5f};
    const float swell = note.attack > 0 ? note.attack : std::min(1.2f, static_cast<float>(note.length) * 0.5f);
    const float attack = swell * FS + 1.0f;
    const float fall = decayPerSample(2.0f);
    float env = 0;
    for (size_t i = v.begin; i < v.end; i++) {
        if (i < v.release) {
            const float x = static_cast<float>(i - v.begin) / attack;
            env = x >= 1.0f ? 1.0f : x * x * (3.0f - 2.0f * x);
        } else {
            env *= fall;
        }
        float s[3];
        for (int k = 0; k < 3; k++) {
            s[k] = saw(phase[k], inc[k]);
            phase[k] += inc[k];
            if (phase[k] >= 1.0f) phase[k] -= 1.0f;
        }
        if (i < v.from) continue;
        b.padLeft[i] += (s[0] + 0.6f * s[1]) * env * v.gainLeft;
        b.padRight[i] += (s[2] + 0.6f * s[1]) * env * v.gainRight;
    }
}

void renderBass(const NoteEvent& note, uint32_t, Buses& b, const Range& range) {
    Voice v(note, range, 0.3f);
    if (v.silent) return;
    const SineTable& sin = sine();
    const float inc = hz(note.pitch) / FS;
    const float attack = 0.006f * FS;
    const float settle = std::exp(-1.0f / (0.25f * FS));  // the pluck settles to the held level in 0.25 s
    const float fall = decayPerSample(0.15f);
    float phase = 0, decay = 1, tail = 1;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        decay *= settle;
        if (i >= v.release) tail *= fall;
        const float env = (t < attack ? t / attack : 1.0f) * (0.7f + 0.3f * decay) * tail;
        const float s = sin(phase) + 0.25f * sin(2 * phase) + 0.1f * sin(3 * phase);
        phase += inc;
        if (phase >= 1.0f) phase -= 1.0f;
        v.write(b, i, s * env, s * env);
    }
}

void renderLead(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0.5f);
    if (v.silent) return;
    const SineTable& sin = sine();
    Noise noise(seed);
    const float f = hz(note.pitch);
    // Two slightly detuned copies, one leaning to each side, give a gentle chorus.
    const float inc1 = f / FS, inc2 = f * 1.0017f / FS;
    const float vibratoInc = 5.0f / FS;
    const float attack = 0.07f * FS;
    const float fall = decayPerSample(0.35f);
    const float sag = std::exp(-1.0f / (1.2f * FS));
    float p1 = 0, p2 = 0.25f, vib = 0, decay = 1, tail = 1, breath = 0;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin) / FS;
        // Vibrato fades in between 0.2 s and 0.7 s, up to a fifth of a semitone.
        float depth = (t - 0.2f) * 2.0f;
        depth = depth < 0 ? 0 : depth > 1 ? 1 : depth;
        const float bend = 1.0f + 0.0115f * depth * sin(vib);
        vib += vibratoInc;
        decay *= sag;
        if (i >= v.release) tail *= fall;
        const float x = t * FS / attack;
        const float rise = x >= 1.0f ? 1.0f : x * x * (3.0f - 2.0f * x);
        const float env = rise * (0.85f + 0.15f * decay) * tail;
        const float a = sin(p1) + 0.3f * sin(2 * p1) + 0.12f * sin(3 * p1) + 0.05f * sin(4 * p1);
        const float c = sin(p2) + 0.3f * sin(2 * p2) + 0.12f * sin(3 * p2) + 0.05f * sin(4 * p2);
        p1 += inc1 * bend;
        p2 += inc2 * bend;
        if (p1 >= 1.0f) p1 -= 1.0f;
        if (p2 >= 1.0f) p2 -= 1.0f;
        // Breath: soft low-passed noise, stronger in the first 50 ms (the chiff of the attack).
        breath += 0.25f * (noise() - breath);
        const float air = breath * (0.06f + 0.3f * std::max(0.0f, 1.0f - t * 20.0f));
        v.write(b, i, (0.7f * a + 0.3f * c + air) * env, (0.3f * a + 0.7f * c + air) * env);
    }
}

// Frequency-modulated voices: the pluck (modulator at the pitch) and the bell (modulator at 3.5 times it).
void renderFm(const NoteEvent& note, uint32_t, Buses& b, const Range& range, bool bell) {
    const float f = hz(note.pitch);
    // Low pluck notes ring longer. The bell always rings out, longer for longer notes (a quick run of bells
    // would otherwise blur into a wash); its tail lasts until it has fallen by 60 dB.
    const float ringSeconds = bell ? std::min(1.5f, std::max(0.5f, static_cast<float>(note.length) * 3.0f))
                                   : 1.1f * std::pow(2.0f, (60.0f - note.pitch) / 24.0f);
    Voice v(note, range, bell ? 6.9f * ringSeconds : 0.4f);
    if (v.silent) return;
    if (bell) v.release = v.end;
    const SineTable& sin = sine();
    const float carrierInc = f / FS;
    const float modInc = f * (bell ? 3.5f : 1.0f) / FS;
    const float ring = std::exp(-1.0f / (ringSeconds * FS));
    const float brightFall = std::exp(-1.0f / ((bell ? 0.35f : 0.18f) * FS));
    const float indexPeak = (bell ? 2.2f : 1.6f) * (0.6f + 0.4f * note.velocity);
    const float indexRest = bell ? 0.4f : 0.25f;
    const float fall = decayPerSample(0.3f);
    float pc = 0, pm = 0, amp = 1, bright = 1, tail = 1;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        amp *= ring;
        bright *= brightFall;
        if (i >= v.release) tail *= fall;
        const float index = indexRest + indexPeak * bright;
        const float s = sin(pc + index * sin(pm) * (1.0f / TWO_PI));  // index in radians, phases in turns
        pc += carrierInc;
        pm += modInc;
        if (pc >= 1.0f) pc -= 1.0f;
        if (pm >= 1.0f) pm -= 1.0f;
        const float env = (t < 44.0f ? t / 44.0f : 1.0f) * amp * tail;
        v.write(b, i, s * env, s * env);
    }
}

void renderDrop(const NoteEvent& note, uint32_t, Buses& b, const Range& range) {
    Voice v(note, range, 0.3f);
    if (v.silent) return;
    v.release = v.end;
    const SineTable& sin = sine();
    const float f = hz(note.pitch);
    const float glide = std::exp(-1.0f / (0.012f * FS));
    const float ring = std::exp(-1.0f / (0.045f * FS));
    float phase = 0, g = 1, amp = 1;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        g *= glide;
        amp *= ring;
        const float s = sin(phase);
        phase += f * (1.9f - 0.9f * g) / FS;  // the drop's pitch rises by almost an octave
        const float env = (t < 44.0f ? t / 44.0f : 1.0f) * amp;
        v.write(b, i, s * env, s * env);
    }
}

void renderKick(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0, 2.0f);
    if (v.silent) return;
    const SineTable& sin = sine();
    Noise noise(seed);
    const float drop = std::exp(-1.0f / (0.028f * FS));
    const float ring = std::exp(-1.0f / (0.30f * FS));
    const float clickFall = std::exp(-1.0f / (0.004f * FS));
    float phase = 0, sweep = 1, amp = 1, click = 1, soft = 0;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        sweep *= drop;
        amp *= ring;
        click *= clickFall;
        phase += (48.0f + 95.0f * sweep) / FS;
        soft += 0.2f * (noise() - soft);
        const float s = sin(phase) * amp * (t < 66.0f ? t / 66.0f : 1.0f) + 0.2f * soft * click;
        v.write(b, i, s, s);
    }
}

void renderSnare(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0, 0.8f);
    if (v.silent) return;
    const SineTable& sin = sine();
    Noise noise(seed);
    Svf filter;
    filter.set(2200.0f, 0.7f);
    const float ring = std::exp(-1.0f / (0.13f * FS));
    const float bodyFall = std::exp(-1.0f / (0.05f * FS));
    const float attack = 0.003f * FS;
    float phase = 0, amp = 1, body = 1;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        amp *= ring;
        body *= bodyFall;
        filter.process(noise());
        const float s = (filter.band * amp + 0.35f * sin(phase) * body) * (t < attack ? t / attack : 1.0f);
        phase += 180.0f / FS;
        v.write(b, i, s, s);
    }
}

void renderHat(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0, 0.35f);
    if (v.silent) return;
    Noise noise(seed);
    Svf filter;
    filter.set(6500.0f, 0.7f);
    const float ring = std::exp(-1.0f / (0.05f * FS));
    const float attack = 0.008f * FS;  // shaken, not struck
    float amp = 1;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        amp *= ring;
        filter.process(noise());
        const float s = filter.high * amp * (t < attack ? t / attack : 1.0f);
        v.write(b, i, s, s);
    }
}

void renderTom(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0, 3.2f);
    if (v.silent) return;
    const SineTable& sin = sine();
    Noise noise(seed);
    const float f = hz(note.pitch);
    const float drop = std::exp(-1.0f / (0.04f * FS));
    const float ring = std::exp(-1.0f / (0.45f * FS));
    const float thud = std::exp(-1.0f / (0.01f * FS));
    float phase = 0, sweep = 1, amp = 1, hit = 1, soft = 0;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        sweep *= drop;
        amp *= ring;
        hit *= thud;
        phase += f * (1.0f + 0.6f * sweep) / FS;
        soft += 0.1f * (noise() - soft);
        const float s = (sin(phase) * amp + 0.3f * soft * hit) * (t < 88.0f ? t / 88.0f : 1.0f);
        v.write(b, i, s, s);
    }
}

void renderCymbal(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0, 7.6f);
    if (v.silent) return;
    Noise noiseLeft(seed), noiseRight(seed * 2654435761u + 1);
    Svf left, right;
    left.set(4500.0f, 0.6f);
    right.set(4500.0f, 0.6f);
    const float ring = std::exp(-1.0f / (1.1f * FS));
    const float attack = 0.015f * FS;
    float amp = 1, smoothLeft = 0, smoothRight = 0;
    for (size_t i = v.begin; i < v.end; i++) {
        const float t = static_cast<float>(i - v.begin);
        amp *= ring;
        left.process(noiseLeft());
        right.process(noiseRight());
        // Soften the very top so the wash is silky rather than hissing.
        smoothLeft += 0.6f * (left.high - smoothLeft);
        smoothRight += 0.6f * (right.high - smoothRight);
        const float env = amp * (t < attack ? t / attack : 1.0f);
        v.write(b, i, smoothLeft * env, smoothRight * env);
    }
}

void renderSwell(const NoteEvent& note, uint32_t seed, Buses& b, const Range& range) {
    Voice v(note, range, 0.8f);
    if (v.silent) return;
    Noise noiseLeft(seed), noiseRight(seed * 2654435761u + 1);
    Svf left, right;
    const float length = static_cast<float>(note.length) * FS + 1.0f;
    const float fall = std::exp(-1.0f / (0.12f * FS));
    float tail = 1;
    for (size_t i = v.begin; i < v.end; i++) {
        const float x = std::min(1.0f, static_cast<float>(i - v.begin) / length);
        if ((i - v.begin) % 16 == 0) {
            // The band climbs from 300 Hz to 5 kHz as the scene change approaches.
            const float cutoff = 300.0f * std::pow(16.7f, x);
            left.set(cutoff, 1.2f);
            right.set(cutoff, 1.2f);
        }
        if (i >= v.release) tail *= fall;
        left.process(noiseLeft());
        right.process(noiseRight());
        const float env = x * x * tail;
        v.write(b, i, left.band * env, right.band * env);
    }
}

// Renders every note's samples that fall inside the range.
void renderNotes(const Score& score, Buses& b, const Range& range) {
    uint32_t index = 0;
    for (const NoteEvent& note : score.notes()) {
        // Each note's noise has its own seed, taken from its place in the score.
        const uint32_t seed = (++index) * 2654435761u ^ 0x5bd1e995u;
        switch (note.instrument) {
            case Instrument::Pad:
                renderPad(note, seed, b, range);
                break;
            case Instrument::Bass:
                renderBass(note, seed, b, range);
                break;
            case Instrument::Lead:
                renderLead(note, seed, b, range);
                break;
            case Instrument::Pluck:
                renderFm(note, seed, b, range, false);
                break;
            case Instrument::Bell:
                renderFm(note, seed, b, range, true);
                break;
            case Instrument::Drop:
                renderDrop(note, seed, b, range);
                break;
            case Instrument::Kick:
                renderKick(note, seed, b, range);
                break;
            case Instrument::Snare:
                renderSnare(note, seed, b, range);
                break;
            case Instrument::Hat:
                renderHat(note, seed, b, range);
                break;
            case Instrument::Tom:
                renderTom(note, seed, b, range);
                break;
            case Instrument::Cymbal:
                renderCymbal(note, seed, b, range);
                break;
            case Instrument::Swell:
                renderSwell(note, seed, b, range);
                break;
            case Instrument::Count:
                break;
        }
    }
}

// One side of the pad bus, filtered in place by two cascaded low-pass filters (24 dB per octave) whose
// cut-off follows the score.
void filterPads(const Score& score, std::vector<float>& pad) {
    Svf first, second;
    const std::vector<Breakpoint>& curve = score.padCutoff();
    for (size_t i = 0; i < pad.size(); i++) {
        if (i % 32 == 0) {
            const float cutoff = Score::valueAt(curve, i / static_cast<double>(FS));
            first.set(cutoff, 0.54f);
            second.set(cutoff, 1.31f);
        }
        first.process(pad[i]);
        second.process(first.low);
        pad[i] = second.low;
    }
}

// Master for one side: a gentle high-pass at 25 Hz keeps sub-sonic rumble and offsets out, and a soft shelf
// lifts everything above about 3 kHz by 3 dB, for a little air over the warm pads.
void masterSide(std::vector<float>& side) {
    const float coef = std::exp(-TWO_PI * 25.0f / FS);
    Shelf shelf(3000.0f, 3.0f);
    float low = 0;
    for (float& x : side) {
        low = x + coef * (low - x);
        x = shelf(x - low);
    }
}

// Runs work(0) on a second thread and work(1) on this one, both with denormals flushed.
template <typename Work>
void inParallel(const Work& work) {
    std::thread helper([&work] {
        const DenormalsOff denormalsOff;
        work(0);
    });
    work(1);
    helper.join();
}

}  // namespace

void Synth::render(const Score& score, std::vector<float>& left, std::vector<float>& right) {
    const DenormalsOff denormalsOff;
    const size_t frames = static_cast<size_t>(std::lround(score.length() * RATE));
    Buses b(frames);
    // The two halves of the piece are rendered side by side; every sample is still the sum of the same notes
    // in the same order, so the result does not depend on the threads.
    const Range halves[2] = {{0, frames / 2}, {frames / 2, frames}};
    inParallel([&](int half) { renderNotes(score, b, halves[half]); });
    inParallel([&](int side) { filterPads(score, side == 0 ? b.padLeft : b.padRight); });
    const float padReverb = PATCHES[static_cast<int>(Instrument::Pad)].reverb * 0.5f;
    for (size_t i = 0; i < frames; i++) {
        b.left[i] += b.padLeft[i];
        b.right[i] += b.padRight[i];
        b.reverb[i] += (b.padLeft[i] + b.padRight[i]) * padReverb;
    }
    b.padLeft = std::vector<float>();
    b.padRight = std::vector<float>();

    Echo echo(RATE, 0.48, 0.38f);
    echo.process(b.echo.data(), b.left.data(), b.right.data(), b.reverb.data(), frames, 0.7f, 0.3f);
    Reverb reverb(RATE, 0.86f, 0.5f, 0.025);
    reverb.prepare(b.reverb.data(), frames);
    inParallel([&](int side) {
        std::vector<float>& out = side == 0 ? b.left : b.right;
        reverb.processSide(side, b.reverb.data(), out.data(), frames, 1.0f);
        masterSide(out);
    });
    left.swap(b.left);
    right.swap(b.right);
}
