// Small painting helpers shared by the lighthouse, title and rain pictures:
// colours, easing curves, smooth value noise and a float canvas with blur.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "datagen.h"

namespace art {

struct Colour {
    double r, g, b;
};

inline double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline double smoothstep(double e0, double e1, double v) {
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Colour scale(Colour a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Colour add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
// Screen blend: light added without ever passing white.
inline Colour screen(Colour a, Colour light, double amount) {
    auto s = [amount](double x, double l) { return 255.0 - (255.0 - x) * (1.0 - clamp01(l / 255.0 * amount)); };
    return {s(a.r, light.r), s(a.g, light.g), s(a.b, light.b)};
}

// Smooth value noise on a 64 x 64 lattice that wraps.
struct ValueNoise {
    double lattice[64][64];
    explicit ValueNoise(uint64_t seed) {
        Rng rng(seed);
        for (auto& row : lattice)
            for (double& v : row) v = rng.uniform();
    }
    double at(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = static_cast<int>(fx) & 63, iy = static_cast<int>(fy) & 63;
        double tx = x - fx, ty = y - fy;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const double a = lattice[iy][ix], b = lattice[iy][(ix + 1) & 63];
        const double c = lattice[(iy + 1) & 63][ix], d = lattice[(iy + 1) & 63][(ix + 1) & 63];
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }
    // Three octaves, roughly -0.5..0.5.
    double fbm(double x, double y) const {
        return 0.55 * (at(x, y) - 0.5) + 0.3 * (at(2.03 * x + 17, 2.03 * y + 5) - 0.5) +
               0.15 * (at(4.1 * x + 3, 4.1 * y + 29) - 0.5);
    }
};

// A single-channel float picture.
struct Plane {
    int w = 0, h = 0;
    std::vector<double> v;
    Plane(int width, int height) : w(width), h(height), v(static_cast<size_t>(width) * height, 0.0) {}
    double& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    double get(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        return v[static_cast<size_t>(y) * w + x];
    }
};

// Three box passes each way, close to a Gaussian; edges treated as empty.
inline Plane blurred(const Plane& in, int radius) {
    Plane out = in, tmp = in;
    if (radius <= 0) return out;
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < out.h; y++)
            for (int x = 0; x < out.w; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += out.get(x + k, y);
                tmp.at(x, y) = sum / (2 * radius + 1);
            }
        for (int y = 0; y < out.h; y++)
            for (int x = 0; x < out.w; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += tmp.get(x, y + k);
                out.at(x, y) = sum / (2 * radius + 1);
            }
    }
    return out;
}

// An RGB float canvas that is finally stored into a Picture, dithered unless
// it is a texture.
struct Canvas {
    int w, h;
    std::vector<Colour> c;
    Canvas(int width, int height, Colour fill) : w(width), h(height), c(static_cast<size_t>(width) * height, fill) {}
    Colour& at(int x, int y) { return c[static_cast<size_t>(y) * w + x]; }
    // Paints colour over the pixel with the given coverage.
    void over(int x, int y, Colour colour, double alpha) {
        if (x < 0 || y < 0 || x >= w || y >= h || alpha <= 0) return;
        Colour& p = at(x, y);
        p = mix(p, colour, clamp01(alpha));
    }
    // Textures the engine maps onto faces take Quantise::Nearest: magnified
    // texels would turn the dither pattern into blocky grain.
    enum class Quantise { Dither, Nearest };
    Picture toPicture(Quantise quantise = Quantise::Dither) const {
        Picture p(w, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const Colour& k = c[static_cast<size_t>(y) * w + x];
                if (quantise == Quantise::Dither)
                    p.setDithered(x, y, k.r, k.g, k.b);
                else
                    p.setNearest(x, y, k.r, k.g, k.b);
            }
        return p;
    }
};

// A colour with its saturation (about its own grey) and contrast (about mid
// grey) lifted.
inline Colour lifted(const Colour& c, double saturation, double contrast) {
    const double grey = 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
    auto lift = [&](double v) {
        const double l = 128 + contrast * (grey + saturation * (v - grey) - 128);
        return l < 0 ? 0.0 : l > 255 ? 255.0 : l;
    };
    return {lift(c.r), lift(c.g), lift(c.b)};
}

// Lifts colour and contrast of a painted picture; contrastWeight(y) in 0..1
// sets how much of the contrast row y takes.
template <typename Weight>
void enliven(Canvas& canvas, double saturation, double contrast, Weight contrastWeight) {
    for (int y = 0; y < canvas.h; y++) {
        const double k = 1 + (contrast - 1) * contrastWeight(y);
        for (int x = 0; x < canvas.w; x++) canvas.at(x, y) = lifted(canvas.at(x, y), saturation, k);
    }
}
inline void enliven(Canvas& canvas, double saturation, double contrast) {
    enliven(canvas, saturation, contrast, [](int) { return 1.0; });
}

// Stores an intensity 0..1 as a grey whose 6-bit green is round(v * 63).
inline void setGrey(Picture& p, int x, int y, double v) {
    const int g6 = static_cast<int>(std::lround(clamp01(v) * 63));
    const int g = (g6 << 2) | (g6 >> 4);
    p.set(x, y, g, g, g);
}

}  // namespace art
