// The title's letterforms: each letter is a few pen strokes (cubic curves in
// x-height units, baseline at 0), swept with an oval nib held at a fixed angle
// so that strokes swell and thin with their direction, as a broad pen does.
#include "title_lettering.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "lighthouse_layout.h"

namespace {

using art::Plane;

const int W = 320, H = 240;
const int SS = 4;  // samples per pixel along each axis

struct Point {
    double x, y;
};

// One stroke: a chain of cubic curves, each starting where the last ended.
struct Stroke {
    std::vector<Point> p;  // p[0], then three points per curve
};

struct Letter {
    double advance;
    std::vector<Stroke> strokes;
};

Point lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// A straight segment as a curve.
void lineTo(Stroke& s, Point b) {
    const Point a = s.p.back();
    s.p.push_back(lerp(a, b, 1.0 / 3));
    s.p.push_back(lerp(a, b, 2.0 / 3));
    s.p.push_back(b);
}
void curveTo(Stroke& s, Point c1, Point c2, Point b) {
    s.p.push_back(c1);
    s.p.push_back(c2);
    s.p.push_back(b);
}
Stroke from(Point a) { return Stroke{{a}}; }

// The lower-case letters of the word, in an italic hand: oval bowls, arches
// springing from the stems, small entry hooks and exit flicks.
std::vector<Letter> word() {
    std::vector<Letter> letters;

    {  // a: bowl drawn anticlockwise from the stem, then the stem with a flick
        Letter a{0.86, {}};
        Stroke bowl = from({0.64, 0.86});
        curveTo(bowl, {0.52, 1.04}, {0.12, 1.02}, {0.04, 0.52});
        curveTo(bowl, {-0.02, 0.08}, {0.34, -0.06}, {0.63, 0.34});
        Stroke stem = from({0.70, 1.0});
        lineTo(stem, {0.64, 0.16});
        curveTo(stem, {0.62, 0.0}, {0.76, -0.04}, {0.88, 0.10});
        a.strokes = {bowl, stem};
        letters.push_back(a);
    }
    {  // m: stem with an entry hook, two arches, exit flick
        Letter m{1.22, {}};
        Stroke stem = from({-0.06, 0.84});
        curveTo(stem, {0.0, 0.92}, {0.06, 0.98}, {0.09, 1.0});
        lineTo(stem, {0.05, 0.0});
        Stroke arch1 = from({0.06, 0.58});
        curveTo(arch1, {0.16, 0.96}, {0.48, 1.10}, {0.53, 0.74});
        lineTo(arch1, {0.50, 0.0});
        Stroke arch2 = from({0.51, 0.58});
        curveTo(arch2, {0.61, 0.96}, {0.93, 1.10}, {0.98, 0.74});
        lineTo(arch2, {0.95, 0.16});
        curveTo(arch2, {0.93, 0.0}, {1.06, -0.04}, {1.17, 0.10});
        m.strokes = {stem, arch1, arch2};
        letters.push_back(m);
    }
    {  // b: tall stem with a hook at the top, bowl springing from the stem
        Letter b{0.82, {}};
        Stroke stem = from({-0.02, 1.52});
        curveTo(stem, {0.04, 1.60}, {0.10, 1.66}, {0.15, 1.68});
        lineTo(stem, {0.06, 0.06});
        Stroke bowl = from({0.08, 0.56});
        curveTo(bowl, {0.18, 0.98}, {0.64, 1.08}, {0.66, 0.56});
        curveTo(bowl, {0.67, 0.10}, {0.30, -0.08}, {0.06, 0.08});
        b.strokes = {stem, bowl};
        letters.push_back(b);
    }
    {  // r: stem with an entry hook and a short shoulder
        Letter r{0.64, {}};
        Stroke stem = from({-0.06, 0.84});
        curveTo(stem, {0.0, 0.92}, {0.06, 0.98}, {0.09, 1.0});
        lineTo(stem, {0.05, 0.0});
        Stroke shoulder = from({0.06, 0.58});
        curveTo(shoulder, {0.16, 0.94}, {0.40, 1.06}, {0.58, 0.90});
        r.strokes = {stem, shoulder};
        letters.push_back(r);
    }
    {  // e: the eye stroke up into the loop, round the back and out
        Letter e{0.72, {}};
        Stroke s = from({0.10, 0.42});
        curveTo(s, {0.34, 0.46}, {0.62, 0.60}, {0.56, 0.84});
        curveTo(s, {0.50, 1.06}, {0.08, 1.02}, {0.04, 0.50});
        curveTo(s, {0.01, 0.06}, {0.36, -0.08}, {0.64, 0.18});
        e.strokes = {s};
        letters.push_back(e);
    }
    for (int k = 0; k < 2; k++) {  // l: tall stem with a hook and a flick
        Letter l{0.44, {}};
        Stroke s = from({-0.02, 1.52});
        curveTo(s, {0.04, 1.60}, {0.10, 1.66}, {0.15, 1.68});
        lineTo(s, {0.07, 0.16});
        curveTo(s, {0.06, 0.0}, {0.18, -0.04}, {0.30, 0.10});
        l.strokes = {s};
        letters.push_back(l);
    }
    {  // e again
        Letter e = letters[4];
        letters.push_back(e);
    }
    return letters;
}

Point bezier(const Point* q, double t) {
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * q[0].x + b * q[1].x + c * q[2].x + d * q[3].x, a * q[0].y + b * q[1].y + c * q[2].y + d * q[3].y};
}

