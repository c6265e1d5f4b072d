// luola.png: a cave seen from inside. The mouth on the upper left opens on a
// warm afternoon meadow; the back wall carries the wet rock face the
// waterfall runs down (columns 100..227) from under the ceiling's lip, into a
// pool on the cave floor. Dark boulders and the ceiling frame the view.
#include <algorithm>
#include <cmath>

#include "art_kit.h"
#include "cave_layout.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;
using namespace cave;

// The cave's limited palette: rock from deep plum shade to sunlit sand, moss,
// the light from outside and the light the water throws back.
const Colour ROCK[] = {{24, 17, 32}, {52, 36, 52}, {96, 62, 64}, {148, 100, 78}, {204, 154, 106}, {240, 204, 150}};
const int ROCK_STOPS = sizeof(ROCK) / sizeof(ROCK[0]);
const Colour SUNLIGHT = {255, 214, 150};
const Colour WATER_LIGHT = {120, 200, 200};
const Colour MOSS = {84, 100, 50};
const Colour MOSS_LIT = {160, 168, 78};

Colour rockTone(double v) {
    v = clamp01(v) * (ROCK_STOPS - 1);
    const int i = std::min(static_cast<int>(v), ROCK_STOPS - 2);
    return mix(ROCK[i], ROCK[i + 1], smoothstep(0, 1, v - i));
}

// The mouth: an irregular oval whose outline wavers a little.
const double MOUTH_X = 50, MOUTH_Y = 84, MOUTH_RX = 44, MOUTH_RY = 62;

// > 0 inside the mouth, in pixels (roughly).
double mouthInside(double x, double y, const art::ValueNoise& noise) {
    const double dx = (x - MOUTH_X) / MOUTH_RX, dy = (y - MOUTH_Y) / MOUTH_RY;
    const double angle = std::atan2(dy, dx);
    const double wobble =
        0.12 * noise.fbm(std::cos(angle) * 2.2 + 7, std::sin(angle) * 2.2 + 3) + 0.03 * std::sin(angle * 9.0);
    const double r = std::sqrt(dx * dx + dy * dy);
    return (1 + wobble - r) * 40;
}

// Outside the mouth: a pale afternoon sky, a low sun, soft blue-green hills
// and a sunlit meadow.
Colour outside(double x, double y, const art::ValueNoise& noise) {
    Colour c = mix({178, 212, 210}, {255, 230, 178}, smoothstep(30, 118, y));
    const double sun = std::exp(-(std::pow((x - 30) / 40.0, 2) + std::pow((y - 96) / 30.0, 2)));
    c = art::screen(c, {255, 236, 190}, 0.7 * sun);
    const double cloud = smoothstep(0.08, 0.22, noise.fbm(x / 30.0 + 50, y / 9.0 + 10)) * (1 - smoothstep(60, 90, y));
    c = mix(c, {255, 244, 226}, 0.5 * cloud);
    const double farHills = 112 + 7 * noise.fbm(x / 24.0 + 30, 2.0) - 6 * std::exp(-std::pow((x - 70) / 22.0, 2));
    c = mix(c, {150, 178, 168}, 0.85 * smoothstep(farHills, farHills + 1.2, y));
    const double nearHills = 124 + 6 * noise.fbm(x / 16.0 + 11, 5.0);
    const Colour meadow = mix({118, 150, 96}, {184, 180, 98}, smoothstep(nearHills, 146, y));
    c = mix(c, meadow, smoothstep(nearHills, nearHills + 1.2, y));
    return c;
}

// How strongly each light reaches a point: the mouth's warm daylight, the
// cool light falling down the waterfall's shaft, and light thrown up by the
// pool.
struct Light {
    double mouth, shaft, pool;
};

Light lightAt(double x, double y) {
    const double dm = std::hypot((x - MOUTH_X) * 0.85, y - MOUTH_Y - 20);
    const double ds = std::hypot((x - 164) * 1.5, y + 10);
    return {std::exp(-dm / 80.0), 0.55 * std::exp(-ds / 80.0),
            smoothstep(140, 215, y) * std::exp(-std::fabs(x - 164) / 120.0)};
}

double rockHeight(double x, double y, const art::ValueNoise& noise) {
    // Big soft bulges over ledges that run roughly level, slightly tilted.
    return 1.0 * noise.fbm(x / 50.0, y / 38.0) + 0.45 * noise.fbm(x / 22.0 + 40, y / 9.0 + 0.08 * x / 9.0) +
           0.1 * noise.fbm(x / 7.0 + 9, y / 5.0);
}

