// bg2.png and drops01.png: an evening street seen out of focus through a wet
// window, and the sheet of drop lenses that refract it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "makers.h"

namespace {

using art::Colour;
using art::clamp01;
using art::mix;
using art::smoothstep;

const int W = 320, H = 240;

// A light far beyond the glass: out of focus, it becomes a soft disc with a
// slightly brighter rim, as a camera or a tired eye sees it.
struct Bokeh {
    double x, y, r;
    Colour colour;
    double strength;
};

void paintBokeh(art::Canvas& canvas, const Bokeh& b) {
    const int x0 = static_cast<int>(b.x - b.r - 2), x1 = static_cast<int>(b.x + b.r + 2);
    const int y0 = static_cast<int>(b.y - b.r - 2), y1 = static_cast<int>(b.y + b.r + 2);
    for (int y = std::max(0, y0); y <= std::min(H - 1, y1); y++)
        for (int x = std::max(0, x0); x <= std::min(W - 1, x1); x++) {
            const double d = std::hypot(x + 0.5 - b.x, y + 0.5 - b.y) / b.r;
            const double disc = smoothstep(1.0, 0.9, d);
            const double rim = 0.35 * std::exp(-std::pow((d - 0.9) / 0.08, 2));
            const double body = 0.75 + 0.25 * d * d;
            Colour& c = canvas.at(x, y);
            c = art::screen(c, b.colour, b.strength * (disc * body + rim));
        }
}

// The scene outside: dusk sky, dark hills, a row of houses and trees along a
// street, all far out of focus.
void paintOutside(art::Canvas& canvas, const art::ValueNoise& noise) {
    art::Plane hills(W, H), houses(W, H), trees(W, H), windows(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double hillTop = 104 + 14 * noise.fbm(x / 90.0, 1.5) + 6 * std::sin(x / 47.0);
            hills.at(x, y) = y > hillTop ? 1 : 0;
            const int lot = x / 46;
            const double lotX = x - lot * 46;
            const double roof = 128 + 10 * noise.at(lot * 3.1, 7.7) - (lotX < 23 ? lotX : 46 - lotX) * 0.55;
            houses.at(x, y) = (lotX > 4 && lotX < 42 && y > roof) ? 1 : 0;
            const double wx = std::fmod(lotX - 10, 12.0);
            if (houses.at(x, y) > 0 && wx > 0 && wx < 6 && y > 142 && y < 152 && noise.at(x / 12.0, 3.3) > 0.42)
                windows.at(x, y) = 1;
            const double treeTop = 118 + 22 * noise.fbm(x / 14.0 + 40, 2.0) + 10 * std::sin(x / 23.0 + 1);
            trees.at(x, y) = (y > treeTop && noise.at(x / 30.0 + 11, 5.0) > 0.45) ? 1 : 0;
        }
    hills = art::blurred(hills, 4);
    houses = art::blurred(houses, 3);
    trees = art::blurred(trees, 4);
    windows = art::blurred(windows, 2);

    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double t = static_cast<double>(y) / H;
            // Overcast dusk: a slate-blue sky, lighter toward the hills.
            Colour c = mix({58, 74, 108}, {112, 128, 150}, smoothstep(0.0, 0.46, t));
            c = mix(c, {92, 100, 118}, 0.35 * smoothstep(0, 1, noise.fbm(x / 60.0, y / 30.0) + 0.5));
            c = mix(c, {44, 56, 78}, 0.85 * hills.at(x, y));
            c = mix(c, {30, 40, 56}, 0.8 * trees.at(x, y));
            c = mix(c, {54, 56, 72}, 0.9 * houses.at(x, y));
            c = mix(c, {240, 176, 96}, 0.8 * windows.at(x, y));
            // The wet street below: dark, with the lights' colours smeared in.
            const double street = smoothstep(0.7, 0.78, t);
            c = mix(c, {34, 40, 54}, 0.85 * street);
            canvas.at(x, y) = c;
        }
}