// A boolean canvas at SS x SS samples per pixel.
struct Samples {
    int w = W * SS, h = H * SS;
    std::vector<uint8_t> v = std::vector<uint8_t>(static_cast<size_t>(W * SS) * H * SS, 0);
    uint8_t& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    uint8_t get(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        return v[static_cast<size_t>(y) * w + x];
    }
};

// The oval nib: semi-axes along and across the nib edge, in samples.
struct Nib {
    double along, across, cosA, sinA;
};

void stampNib(Samples& s, double cx, double cy, const Nib& nib) {
    const int r = static_cast<int>(std::ceil(nib.along)) + 1;
    for (int y = static_cast<int>(cy) - r; y <= static_cast<int>(cy) + r; y++)
        for (int x = static_cast<int>(cx) - r; x <= static_cast<int>(cx) + r; x++) {
            if (x < 0 || y < 0 || x >= s.w || y >= s.h) continue;
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double u = (dx * nib.cosA + dy * nib.sinA) / nib.along;
            const double v = (-dx * nib.sinA + dy * nib.cosA) / nib.across;
            if (u * u + v * v <= 1.0) s.at(x, y) = 1;
        }
}

Plane downsample(const Samples& s) {
    Plane out(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            int n = 0;
            for (int j = 0; j < SS; j++)
                for (int i = 0; i < SS; i++) n += s.get(x * SS + i, y * SS + j);
            out.at(x, y) = static_cast<double>(n) / (SS * SS);
        }
    return out;
}

}  // namespace

TitleLettering::TitleLettering() : ink(W, H), outline(W, H), shadow(W, H) {
    using namespace lighthouse;
    const double slant = 0.20;
    const double xh = TITLE_X_HEIGHT * SS;
    // Nib held at 40 degrees: thick downstrokes, hairline upstrokes.
    const double angle = -40.0 * M_PI / 180.0;
    const Nib nib{0.095 * xh, 0.024 * xh, std::cos(angle), std::sin(angle)};

    Samples inked;
    double origin = 0;
    for (const Letter& letter : word()) {
        for (const Stroke& stroke : letter.strokes) {
            for (size_t k = 0; k + 3 < stroke.p.size(); k += 3) {
                Point q[4];
                for (int i = 0; i < 4; i++) {
                    const Point p = stroke.p[k + i];
                    q[i] = {(TITLE_LEFT * SS) + (origin + p.x + slant * p.y) * xh, TITLE_BASELINE * SS - p.y * xh};
                }
                const double length = std::hypot(q[1].x - q[0].x, q[1].y - q[0].y) +
                                      std::hypot(q[2].x - q[1].x, q[2].y - q[1].y) +
                                      std::hypot(q[3].x - q[2].x, q[3].y - q[2].y);
                const int steps = std::max(2, static_cast<int>(length * 3));
                for (int i = 0; i <= steps; i++) {
                    const Point p = bezier(q, static_cast<double>(i) / steps);
                    stampNib(inked, p.x, p.y, nib);
                }
            }
        }
        origin += letter.advance;
    }

    // The outline: the ink grown by a disc of 1.25 pixels.
    Samples grown;
    const int radius = static_cast<int>(1.25 * SS);
    std::vector<std::pair<int, int>> disc;
    for (int j = -radius; j <= radius; j++)
        for (int i = -radius; i <= radius; i++)
            if (i * i + j * j <= radius * radius) disc.push_back({i, j});
    int minX = grown.w, minY = grown.h, maxX = 0, maxY = 0;
    for (int y = 0; y < inked.h; y++)
        for (int x = 0; x < inked.w; x++)
            if (inked.at(x, y)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    for (int y = std::max(0, minY - radius); y <= std::min(grown.h - 1, maxY + radius); y++)
        for (int x = std::max(0, minX - radius); x <= std::min(grown.w - 1, maxX + radius); x++)
            for (const auto& d : disc)
                if (inked.get(x + d.first, y + d.second)) {
                    grown.at(x, y) = 1;
                    break;
                }

    ink = downsample(inked);
    outline = downsample(grown);
    // The shadow hugs the letters: a faint blur, one pixel across and down,
    // so the opacity stays close to the ink.
    const Plane soft = art::blurred(outline, 1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) shadow.at(x, y) = soft.get(x - 1, y - 1) > 0.08 ? soft.get(x - 1, y - 1) : 0;

    left = (minX - radius) / SS;
    right = (maxX + radius) / SS;
    top = (minY - radius) / SS;
    bottom = (maxY + radius) / SS;
}