// The back wall: forms shaded by how they face the mouth, with soft seams
// between the ledges.
Colour wall(double x, double y, const art::ValueNoise& noise) {
    const double h = rockHeight(x, y, noise);
    const double hx = rockHeight(x + 1, y, noise) - h, hy = rockHeight(x, y + 1, noise) - h;
    const Light l = lightAt(x, y);
    const double toMouthX = MOUTH_X - x, toMouthY = MOUTH_Y - y;
    const double len = std::hypot(toMouthX, toMouthY) + 1e-6;
    const double facing = clamp01(0.5 - (hx * toMouthX + hy * toMouthY) / len * 22.0);
    const double facingUp = clamp01(0.5 - hy * 22.0);
    // The bright sheet of the fall lights the wall beside it, the faces
    // turned toward it most.
    const double toFallX = 164 - x, toFallY = 120 - y;
    const double fallLen = std::hypot(toFallX, toFallY) + 1e-6;
    const double facingFall = clamp01(0.5 - (hx * toFallX + hy * toFallY) / fallLen * 22.0);
    const double fallGlow = smoothstep(215, 240, x) * std::exp(-std::max(0.0, x - 240) / 90.0) * smoothstep(30, 80, y) *
                            (1 - smoothstep(170, 215, y));
    double v = 0.1 + 0.78 * l.mouth * (0.35 + facing) + 0.32 * l.shaft * (0.4 + facingUp) + 0.18 * l.pool * facingUp +
               0.07 * h + 0.2 * fallGlow * (0.2 + facingFall);
    const double seam = std::fmod(y / 16.0 + 0.9 * noise.fbm(x / 35.0, y / 30.0) + 50, 1.0);
    v -= (0.03 + 0.05 * l.mouth) * std::exp(-std::pow((seam - 0.5) / 0.06, 2));
    Colour c = rockTone(v);
    c = art::screen(c, SUNLIGHT, 0.25 * l.mouth * l.mouth);
    c = art::screen(c, WATER_LIGHT, 0.22 * l.pool + 0.14 * l.shaft + 0.3 * fallGlow * facingFall);
    // Moss on the ledges the fall's spray keeps wet.
    const double moss =
        fallGlow * smoothstep(0.5, 0.75, facingUp) * smoothstep(0.02, 0.14, noise.fbm(x / 18.0 + 300, y / 9.0));
    c = mix(c, mix(MOSS, MOSS_LIT, 0.6 * facingFall), 0.7 * moss);
    // Light thrown up by the rippling pool plays on the rock in wavy lines.
    const double wx = x + 6 * noise.fbm(x / 30.0 + 500, y / 20.0), wy = y + 4 * noise.fbm(x / 25.0, y / 15.0 + 80);
    const double ripple =
        std::sin(wx / 4.0 + 1.6 * std::sin(wy / 5.0)) + std::sin(wy / 3.2 + 1.4 * std::sin(wx / 6.5 + 1));
    const double caustic = std::exp(-std::pow(ripple / 0.35, 2));
    const double nearPool = smoothstep(130, 195, y) * std::exp(-std::fabs(x - 164) / 100.0);
    c = art::screen(c, {170, 230, 222}, 0.22 * caustic * nearPool);
    return c;
}

// The rock behind the fall: so wet and shaded by the sheet that it reads as
// deep water wherever the layers thin, dark blue-green with long vertical
// sheens; around the fall it is dark wet rock that dries into the wall.
Colour wetFace(double x, double y, Colour dry, const art::ValueNoise& noise) {
    const double sx = x - STRIP_X;
    if (sx < -20 || sx > STRIP_W + 20 || y < ledgeRow(std::max(0.0, std::min(127.0, sx))) - 2) return dry;
    const double d = waterInside(sx, y);
    const double wet = smoothstep(-18, -4, d);
    if (wet <= 0) return dry;
    const double streak = noise.at(x / 2.4 + 300, y / 46.0) * 0.65 + noise.at(x / 6.0 + 310, y / 90.0) * 0.35;
    Colour c = mix(dry, art::scale(dry, 0.6), wet);
    c = mix(c, mix({40, 52, 60}, {64, 84, 92}, streak), 0.45 * wet);
    const double sheen = std::pow(clamp01(noise.at(x / 1.8 + 330, y / 36.0) * 1.3 - 0.25), 3);
    c = art::screen(c, {150, 206, 214}, 0.3 * sheen * wet);
    // Under the sheet: deep water colours, a shade darker than the thinnest
    // water the palette draws.
    const double behind = smoothstep(-3, 0.5, d);
    const Colour deep = mix({10, 30, 42}, {24, 66, 82}, smoothstep(0.2, 0.85, streak));
    c = mix(c, art::screen(deep, {120, 200, 210}, 0.25 * sheen), behind);
    return c;
}

