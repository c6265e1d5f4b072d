// bg2.png and drops01.png: a rainy day seen through a wet window (a pale
// village under an overcast sky) and the sheet of drop lenses that refract
// it.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;

const int W = 320, H = 240;

// Where the street meets the houses; the wet street mirrors what stands on it.
const double STREET_Y = 174;

// Overcast: brightest overhead, close to the pale blue-white of the nearest
// rain streaks so that they melt into it, greyer toward the hills, with soft
// cloud banks whose darker bellies give the drops something to show.
Colour skyAt(double x, double y, const art::ValueNoise& noise) {
    Colour c = mix({236, 238, 252}, {204, 210, 222}, smoothstep(10, 112, y));
    const double n = noise.fbm(x / 90.0, y / 22.0);
    const double fade = 1 - smoothstep(78, 112, y);
    c = mix(c, {192, 198, 214}, 0.6 * smoothstep(0.0, 0.28, n) * fade);
    c = mix(c, {238, 240, 254}, 0.6 * smoothstep(-0.04, -0.26, n) * fade);
    return c;
}

// A smooth edge of about one pixel: 1 below the line, 0 above it.
double below(double y, double line) { return clamp01(y + 0.5 - line); }

struct House {
    double left, right, eaves, base, roofRise;
    Colour wall, roof;
    bool chimney;
};

void paintHouse(art::Canvas& canvas, const House& h, double haze, const Colour& mist) {
    const double mid = 0.5 * (h.left + h.right), half = 0.5 * (h.right - h.left) + 2;
    for (int y = static_cast<int>(h.eaves - h.roofRise - 8); y < static_cast<int>(h.base) + 1; y++)
        for (int x = static_cast<int>(h.left) - 3; x < static_cast<int>(h.right) + 4; x++) {
            if (x < 0 || x >= W || y < 0 || y >= H) continue;
            const double px = x + 0.5, py = y + 0.5;
            // Walls, lit a little from the left, with a few windows.
            const double wallCover = clamp01(px - h.left + 0.5) * clamp01(h.right - px + 0.5) * below(py, h.eaves) *
                                     clamp01(h.base - py + 0.5);
            if (wallCover > 0) {
                Colour wall = mix(h.wall, art::scale(h.wall, 0.86), smoothstep(h.left, h.right, px));
                const double wx = std::fmod(px - h.left - 3, 8.0), wy = std::fmod(py - h.eaves, 10.0);
                if (px > h.left + 3 && px < h.right - 3 && wx > 0 && wx < 4 && wy > 3 && wy < 8.5 && py < h.base - 4)
                    wall = {118, 122, 134};
                canvas.over(x, y, mix(wall, mist, haze), wallCover);
            }
            // The roof: a pitched triangle with a small overhang.
            const double roofLine = h.eaves - h.roofRise * (1 - std::fabs(px - mid) / half);
            const double roofCover =
                below(py, roofLine) * clamp01(h.eaves + 1.5 - py) * clamp01(half - std::fabs(px - mid));
            if (roofCover > 0) {
                const Colour roof = mix(h.roof, art::scale(h.roof, 0.78), smoothstep(mid - half, mid + half, px));
                canvas.over(x, y, mix(roof, mist, haze), roofCover);
            }
            if (h.chimney && px > mid + half * 0.35 && px < mid + half * 0.35 + 3 && py > h.eaves - h.roofRise - 4 &&
                py < roofLine + 1)
                canvas.over(x, y, mix({140, 110, 104}, mist, haze), 1);
        }
}

// A rounded tree crown with a soft, irregular outline, darker underneath.
void paintTree(art::Canvas& canvas, double cx, double cy, double r, Colour leaf, double haze, const Colour& mist,
               const art::ValueNoise& noise) {
    for (int y = static_cast<int>(cy - r - 4); y < static_cast<int>(cy + r + 14); y++)
        for (int x = static_cast<int>(cx - r - 4); x < static_cast<int>(cx + r + 5); x++) {
            if (x < 0 || x >= W || y < 0 || y >= H) continue;
            const double dx = x + 0.5 - cx, dy = (y + 0.5 - cy) * 1.1;
            const double edge = r * (1 + 0.18 * noise.fbm(x / 5.0 + cx, y / 5.0));
            const double crown = clamp01(edge - std::hypot(dx, dy) + 0.5);
            const Colour c = mix(art::scale(leaf, 1.12), art::scale(leaf, 0.8), smoothstep(-r, r, dy - 0.4 * dx));
            canvas.over(x, y, mix(c, mist, haze), crown);
            // A short trunk under the crown.
            if (std::fabs(x + 0.5 - cx) < 1.2 && y + 0.5 > cy && y + 0.5 < cy + r + 10)
                canvas.over(x, y, mix({96, 88, 84}, mist, haze), 0.9);
        }
}