// A light's reflection in the wet street: a tall smear broken into
// horizontal ripples.
void paintReflection(art::Canvas& canvas, double cx, double cy, double r, Colour colour, double strength) {
    for (int y = std::max(0, static_cast<int>(cy - 3 * r)); y < std::min(H, static_cast<int>(cy + 3 * r)); y++)
        for (int x = std::max(0, static_cast<int>(cx - r)); x < std::min(W, static_cast<int>(cx + r)); x++) {
            const double u = (x + 0.5 - cx) / (0.6 * r), v = (y + 0.5 - cy) / (2.6 * r);
            const double body = std::exp(-(u * u + v * v) * 2.2);
            const double ripple = 0.78 + 0.22 * std::cos((y + 0.5) * 1.3 + cx);
            Colour& c = canvas.at(x, y);
            c = art::screen(c, colour, strength * body * ripple);
        }
}

void paintLights(art::Canvas& canvas) {
    Rng rng(0xB0CE);
    const Colour warm = {255, 186, 104}, amber = {255, 150, 72}, cool = {176, 214, 236}, red = {236, 84, 72};
    // Street lamps along a gentle curve, their reflections on the wet street.
    for (int k = 0; k < 7; k++) {
        const double x = 14 + k * 48 + 10 * rng.uniform();
        const double y = 134 + 8 * std::sin(k * 1.3) + 6 * rng.uniform();
        const double r = 9 + 6 * rng.uniform();
        paintBokeh(canvas, {x, y, r, warm, 0.55});
        paintReflection(canvas, x + 2 * rng.uniform(), 214 + 8 * rng.uniform(), r * 0.8, amber, 0.55);
    }
    // Windows and far lights: smaller discs, a few cool and a few red.
    for (int k = 0; k < 34; k++) {
        const double x = rng.uniform() * W, y = 96 + 90 * rng.uniform();
        const double pick = rng.uniform();
        const Colour c = pick < 0.55 ? warm : pick < 0.8 ? cool : pick < 0.9 ? amber : red;
        paintBokeh(canvas, {x, y, 3.5 + 6 * rng.uniform(), c, 0.18 + 0.25 * rng.uniform()});
    }
    // A car's tail lights down the street.
    paintBokeh(canvas, {222, 176, 5.5, red, 0.5});
    paintBokeh(canvas, {240, 176, 5.5, red, 0.5});
}

// Water on the glass itself, in focus: old trails where drops ran down, and
// a mist of tiny beads.
void paintGlass(art::Canvas& canvas, const art::ValueNoise& noise) {
    Rng rng(0x61A55);
    for (int k = 0; k < 9; k++) {
        const double x0 = 10 + rng.uniform() * 300;
        const double y0 = rng.uniform() * 120, y1 = y0 + 60 + rng.uniform() * 140;
        const double width = 1.0 + rng.uniform() * 0.8;
        for (double y = y0; y < std::min<double>(H, y1); y += 0.5) {
            // Trails run nearly straight, meandering a little where the
            // glass held the drop back.
            const double x = x0 + 4.0 * noise.fbm(k * 5.3, y / 50.0);
            const double fade = smoothstep(y0, y0 + 20, y) * smoothstep(y1, y1 - 10, y);
            for (int i = -2; i <= 2; i++) {
                const int px = static_cast<int>(x) + i, py = static_cast<int>(y);
                if (px < 0 || px >= W || py < 0 || py >= H) continue;
                const double d = std::fabs(px + 0.5 - x) / width;
                Colour& c = canvas.at(px, py);
                c = art::screen(c, {200, 220, 240}, 0.08 * fade * std::exp(-d * d * 2));
            }
        }
    }
    for (int k = 0; k < 900; k++) {
        const int x = static_cast<int>(rng.uniform() * W), y = static_cast<int>(rng.uniform() * H);
        Colour& c = canvas.at(x, y);
        c = art::screen(c, {210, 226, 240}, 0.05 + 0.07 * rng.uniform());
    }
}

void vignette(art::Canvas& canvas) {
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double dx = (x - W / 2.0) / (W / 2.0), dy = (y - H / 2.0) / (H / 2.0);
            const double v = 1 - 0.28 * smoothstep(0.4, 1.5, dx * dx + dy * dy);
            canvas.at(x, y) = art::scale(canvas.at(x, y), v);
        }
}

// One drop's shape in its 32 x 32 cell: centre, radii, and a trail above it
// once it slides.
struct DropShape {
    double cx, cy, rx, ry;
    double trailTop;    // first row of the trail (>= cy means none)
    double trailWidth;  // half-width where the trail meets the drop
};