// The ceiling's lower edge: a heavy overhang across the top that comes down
// over the strip to the rock lip the water pours over.
double ceilingRow(double x, const art::ValueNoise& noise) {
    const double base = 12 + 6 * noise.fbm(x / 14.0, 40.0) + 14 * smoothstep(228, 320, x) - 6 * smoothstep(40, 0, x);
    const double sx = std::max(0.0, std::min(STRIP_W - 1.0, x - STRIP_X));
    const double overStrip = smoothstep(92, 104, x) * (1 - smoothstep(224, 236, x));
    return base + (ledgeRow(sx) - base) * overStrip;
}

// The lip: a shelf of rock jutting over the fall, its face lit cool from
// below by the water and warm toward the mouth, its rounded front catching
// the light, its underside in shadow.
Colour ledge(double x, double y, double edgeRow, const art::ValueNoise& noise) {
    const double depth = edgeRow - y;  // rows above the lower edge
    const double lumps = noise.fbm(x / 9.0 + 140, y / 6.0);
    // 0 at the root in the ceiling's shadow, 1 on the rounded front.
    const double front = smoothstep(24, 5, depth + 8 * lumps);
    double v = 0.05 + 0.36 * front + 0.16 * noise.fbm(x / 3.0 + 150, y / 2.2) + 0.1 * lumps;
    // Cracks, darker seams across the face.
    const double crack = 1 - std::fabs(2 * noise.at(x / 6.0 + 180, y / 3.0 + 0.1 * x / 6.0) - 1);
    v -= 0.12 * smoothstep(0.86, 0.97, crack) * front;
    // The underside, turned away from every light.
    v *= 1 - 0.6 * smoothstep(2.5, 0.3, depth);
    Colour c = rockTone(v);
    c = art::screen(c, {140, 200, 206}, 0.3 * front * smoothstep(9, 2.5, depth) * (0.6 + 0.8 * lumps + 0.4));
    c = art::screen(c, SUNLIGHT, 0.16 * front * smoothstep(190, 100, x));
    // Drips glinting on the underside.
    c = art::screen(
        c, {200, 240, 236},
        0.5 * smoothstep(0.8, 0.9, noise.at(x / 1.4 + 170, 3.0)) * std::exp(-std::pow((depth - 1.0) / 0.8, 2)));
    return c;
}

// The cleft the main pour runs out of: a dark arch in the lip's face, black
// at its back and lit faintly cool near the water, with a thin dark rim where
// the rock turns into it. Returns the cover (0 outside).
double cleft(double sx, double y, Colour& colour) {
    const double inside = cleftInside(sx, y);
    if (inside < -1.5) return 0;
    const double above = crestRow(MAIN_POUR, sx) - y;
    Colour c = mix({5, 5, 11}, {18, 34, 46}, smoothstep(9, 1, above));
    // The rock's edge turning away into the dark.
    const double rim = std::exp(-std::pow(inside / 0.9, 2));
    colour = mix(c, {2, 2, 6}, 0.6 * rim);
    return smoothstep(-1.2, 0.4, inside);
}