// Someone walking under an umbrella: a ribbed dome on its shaft, a head
// under it, a coat lit from the left, legs and dark shoes. A dome sitting
// straight on a block of coat read as a dark, headless blob; held high
// over the head, once the town is out of focus, the canopies floated free
// of their walkers. Now they sit just above the hair.
// tilt leans the umbrella sideways (its top moves by tilt per unit of
// height above the hand); stride spreads the legs mid-step.
void paintWalker(art::Canvas& canvas, double cx, double top, double r, Colour shade, Colour coat, double tilt,
                 double stride) {
    const Colour skin = {214, 176, 150}, hair = {70, 56, 52}, shoe = {44, 42, 50};
    const double lift = 0.06 * r, wide = 1.15 * r;
    for (int y = static_cast<int>(top - lift - 3); y < static_cast<int>(top + 3.4 * r); y++)
        for (int x = static_cast<int>(cx - wide - 2); x < static_cast<int>(cx + wide + 3); x++) {
            if (x < 0 || x >= W || y < 0 || y >= H) continue;
            const double px = x + 0.5 - cx, py = y + 0.5 - top;
            // Where the umbrella's axis passes at this height.
            const double ax = px - tilt * (1.4 * r - py);
            // The canopy, just clear of the head: half an ellipse with a
            // scalloped rim, its ribs a shade darker, and the tip above it.
            const double u = ax / wide, v = (py + lift - 0.55 * r) / (0.55 * r);
            const double scallop = 0.08 * std::fabs(std::sin(u * 3 * 3.14159));
            if (v < scallop && u * u + v * v < 1) {
                const double lit = smoothstep(0.6, -0.6, u + 0.4 * v);
                Colour c = mix(art::scale(shade, 0.8), art::scale(shade, 1.12), lit);
                const double ribAt = 0.5 * std::sqrt(std::max(0.0, 1 - v * v));
                const double rib = std::min(std::fabs(u - ribAt), std::fabs(u + ribAt));
                c = mix(c, art::scale(shade, 0.62), 0.7 * smoothstep(0.09, 0.03, rib) * smoothstep(-0.95, -0.6, v));
                canvas.over(x, y, c, 1);
                continue;
            }
            if (std::fabs(ax) < 0.75 && py + lift > -0.12 * r - 1.5 && py + lift < 0.1 * r) {
                canvas.over(x, y, art::scale(shade, 0.5), 1);
                continue;
            }
            // The head, just under the rim, hair on top.
            const double hx = px / (0.3 * r), hy = (py - 0.82 * r) / (0.3 * r);
            if (hx * hx + hy * hy < 1) {
                canvas.over(x, y, hy < -0.1 ? hair : mix(skin, art::scale(skin, 0.8), smoothstep(-0.5, 0.8, hx)), 1);
                continue;
            }
            // The coat, a little wider at the hem, lit from the left.
            const double body = 0.55 * r * (1 - 0.2 * (py - 0.55 * r) / (2.2 * r));
            if (py > 1.05 * r && py < 2.1 * r && std::fabs(px) < body) {
                canvas.over(x, y, mix(art::scale(coat, 1.2), art::scale(coat, 0.78), smoothstep(-1, 1, px / body)), 1);
                continue;
            }
            // The shaft, showing between the canopy and the head.
            if (std::fabs(ax) < 0.75 && py > 0.55 * r - lift && py < 1.4 * r) {
                canvas.over(x, y, {50, 44, 44}, 1);
                continue;
            }
            const double spread = 0.2 * r + stride * (py - 2.1 * r);
            if (py >= 2.1 * r && py < 3.1 * r &&
                (std::fabs(px - spread) < 0.14 * r || std::fabs(px + spread) < 0.14 * r))
                canvas.over(x, y, py > 2.9 * r ? shoe : art::scale(coat, 0.8), 1);
        }
}

