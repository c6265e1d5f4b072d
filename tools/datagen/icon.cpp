// The desktop icon: an umbrella in the rain on a dusk tile, 256 x 256 RGBA.
// Not part of the show's data set; the install puts it beside the launcher.
#include <cmath>
#include <cstdio>
#include <vector>

#include "art_kit.h"
#include "datagen.h"
#include "stb_image_write.h"

namespace {
constexpr int ICON_SIZE = 256;
constexpr int SUBSAMPLES = 4;  // per axis: 16 samples a pixel for smooth edges

using art::Colour;

// The tile: a rounded square inset from the icon's edge.
bool inTile(double x, double y) {
    const double inset = 8.0 / ICON_SIZE, radius = 0.17;
    const double lo = inset + radius, hi = 1 - inset - radius;
    const double cx = x < lo ? lo : x > hi ? hi : x, cy = y < lo ? lo : y > hi ? hi : y;
    const double dx = x - cx, dy = y - cy;
    return x >= inset && x <= 1 - inset && y >= inset && y <= 1 - inset && dx * dx + dy * dy <= radius * radius;
}

constexpr double CANOPY_X = 0.5, CANOPY_Y = 0.53, CANOPY_RX = 0.37, CANOPY_RY = 0.31;
constexpr int PANELS = 4;

// The canopy: the upper half of an ellipse with a scalloped hem.
bool inCanopy(double x, double y) {
    if (y > CANOPY_Y) return false;
    const double ex = (x - CANOPY_X) / CANOPY_RX, ey = (y - CANOPY_Y) / CANOPY_RY;
    if (ex * ex + ey * ey > 1) return false;
    const double r = CANOPY_RX / PANELS;
    for (int k = 0; k < PANELS; k++) {
        const double sx = CANOPY_X - CANOPY_RX + r * (2 * k + 1), dx = x - sx, dy = y - CANOPY_Y;
        if (dx * dx + dy * dy < r * r * 0.55) return false;
    }
    return true;
}

// The tip, the shaft and the hooked handle.
bool inStick(double x, double y) {
    const double half = 0.013;
    if (std::fabs(x - CANOPY_X) <= half * 0.8 && y >= CANOPY_Y - CANOPY_RY - 0.045 && y <= CANOPY_Y) return true;
    if (std::fabs(x - CANOPY_X) <= half && y >= CANOPY_Y && y <= 0.80) return true;
    const double hx = CANOPY_X - 0.065, hy = 0.80, d = std::hypot(x - hx, y - hy);
    return y >= hy && std::fabs(d - 0.065) <= half;
}

// Thin slanted rain streaks at fixed places, never over the umbrella.
bool inRain(double x, double y) {
    static const std::vector<std::pair<double, double>> streaks = [] {
        std::vector<std::pair<double, double>> s;
        Rng rng(0x1C0);
        while (s.size() < 16) {
            const double sx = 0.12 + 0.76 * rng.uniform(), sy = 0.10 + 0.78 * rng.uniform();
            if (std::fabs(sx - CANOPY_X) < CANOPY_RX + 0.04 && sy < CANOPY_Y + 0.05 && sy > CANOPY_Y - CANOPY_RY - 0.12)
                continue;
            if (std::fabs(sx - CANOPY_X) < 0.1 && sy > CANOPY_Y) continue;
            s.push_back({sx, sy});
        }
        return s;
    }();
    for (const auto& s : streaks) {
        // A segment 0.07 long, leaning right to left as it falls.
        const double t = (y - s.second) / 0.07;
        if (t < 0 || t > 1) continue;
        if (std::fabs(x - (s.first - 0.018 * t)) <= 0.0045) return true;
    }
    return false;
}

struct Sample {
    Colour colour;
    double alpha;
};

Sample shade(double x, double y) {
    if (!inTile(x, y)) return {{0, 0, 0}, 0};
    // Dusk: deep blue above, a warm glow low down.
    const Colour top = {28, 40, 92}, middle = {72, 86, 150}, low = {238, 170, 120};
    Colour c = y < 0.6 ? art::mix(top, middle, art::smoothstep(0, 0.6, y))
                       : art::mix(middle, low, art::smoothstep(0.6, 0.98, y));
    if (inRain(x, y)) c = art::mix(c, {210, 225, 255}, 0.7);
    if (inStick(x, y)) return {{34, 30, 44}, 1};
    if (inCanopy(x, y)) {
        // Panels alternate light and dark around the tip, brighter to the
        // upper left where the light comes from.
        const double angle = std::atan2(CANOPY_Y - y, x - CANOPY_X);  // 0 .. pi
        const int panel = static_cast<int>(angle / (M_PI / PANELS));
        const double light = 0.82 + 0.18 * art::clamp01(1.2 - (x - 0.2) - (y - 0.2));
        const Colour red = {214, 62, 74}, dark = {168, 40, 58};
        return {art::scale(panel % 2 ? dark : red, light), 1};
    }
    return {c, 1};
}
}  // namespace

bool makeIcon(const std::string& path) {
    std::vector<uint8_t> rgba(static_cast<size_t>(ICON_SIZE) * ICON_SIZE * 4);
    for (int py = 0; py < ICON_SIZE; py++) {
        for (int px = 0; px < ICON_SIZE; px++) {
            // Coverage-weighted colour: edges blend into transparency.
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < SUBSAMPLES; sy++) {
                for (int sx = 0; sx < SUBSAMPLES; sx++) {
                    const Sample s =
                        shade((px + (sx + 0.5) / SUBSAMPLES) / ICON_SIZE, (py + (sy + 0.5) / SUBSAMPLES) / ICON_SIZE);
                    r += s.colour.r * s.alpha;
                    g += s.colour.g * s.alpha;
                    b += s.colour.b * s.alpha;
                    a += s.alpha;
                }
            }
            uint8_t* p = &rgba[(static_cast<size_t>(py) * ICON_SIZE + px) * 4];
            const double n = SUBSAMPLES * SUBSAMPLES;
            const auto byte = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
            p[0] = a > 0 ? byte(r / a) : 0;
            p[1] = a > 0 ? byte(g / a) : 0;
            p[2] = a > 0 ? byte(b / a) : 0;
            p[3] = byte(255 * a / n);
        }
    }
    if (!stbi_write_png(path.c_str(), ICON_SIZE, ICON_SIZE, 4, rgba.data(), ICON_SIZE * 4)) {
        fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
