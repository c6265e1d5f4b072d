// The soundtrack's composition: seven scenes and an ending, written as chord charts, tunes and drum patterns.
#include "music_score.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "datagen.h"
#include "main/show_facts.h"

namespace {

constexpr int MAJOR_SCALE[7] = {0, 2, 4, 5, 7, 9, 11};

// Pad chords sit in one octave from this note up (F3..E4): close voicings that move smoothly.
constexpr int PAD_LOW = 53;
// Bass roots sit in one octave from this note up (C2..B2).
constexpr int BASS_LOW = 36;
// Arpeggios and strums climb through the chord from this note up (D4).
constexpr int ARPEGGIO_LOW = 62;

struct Chord {
    int root = 0;           // pitch class 0..11
    int intervals[6] = {};  // semitones above the root, ascending
    int count = 0;

    // The chord's third (or the suspended fourth or second standing in for it), in semitones.
    int third() const {
        for (int i = 0; i < count; i++) {
            if (intervals[i] >= 2 && intervals[i] <= 5) return intervals[i];
        }
        return 4;
    }
};

struct ChordQuality {
    const char* suffix;
    int intervals[6];
    int count;
};

constexpr ChordQuality QUALITIES[] = {
    {"", {0, 4, 7}, 3},          {"m", {0, 3, 7}, 3},
    {"maj7", {0, 4, 7, 11}, 4},  {"maj9", {0, 4, 7, 11, 14}, 5},
    {"m7", {0, 3, 7, 10}, 4},    {"m9", {0, 3, 7, 10, 14}, 5},
    {"7", {0, 4, 7, 10}, 4},     {"sus4", {0, 5, 7}, 3},
    {"7sus4", {0, 5, 7, 10}, 4}, {"6", {0, 4, 7, 9}, 4},
    {"add9", {0, 4, 7, 14}, 4},  {"sus2", {0, 2, 7}, 3},
};

// Reads a note letter with an optional sharp or flat; returns the pitch class or -1.
int parsePitchClass(const char*& p) {
    static const int LETTERS[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    if (*p < 'A' || *p > 'G') return -1;
    int pc = LETTERS[*p - 'A'];
    p++;
    if (*p == '#') {
        pc++;
        p++;
    } else if (*p == 'b') {
        pc--;
        p++;
    }
    return (pc + 12) % 12;
}

// "F#m9" -> root F#, intervals of a minor ninth. An unknown name is a composing mistake: it stops the program.
Chord parseChord(const std::string& name) {
    const char* p = name.c_str();
    Chord chord;
    chord.root = parsePitchClass(p);
    for (const ChordQuality& q : QUALITIES) {
        if (chord.root >= 0 && strcmp(p, q.suffix) == 0) {
            chord.count = q.count;
            for (int i = 0; i < q.count; i++) chord.intervals[i] = q.intervals[i];
            return chord;
        }
    }
    fprintf(stderr, "music: unknown chord %s\n", name.c_str());
    abort();
}

// Pitch classes of the chord placed in the octave [low, low + 12), ascending. Ninth chords leave their root
// to the bass so that the close voicing stays four notes.
std::vector<int> voicing(const Chord& chord, int low) {
    std::vector<int> notes;
    for (int i = 0; i < chord.count; i++) {
        if (chord.count >= 5 && chord.intervals[i] == 0) continue;
        int pitch = chord.root + chord.intervals[i];
        pitch = low + ((pitch - low) % 12 + 12) % 12;
        notes.push_back(pitch);
    }
    for (size_t i = 1; i < notes.size(); i++) {
        for (size_t j = i; j > 0 && notes[j - 1] > notes[j]; j--) std::swap(notes[j - 1], notes[j]);
    }
    return notes;
}

// Moves a pitch by diatonic steps in a major key (a third below is -2). Notes outside the scale move from the
// scale note just below them.
int diatonicShift(int pitch, int steps, int tonic) {
    const int rel = pitch - tonic;
    const int octave = (rel >= 0 ? rel / 12 : (rel - 11) / 12);
    const int within = rel - octave * 12;
    int degree = 0;
    for (int i = 0; i < 7; i++) {
        if (MAJOR_SCALE[i] <= within) degree = i;
    }
    int target = degree + steps;
    const int targetOctave = (target >= 0 ? target / 7 : (target - 6) / 7);
    target -= targetOctave * 7;
    return tonic + (octave + targetOctave) * 12 + MAJOR_SCALE[target] + (within - MAJOR_SCALE[degree]);
}

// Reads "name[:beats]" tokens separated by spaces; '|' marks bars and is checked to fall on whole bars.
struct Token {
    std::string name;
    double beats;
};

std::vector<Token> tokenize(const char* text) {
    std::vector<Token> tokens;
    double beats = 0;
    const char* p = text;
    while (*p) {
        while (*p == ' ') p++;
        if (!*p) break;
        if (*p == '|') {
            if (std::fmod(beats, 4.0) != 0) {
                fprintf(stderr, "music: a bar of %g beats in \"%s\"\n", std::fmod(beats, 4.0), text);
                abort();
            }
            p++;
            continue;
        }
        Token token;
        while (*p && *p != ' ' && *p != ':' && *p != '|') token.name += *p++;
        token.beats = 1;
        if (*p == ':') {
            p++;
            char* end = nullptr;
            token.beats = strtod(p, &end);
            p = end;
        }
        beats += token.beats;
        tokens.push_back(token);
    }
    return tokens;
}

// "C#5" -> 73 (the octave number belongs to the letter, so "B#4" is 72).
int parseNote(const std::string& name) {
    static const int LETTERS[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    const char* p = name.c_str();
    if (*p < 'A' || *p > 'G') p = "";
    int pitch = *p ? LETTERS[*p++ - 'A'] : 0;
    if (*p == '#')
        pitch++, p++;
    else if (*p == 'b')
        pitch--, p++;
    if (!name.size() || *p < '0' || *p > '9' || p[1] != 0) {
        fprintf(stderr, "music: bad note %s\n", name.c_str());
        abort();
    }
    return pitch + 12 * (*p - '0' + 1);
}

class Writer {
   public:
    Writer(std::vector<NoteEvent>& notes, Rng& rng, const Section& section)
        : notes_(notes), rng_(rng), section_(section), beat_(section.barSeconds / 4) {}

    double at(double beat) const { return section_.start + beat * beat_; }
    void setSpace(float space) { space_ = space; }

    // One chord per bar; "Asus4,A" splits a bar into halves.
    void chart(const char* text) {
        spans_.clear();
        double bar = 0;
        std::string token;
        for (const char* p = text;; p++) {
            if (*p == ' ' || *p == 0) {
                if (!token.empty()) {
                    std::vector<std::string> parts;
                    size_t from = 0;
                    for (size_t comma; (comma = token.find(',', from)) != std::string::npos; from = comma + 1) {
                        parts.push_back(token.substr(from, comma - from));
                    }
                    parts.push_back(token.substr(from));
                    const double each = 4.0 / parts.size();
                    for (size_t i = 0; i < parts.size(); i++) {
                        spans_.push_back({bar * 4 + i * each, each, parseChord(parts[i])});
                    }
                    bar++;
                    token.clear();
                }
                if (*p == 0) break;
            } else {
                token += *p;
            }
        }
        if (static_cast<int>(bar) != section_.bars) {
            fprintf(stderr, "music: %s has %d bars but its chart %g\n", section_.name, section_.bars, bar);
            abort();
        }
    }

    const Chord& chordAt(double beat) const {
        for (size_t i = spans_.size(); i-- > 0;) {
            if (beat >= spans_[i].start - 1e-9) return spans_[i].chord;
        }
        return spans_.front().chord;
    }

    // Sustained pad chords over bars [fromBar, toBar); notes shared by neighbouring chords are held through.
    void pads(int fromBar, int toBar, float velocity, bool shimmer, float attack = 0) {
        std::vector<Held> held;
        const double endBeat = toBar * 4.0;
        for (const Span& span : spans_) {
            if (span.start < fromBar * 4.0 - 1e-9 || span.start >= endBeat - 1e-9) continue;
            std::vector<int> now = voicing(span.chord, PAD_LOW);
            if (shimmer) now.push_back(now[now.size() - 2] + 12);
            std::vector<Held> next;
            for (int pitch : now) {
                double start = span.start;
                for (const Held& h : held) {
                    if (h.pitch == pitch) start = h.start;
                }
                next.push_back({pitch, start});
            }
            for (const Held& h : held) {
                bool kept = false;
                for (int pitch : now) kept = kept || pitch == h.pitch;
                if (!kept) padNote(h, span.start, velocity, attack);
            }
            held = next;
        }
        for (const Held& h : held) padNote(h, endBeat, velocity, attack);
    }

    // A bass line repeated every bar: R root, 3 third, 5 fifth, 8 octave, L fifth below, r rest.
    void bass(int fromBar, int toBar, const char* pattern, float velocity) {
        const std::vector<Token> tokens = tokenize(pattern);
        for (int bar = fromBar; bar < toBar; bar++) {
            double beat = bar * 4.0;
            for (const Token& t : tokens) {
                if (t.name != "r") {
                    const Chord& chord = chordAt(beat);
                    int pitch = BASS_LOW + (chord.root - BASS_LOW % 12 + 12) % 12;
                    if (t.name == "3") pitch += chord.third();
                    if (t.name == "5") pitch += 7;
                    if (t.name == "8") pitch += 12;
                    if (t.name == "L") pitch -= 5;
                    add(Instrument::Bass, at(beat), t.beats * beat_ * 0.9, pitch, velocity, 0, bar > 0 || beat > 0);
                }
                beat += t.beats;
            }
        }
    }

    // A tune from fromBar on, moved by `transpose` semitones; a harmony voice follows it `harmony` diatonic
    // steps away in the major key of `tonic` when harmony is not 0.
    void tune(Instrument instrument, int fromBar, const char* text, int transpose, float velocity, float pan,
              int harmony = 0, int tonic = 0, Instrument harmonyInstrument = Instrument::Pluck) {
        double beat = fromBar * 4.0;
        for (const Token& t : tokenize(text)) {
            if (t.name != "r") {
                const int pitch = parseNote(t.name) + transpose;
                const double length = t.beats * beat_ * 0.96;
                add(instrument, at(beat), length, pitch, velocity, pan, beat > 0);
                if (harmony != 0) {
                    add(harmonyInstrument, at(beat), length, diatonicShift(pitch, harmony, tonic), velocity * 0.6,
                        -pan - 0.3f, beat > 0);
                }
            }
            beat += t.beats;
        }
    }

    // Broken chords: each character of `steps` is one step of stepBeats; a digit is a chord tone counted up from
    // ARPEGGIO_LOW (wrapping into the next octave), '.' a rest. Steps pan slowly from side to side.
    void arpeggio(Instrument instrument, int fromBar, int toBar, const char* steps, double stepBeats, float velocity,
                  float spread) {
        const int count = static_cast<int>(strlen(steps));
        int step = 0;
        for (double beat = fromBar * 4.0; beat < toBar * 4.0 - 1e-9; beat += stepBeats, step++) {
            const char c = steps[step % count];
            if (c < '0' || c > '9') continue;
            const std::vector<int> tones = voicing(chordAt(beat), ARPEGGIO_LOW);
            const int index = c - '0';
            const int n = static_cast<int>(tones.size());
            const int pitch = tones[index % n] + 12 * (index / n);
            const float accent = std::fmod(beat, 1.0) < 1e-9 ? 1.0f : 0.8f;
            const float pan = spread * static_cast<float>(std::sin(step * 0.7));
            add(instrument, at(beat), stepBeats * beat_ * 1.5, pitch, velocity * accent, pan, beat > 0);
        }
    }

    // A whole chord struck at once, lightly strummed upward.
    void strum(Instrument instrument, double beat, double beats, float velocity, int low = ARPEGGIO_LOW) {
        const std::vector<int> tones = voicing(chordAt(beat), low);
        for (size_t i = 0; i < tones.size(); i++) {
            const float pan = -0.5f + static_cast<float>(i) / (tones.size() - 1);
            add(instrument, at(beat) + i * 0.025, beats * beat_, tones[i], velocity * (1.0f - 0.06f * i), pan, false);
        }
    }

    // A drum pattern of 16 steps per bar (longer patterns span several bars): X accent, x normal, o ghost.
    void drums(Instrument instrument, int fromBar, int toBar, const char* pattern, float pitch, float velocity,
               float pan) {
        const int count = static_cast<int>(strlen(pattern));
        const double step = 0.25;
        int index = 0;
        for (double beat = fromBar * 4.0; beat < toBar * 4.0 - 1e-9; beat += step, index++) {
            const char c = pattern[index % count];
            const float level = c == 'X' ? 1.0f : c == 'x' ? 0.75f : c == 'o' ? 0.45f : 0.0f;
            if (level == 0) continue;
            add(instrument, at(beat), step * beat_, pitch, velocity * level, pan, beat > 0);
        }
    }

    // Rain or dripping water: on each sixteenth a drop falls with probability `density`, on one of `pitches`.
    void drops(int fromBar, int toBar, const std::vector<int>& pitches, float density, float velocity,
               float bellShare) {
        for (double beat = fromBar * 4.0; beat < toBar * 4.0 - 1e-9; beat += 0.25) {
            if (rng_.uniform() >= density) continue;
            const double when = at(beat + 0.25 * rng_.uniform());
            const int pitch = pitches[static_cast<size_t>(rng_.uniform() * pitches.size())];
            const float level = velocity * static_cast<float>(0.4 + 0.6 * rng_.uniform());
            const float pan = static_cast<float>(rng_.uniform() * 1.6 - 0.8);
            const bool bell = rng_.uniform() < bellShare;
            notes_.push_back({bell ? Instrument::Bell : Instrument::Drop, when, 0.2, static_cast<float>(pitch),
                              bell ? level * 0.6f : level, pan, space_, 0});
        }
    }

    // One sound at an exact beat, not humanised (downbeats of scene changes stay on time).
    void hit(Instrument instrument, double beat, double beats, float pitch, float velocity, float pan) {
        add(instrument, at(beat), beats * beat_, pitch, velocity, pan, false);
    }

   private:
    struct Span {
        double start;  // beats from the section start
        double beats;
        Chord chord;
    };
    struct Held {
        int pitch;
        double start;  // beats from the section start
    };

    void padNote(const Held& h, double endBeat, float velocity, float attack) {
        const float pan = static_cast<float>((h.pitch - PAD_LOW) / 12.0 - 0.5) * 0.6f;
        add(Instrument::Pad, at(h.start), (endBeat - h.start) * beat_, h.pitch, velocity, pan, false);
        notes_.back().attack = attack;
    }

    // Adds a note; humanised notes move by a few milliseconds and vary a little in strength, never before the
    // section's start.
    void add(Instrument instrument, double time, double length, float pitch, float velocity, float pan, bool humanise) {
        if (humanise) {
            time += (rng_.uniform() * 2 - 1) * 0.006;
            if (time < section_.start) time = section_.start;
            velocity *= static_cast<float>(0.94 + 0.12 * rng_.uniform());
        }
        notes_.push_back({instrument, time, length, pitch, velocity, pan, space_, 0});
    }

    std::vector<NoteEvent>& notes_;
    Rng& rng_;
    const Section& section_;
    double beat_;
    float space_ = 1.0f;
    std::vector<Span> spans_;
};

// The main theme, written in D major: the opening, the biplane and the dragonfly (in E) play it.
// Under it: "Dmaj9 Bm9 Gmaj9 Asus4,A" twice.
const char* const THEME_A =
    "| A4:1.5 F#4:.5 A4 D5 | C#5:1.5 B4:.5 A4:2 | B4 D5 F#5:1.5 E5:.5 | E5:3 r "
    "| A4:1.5 F#4:.5 A4 D5 | F#5:1.5 E5:.5 D5:2 | B4 D5:.5 C#5:.5 B4 G4 | A4:3 r |";

// The second theme (D major), over "Gmaj9 A6 F#m7 Bm9 Gmaj9 A Dmaj9 ...": seven bars, its last bar is per use.
const char* const THEME_B =
    "| D5 B4 D5 E5 | C#5:2 A4:2 | C#5 E5 A5:2 | F#5:3 D5 "
    "| B4 D5 G5 F#5 | E5:1.5 D5:.5 C#5 E5 | D5:4 |";

}  // namespace

float Score::valueAt(const std::vector<Breakpoint>& curve, double t) {
    if (curve.empty()) return 0;
    if (t <= curve.front().time) return curve.front().value;
    for (size_t i = 1; i < curve.size(); i++) {
        const Breakpoint& a = curve[i - 1];
        const Breakpoint& b = curve[i];
        if (t < b.time) {
            if (b.time <= a.time) return b.value;
            return a.value + static_cast<float>((t - a.time) / (b.time - a.time)) * (b.value - a.value);
        }
    }
    return curve.back().value;
}

// The n-th change of picture in seconds: the picture's last millisecond
// before it (43.1 s for the lighthouse), where the music's section turns.
static double sceneChange(int n) { return n < 0 ? 0.0 : (sceneChangeMs(static_cast<size_t>(n)) - 1) / 1000.0; }
// Seconds from change a to change b, from whole milliseconds so that a span is
// exact (22.0 s, not 65.1 - 43.1).
static double sceneSpan(int a, int b) {
    const uint32_t from = a < 0 ? 0 : sceneChangeMs(static_cast<size_t>(a)) - 1;
    return (sceneChangeMs(static_cast<size_t>(b)) - 1 - from) / 1000.0;
}

Score::Score() {
    // Each section fills its scene with whole bars, from one change of picture
    // to the next.
    const double c[] = {
        0.0,           sceneChange(0), sceneChange(1), sceneChange(2), sceneChange(3), sceneChange(4), sceneChange(5),
        sceneChange(6)};
    sections_ = {
        {"feather", c[0], sceneSpan(-1, 0) / 16, 16},  {"lighthouse", c[1], sceneSpan(0, 1) / 8, 8},
        {"rain", c[2], sceneSpan(1, 2) / 8, 8},        {"biplane", c[3], sceneSpan(2, 3) / 20, 20},
        {"cave", c[4], sceneSpan(3, 4) / 16, 16},      {"dragonfly", c[5], sceneSpan(4, 5) / 20, 20},
        {"closing sky", c[6], sceneSpan(5, 6) / 4, 4}, {"ending", c[7], 2.4, 1},
    };
    length_ = 249.5;
    fadeStart_ = 248.3;

    Rng rng(0x61726D65726C6CULL);
    std::vector<NoteEvent>& n = notes_;
    const std::vector<Section>& s = sections_;

    // A rising noise swell into every scene change, like the picture's white-out.
    for (size_t i = 1; i < s.size(); i++) {
        n.push_back({Instrument::Swell, s[i].start - 2.8, 2.8, 0, i + 1 == s.size() ? 0.6f : 1.0f, 0, 1.0f, 0});
    }

    {  // Feather on a pale sky: the pad fades in, bells drift, the bass and then the theme join.
        Writer w(n, rng, s[0]);
        w.chart("Dmaj9 Bm9 Gmaj9 Asus4,A Dmaj9 Bm9 Gmaj9 Asus4,A Dmaj9 Bm9 Gmaj9 Asus4,A Dmaj9 Bm9 Gmaj9 Em7,A");
        w.pads(0, 16, 0.7f, false);
        w.arpeggio(Instrument::Bell, 0, 8, "0.2.1.3.2.4.3.5.", 0.5, 0.35f, 0.6f);
        w.tune(Instrument::Bell, 4, "| A4:1.5 F#4:.5 A4 D5 | C#5:1.5 B4:.5 A4:2 | B4 D5 F#5:1.5 E5:.5 | E5:3 r |", 12,
               0.45f, 0.2f);
        w.arpeggio(Instrument::Pluck, 8, 16, "0.1.2.1.", 0.5, 0.35f, 0.5f);
        w.bass(4, 16, "R:4", 0.5f);
        w.tune(Instrument::Lead, 8, THEME_A, 0, 0.7f, 0.1f);
        w.drums(Instrument::Hat, 12, 16, "..o...o...o...o.", 0, 0.6f, 0.35f);
        w.drums(Instrument::Kick, 12, 16, "o...............", 0, 0.5f, 0);
    }
    {  // Lighthouse at dusk: soft half-time drums and the second theme.
        Writer w(n, rng, s[1]);
        w.chart("Gmaj9 A6 F#m7 Bm9 Gmaj9 A Dmaj9 Dmaj9");
        w.pads(0, 8, 0.75f, true);
        w.hit(Instrument::Cymbal, 0, 4, 0, 0.7f, 0.2f);
        w.bass(0, 8, "R:3 5:1", 0.7f);
        w.drums(Instrument::Kick, 0, 8, "X.........x.....", 0, 0.8f, 0);
        w.drums(Instrument::Snare, 0, 8, "........x.......", 0, 0.7f, -0.15f);
        w.drums(Instrument::Hat, 0, 8, "o.x.o.x.o.x.o.x.", 0, 0.8f, 0.4f);
        w.arpeggio(Instrument::Pluck, 0, 8, "0.1.2.1.", 0.5, 0.35f, 0.5f);
        w.tune(Instrument::Lead, 0, THEME_B, 0, 0.75f, 0.1f);
        w.tune(Instrument::Lead, 7, "| r:2 A4 C#5 |", 0, 0.6f, 0.1f);
    }
    {  // Rain on a window: the drums stop, drops fall, an electric piano sings in B minor.
        Writer w(n, rng, s[2]);
        w.setSpace(1.3f);
        w.chart("Bm9 Gmaj9 Em9 F#m7 Bm9 Gmaj9 Em9 Bsus4,B7");
        w.pads(0, 8, 0.65f, false);
        w.bass(0, 8, "R:2.5 R:1.5", 0.55f);
        w.drops(0, 8, {71, 74, 76, 78, 81, 83, 86, 88, 90}, 0.3f, 0.6f, 0.25f);
        w.drums(Instrument::Hat, 0, 8, "....o.......o...", 0, 0.6f, -0.3f);
        w.tune(Instrument::Pluck, 0,
               "| F#5:1.5 E5:.5 D5 C#5 | D5:3 r | G5:1.5 F#5:.5 E5 D5 | C#5:3 r "
               "| F#5:1.5 E5:.5 D5 B4 | D5:2 E5 F#5 | G5:2 F#5 E5 | E5:2 D#5:2 |",
               0, 0.75f, -0.1f);
    }
    {  // A biplane above the clouds: the full band, the main theme in E, then the second theme.
        Writer w(n, rng, s[3]);
        w.chart(
            "Emaj9 C#m9 Amaj9 Bsus4,B Emaj9 C#m9 Amaj9 Bsus4,B Emaj9 C#m9 Amaj9 Bsus4,B "
            "Amaj9 B6 G#m7 C#m9 Amaj9 B Emaj9 Emaj9");
        w.pads(0, 20, 0.7f, true);
        w.hit(Instrument::Cymbal, 0, 4, 0, 0.9f, -0.2f);
        w.bass(0, 20, "R:.75 R:.75 R:.5 r:.5 5:.5 8:.5 5:.5", 0.75f);
        w.drums(Instrument::Kick, 0, 20, "X.....x...x.....", 0, 0.85f, 0);
        w.drums(Instrument::Snare, 0, 19, "....X.......X...", 0, 0.7f, -0.15f);
        w.drums(Instrument::Snare, 19, 20, "....x...o.o.x.x.", 0, 0.7f, -0.15f);
        w.drums(Instrument::Hat, 0, 20, "x.o.x.o.x.o.x.o.", 0, 0.85f, 0.4f);
        w.arpeggio(Instrument::Pluck, 0, 20, "01234321", 0.5, 0.4f, 0.6f);
        w.tune(Instrument::Lead, 4, THEME_A, 2, 0.8f, 0.1f);
        w.tune(Instrument::Lead, 12, THEME_B, 2, 0.8f, 0.1f);
        w.tune(Instrument::Lead, 19, "| r:2 A4 C#5 |", 2, 0.6f, 0.1f);
    }
    {  // A cave with a waterfall: E minor, low toms, dripping water, a long echo.
        Writer w(n, rng, s[4]);
        w.setSpace(1.8f);
        w.chart(
            "Em9 Cmaj9 Am9 B7sus4,B7 Em9 Cmaj9 Am9 B7sus4,B7 Em9 Cmaj9 Am9 B7sus4,B7 "
            "Em9 Cmaj9 Am9 B7sus4,B7");
        w.pads(0, 16, 0.8f, false);
        w.bass(0, 16, "R:2.5 R:1.5", 0.7f);
        w.drums(Instrument::Tom, 0, 16, "X.........x.....", 43, 0.8f, 0);
        w.drums(Instrument::Tom, 0, 16, "......o.......o.", 50, 0.7f, 0.3f);
        w.drums(Instrument::Hat, 4, 16, "..o...o...o...o.", 0, 0.45f, -0.3f);
        w.drops(0, 16, {64, 67, 71, 74, 76, 78, 79, 83}, 0.12f, 0.6f, 0.4f);
        w.tune(Instrument::Lead, 4,
               "| B4:2 G4 A4 | B4:3 r | C5:2 B4 A4 | F#4:4 "
               "| B4:2 D5 E5 | G5:2 F#5 E5 | E5:1.5 D5:.5 C5 A4 | B4:3 r |",
               0, 0.75f, 0.0f);
        w.arpeggio(Instrument::Bell, 12, 16, "0.2.1.3.2.4.3.5.", 0.25, 0.3f, 0.7f);
        w.drums(Instrument::Hat, 14, 16, "o.o.o.o.o.o.x.x.", 0, 0.6f, 0.3f);
    }
    {  // A dragonfly over the meadow: the brightest part, sixteenth-note bells and the theme in harmony.
        Writer w(n, rng, s[5]);
        w.chart(
            "Emaj9 C#m9 Amaj9 Bsus4,B Emaj9 C#m9 Amaj9 Bsus4,B Emaj9 C#m9 Amaj9 Bsus4,B "
            "Amaj9 B6 G#m7 C#m9 Amaj9 B Emaj9 Cmaj9");
        w.pads(0, 20, 0.7f, true);
        w.hit(Instrument::Cymbal, 0, 4, 0, 0.9f, 0.2f);
        w.bass(0, 18, "R:.5 R:.5 8:.5 R:.5 r:.5 R:.5 5:.5 8:.5", 0.75f);
        w.bass(18, 20, "R:4", 0.7f);
        w.drums(Instrument::Kick, 0, 18, "X.....x...x...o.", 0, 0.85f, 0);
        w.drums(Instrument::Snare, 0, 18, "....X.......X...", 0, 0.7f, -0.15f);
        w.drums(Instrument::Hat, 0, 18, "xoxoxoxoxoxoxoxo", 0, 0.7f, 0.4f);
        w.drums(Instrument::Hat, 18, 20, "..o...o...o...o.", 0, 0.6f, 0.4f);
        w.arpeggio(Instrument::Bell, 0, 18, "0123454321012345", 0.25, 0.28f, 0.7f);
        w.arpeggio(Instrument::Bell, 18, 20, "0.2.1.3.", 0.5, 0.3f, 0.7f);
        w.tune(Instrument::Lead, 4, THEME_A, 2, 0.8f, 0.15f, -2, 4);
        w.tune(Instrument::Lead, 12, THEME_B, 2, 0.8f, 0.15f, -2, 4);
    }
    {  // The closing sky: slower, the theme once more, drums at rest.
        Writer w(n, rng, s[6]);
        w.chart("Gmaj9 A6 Bm9 Asus4,A");
        w.pads(0, 4, 0.7f, true);
        w.bass(0, 4, "R:4", 0.6f);
        w.arpeggio(Instrument::Bell, 0, 4, "0213", 1.0, 0.35f, 0.6f);
        w.tune(Instrument::Lead, 0, "| B4 D5 F#5:1.5 E5:.5 | E5:2 C#5:2 | D5:1.5 C#5:.5 B4:2 | A4:2 E5 C#5 |", 0, 0.7f,
               0.1f);
    }
    {  // The ending: one last D chord, struck and left to ring into silence.
        Writer w(n, rng, s[7]);
        w.chart("Dmaj9");
        w.pads(0, 1, 0.9f, true, 0.08f);
        w.hit(Instrument::Bass, 0, 1.2, 38, 0.7f, 0);
        w.hit(Instrument::Kick, 0, 1, 0, 0.5f, 0);
        w.hit(Instrument::Cymbal, 0, 4, 0, 0.6f, 0);
        w.strum(Instrument::Pluck, 0, 3, 0.55f);
        w.strum(Instrument::Bell, 0, 3, 0.4f, ARPEGGIO_LOW + 12);
        w.hit(Instrument::Lead, 0, 1.6, 74, 0.6f, 0.1f);
    }

    // The pad's filter opens and closes with the scenes: dark in the rain and the cave, bright above the clouds.
    padCutoff_ = {
        {0.0, 400},   {21.0, 1500}, {c[1], 2000}, {c[1], 2200}, {c[2], 2400},  {c[2], 1400},
        {c[3], 1800}, {c[3], 2800}, {c[4], 3400}, {c[4], 1000}, {172.0, 1200}, {c[5], 2200},
        {c[5], 3200}, {c[6], 3600}, {c[6], 2100}, {c[7], 1800}, {249.5, 800},
    };
}