void paintView(art::Canvas& canvas, const art::ValueNoise& noise) {
    const Colour mist = {198, 204, 216};
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) canvas.at(x, y) = skyAt(x + 0.5, y + 0.5, noise);
    // Two ridges of hills, the far one almost lost in the rain.
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double far = 104 + 11 * noise.fbm(x / 85.0, 1.7) + 5 * std::sin(x / 61.0 + 1);
            canvas.over(x, y, {188, 196, 208}, below(y + 0.5, far));
            const double nearRidge = 122 + 10 * noise.fbm(x / 48.0 + 7, 4.1) + 4 * std::sin(x / 37.0);
            const Colour wood = mix({156, 172, 170}, {138, 156, 150}, smoothstep(nearRidge, nearRidge + 30, y));
            canvas.over(x, y, wood, below(y + 0.5, nearRidge));
        }
    Rng rng(0x7A1E);
    const Colour walls[4] = {{214, 204, 188}, {204, 190, 170}, {192, 188, 186}, {216, 196, 178}};
    const Colour roofs[3] = {{160, 96, 84}, {146, 104, 96}, {112, 110, 124}};
    const Colour leaf = {100, 128, 104};
    // The back row of houses, with trees between them, and a church tower.
    for (double x = -6; x < W;) {
        const double w = 14 + 12 * rng.uniform();
        House h{x, x + w, 138 + 8 * rng.uniform(), 160, 5 + 5 * rng.uniform(), {}, {}, false};
        h.wall = walls[rng.next() % 4];
        h.roof = roofs[rng.next() % 3];
        h.chimney = rng.uniform() < 0.5;
        if (rng.uniform() < 0.3)
            paintTree(canvas, x + 0.5 * w, 136 + 6 * rng.uniform(), 8 + 4 * rng.uniform(), leaf, 0.55, mist, noise);
        else
            paintHouse(canvas, h, 0.55, mist);
        x += w + 3 + 6 * rng.uniform();
    }
    {
        House tower{226, 238, 118, 166, 0, {214, 208, 200}, {120, 118, 132}, false};
        paintHouse(canvas, tower, 0.45, mist);
        for (int y = 88; y < 120; y++)
            for (int x = 222; x < 243; x++) {
                const double half = 7.5 * (y + 0.5 - 90) / 30.0;
                canvas.over(x, y, mix({112, 112, 130}, mist, 0.45), clamp01(half - std::fabs(x + 0.5 - 232) + 0.5));
            }
    }
    // The front row: larger, nearer, clearer.
    for (double x = -10; x < W;) {
        const double w = 20 + 24 * rng.uniform();
        House h{x, x + w, 146 + 14 * rng.uniform(), STREET_Y, 7 + 0.35 * w * rng.uniform(), {}, {}, false};
        h.wall = walls[rng.next() % 4];
        h.roof = roofs[rng.next() % 3];
        h.chimney = rng.uniform() < 0.6;
        paintHouse(canvas, h, 0.3, mist);
        x += w + 4 + 18 * rng.uniform();
        if (rng.uniform() < 0.6) {
            paintTree(canvas, x - 4, 156 + 4 * rng.uniform(), 8 + 5 * rng.uniform(), leaf, 0.35, mist, noise);
        }
    }
    // The wet street: it mirrors the houses in broken vertical smears and
    // darkens toward the window, where the nearest rain shows against it.
    for (int y = static_cast<int>(STREET_Y); y < H; y++)
        for (int x = 0; x < W; x++) {
            const double depth = (y - STREET_Y) / (H - STREET_Y);
            const int mirror = std::max(0, static_cast<int>(2 * STREET_Y - y - 1));
            const Colour above = canvas.at(x, mirror);
            const Colour c = mix({172, 178, 190}, {122, 128, 144}, smoothstep(0, 1, depth));
            const double wet = 0.5 * (1 - 0.7 * depth) * (0.7 + 0.3 * noise.at(x / 3.0, y / 14.0));
            canvas.at(x, y) = mix(c, above, wet);
        }
    // The kerb.
    for (int x = 0; x < W; x++) canvas.over(x, static_cast<int>(STREET_Y), {150, 154, 162}, 0.6);
    // People under umbrellas, their reflections on the street.
    // Each in a coat of their own, holding the umbrella a little differently,
    // some mid-step: seven grey coats in one pose looked stamped.
    const struct {
        double x, top, r;
        Colour shade, coat;
        double tilt, stride;
    } walkers[] = {{98, 168, 7, {118, 168, 96}, {150, 110, 80}, 0.15, 0.3},
                   {232, 167, 7, {214, 132, 170}, {70, 96, 84}, -0.1, 0},
                   {306, 170, 8, {226, 146, 72}, {86, 88, 100}, 0.05, 0.25},
                   {58, 176, 11, {206, 84, 80}, {178, 160, 118}, -0.15, 0.28},
                   {150, 184, 13, {232, 190, 86}, {96, 92, 102}, 0.08, 0},
                   {176, 172, 9, {84, 146, 156}, {128, 72, 70}, -0.05, 0.3},
                   {268, 180, 12, {92, 104, 158}, {58, 62, 78}, 0.2, 0.12}};
    for (const auto& w : walkers) {
        const double feet = w.top + 3.1 * w.r;
        for (int y = static_cast<int>(feet); y < std::min<double>(H, feet + 2.5 * w.r); y++)
            for (int x = static_cast<int>(w.x - w.r); x < static_cast<int>(w.x + w.r); x++) {
                if (x < 0 || x >= W) continue;
                const double u = (x + 0.5 - w.x) / (0.5 * w.r), v = (y - feet) / (2.5 * w.r);
                canvas.over(x, y, w.shade, 0.3 * std::exp(-u * u) * (1 - v));
            }
        paintWalker(canvas, w.x, w.top, w.r, w.shade, w.coat, w.tilt, w.stride);
    }
}