// At the pour's crest: the water's glassy surface sliding to the edge, a
// bright line where it tips over and a smooth curl just below it, with the
// shadow behind the lip above. Returns the cover (0 away from the crest).
double notch(double sx, double y, Colour& colour, const art::ValueNoise& noise) {
    const double across = MAIN_POUR.halfWidth + 0.8 - std::fabs(sx - MAIN_POUR.x);
    if (across <= 0) return 0;
    const double crest = crestRow(MAIN_POUR, sx);
    const double above = crest - y;
    if (above < -10 || above > 7) return 0;
    Colour c;
    if (above > 0) {
        c = mix({14, 16, 24}, {34, 86, 100}, smoothstep(6, 3, above));
        c = art::screen(c, {150, 214, 220}, 0.6 * smoothstep(3.5, 1.2, above));
    } else {
        // The curl: bright at the turn, darkening as the sheet steepens,
        // streaked along the flow.
        const double streak = noise.at(sx / 1.6 + 420, y / 12.0);
        c = mix({200, 240, 240}, {40, 110, 128}, smoothstep(0, 7, -above));
        c = art::screen(c, {200, 240, 236}, 0.35 * streak);
    }
    c = art::screen(c, {250, 255, 248}, 0.75 * std::exp(-std::pow((above - 0.6) / 0.9, 2)));
    colour = c;
    return clamp01(across / 1.2) * smoothstep(7, 5.5, above);
}

// The ceiling: dark near rock, its underside edge lit warm toward the mouth
// and cool above the fall. edgeRow is the row of its lower edge.
Colour ceiling(double x, double y, double edgeRow, const art::ValueNoise& noise) {
    const double depth = edgeRow - y;
    Colour c = rockTone(0.05 + 0.14 * smoothstep(8, 0, depth) + 0.08 * noise.fbm(x / 9.0, y / 4.0));
    const double rim = std::exp(-std::pow((depth - 1.0) / 1.4, 2));
    const double overFall = smoothstep(100, 120, x) * (1 - smoothstep(208, 228, x));
    c = art::screen(c, mix(SUNLIGHT, {190, 226, 222}, overFall), (0.25 + 0.35 * overFall) * rim);
    return c;
}

// The cave floor between the wall and the pool: sand and pebbles, sunlit
// near the mouth.
double floorTop(double x, const art::ValueNoise& noise) {
    return 140 + 56 * smoothstep(20, 170, x) - 16 * smoothstep(250, 320, x) + 9 * noise.fbm(x / 26.0, 70.0) +
           2 * noise.fbm(x / 6.0, 71.0);
}

Colour caveFloor(double x, double y, double top, const art::ValueNoise& noise) {
    // The sunlit patch spreads from the mouth like a path, narrowing inward.
    const double along = (x - 40) / 150.0, across = (y - (150 + 30 * along)) / (10 + 16 * clamp01(1 - along));
    const double sun =
        std::exp(-along * along * 2.2 - across * across) * (x > 40 ? 1 : std::exp(-std::pow((x - 40) / 40.0, 2)));
    const double ripples = noise.fbm(x / 16.0 + 200, y / 2.0);
    double v = 0.14 + 0.7 * sun + 0.1 * noise.fbm(x / 9.0 + 60, y / 4.0) + 0.08 * ripples;
    // The wall's foot is in shadow.
    v *= 0.6 + 0.4 * smoothstep(0, 9, y - top);
    Colour c = rockTone(v);
    c = art::screen(c, SUNLIGHT, 0.3 * sun);
    c = art::screen(c, WATER_LIGHT, 0.15 * lightAt(x, y).pool);
    return c;
}

// The pool: dark green water, lit from the mouth on the left, with rings
// spreading from where the fall lands and foam around it.
Colour pool(double x, double y, double shore, const art::ValueNoise& noise) {
    const double depth = y - shore;
    Colour c = mix({26, 56, 64}, {16, 38, 50}, smoothstep(0, 30, depth));
    const double near = std::exp(-std::pow((x - 164) / 64.0, 2));
    c = mix(c, {72, 142, 146}, 0.5 * near * (1 - smoothstep(0, 30, depth)));
    // The mouth's reflection: broken warm strokes.
    const double refl = std::exp(-std::pow((x - 78) / 30.0, 2));
    const double wave = noise.at(x / 16.0 + 400, y / 1.6);
    c = art::screen(c, SUNLIGHT, 0.45 * refl * smoothstep(0.55, 0.8, wave) * smoothstep(2, 8, depth));
    // Rings spreading from the splash, flattened by the view.
    const double r = std::hypot(x - 164, (y - SPLASH_ROW) * 4.0);
    const double ring = std::pow(0.5 + 0.5 * std::sin(r / 5.0), 8) * std::exp(-r / 110.0) * smoothstep(62, 80, r);
    c = art::screen(c, {190, 230, 226}, 0.5 * ring);
    // Foam around the landing, in soft clumps.
    // Where the falling sheet still covers it, only its gaps show the pool:
    // there the foam is the churned green of deeper water, so a gap reads as
    // water rather than as a bright seam.
    const double foam = smoothstep(0.0, 0.35, 0.6 * noise.fbm(x / 10.0 + 70, y / 3.0) + 1.0 - r / 75.0);
    const double sheet =
        smoothstep(-3, 5, waterInside(x - STRIP_X, y)) * (1 - smoothstep(SPLASH_ROW, SPLASH_ROW + 8, y));
    c = mix(c, mix({224, 240, 236}, {70, 136, 144}, sheet), 0.85 * foam);
    // A faint bright line where the water meets the far shore.
    c = art::screen(c, {180, 214, 200}, 0.3 * std::exp(-depth / 1.2) * (0.4 + 0.6 * near));
    return c;
}

