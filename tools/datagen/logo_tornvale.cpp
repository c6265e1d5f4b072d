// tornvale.png and tornvale_opac.png: the group logo, "tornvale" lettered in
// an italic broad-nib hand, dark ink in a soft pale halo, centred in the rows
// the scene draws (81..154). The letters are strokes written with a nib held
// at a fixed angle, so thick and thin fall where a pen puts them.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "datagen.h"
#include "makers.h"
#include "soft_paint.h"

namespace {

using softpaint::clamp01;
using softpaint::Colour;
using softpaint::mix;
using softpaint::smoothstep;

const int W = 320;
const int H = 240;
const double PI = 3.14159265358979323846;

// The drawn rows and the columns of their first and last row.
const int FIRST_ROW = 81, LAST_ROW = 154;
const double CENTRE_X = 161, CENTRE_Y = (FIRST_ROW + LAST_ROW) / 2.0;

struct Point {
    double x, y;
};
// A pen stroke through these points (em units: x-height 1, y up from the
// baseline), drawn as a smooth curve through every point.
using Stroke = std::vector<Point>;
struct Glyph {
    std::vector<Stroke> strokes;
    double advance;
};

// The eight letters of the name.
// One stroke per line: the table is kept as written.
// clang-format off
Glyph glyphFor(char c) {
    switch (c) {
        case 't':
            return {{{{0.34, 1.58}, {0.29, 1.0}, {0.24, 0.32}, {0.32, 0.03}, {0.52, 0.06}, {0.64, 0.2}},
                     {{0.02, 0.97}, {0.34, 0.99}, {0.66, 1.01}}},
                    0.68};
        case 'o':
            return {{{{0.5, 1.0}, {0.2, 0.86}, {0.08, 0.45}, {0.22, 0.04}, {0.45, -0.01}, {0.66, 0.2},
                      {0.72, 0.62}, {0.6, 0.95}, {0.42, 1.0}, {0.3, 0.95}}},
                    0.84};
        case 'r':
            return {{{{0.14, 1.0}, {0.11, 0.5}, {0.08, 0.0}}, {{0.11, 0.52}, {0.24, 0.86}, {0.46, 1.0}, {0.64, 0.9}}},
                    0.7};
        case 'n':
            return {{{{0.14, 1.0}, {0.11, 0.5}, {0.08, 0.0}},
                     {{0.11, 0.58}, {0.28, 0.92}, {0.5, 1.0}, {0.66, 0.84}, {0.66, 0.45}, {0.64, 0.12},
                      {0.76, 0.0}, {0.92, 0.1}}},
                    0.96};
        case 'v':
            return {{{{0.0, 0.96}, {0.14, 1.0}, {0.26, 0.52}, {0.36, 0.01}}, {{0.36, 0.01}, {0.62, 0.6}, {0.74, 0.96}, {0.86, 1.02}}},
                    0.86};
        case 'a':
            return {{{{0.66, 0.8}, {0.44, 1.0}, {0.2, 0.84}, {0.08, 0.4}, {0.24, 0.01}, {0.46, 0.1}, {0.64, 0.46}},
                     {{0.7, 1.0}, {0.66, 0.5}, {0.64, 0.12}, {0.76, 0.0}, {0.92, 0.1}}},
                    0.86};
        case 'l':
            return {{{{0.36, 1.76}, {0.3, 1.1}, {0.24, 0.3}, {0.32, 0.02}, {0.5, 0.12}}}, 0.56};
        case 'e':
            return {{{{0.14, 0.46}, {0.46, 0.6}, {0.66, 0.84}, {0.48, 1.0}, {0.2, 0.82}, {0.08, 0.4}, {0.28, 0.01},
                      {0.54, 0.04}, {0.72, 0.22}}},
                    0.82};
    }
    return {{}, 0.6};
}
// clang-format on

// Catmull-Rom through the points (the ends repeated), sampled densely.
std::vector<Point> tracePath(const Stroke& s, int samplesPerSpan) {
    std::vector<Point> out;
    const int n = static_cast<int>(s.size());
    for (int i = 0; i + 1 < n; i++) {
        const Point p0 = s[std::max(i - 1, 0)], p1 = s[i], p2 = s[i + 1], p3 = s[std::min(i + 2, n - 1)];
        for (int k = 0; k < samplesPerSpan; k++) {
            const double t = static_cast<double>(k) / samplesPerSpan, t2 = t * t, t3 = t2 * t;
            out.push_back({0.5 * (2 * p1.x + (-p0.x + p2.x) * t + (2 * p0.x - 5 * p1.x + 4 * p2.x - p3.x) * t2 +
                                  (-p0.x + 3 * p1.x - 3 * p2.x + p3.x) * t3),
                           0.5 * (2 * p1.y + (-p0.y + p2.y) * t + (2 * p0.y - 5 * p1.y + 4 * p2.y - p3.y) * t2 +
                                  (-p0.y + 3 * p1.y - 3 * p2.y + p3.y) * t3)});
        }
    }
    out.push_back(s.back());
    return out;
}

// Coverage of the lettering (0..1 per pixel) and of what lies under it: a
// thin pale keyline hugging the strokes, a soft shadow cast down and to the
// right, and a faint wide halo. The keyline parts the dark letters from
// anything dark behind them (the feather); the shadow lifts them off the pale
// sky.
struct Lettering {
    std::vector<double> ink = std::vector<double>(W * H, 0.0);
    std::vector<double> key = std::vector<double>(W * H, 0.0);
    std::vector<double> shadow = std::vector<double>(W * H, 0.0);
    std::vector<double> halo = std::vector<double>(W * H, 0.0);
};

// Three box passes each way (close to a Gaussian), edges clamped.
std::vector<double> blurred(const std::vector<double>& in, int radius) {
    std::vector<double> out = in, h(W * H, 0.0);
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                double s = 0;
                for (int k = -radius; k <= radius; k++) s += out[y * W + std::clamp(x + k, 0, W - 1)];
                h[y * W + x] = s / (2 * radius + 1);
            }
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                double s = 0;
                for (int k = -radius; k <= radius; k++) s += h[std::clamp(y + k, 0, H - 1) * W + x];
                out[y * W + x] = s / (2 * radius + 1);
            }
    }
    return out;
}

