// credits.png and credits_opac.png: three lettered bands for the dragonfly
// scene, each a role in spaced capitals over the group's name in a sloping
// hand; cream letters in a thin dark outline so they read over sky and grass.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "art_kit.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::Colour;

const double PI = 3.14159265358979323846;
const int W = 256, H = 176;
const int SS = 4;  // samples per pixel along each axis

struct Point {
    double x, y;
};
using Path = std::vector<Point>;
struct Glyph {
    std::vector<Path> strokes;
    double advance;
};

Path line(std::initializer_list<Point> points) { return Path(points); }

// An elliptical arc, angles in degrees counter-clockwise from +x (y up).
Path arc(double cx, double cy, double rx, double ry, double from, double to) {
    Path p;
    const int steps = 48;
    for (int i = 0; i <= steps; i++) {
        const double a = (from + (to - from) * i / steps) * PI / 180.0;
        p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return p;
}

Path join(Path a, const Path& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A smooth curve through the points (Catmull-Rom, ends repeated).
Path spline(const Path& k) {
    Path p;
    const int n = static_cast<int>(k.size());
    for (int i = 0; i + 1 < n; i++) {
        const Point p0 = k[std::max(0, i - 1)], p1 = k[i], p2 = k[i + 1], p3 = k[std::min(n - 1, i + 2)];
        for (int s = 0; s < 16; s++) {
            const double t = s / 16.0, t2 = t * t, t3 = t2 * t;
            p.push_back({0.5 * (2 * p1.x + (-p0.x + p2.x) * t + (2 * p0.x - 5 * p1.x + 4 * p2.x - p3.x) * t2 +
                                (-p0.x + 3 * p1.x - 3 * p2.x + p3.x) * t3),
                         0.5 * (2 * p1.y + (-p0.y + p2.y) * t + (2 * p0.y - 5 * p1.y + 4 * p2.y - p3.y) * t2 +
                                (-p0.y + 3 * p1.y - 3 * p2.y + p3.y) * t3)});
        }
    }
    p.push_back(k.back());
    return p;
}

// Capitals in cap-height units (baseline 0, cap line 1).
Glyph capital(char c) {
    switch (c) {
        case 'A':
            return {{line({{0, 0}, {0.38, 1}, {0.76, 0}}), line({{0.15, 0.36}, {0.61, 0.36}})}, 0.76};
        case 'C':
            return {{arc(0.42, 0.5, 0.42, 0.5, 42, 318)}, 0.78};
        case 'D':
            return {{line({{0, 0}, {0, 1}}), join(join(line({{0, 1}, {0.24, 1}}), arc(0.24, 0.5, 0.46, 0.5, 90, -90)),
                                                  line({{0.24, 0}, {0, 0}}))},
                    0.7};
        case 'E':
            return {{line({{0.6, 1}, {0, 1}, {0, 0}, {0.6, 0}}), line({{0, 0.52}, {0.48, 0.52}})}, 0.6};
        case 'G':
            return {{join(arc(0.42, 0.5, 0.42, 0.5, 42, 360), line({{0.84, 0.46}, {0.5, 0.46}}))}, 0.84};
        case 'H':
            return {{line({{0, 0}, {0, 1}}), line({{0.68, 0}, {0.68, 1}}), line({{0, 0.52}, {0.68, 0.52}})}, 0.68};
        case 'I':
            return {{line({{0, 0}, {0, 1}})}, 0.0};
        case 'M':
            return {{line({{0, 0}, {0.02, 1}, {0.42, 0.28}, {0.82, 1}, {0.84, 0}})}, 0.84};
        case 'O':
            return {{arc(0.44, 0.5, 0.44, 0.5, 0, 360)}, 0.88};
        case 'P':
            return {{join(join(line({{0, 0}, {0, 1}, {0.32, 1}}), arc(0.32, 0.735, 0.3, 0.265, 90, -90)),
                          line({{0.32, 0.47}, {0, 0.47}}))},
                    0.62};
        case 'R':
            return {{join(join(line({{0, 0}, {0, 1}, {0.32, 1}}), arc(0.32, 0.74, 0.3, 0.26, 90, -90)),
                          line({{0.32, 0.48}, {0, 0.48}})),
                     line({{0.3, 0.48}, {0.66, 0}})},
                    0.66};
        case 'S':
            return {{spline({{0.6, 0.86},
                             {0.36, 1.0},
                             {0.1, 0.92},
                             {0.06, 0.72},
                             {0.26, 0.55},
                             {0.48, 0.46},
                             {0.64, 0.26},
                             {0.54, 0.05},
                             {0.28, 0.0},
                             {0.02, 0.12}})},
                    0.66};
        case 'U':
            return {{join(join(line({{0, 1}, {0, 0.36}}), arc(0.35, 0.36, 0.35, 0.36, 180, 360)),
                          line({{0.7, 0.36}, {0.7, 1}}))},
                    0.7};
    }
    return {{}, 0.5};
}

// The group's name in a sloping lower-case hand, x-height units.
Glyph small(char c) {
    switch (c) {
        case 't':
            return {{spline({{0.2, 1.42}, {0.16, 0.6}, {0.16, 0.18}, {0.3, 0.0}, {0.48, 0.1}}),
                     line({{0.0, 0.96}, {0.46, 0.96}})},
                    0.56};
        case 'o':
            return {{arc(0.34, 0.5, 0.33, 0.5, 0, 360)}, 0.8};
        case 'r':
            return {{line({{0.06, 1}, {0.06, 0}}), spline({{0.06, 0.56}, {0.18, 0.88}, {0.32, 1.0}, {0.46, 0.95}})},
                    0.6};
        case 'n':
            return {{line({{0.06, 1}, {0.06, 0}}),
                     spline({{0.06, 0.6}, {0.22, 0.92}, {0.42, 1.0}, {0.58, 0.88}, {0.62, 0.55}, {0.62, 0}})},
                    0.8};
        case 'v':
            return {{line({{0, 1}, {0.32, 0}, {0.64, 1}})}, 0.72};
        case 'a':
            return {{arc(0.32, 0.5, 0.31, 0.5, 0, 360), spline({{0.64, 1.0}, {0.64, 0.3}, {0.66, 0.06}, {0.78, 0.0}})},
                    0.86};
        case 'l':
            return {{spline({{0.12, 1.5}, {0.1, 0.6}, {0.1, 0.16}, {0.2, 0.0}, {0.34, 0.06}})}, 0.4};
        case 'e':
            return {{join(line({{0.04, 0.5}, {0.66, 0.5}}), arc(0.35, 0.5, 0.32, 0.5, 0, 310))}, 0.76};
    }
    return {{}, 0.5};
}

// A boolean canvas at SS x SS samples per pixel over the whole picture.
struct Samples {
    int w = W * SS, h = H * SS;
    std::vector<uint8_t> v = std::vector<uint8_t>(static_cast<size_t>(W * SS) * H * SS, 0);
    void disc(double cx, double cy, double r) {
        for (int y = static_cast<int>(cy - r) - 1; y <= static_cast<int>(cy + r) + 1; y++)
            for (int x = static_cast<int>(cx - r) - 1; x <= static_cast<int>(cx + r) + 1; x++) {
                if (x < 0 || y < 0 || x >= w || y >= h) continue;
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if (dx * dx + dy * dy <= r * r) v[static_cast<size_t>(y) * w + x] = 1;
            }
    }
};

// Writes one line of text with a round pen: size is the cap or x height in
// pixels, slant the forward lean, spacing the extra gap between letters.
struct Line {
    std::string text;
    bool capitals;
    double size, pen, spacing, baseline;
};

double lineWidth(const Line& l) {
    double width = 0;
    for (size_t i = 0; i < l.text.size(); i++) {
        const Glyph g = l.capitals ? capital(l.text[i]) : small(l.text[i]);
        width += g.advance * l.size + (i + 1 < l.text.size() ? l.spacing : 0);
    }
    return width;
}

void write(Samples& s, const Line& l, double centreX) {
    const double slant = l.capitals ? 0.0 : 0.18;
    double x = centreX - lineWidth(l) / 2;
    for (char ch : l.text) {
        const Glyph g = l.capitals ? capital(ch) : small(ch);
        for (const Path& path : g.strokes)
            for (size_t i = 0; i + 1 < path.size(); i++) {
                const Point a = path[i], b = path[i + 1];
                const double ax = x + (a.x + slant * a.y) * l.size, ay = l.baseline - a.y * l.size;
                const double bx = x + (b.x + slant * b.y) * l.size, by = l.baseline - b.y * l.size;
                const int steps = std::max(1, static_cast<int>(std::hypot(bx - ax, by - ay) * SS * 2));
                for (int k = 0; k <= steps; k++) {
                    const double t = static_cast<double>(k) / steps;
                    s.disc((ax + (bx - ax) * t) * SS, (ay + (by - ay) * t) * SS, l.pen * SS / 2);
                }
            }
        x += g.advance * l.size + l.spacing;
    }
}

// The bands: picture rows, the drawn width, a role over the name, and where
// the lettering sits in the band's rows (0 top, 0.5 centred, 1 bottom).
// The second band slides left across the other two, which wobble up and
// down beside it: its lettering keeps to its lower rows and the third band's
// to its upper rows, so that the words pass each other instead of crossing.
struct Band {
    int firstRow, endRow, width;
    const char* role;
    double roleSize, nameSize, align;
};
const Band BANDS[3] = {{0, 56, 180, "CODE", 15, 13, 0.5},
                       {66, 118, 130, "MUSIC", 11, 9.5, 1.0},
                       {126, 176, 110, "GRAPHICS", 11, 9.5, 0.0}};

struct Layers {
    art::Plane ink, outline, shadow;
    Layers() : ink(W, H), outline(W, H), shadow(W, H) {}
};

art::Plane downsample(const Samples& s) {
    art::Plane out(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            int n = 0;
            for (int j = 0; j < SS; j++)
                for (int i = 0; i < SS; i++) n += s.v[static_cast<size_t>(y * SS + j) * s.w + x * SS + i];
            out.at(x, y) = static_cast<double>(n) / (SS * SS);
        }
    return out;
}

Layers letter() {
    Samples inked, grown;
    for (const Band& b : BANDS) {
        const double rows = b.endRow - b.firstRow;
        // Role capitals, then the name whose ascenders reach 0.5 x-height
        // above its x-height. The margins leave room for the outline above
        // and the shadow below.
        const double gap = 0.45 * b.nameSize;
        const double block = b.roleSize + gap + 1.5 * b.nameSize;
        const double top = b.firstRow + 5 + (rows - 13 - block) * b.align;
        const Line role{b.role, true, b.roleSize, 2.5, b.roleSize * 0.36, top + b.roleSize};
        const Line name{"tornvale", false, b.nameSize, 2.4, 1.3, top + block};
        const double centre = b.width / 2.0;
        for (const Line& l : {role, name}) {
            write(inked, l, centre);
            Line wide = l;
            wide.pen += 3.2;
            write(grown, wide, centre);
        }
    }
    Layers layers;
    layers.ink = downsample(inked);
    layers.outline = downsample(grown);
    const art::Plane soft = art::blurred(layers.outline, 2);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) layers.shadow.at(x, y) = soft.get(x - 1, y - 2);
    return layers;
}

// The bands' premultiplied colour and opacity: a soft shadow, the outline,
// then the cream letters over them. Nothing outside a band's drawn width.
void composite(std::vector<Colour>& colour, std::vector<double>& opacity) {
    Layers l = letter();
    const Colour cream = {255, 248, 226}, rim = {40, 50, 34}, shadow = {28, 40, 30};
    colour.assign(W * H, {0, 0, 0});
    opacity.assign(W * H, 0);
    for (const Band& b : BANDS)
        for (int y = b.firstRow; y < b.endRow; y++)
            for (int x = 0; x < b.width; x++) {
                Colour c = {0, 0, 0};
                double a = 0;
                const auto over = [&](Colour k, double alpha) {
                    c = art::add(art::scale(k, alpha), art::scale(c, 1 - alpha));
                    a = alpha + a * (1 - alpha);
                };
                over(shadow, 0.5 * clamp01(l.shadow.at(x, y) * 1.4));
                over(rim, 0.92 * l.outline.at(x, y));
                over(cream, l.ink.at(x, y));
                // Keep the band's edges clean: a letter never runs off it.
                const double fade = clamp01(std::min(x + 1, b.width - x) / 2.0);
                const size_t at = static_cast<size_t>(y) * W + x;
                opacity[at] = a * fade;
                colour[at] = a > 0 ? art::scale(c, 1.0 / a) : Colour{0, 0, 0};
            }
}

}  // namespace

bool makeCredits(const std::string& dir) {
    std::vector<Colour> colour;
    std::vector<double> opacity;
    composite(colour, opacity);
    art::Canvas canvas(W, H, {0, 0, 0});
    canvas.c = colour;
    return savePng(canvas.toPicture(), dir + "/credits.png");
}

bool makeCreditsOpacity(const std::string& dir) {
    std::vector<Colour> colour;
    std::vector<double> opacity;
    composite(colour, opacity);
    Picture p(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) art::setGrey(p, x, y, opacity[static_cast<size_t>(y) * W + x]);
    return savePng(p, dir + "/credits_opac.png");
}