// The splash where the fall lands: a billowing cloud of foam and mist
// heaped over the pool, bright on its tops and cool in its folds, with spray
// flung up around it. Returns the cover (0 away from it).
double splash(double x, double y, const art::ValueNoise& noise, Colour& colour) {
    const double dx = (x - 164) / 60.0, dy = (y - 206) / (y < 206 ? 28.0 : 11.0);
    const double billow = 0.6 * noise.fbm(x / 9.0 + 700, y / 6.0 + 30) + 0.3 * noise.fbm(x / 4.0 + 710, y / 3.0);
    const double body = 1 - dx * dx - dy * dy + 0.9 * billow;
    // Spray: droplets thrown up and out above the cloud.
    const double fling = std::exp(-std::pow(dx / 0.8, 2) - std::pow((y - 186) / 12.0, 2));
    const double drop = smoothstep(0.86, 0.94, noise.at(x / 1.3 + 720, y / 1.6 + 40)) * fling;
    if (body < -0.1 && drop <= 0) return 0;
    const double lit = clamp01(0.8 + 1.8 * billow - 0.3 * dy);
    colour = mix({130, 190, 196}, {250, 254, 252}, smoothstep(0.0, 1.0, lit));
    const double cover = smoothstep(-0.1, 0.3, body);
    if (drop > cover) colour = {232, 248, 246};
    // Where the falling sheet still covers the cloud, only its gaps show it:
    // there it is churned green water, so a gap reads as water rather than
    // as a bright seam down the sheet.
    const double sheet = smoothstep(-3, 5, waterInside(x - STRIP_X, y)) * (1 - smoothstep(190, 200, y));
    colour = mix(colour, {70, 136, 144}, 0.85 * sheet);
    return std::max(cover, 0.8 * drop);
}

// A boulder: a lumpy blob, dark, its top rim lit by the mouth, moss in its
// hollows on top.
struct Boulder {
    double x, y, rx, ry;
    double seed;
};

double boulder(const Boulder& b, double x, double y, const art::ValueNoise& noise, Colour& colour) {
    const double dx = (x - b.x) / b.rx, dy = (y - b.y) / b.ry;
    const double angle = std::atan2(dy, dx);
    const double n = noise.fbm(std::cos(angle) * 1.8 + b.seed, std::sin(angle) * 1.8 + b.seed * 0.37);
    const double r = std::sqrt(dx * dx + dy * dy);
    const double inside = (1 + 0.2 * n - r) * std::min(b.rx, b.ry);
    if (inside < -1) return 0;
    const double lit = clamp01(0.5 - 0.5 * dx - 0.75 * dy);
    const Light l = lightAt(x, y);
    // Knobbly rock: a dome roughened by lumps and cracks, each lump lit on
    // its side toward the light.
    auto height = [&](double px, double py) {
        return 1.6 * noise.fbm(px / 7.0 + b.seed * 3, py / 6.0) + 0.6 * noise.fbm(px / 2.6 + 40, py / 2.6 + b.seed);
    };
    const double gx = height(x + 1, y) - height(x - 1, y), gy = height(x, y + 1) - height(x, y - 1);
    const double bump = clamp01(0.5 - 1.4 * gx - 1.8 * gy);
    colour =
        rockTone(0.04 + 0.26 * lit * (0.3 + 1.2 * l.mouth) * (0.55 + 0.9 * bump) + 0.05 * noise.fbm(x / 5.0, y / 5.0));
    const double rim = std::exp(-std::max(0.0, inside) / 2.0) * clamp01(-dy * 1.6 - 0.1) * (0.25 + l.mouth);
    colour = art::screen(colour, SUNLIGHT, 0.7 * rim);
    // A cap of moss along the top, thinning down the sides in ragged
    // tufts, its cushions lit on top and darker in the hollows between.
    const double moss =
        smoothstep(0.0, 0.2, -dy - 0.5 + 0.3 * noise.fbm(x / 22.0 + 90, b.seed) + 0.25 * noise.fbm(x / 4.0, y / 4.0)) *
        smoothstep(1.0, 3.5, inside);
    const double cushion = clamp01(0.5 + 1.6 * noise.fbm(x / 3.5 + 120, y / 3.0 + b.seed));
    const Colour mossColour = mix(MOSS, MOSS_LIT, clamp01(lit * (0.3 + 1.3 * l.mouth) * (0.5 + cushion)));
    colour = mix(colour, art::scale(mossColour, 0.8 + 0.35 * cushion), 0.8 * moss);
    return smoothstep(-1, 1, inside);
}