const int SUPER = 4;
const double EM = 29;                          // pixels per x-height
const double SLANT = std::tan(13 * PI / 180);  // italic lean
const double NIB_ANGLE = 38 * PI / 180;        // pen angle from the horizontal
const double NIB_WIDTH = 0.2;                  // em
const double NIB_THIN = 0.05;                  // em: the hairline

const Lettering& lettering() {
    static Lettering result = [] {
        const char* word = "tornvale";
        // Pen positions in em, laid out left to right.
        std::vector<std::vector<Point>> paths;
        double penX = 0;
        for (const char* c = word; *c; c++) {
            const Glyph g = glyphFor(*c);
            for (const Stroke& s : g.strokes) {
                std::vector<Point> p = tracePath(s, 60);
                for (Point& q : p) q = {q.x + penX + q.y * SLANT, q.y};
                paths.push_back(p);
            }
            penX += g.advance;
        }
        // Bounds of the ink, nib included, to centre the word.
        double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
        for (const auto& p : paths)
            for (const Point& q : p) {
                minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
                minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
            }
        const double margin = NIB_WIDTH * 0.5;
        const double originX = CENTRE_X - EM * (minX + maxX) * 0.5;
        const double baselineY = CENTRE_Y + EM * (minY - margin + maxY + margin) * 0.5;

        // Stamp the nib (a thin rotated ellipse) along every path on a fine
        // grid, then average down to pixels.
        const int SW = W * SUPER, SH = H * SUPER;
        std::vector<uint8_t> fine(static_cast<size_t>(SW) * SH, 0);
        const double nx = std::cos(NIB_ANGLE), ny = -std::sin(NIB_ANGLE);  // screen y is down
        const double a = NIB_WIDTH * 0.5 * EM * SUPER, b = NIB_THIN * 0.5 * EM * SUPER;
        for (const auto& p : paths)
            for (const Point& q : p) {
                const double cx = (originX + q.x * EM) * SUPER, cy = (baselineY - q.y * EM) * SUPER;
                const int x0 = static_cast<int>(cx - a - 2), x1 = static_cast<int>(cx + a + 2);
                const int y0 = static_cast<int>(cy - a - 2), y1 = static_cast<int>(cy + a + 2);
                for (int y = std::max(y0, 0); y <= std::min(y1, SH - 1); y++)
                    for (int x = std::max(x0, 0); x <= std::min(x1, SW - 1); x++) {
                        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                        const double u = (dx * nx + dy * ny) / a, v = (-dx * ny + dy * nx) / b;
                        if (u * u + v * v <= 1) fine[static_cast<size_t>(y) * SW + x] = 1;
                    }
            }
        Lettering l;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                int sum = 0;
                for (int sy = 0; sy < SUPER; sy++)
                    for (int sx = 0; sx < SUPER; sx++)
                        sum += fine[static_cast<size_t>(y * SUPER + sy) * SW + x * SUPER + sx];
                l.ink[y * W + x] = sum / static_cast<double>(SUPER * SUPER);
            }
        // Keyline: the ink spread by about a pixel and a half. Shadow: the
        // ink blurred and moved 2 pixels right and down. Halo: the ink
        // blurred wide. All fade out before the first and last drawn rows,
        // so the scene's row limits never cut them with a hard edge.
        const std::vector<double> spread = blurred(l.ink, 1), soft = blurred(l.ink, 2), wide = blurred(l.ink, 5);
        for (int y = 0; y < H; y++) {
            const double window = smoothstep(FIRST_ROW, FIRST_ROW + 6, y) * smoothstep(LAST_ROW, LAST_ROW - 6, y);
            for (int x = 0; x < W; x++) {
                const int i = y * W + x;
                l.key[i] = smoothstep(0.04, 0.3, spread[i]) * window;
                const int sx = std::max(0, x - 2), sy = std::max(0, y - 2);
                l.shadow[i] = clamp01(soft[sy * W + sx] * 1.8) * window;
                l.halo[i] = clamp01(wide[i] * 3.2) * window;
            }
        }
        return l;
    }();
    return result;
}

