// The data generator: every file of the show's data set, made from code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture being painted; saved as PNG.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3

    Picture(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
    uint8_t* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    void set(int x, int y, int r, int g, int b);
    // Stores a colour given as 0..255 values so that the engine's truncation to
    // RGB565 lands on a blue-noise dither of the two nearest 565 levels: smooth
    // gradients without bands. The stored bytes are exact 565 levels, so the
    // truncation keeps them unchanged.
    void setDithered(int x, int y, double r, double g, double b);
    // The nearest RGB565 levels, no dither: for pictures the engine turns or
    // scales by nearest sampling, where a dither pattern breaks into grain.
    void setNearest(int x, int y, double r, double g, double b);
};

// Writes a PNG; returns false (with a message on stderr) on failure.
bool savePng(const Picture& picture, const std::string& path);

// A deterministic random generator (xorshift), never the C library's rand.
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
};

// One maker per data file: writes the file into dir, returns false on failure.
using FileMaker = bool (*)(const std::string& dir);

struct DataFile {
    const char* name;
    FileMaker make;
};

// Every file the generator makes, in the order it makes them.
const std::vector<DataFile>& dataFiles();

// The desktop icon (not a data file): a 256 x 256 RGBA PNG at path.
bool makeIcon(const std::string& path);