// Stones lying on the floor, each with its shadow.
struct Stone {
    double x, y, rx, ry;
};
const Stone STONES[] = {{64, 176, 7, 4}, {30, 160, 4.5, 2.5}, {118, 197, 5, 3}, {247, 202, 6, 3}, {286, 194, 4, 2.5}};

void stone(const Stone& s, double x, double y, Colour& c) {
    const double sx = (x - s.x - 2.5) / (s.rx * 1.3), sy = (y - s.y - 1.2) / (s.ry * 1.2);
    const double shadow = 1 - smoothstep(0.6, 1.1, std::sqrt(sx * sx + sy * sy));
    c = art::scale(c, 1 - 0.45 * shadow);
    const double dx = (x - s.x) / s.rx, dy = (y - s.y) / s.ry;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double cover = clamp01((1 - r) * std::min(s.rx, s.ry) + 0.5);
    if (cover <= 0) return;
    const double lit = clamp01(0.55 - 0.45 * dx - 0.7 * dy);
    Colour stoneColour = rockTone(0.12 + 0.55 * lit * (0.35 + 1.4 * lightAt(x, y).mouth));
    stoneColour = art::screen(stoneColour, SUNLIGHT, 0.3 * lit * lit * lightAt(x, y).mouth);
    c = mix(c, stoneColour, cover);
}

// Stalactites hanging from the ceiling on the right: rounded cones lit on
// the mouth's side, with a wet glint.
struct Stalactite {
    double x, length, width;
};
const Stalactite STALACTITES[] = {{240, 26, 14}, {256, 40, 16}, {272, 18, 10}, {289, 33, 15},
                                  {306, 22, 11}, {318, 30, 12}, {86, 14, 10}};

double stalactite(const Stalactite& s, double root, double x, double y, Colour& colour) {
    const double t = (y - root) / s.length;
    if (t > 1.1) return 0;
    const double half = 0.5 * s.width * std::sqrt(clamp01(1 - t)) * (1 - 0.25 * clamp01(t)) + 0.3;
    const double u = (x - s.x) / half;
    const double cover = clamp01(half - std::fabs(x - s.x) + 0.5) * (t < -0.3 ? 0 : 1);
    if (cover <= 0) return 0;
    const double lit = clamp01(0.6 - 0.6 * u);
    colour = rockTone(0.04 + 0.36 * lit * (0.5 + 1.2 * lightAt(x, y).mouth) + 0.06 * clamp01(t));
    // Warm light along the edge facing the mouth, a wet glint beside it.
    colour = art::screen(colour, SUNLIGHT, 0.3 * smoothstep(-0.5, -0.95, u));
    colour = art::screen(colour, {220, 220, 200}, 0.25 * std::exp(-std::pow(u + 0.3, 2) / 0.03) * clamp01(t + 0.3));
    return cover;
}

// An anti-aliased round-ended stroke.
void stroke(art::Canvas& canvas, double x0, double y0, double x1, double y1, double r, Colour colour, double alpha) {
    const int xa = static_cast<int>(std::floor(std::min(x0, x1) - r - 1)),
              xb = static_cast<int>(std::ceil(std::max(x0, x1) + r + 1));
    const int ya = static_cast<int>(std::floor(std::min(y0, y1) - r - 1)),
              yb = static_cast<int>(std::ceil(std::max(y0, y1) + r + 1));
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = ya; y <= yb; y++)
        for (int x = xa; x <= xb; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double t = len2 > 0 ? clamp01(((px - x0) * dx + (py - y0) * dy) / len2) : 0;
            const double d = std::hypot(px - x0 - t * dx, py - y0 - t * dy);
            canvas.over(x, y, colour, alpha * clamp01(r - d + 0.5));
        }
}