// Only the rows the scene draws carry the logo (and of their first and last
// row, columns 51..274).
bool drawn(int x, int y) {
    if (y < FIRST_ROW || y > LAST_ROW) return false;
    if (y == FIRST_ROW) return x >= 51;
    if (y == LAST_ROW) return x <= 274;
    return true;
}

const double HALO_OPACITY = 0.22, KEY_OPACITY = 0.8, SHADOW_OPACITY = 0.4;
const Colour INK_TOP{54, 36, 72}, INK_BOTTOM{98, 46, 58};
const Colour HALO{255, 250, 238}, KEY{255, 248, 234}, SHADOW{52, 36, 66};

// The logo at a pixel: shadow, halo, keyline and ink laid one over the
// other; the colour that, blended with the returned opacity, gives that
// stack over whatever the scene shows.
struct Layered {
    Colour colour;
    double opacity;
};

Layered layered(int x, int y) {
    const Lettering& l = lettering();
    const int i = y * W + x;
    const Colour inkColour = mix(INK_TOP, INK_BOTTOM, smoothstep(92, 146, y));
    const struct {
        Colour c;
        double a;
    } layers[] = {{SHADOW, l.shadow[i] * SHADOW_OPACITY},
                  {HALO, l.halo[i] * HALO_OPACITY},
                  {KEY, l.key[i] * KEY_OPACITY},
                  {inkColour, l.ink[i]}};
    // Premultiplied "over", bottom layer first.
    Colour sum{0, 0, 0};
    double alpha = 0;
    for (const auto& layer : layers) {
        sum = {layer.c.r * layer.a + sum.r * (1 - layer.a), layer.c.g * layer.a + sum.g * (1 - layer.a),
               layer.c.b * layer.a + sum.b * (1 - layer.a)};
        alpha = layer.a + alpha * (1 - layer.a);
    }
    if (alpha <= 0) return {KEY, 0};
    return {softpaint::scale(sum, 1 / alpha), alpha};
}

}  // namespace

bool makeLogo(const std::string& dir) {
    Picture picture(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const Colour c = layered(x, y).colour;
            picture.setDithered(x, y, c.r, c.g, c.b);
        }
    return savePng(picture, dir + "/tornvale.png");
}

bool makeLogoOpacity(const std::string& dir) {
    Picture picture(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double total = drawn(x, y) ? layered(x, y).opacity : 0;
            const int level = static_cast<int>(std::lround(63 * total));
            const int byte = (level << 2) | (level >> 4);
            picture.set(x, y, byte, byte, byte);
        }
    return savePng(picture, dir + "/tornvale_opac.png");
}
