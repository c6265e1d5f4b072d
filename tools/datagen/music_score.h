// The soundtrack's composition: its sections, which start on the picture's scene changes, and every note.
#pragma once

#include <cstdint>
#include <vector>

enum class Instrument : uint8_t {
    Pad,     // detuned saws through the pad bus's low-pass filter
    Bass,    // round sine bass with a few harmonics
    Lead,    // soft, breathy flute-like melody voice
    Pluck,   // FM electric-piano pluck
    Bell,    // FM bell
    Drop,    // water drop: a sine blip gliding upward
    Kick,    // soft kick drum
    Snare,   // brushed snare
    Hat,     // shaker
    Tom,     // low tom
    Cymbal,  // soft cymbal wash
    Swell,   // rising filtered-noise swell leading into a scene change
    Count
};

struct NoteEvent {
    Instrument instrument;
    double start;    // seconds from the start of the track
    double length;   // seconds the note is held; each instrument adds its own release after it
    float pitch;     // MIDI note number (69 = 440 Hz); drums read it as their tuning
    float velocity;  // 0..1
    float pan;       // -1 left .. +1 right
    float space;     // reverb send multiplier (1 = the instrument's usual amount)
    float attack;    // seconds to full level for pads; 0 = the pad's usual slow swell
};

// A stretch of the piece with its own bar length; bar 0 starts exactly at `start`.
struct Section {
    const char* name;
    double start;       // seconds
    double barSeconds;  // four beats
    int bars;
};

// A point of a piecewise-linear automation curve; two points at one time make a step.
struct Breakpoint {
    double time;  // seconds
    float value;
};

class Score {
   public:
    // Composes the whole piece (deterministic: the same notes every time).
    Score();

    const std::vector<Section>& sections() const { return sections_; }
    const std::vector<NoteEvent>& notes() const { return notes_; }
    // Cut-off frequency of the pad bus's low-pass filter, in Hz.
    const std::vector<Breakpoint>& padCutoff() const { return padCutoff_; }
    // Seconds of audio to render; the last section's ending is faded to silence by then.
    double length() const { return length_; }
    // Seconds at which the final fade-out begins.
    double fadeStart() const { return fadeStart_; }

    // The value of a curve at time t (held flat before the first and after the last point).
    static float valueAt(const std::vector<Breakpoint>& curve, double t);

   private:
    std::vector<Section> sections_;
    std::vector<NoteEvent> notes_;
    std::vector<Breakpoint> padCutoff_;
    double length_ = 0;
    double fadeStart_ = 0;
};