// Vines hanging over the top of the mouth, dark green against the sky, with
// small leaves on alternate sides.
void paintVines(art::Canvas& canvas, const art::ValueNoise& noise) {
    Rng rng(0xC0DEull);
    for (int i = 0; i < 7; i++) {
        const double x0 = 18 + i * 10.5 + 5 * rng.uniform();
        const double top = 22 + 14 * std::pow(std::fabs(x0 - MOUTH_X) / MOUTH_RX, 2);
        const double len = 12 + 30 * rng.uniform();
        const double phase = rng.uniform() * 6.28;
        double px = x0, py = top - 6;
        int leaf = 0;
        for (double y = top - 6 + 1.5; y < top + len; y += 1.5) {
            const double t = (y - top + 6) / (len + 6);
            const double x = x0 + 2.5 * std::sin(y / 8.0 + phase) * t;
            const Colour stem = mix({40, 54, 34}, {70, 88, 44}, noise.at(x / 3.0, y / 3.0));
            stroke(canvas, px, py, x, y, 0.55, stem, 0.9);
            if (++leaf % 3 == 0 && t > 0.15) {
                const double side = (leaf / 3) % 2 ? 1 : -1;
                const Colour green = mix({62, 84, 40}, {120, 138, 60}, 0.3 + 0.5 * noise.at(x / 2.0 + 5, y / 2.0));
                stroke(canvas, x, y, x + 2.4 * side, y + 1.4, 0.9, green, 0.95);
            }
            px = x;
            py = y;
        }
    }
}

// Tufts of grass where the meadow's light spills over the threshold.
void paintGrass(art::Canvas& canvas, const art::ValueNoise& noise) {
    Rng rng(0x6A55ull);
    for (int i = 0; i < 11; i++) {
        const double x = 8 + 84 * (i + rng.uniform()) / 11.0;
        const double y = floorTop(x, noise) + 2 + 6 * rng.uniform();
        const int blades = 4 + static_cast<int>(rng.uniform() * 4);
        for (int b = 0; b < blades; b++) {
            const double spread = (b - (blades - 1) / 2.0) / blades;
            const double h = 3.5 + 4 * rng.uniform();
            const Colour green = mix({64, 90, 42}, {180, 186, 90}, 0.35 + 0.65 * rng.uniform());
            stroke(canvas, x + spread * 2, y, x + spread * 7 + (rng.uniform() - 0.5), y - h, 0.45, green, 0.85);
        }
    }
}

// Glow-worms on the dark ceiling and the far wall: tiny points of cool
// light, each with a faint halo, in loose clusters.
void paintGlowWorms(art::Canvas& canvas) {
    Rng rng(0x6E0);
    const Colour glow = {170, 255, 230};
    for (int k = 0; k < 46; k++) {
        // Most over the dark right-hand roof, a few over the left.
        const bool right = k % 5 != 0;
        const double x = right ? 236 + 80 * rng.uniform() : 70 + 40 * rng.uniform();
        const double y = right ? 6 + 70 * std::pow(rng.uniform(), 1.5) : 4 + 14 * rng.uniform();
        const double bright = 0.5 + 0.5 * rng.uniform();
        for (int py = static_cast<int>(y) - 3; py <= static_cast<int>(y) + 3; py++)
            for (int px = static_cast<int>(x) - 3; px <= static_cast<int>(x) + 3; px++) {
                const double d = std::hypot(px + 0.5 - x, py + 0.5 - y);
                canvas.over(px, py, glow, bright * (0.9 * clamp01(0.9 - d) + 0.25 * std::exp(-d * d / 3.0)));
            }
    }
}

}  // namespace

