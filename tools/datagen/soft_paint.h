// Small painting helpers shared by the transition, feather and logo makers:
// colours, smooth steps and wrapping value noise.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "datagen.h"

namespace softpaint {

struct Colour {
    double r, g, b;
};

inline Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Colour scale(Colour a, double s) { return {a.r * s, a.g * s, a.b * s}; }

inline double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline double smoothstep(double e0, double e1, double v) {
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Value noise on a size x size lattice that wraps (size a power of two), with
// smooth interpolation: soft irregularity, never visible grain.
class ValueNoise {
   public:
    ValueNoise(uint64_t seed, int size = 64) : size_(size), lattice_(static_cast<size_t>(size) * size) {
        Rng rng(seed);
        for (double& v : lattice_) v = rng.uniform();
    }
    // 0..1 at lattice coordinates (x, y).
    double at(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int mask = size_ - 1;
        const int ix = static_cast<int>(fx) & mask, iy = static_cast<int>(fy) & mask;
        double tx = x - fx, ty = y - fy;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const double a = cell(ix, iy), b = cell((ix + 1) & mask, iy);
        const double c = cell(ix, (iy + 1) & mask), d = cell((ix + 1) & mask, (iy + 1) & mask);
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }
    // Octaves of halving weight, roughly -0.5..0.5.
    double fbm(double x, double y, int octaves = 4) const {
        double sum = 0, weight = 0.5, total = 0, f = 1;
        for (int o = 0; o < octaves; o++) {
            sum += weight * (at(x * f + 17.3 * o, y * f + 5.1 * o) - 0.5);
            total += weight;
            weight *= 0.5;
            f *= 2.03;
        }
        return sum / total;
    }

   private:
    double cell(int x, int y) const { return lattice_[static_cast<size_t>(y) * size_ + x]; }
    int size_;
    std::vector<double> lattice_;
};

// A picture painted in floating point (0..255 per channel) before it is
// stored; also used for single-channel masks (r = g = b).
struct Canvas {
    int width, height;
    std::vector<Colour> pixels;
    Canvas(int w, int h, Colour fill = {0, 0, 0}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Colour& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Colour& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

}  // namespace softpaint