// Ages 0..4 rest and grow; 5..7 slide, stretched downward with a trail.
const DropShape SHAPES[8] = {
    {16, 16, 3.2, 3.2, 99, 0},      {16, 16, 5.0, 5.0, 99, 0},    {16, 16, 6.8, 6.8, 99, 0},
    {16, 16, 8.6, 8.4, 99, 0},      {16, 16.5, 10.2, 9.9, 99, 0}, {16, 18.5, 9.8, 10.8, 9, 2.2},
    {16, 19.5, 9.2, 11.2, 3, 2.6},  {16, 20.0, 8.8, 11.4, 0, 2.8},
};

// The displacement a pixel of the cell carries: offsets (pixels, before
// quantising to steps of 4) of the point the drop shows there, or none.
struct Displacement {
    bool inside;
    double dx, dy;
};

const double PULL = 22;

Displacement lens(const DropShape& s, double x, double y) {
    // A teardrop: slightly narrower above the centre when sliding.
    const double qy = (y - s.cy) / s.ry;
    const double taper = s.trailTop < 99 ? 1.0 + 0.1 * qy : 1.0;
    const double qx = (x - s.cx) / (s.rx * taper);
    const double q2 = qx * qx + qy * qy;
    const double r = std::max(s.rx, s.ry);
    if (q2 < 1.0) {
        // A convex bead: it shows the scene beyond it upside down, drawn from
        // a patch PULL pixels down and to the right (the engine only pulls
        // from there), squeezed ever harder toward its steep edge. The pull
        // also sets how much the bead lightens the picture (by dx + dy).
        const double amplitude = std::min(PULL, 2.4 * r);
        const double bend = 1.0 + 0.7 * q2;
        double dx = PULL - amplitude * qx * bend, dy = PULL - amplitude * qy * bend;
        // A small specular spot up and to the left: strongest lift.
        const double spot = std::exp(-(std::pow(qx + 0.38, 2) + std::pow(qy + 0.42, 2)) / 0.022);
        dx = dx + (60 - dx) * spot;
        dy = dy + (60 - dy) * spot;
        // The thin rim: no lift, so the bead keeps a darker outline.
        const double rim = smoothstep(0.78, 0.98, std::sqrt(q2));
        dx *= 1 - rim;
        dy *= 1 - rim;
        return {true, dx, dy};
    }
    // The trail: a thin film, a faint sheen and a small shift.
    if (y >= s.trailTop && y < s.cy) {
        const double t = (y - s.trailTop) / (s.cy - s.trailTop);
        const double half = 0.8 + (s.trailWidth - 0.8) * t;
        const double d = std::fabs(x - s.cx) / half;
        if (d < 1.0) {
            const double lift = 6 + 6 * (1 - d * d);
            return {true, lift, lift};
        }
    }
    return {false, 0, 0};
}

}  // namespace

bool makeRainyWindow(const std::string& dir) {
    const art::ValueNoise noise(0xBE77E);
    art::Canvas canvas(W, H, {0, 0, 0});
    paintOutside(canvas, noise);
    paintLights(canvas);
    paintGlass(canvas, noise);
    vignette(canvas);
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
    for (int age = 0; age < 8; age++)
        for (int y = 0; y < cell; y++)
            for (int x = 0; x < cell; x++) {
                // Four samples per pixel, averaged before quantising, so the
                // edges of the bead step smoothly.
                double sx = 0, sy = 0;
                int n = 0;
                for (int j = 0; j < 2; j++)
                    for (int i = 0; i < 2; i++) {
                        const Displacement d = lens(SHAPES[age], x + 0.25 + 0.5 * i, y + 0.25 + 0.5 * j);
                        if (!d.inside) continue;
                        sx += d.dx;
                        sy += d.dy;
                        n++;
                    }
                if (n < 2) continue;
                const int dx = std::clamp(static_cast<int>(std::lround(sx / n / 4)), 0, 15);
                const int dy = std::clamp(static_cast<int>(std::lround(sy / n / 4)), 0, 15);
                put(x, age * cell + y, 16 + dx, 32 + 2 * dy);
            }
    return savePng(p, dir + "/drops01.png");
}