bool makeCave(const std::string& dir) {
    const art::ValueNoise noise(0xCA7E);
    art::Canvas canvas(W, H, {0, 0, 0});
    const Boulder boulders[] = {
        {14, 240, 66, 40, 3},
        {92, 246, 26, 16, 11},
        {314, 222, 40, 60, 7},
        {258, 250, 36, 20, 5},
    };
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double px = x + 0.5, py = y + 0.5;
            Colour c = wall(px, py, noise);
            // The rim of the mouth glows; the outside shows through it.
            const double in = mouthInside(px, py, noise);
            if (in > -16) c = art::screen(c, SUNLIGHT, 0.4 * std::exp(-std::max(0.0, -in) / 5.0));
            if (in > -1) c = mix(c, outside(px, py, noise), smoothstep(-1, 1, in));
            c = wetFace(px, py, c, noise);
            const double top = floorTop(px, noise);
            if (py > top - 1) c = mix(c, caveFloor(px, py, top, noise), smoothstep(-1, 1, py - top));
            const double shore = poolShore(px);
            if (py > shore - 1) c = mix(c, pool(px, py, shore, noise), smoothstep(-1, 1.5, py - shore));
            const double ceilingEdge = ceilingRow(px, noise);
            if (py < ceilingEdge + 1) {
                const double overStrip = smoothstep(92, 106, px) * (1 - smoothstep(222, 236, px));
                const Colour rock =
                    mix(ceiling(px, py, ceilingEdge, noise), ledge(px, py, ceilingEdge, noise), overStrip);
                c = mix(c, rock, smoothstep(-1, 1, ceilingEdge - py));
            }
            if (px >= STRIP_X && px < STRIP_X + STRIP_W) {
                Colour cc;
                const double inCleft = cleft(px - STRIP_X, py, cc);
                if (inCleft > 0) c = mix(c, cc, inCleft);
                // The rock around the opening catches the water's light.
                const double sx = px - STRIP_X, rimOut = cleftInside(sx, py);
                if (rimOut > -4 && rimOut < 0 && py < crestRow(MAIN_POUR, sx))
                    c = art::screen(c, {150, 206, 206}, 0.3 * std::exp(-std::pow((rimOut + 1.6) / 1.1, 2)));
                Colour nc;
                const double cover = notch(px - STRIP_X, py, nc, noise);
                if (cover > 0) c = mix(c, nc, cover);
                // Rocks of the lip hanging in front of the water's start.
                const double hang = crestRow(MAIN_POUR, sx) + overhangDepth(sx);
                if (rimOut > -3 && py < hang + 1)
                    c = mix(c, art::scale(ledge(px, py, hang, noise), 0.85), smoothstep(-0.8, 0.8, hang - py));
            }
            {
                Colour mc = {0, 0, 0};
                const double mist = splash(px, py, noise, mc);
                if (mist > 0) c = mix(c, mc, mist);
            }
            for (const Stalactite& s : STALACTITES) {
                Colour sc;
                const double cover = stalactite(s, ceilingRow(s.x, noise) - 2, px, py, sc);
                if (cover > 0) c = mix(c, sc, cover);
            }
            for (const Stone& s : STONES) stone(s, px, py, c);
            for (const Boulder& b : boulders) {
                Colour bc;
                const double cover = boulder(b, px, py, noise, bc);
                if (cover > 0) c = mix(c, bc, cover);
            }
            canvas.at(x, y) = c;
        }
    paintVines(canvas, noise);
    paintGrass(canvas, noise);
    paintGlowWorms(canvas);
    // Light streaming in from the mouth toward the pool, and a soft
    // darkening toward the frame's edges away from it.
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double dx = px - MOUTH_X, dy = py - MOUTH_Y;
            const double dist = std::hypot(dx, dy);
            const double angle = std::atan2(dy, dx);
            const double cone = smoothstep(-0.1, 0.3, angle) * (1 - smoothstep(0.8, 1.1, angle));
            const double rays = std::pow(noise.at(angle * 12.0 + 100, 3.0), 2.0);
            const double beam = cone * rays * smoothstep(44, 80, dist) * std::exp(-dist / 160.0);
            Colour& c = canvas.at(x, y);
            c = art::screen(c, SUNLIGHT, 0.32 * beam);
            const double vx = (px - 150) / 200.0, vy = (py - 120) / 160.0;
            const double vignette = clamp01(1 - 0.6 * (vx * vx + vy * vy));
            c = art::scale(c, 0.6 + 0.4 * std::max(vignette, std::exp(-dist / 60.0)));
        }
    art::enliven(canvas, 1.3, 1.12);
    return savePng(canvas.toPicture(), dir + "/luola.png");
}