// Rain mutes a view, but a grey picture under grey streaks reads as washed
// out rather than wet: colour and contrast are lifted. The contrast is kept
// off the overcast sky, which must stay no brighter than the pale streaks the
// scene draws over it, or they show there as grey scratches.
void enliven(art::Canvas& canvas) {
    art::enliven(canvas, 1.45, 1.18, [](int y) { return smoothstep(70, 130, y); });
}

// Rain falling outside, between the glass and the houses, straight down in
// the still air: a dense veil of fine, faint strokes far off and fewer,
// longer, softer ones nearer. Pale like the sharp streaks drawn over the
// picture, so those join them as the nearest rain; lost against the sky,
// seen against the street.
void paintFallingRain(art::Canvas& canvas) {
    const Colour rain = {232, 234, 248};
    Rng rng(0x5A1F);
    auto stroke = [&canvas, &rain](double x, double y0, double length, double strength, double width) {
        for (int y = static_cast<int>(y0); y < static_cast<int>(y0 + length) + 1; y++) {
            // Brightest a little below the middle, fading at both ends.
            const double t = clamp01((y + 0.5 - y0) / length), along = std::pow(std::sin(3.14159 * t), 0.7);
            for (int ix = static_cast<int>(x - width) - 1; ix <= static_cast<int>(x + width) + 1; ix++) {
                const double across = clamp01(width + 0.5 - std::fabs(ix + 0.5 - x)) / std::max(1.0, width);
                canvas.over(ix, y, rain, strength * along * across);
            }
        }
    };
    for (int k = 0; k < 2600; k++) {
        const double x = rng.uniform() * W, y0 = rng.uniform() * (H + 12) - 12;
        stroke(x, y0, 4 + 8 * rng.uniform(), 0.06 + 0.14 * rng.uniform(), 0.5);
    }
    for (int k = 0; k < 320; k++) {
        const double x = rng.uniform() * W, y0 = rng.uniform() * (H + 30) - 30;
        stroke(x, y0, 14 + 20 * rng.uniform(), 0.1 + 0.16 * rng.uniform(), 0.9);
    }
    // A few nearer drops caught sharper, of the streaks' own length.
    for (int k = 0; k < 240; k++) {
        const double x = std::floor(rng.uniform() * W) + 0.5, y0 = rng.uniform() * (H + 12) - 12;
        stroke(x, y0, 7 + 8 * rng.uniform(), 0.16 + 0.2 * rng.uniform(), 0.5);
    }
}

// The glass itself: a breath of mist, thicker toward the sill, a scatter of
// tiny beads caught on it, and a soft darkening of the lower corners (the
// upper ones stay as pale as the streaks).
void glass(art::Canvas& canvas) {
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            Colour& c = canvas.at(x, y);
            c = mix(c, {206, 210, 222}, 0.05 + 0.05 * smoothstep(150, 240, y));
            const double dx = (x - W / 2.0) / (W / 2.0), dy = (y - H / 2.0) / (H / 2.0);
            c = art::scale(c, 1 - 0.08 * smoothstep(0.6, 2.0, dx * dx + dy * std::fabs(dy)));
        }
    Rng rng(0x6EAD);
    for (int k = 0; k < 260; k++) {
        const double bx = rng.uniform() * W, by = rng.uniform() * H, r = 0.8 + 1.1 * rng.uniform() * rng.uniform();
        for (int y = static_cast<int>(by - r - 1); y <= static_cast<int>(by + r + 1); y++)
            for (int x = static_cast<int>(bx - r - 1); x <= static_cast<int>(bx + r + 1); x++) {
                const double u = (x + 0.5 - bx) / r, v = (y + 0.5 - by) / r, d = std::hypot(u, v);
                // A lit upper side and a shaded lower edge, as a bead shows
                // a bright sky above it.
                const double body = clamp01(1.5 - d) * 0.8;
                canvas.over(x, y, {240, 242, 248}, body * 0.35 * smoothstep(0.6, -0.6, v));
                canvas.over(x, y, {118, 124, 138}, body * 0.22 * smoothstep(0.0, 0.9, v));
            }
    }
}

// One drop's outline in its 32 x 32 cell: a round bead, not quite a circle
// (water sits a little unevenly on glass); once it slides it grows heavier
// at the bottom and leaves a thin wet trail above it.
struct DropShape {
    double cx, cy, r;
    double stretch;  // height / width
    double taper;    // how much wider the lower half is
    double wobble;   // unevenness of the outline, a fraction of r
    double phase;    // where the outline bulges
    double trail;    // half width of the wet trail above a sliding bead, 0 for none
};

// Ages 0..4 rest and grow; 5..7 slide, drawn out downward. Small: beads a
// third larger read as floating bubbles cluttering the town in frames seen
// on their own, though side by side they looked more like water.
const DropShape SHAPES[8] = {
    {16, 16, 1.40, 1.0, 0, 0.03, 0.4, 0},       {16, 16, 2.06, 0.96, 0, 0.05, 1.3, 0},
    {16, 16, 2.70, 1.02, 0, 0.05, 2.2, 0},      {16, 16, 3.34, 0.97, 0, 0.06, 0.9, 0},
    {16, 16, 3.88, 1.0, 0, 0.06, 1.7, 0},       {16, 19, 3.88, 1.08, 0.1, 0.05, 1.7, 1.0},
    {16, 20, 3.78, 1.14, 0.14, 0.05, 2.4, 1.2}, {16, 20.5, 3.73, 1.18, 0.16, 0.04, 3.0, 1.3},
};

// Where a point of the cell lies in the bead: inside or not, and its place
// in the bead's own frame (-1..1 across and down, 1 on the outline).
struct BeadPoint {
    bool inside;
    double qx, qy;
};

BeadPoint locate(const DropShape& s, double x, double y) {
    const double u = x - s.cx, v = y - s.cy;
    const double ry = s.r * s.stretch;
    double qy = v / ry;
    double qx = u / (s.r * (1 + s.taper * qy));
    const double angle = std::atan2(qy, qx);
    const double outline = 1 + s.wobble * (std::cos(2 * angle + s.phase) + 0.5 * std::cos(3 * angle + 2 * s.phase));
    qx /= outline;
    qy /= outline;
    return {qx * qx + qy * qy < 1.0, qx, qy};
}

// One cell of the sheet as pulls in steps of 4 pixels; dx < 0 marks a pixel
// the bead leaves alone.
struct Pull {
    int dx = -1, dy = -1;
};
using Cell = std::array<std::array<Pull, 32>, 32>;

// The engine pulls the picture only from the right and below, and lightens
// every pulled pixel by the length of the pull (dx + dy steps), so a clear
// bead keeps its pulls short. It shows the strip of the view just below it,
// upside down and enlarged; only a thin crescent of focused light along the
// lower rim and a tiny window reflection near the top are lifted further.
// An odd pull would lift green alone and tint the water, so every pull
// inside the bead has an even length.
Cell beadCell(const DropShape& s) {
    Cell cell;
    bool inside[32][32] = {};
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            int n = 0;
            for (int j = 0; j < 2; j++)
                for (int i = 0; i < 2; i++) n += locate(s, x + 0.25 + 0.5 * i, y + 0.25 + 0.5 * j).inside;
            inside[y][x] = n >= 2;
        }
    auto in = [&inside](int x, int y) { return x >= 0 && y >= 0 && x < 32 && y < 32 && inside[y][x]; };
    const double ry = s.r * s.stretch;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            if (!in(x, y)) continue;
            const BeadPoint p = locate(s, x + 0.5, y + 0.5);
            const double qy = std::clamp(p.qy, -1.0, 1.0), q2 = std::min(1.0, p.qx * p.qx + qy * qy);
            // Rows turn about a point below the bead, enlarged several times
            // at its middle and less toward the rim; columns stay upright,
            // stretched about two and a half times from a point to its right.
            const double qx = std::clamp(p.qx, -1.0, 1.0);
            const double flip = 1.15 + 0.1 * q2;
            const double pullY = std::max(0.0, (1.05 - flip * qy) * ry) / 4;
            const double pullX = std::max(0.0, (0.55 - 0.6 * qx) * s.r) / 4;
            // The nearest pull of even length.
            Pull& c = cell[y][x];
            double best = 1e9;
            for (int dy = static_cast<int>(pullY); dy <= static_cast<int>(pullY) + 1; dy++)
                for (int dx = static_cast<int>(pullX); dx <= static_cast<int>(pullX) + 1; dx++) {
                    const double miss = std::fabs(dx - pullX) + std::fabs(dy - pullY);
                    if ((dx + dy) % 2 == 0 && miss < best) best = miss, c.dx = dx, c.dy = dy;
                }
            // The crescent: the lowest pixels of the lower half of the rim.
            const bool edgeBelow = !in(x, y + 1) || !in(x - 1, y + 1) || !in(x + 1, y + 1);
            if (edgeBelow && qy > 0.25) {
                const int lift = qy > 0.6 ? 4 : 2;
                c.dx = lift, c.dy = lift;
            }
        }
    // The window reflection: the pixel nearest a point up and to the left of
    // the centre lifted almost to white, with softer neighbours on larger
    // beads. Its pull reaches mostly sideways, so that beads low on the
    // screen still find picture to lift.
    const int hx = static_cast<int>(std::floor(s.cx - 0.38 * s.r)), hy = static_cast<int>(std::floor(s.cy - 0.45 * ry));
    if (in(hx, hy)) cell[hy][hx] = {15, 7};
    if (s.r > 5 && in(hx + 1, hy)) cell[hy][hx + 1] = {8, 4};
    if (s.r > 6.5 && in(hx, hy + 1)) cell[hy + 1][hx] = {6, 4};
    // The wet trail of a sliding bead: a film too thin to bend much, a
    // little lighter than the glass around it.
    if (s.trail > 0) {
        for (int y = 0; y < 32; y++) {
            const double centre = s.cx - 0.5 + 0.7 * std::sin(y / 4.5 + s.phase);
            const double width = s.trail * (0.45 + 0.55 * y / 32.0);
            for (int x = 0; x < 32; x++) {
                if (in(x, y) || std::fabs(x + 0.5 - centre) > width) continue;
                if (y + 0.5 > s.cy) continue;
                cell[y][x] = {0, 2};
            }
        }
    }
    return cell;
}

// Street lamps already lit on the dark afternoon: their posts are painted
// with the view, their lights over the rain as bright soft discs, as they
// glow through it, each mirrored in the wet street below it.
const double LAMP_X[] = {22, 118, 206, 300};
const double LAMP_Y = 150;

void paintLampPosts(art::Canvas& canvas) {
    for (double lx : LAMP_X)
        for (int y = static_cast<int>(LAMP_Y); y < static_cast<int>(STREET_Y) + 1; y++)
            for (int x = static_cast<int>(lx) - 2; x <= static_cast<int>(lx) + 2; x++)
                canvas.over(x, y, {62, 64, 78}, clamp01(1.4 - std::fabs(x + 0.5 - lx)));
}

void paintLampLights(art::Canvas& canvas) {
    const Colour core = {255, 240, 204}, halo = {255, 196, 122};
    for (double lx : LAMP_X)
        for (int y = 0; y < H; y++)
            for (int x = static_cast<int>(lx) - 16; x <= static_cast<int>(lx) + 16; x++) {
                if (x < 0 || x >= W) continue;
                const double dx = x + 0.5 - lx, dy = y + 0.5 - LAMP_Y;
                const double d = std::sqrt(dx * dx + dy * dy);
                canvas.over(x, y, halo, 0.6 * std::exp(-d / 8.0));
                canvas.over(x, y, core, smoothstep(5.0, 3.0, d));
                // The reflection: a warm smear down the wet street.
                const double ry = (y + 0.5 - (2 * STREET_Y - LAMP_Y)) / 9.0, rx = dx / 2.5;
                if (y > STREET_Y) canvas.over(x, y, halo, 0.45 * std::exp(-(rx * rx + ry * ry)));
            }
}

// The eye is on the glass, so the town and the rain behind it are a little
// out of focus (a Gaussian of 1.2 pixels, edges clamped), the beads on the
// glass sharp. With the town sharp, the drops and streaks over it read as
// splashes and bubbles hanging in the street and the walkers as crude
// blocks; softly focused, 16 of 16 viewers shown a frame on its own saw "a
// town through a wet window" and rated it 4, against 6 of 8 for the sharp
// town, though side by side the sharp one always won, for its detail. At
// 0.8 pixels the walkers were called crude again (6 of 8 rated 4).
void focusOnTheGlass(art::Canvas& canvas) {
    const double sigma = 1.2;
    const int reach = 4;
    double weight[2 * reach + 1], total = 0;
    for (int k = -reach; k <= reach; k++) total += weight[k + reach] = std::exp(-k * k / (2 * sigma * sigma));
    for (double& w : weight) w /= total;
    auto pass = [&](bool across) {
        std::vector<Colour> out(canvas.c.size());
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                Colour sum = {0, 0, 0};
                for (int k = -reach; k <= reach; k++) {
                    const int sx = across ? std::clamp(x + k, 0, W - 1) : x;
                    const int sy = across ? y : std::clamp(y + k, 0, H - 1);
                    sum = art::add(sum, art::scale(canvas.at(sx, sy), weight[k + reach]));
                }
                out[static_cast<size_t>(y) * W + x] = sum;
            }
        canvas.c = out;
    };
    pass(true);
    pass(false);
}

}  // namespace

bool makeRainyWindow(const std::string& dir) {
    const art::ValueNoise noise(0xBE77E);
    art::Canvas canvas(W, H, {0, 0, 0});
    paintView(canvas, noise);
    paintLampPosts(canvas);
    enliven(canvas);
    paintLampLights(canvas);
    paintFallingRain(canvas);
    focusOnTheGlass(canvas);
    glass(canvas);
    return savePng(canvas.toPicture(), dir + "/bg2.png");
}

// 256 x 256: cell row = age, cell column 0 carries the drops (the other
// columns are neutral). A displaced pixel stores red = 16 + dx and green =
// 32 + 2 dy, dx and dy in steps of 4 pixels (0..15); neutral is red 15,
// green 31.
bool makeDropSheet(const std::string& dir) {
    const int size = 256, cell = 32;
    Picture p(size, size);
    auto put = [&p](int x, int y, int red5, int green6) { p.set(x, y, red5 << 3, green6 << 2, 0); };
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) put(x, y, 15, 31);
    for (int age = 0; age < 8; age++) {
        const Cell pulls = beadCell(SHAPES[age]);
        for (int y = 0; y < cell; y++)
            for (int x = 0; x < cell; x++) {
                const Pull& d = pulls[y][x];
                if (d.dx < 0) continue;
                put(x, age * cell + y, 16 + std::clamp(d.dx, 0, 15), 32 + 2 * std::clamp(d.dy, 0, 15));
            }
    }
    return savePng(p, dir + "/drops01.png");
}
