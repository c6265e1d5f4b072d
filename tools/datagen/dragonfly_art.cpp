// bg.png, kukka.png and the dragonfly: a summer meadow under a soft sky, the
// daisy texture laid out on the flower atlas, and a slender blue dragonfly
// seen from above with three frames of veined, translucent wings.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "art_kit.h"
#include "makers.h"
#include "mesh_atlas.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;

const double PI = 3.14159265358979323846;

struct Stop {
    double at;
    Colour c;
};

Colour gradient(const std::vector<Stop>& stops, double v) {
    if (v <= stops.front().at) return stops.front().c;
    for (size_t i = 1; i < stops.size(); i++)
        if (v <= stops[i].at) {
            const double t = (v - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return mix(stops[i - 1].c, stops[i].c, smoothstep(0, 1, t));
        }
    return stops.back().c;
}

// Stores a 6-bit level as the byte whose top six bits are that level.
int level6(int g) { return (g << 2) | (g >> 4); }
int level5(double v) {
    const int l = std::max(0, std::min(31, static_cast<int>(std::lround(v * 31.0 / 255.0))));
    return (l << 3) | (l >> 2);
}

// ------------------------------------------------------------------ meadow --

// The flowers stand 2.1..3 units below the eye with a level camera, so the
// ground's vanishing line is the screen's middle row.
const int SCREEN_W = 320, SCREEN_H = 240;
const double HORIZON = 120;
// The summer sun, high to the upper right: clouds are lit from there.
const double SUN_X = 268, SUN_Y = 26;

Colour skyAt(double x, double y) {
    static const std::vector<Stop> stops = {{0, {88, 142, 204}},
                                            {46, {120, 170, 220}},
                                            {86, {176, 206, 228}},
                                            {108, {226, 230, 220}},
                                            {120, {246, 240, 220}}};
    Colour c = gradient(stops, y);
    const double dx = (x - SUN_X) / 120.0, dy = (y - SUN_Y) / 95.0;
    return art::screen(c, {255, 242, 206}, 0.55 * std::exp(-(dx * dx + dy * dy)));
}

// Fair-weather clouds: heaps of round puffs standing on a flat base, lit
// from the sun's side and greyer toward the base.
struct Puff {
    double x, y, r;
};
struct Cloud {
    double x, base, width, height;
    int puffs;
    std::vector<Puff> parts;
};

std::vector<Cloud> clouds() {
    std::vector<Cloud> all = {{78, 70, 124, 34, 11, {}},
                              {238, 92, 84, 22, 8, {}},
                              {166, 38, 46, 12, 5, {}},
                              {292, 106, 44, 8, 5, {}},
                              {14, 104, 40, 7, 4, {}}};
    Rng rng(0xC10D5);
    for (Cloud& c : all)
        for (int k = 0; k < c.puffs; k++) {
            const double u = -1 + 2 * (k + 0.2 + 0.6 * rng.uniform()) / c.puffs;
            const double rise = std::sqrt(clamp01(1 - u * u));
            const double r = c.height * (0.28 + 0.34 * rise) * (0.85 + 0.3 * rng.uniform());
            c.parts.push_back({c.x + u * c.width * 0.5, c.base - r * 0.45 - rise * c.height * 0.38 * rng.uniform(), r});
        }
    return all;
}

// Coverage of the clouds at a point and how brightly the sun lights it there.
double cloudCover(const std::vector<Cloud>& all, const art::ValueNoise& noise, double x, double y, double& light) {
    double cover = 0;
    light = 1;
    for (const Cloud& c : all) {
        double inside = -1e9;
        for (const Puff& p : c.parts) inside = std::max(inside, p.r - std::hypot(x - p.x, y - p.y));
        // The surface normal, blended softly between the puffs that meet here
        // so that their seams stay gentle.
        double nx = 0, ny = 0, weights = 0;
        for (const Puff& p : c.parts) {
            const double w = std::exp((p.r - std::hypot(x - p.x, y - p.y) - inside) / 2.5);
            nx += w * (x - p.x) / p.r;
            ny += w * (y - p.y) / p.r;
            weights += w;
        }
        nx /= weights;
        ny /= weights;
        inside += 2.2 * noise.fbm(x / 7.0, y / 6.0);
        const double k = smoothstep(-1.2, 1.2, inside) * smoothstep(c.base + 1.5, c.base - 1.5, y);
        if (k <= 0) continue;
        const double sunward = clamp01(0.55 + 0.6 * (nx * 0.55 - ny * 0.8));
        const double low = smoothstep(c.base - c.height * 0.55, c.base, y);
        const double here = clamp01(sunward * (1 - 0.55 * low));
        light += (here - light) * k;
        cover = cover + k * (1 - cover);
    }
    return cover;
}

// The far hills and the treeline standing on the horizon.
double hillTop(double x, const art::ValueNoise& noise) {
    return 108 + 5 * std::sin(x / 47.0 + 0.8) + 3.0 * std::sin(x / 19.0 + 2.0) + 4 * noise.fbm(x / 40.0, 3.1);
}
double treeTop(double x, const art::ValueNoise& noise) {
    // Groups of rounded crowns with low hedges between them.
    const double group = smoothstep(0.02, 0.16, noise.fbm(x / 46.0, 11.3));
    const double crowns = 0.6 + 0.4 * std::fabs(std::sin(x / 5.5 + 3 * noise.fbm(x / 20.0, 5.0)));
    return HORIZON - 1.5 - group * crowns * 9.0 - 1.2 * noise.at(x / 6.0, 7.7);
}

Colour meadowAt(double x, double y, const art::ValueNoise& noise) {
    const double t = (y - HORIZON) / (SCREEN_H - HORIZON);
    static const std::vector<Stop> stops = {{0, {214, 218, 172}},
                                            {0.08, {186, 204, 128}},
                                            {0.3, {156, 190, 88}},
                                            {0.65, {120, 170, 64}},
                                            {1.0, {88, 146, 54}}};
    Colour c = gradient(stops, t);
    // Ground coordinates: the nearer the row, the larger a patch looks.
    const double depth = 1.0 / std::max(0.5, y - HORIZON + 1.5);
    const double gx = (x - 160) * depth * 30, gz = depth * 2400;
    const double patch = noise.fbm(gx / 9.0 + 40, gz / 7.0) * smoothstep(HORIZON + 2, HORIZON + 40, y);
    c = mix(c, patch > 0 ? Colour{198, 206, 104} : Colour{92, 138, 62}, clamp01(std::fabs(patch) * 1.6));
    // Bands of wind-combed grass far off, blade strokes near by.
    const double band = noise.fbm(x / 60.0 + 7, gz / 3.0) * (1 - smoothstep(HORIZON + 20, HORIZON + 70, y));
    c = mix(c, Colour{222, 220, 160}, clamp01(band * 0.9));
    const double blades = noise.fbm(x / 1.6 + 3, y / 16.0 + 9) * smoothstep(170, 240, y);
    c = mix(c, blades > 0 ? Colour{150, 196, 86} : Colour{58, 108, 44}, clamp01(std::fabs(blades) * 1.3));
    // Haze near the horizon.
    const double haze = std::exp(-(y - HORIZON) / 9.0);
    return mix(c, {236, 234, 206}, 0.55 * haze);
}

// Small flowers dotted over the meadow, growing with nearness.
void paintMeadowFlowers(art::Canvas& canvas) {
    Rng rng(0xDA151E5);
    const Colour white = {250, 248, 236}, yellow = {248, 212, 72}, pink = {230, 156, 188}, violet = {176, 156, 222};
    const Colour heart = {240, 186, 48};
    for (int k = 0; k < 420; k++) {
        const double y = HORIZON + 5 + (SCREEN_H - HORIZON - 1) * std::pow(rng.uniform(), 0.85);
        const double x = rng.uniform() * (SCREEN_W + 10) - 5;
        const double kind = rng.uniform();
        const double near = (y - HORIZON) / (SCREEN_H - HORIZON);
        const double r = 0.45 + 3.0 * near * (0.7 + 0.6 * rng.uniform());
        const Colour c = kind < 0.55 ? white : kind < 0.82 ? yellow : kind < 0.93 ? pink : violet;
        // Far flowers melt into the haze.
        const Colour tone = mix(c, {236, 234, 206}, 0.5 * std::exp(-(y - HORIZON) / 14.0));
        const int reach = static_cast<int>(r) + 2;
        for (int py = static_cast<int>(y) - reach; py <= static_cast<int>(y) + reach; py++)
            for (int px = static_cast<int>(x) - reach; px <= static_cast<int>(x) + reach; px++) {
                const double dx = px + 0.5 - x, dy = (py + 0.5 - y) / 0.62;
                const double d = std::sqrt(dx * dx + dy * dy);
                canvas.over(px, py, tone, 0.9 * clamp01(r + 0.6 - d));
                if (kind < 0.55 && r > 2.0) canvas.over(px, py, heart, clamp01(r * 0.38 + 0.5 - d));
            }
    }
}

// Tall grass right in front of the eye along the bottom edge, most of it
// toward the corners: long blades leaning outward, lit on their tips.
void paintForegroundGrass(art::Canvas& canvas) {
    Rng rng(0x6A55);
    const Colour dark = {58, 104, 40}, light = {150, 196, 84};
    for (int k = 0; k < 70; k++) {
        // Most blades stand near the corners, few toward the middle.
        const double side = k % 2 ? 1 : -1;
        const double spread = std::pow(rng.uniform(), 1.8);
        const double baseX = 160 + side * (160 - 150 * spread) + 6 * (rng.uniform() - 0.5);
        const double height = (18 + 46 * rng.uniform()) * (1 - 0.6 * spread);
        const double lean = side * (0.15 + 0.35 * rng.uniform());
        const double width = 1.6 + 1.6 * rng.uniform();
        for (double t = 0; t <= 1; t += 0.01) {
            const double x = baseX + lean * height * t * t, y = SCREEN_H + 2 - height * t;
            const double w = width * (1 - t) + 0.4;
            const Colour c = mix(dark, light, smoothstep(0.3, 1.0, t) * (0.5 + 0.5 * rng.uniform()));
            for (int py = static_cast<int>(y) - 1; py <= static_cast<int>(y) + 1; py++)
                for (int px = static_cast<int>(x - w) - 1; px <= static_cast<int>(x + w) + 1; px++)
                    canvas.over(
                        px, py, c,
                        0.85 * clamp01(w + 0.5 - std::fabs(px + 0.5 - x)) * clamp01(1.2 - std::fabs(py + 0.5 - y)));
        }
    }
}

Picture paintMeadow() {
    const art::ValueNoise noise(0x3EAD0);
    const std::vector<Cloud> sky = clouds();
    art::Canvas canvas(SCREEN_W, SCREEN_H, {0, 0, 0});
    for (int y = 0; y < SCREEN_H; y++)
        for (int x = 0; x < SCREEN_W; x++) {
            const double px = x + 0.5, py = y + 0.5;
            Colour c;
            if (py < HORIZON + 1) {
                c = skyAt(px, py);
                double light = 1;
                const double cover = cloudCover(sky, noise, px, py, light);
                const Colour lit = {255, 251, 240}, shaded = {184, 194, 218};
                c = mix(c, mix(shaded, lit, light), cover * 0.94);
                const double hill = smoothstep(hillTop(px, noise) - 0.6, hillTop(px, noise) + 0.6, py);
                const Colour hillColour = mix({168, 188, 196}, {196, 210, 206}, smoothstep(100, 120, py));
                c = mix(c, hillColour, hill * 0.8);
                const double tree = smoothstep(treeTop(px, noise) - 0.6, treeTop(px, noise) + 0.6, py);
                const double shadeSide = 0.5 + 0.5 * noise.fbm(px / 4.0, py / 3.0);
                c = mix(c, mix({124, 156, 128}, {156, 178, 146}, shadeSide), tree * 0.85);
            }
            const double ground = smoothstep(HORIZON - 0.5, HORIZON + 1.5, py);
            if (ground > 0) c = mix(c, meadowAt(px, py, noise), ground);
            canvas.at(x, y) = c;
        }
    paintMeadowFlowers(canvas);
    paintForegroundGrass(canvas);
    art::enliven(canvas, 1.25, 1.1);
    return canvas.toPicture();
}

// ------------------------------------------------------------------ daisy --

// Paints a rectangle of the atlas and a margin of BLEED texels around it
// with its edge colours (half the gap to its neighbours), so that texels
// sampled just outside a face's rectangle still match it.
const int BLEED = 4;

void fillRect(art::Canvas& canvas, const AtlasRect& r, Colour (*paint)(double u, double v)) {
    const int x0 = std::max(0, static_cast<int>(r.u0) - BLEED), x1 = std::min(canvas.w, static_cast<int>(r.u1) + BLEED);
    const int y0 = std::max(0, static_cast<int>(r.v0) - BLEED), y1 = std::min(canvas.h, static_cast<int>(r.v1) + BLEED);
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            canvas.at(x, y) =
                paint(clamp01((x + 0.5 - r.u0) / (r.u1 - r.u0)), clamp01((y + 0.5 - r.v0) / (r.v1 - r.v0)));
}

// One petal: white, a little cream toward its base, faint grooves along it
// and a blush of pink at the tip, shaded at the rims where it cups.
Colour petalAt(double u, double v) {
    Colour c = mix({246, 240, 214}, {252, 251, 246}, smoothstep(0.95, 0.55, v));
    const double across = std::fabs(u - 0.5) * 2;
    c = mix(c, {214, 212, 226}, 0.45 * smoothstep(0.55, 1.0, across));
    // Grooves that read even on a petal filling a tenth of the screen, and
    // the crease down the middle where the petal folds.
    const double groove = std::pow(0.5 + 0.5 * std::cos(u * 2 * PI * 4.5), 2);
    c = mix(c, {204, 204, 222}, 0.42 * groove * smoothstep(0.98, 0.35, v));
    c = mix(c, {196, 196, 214}, 0.5 * smoothstep(0.07, 0.0, std::fabs(u - 0.5)) * smoothstep(1.0, 0.3, v));
    c = mix(c, {246, 206, 220}, 0.35 * smoothstep(0.3, 0.0, v));
    return mix(c, {230, 226, 140}, 0.4 * smoothstep(0.88, 1.0, v));
}

// The heart: a dome of tiny yellow florets, brighter at the top, deeper
// orange toward the rim, in a sunflower spiral.
Colour heartAt(double u, double v) {
    const double dx = u - 0.5, dy = v - 0.5;
    const double d = std::sqrt(dx * dx + dy * dy) / 0.5;
    Colour c = mix({255, 230, 84}, {226, 152, 30}, smoothstep(0.1, 1.0, d));
    // Floret dots on a golden-angle spiral.
    double nearest = 1e9;
    const double golden = PI * (3 - std::sqrt(5.0));
    for (int k = 0; k < 160; k++) {
        const double r = 0.46 * std::sqrt((k + 0.5) / 160.0), a = k * golden;
        const double ex = dx - r * std::cos(a), ey = dy - r * std::sin(a);
        nearest = std::min(nearest, ex * ex + ey * ey);
    }
    const double dot = smoothstep(0.0007, 0.0001, nearest);
    c = mix(c, {255, 244, 150}, 0.45 * dot);
    return mix(c, {255, 250, 210}, 0.35 * smoothstep(0.35, 0.0, d));
}

// The leaf: fresh green with a pale midrib and slanting side veins.
Colour leafAt(double u, double v) {
    const double across = (u - 0.5) * 2;
    Colour c = mix({110, 172, 70}, {64, 124, 46}, smoothstep(0.2, 1.0, std::fabs(across)));
    c = mix(c, {134, 186, 86}, 0.5 * smoothstep(0.6, 0.0, v));
    const double rib = smoothstep(0.06, 0.0, std::fabs(across));
    const double side = 0.5 + 0.5 * std::cos((v + 0.6 * std::fabs(across)) * 2 * PI * 6);
    c = mix(c, {168, 208, 118}, std::max(rib * 0.8, 0.25 * smoothstep(0.75, 1.0, side)));
    return c;
}

// The stem, lighter toward the flower.
Colour stemAt(double, double v) { return mix({124, 178, 78}, {70, 128, 50}, v); }

// The calyx: green bracts, lighter where they meet the head.
Colour calyxAt(double u, double v) {
    const double bract = 0.5 + 0.5 * std::cos(u * 2 * PI * 9);
    Colour c = mix({132, 182, 84}, {84, 140, 58}, smoothstep(0.0, 1.0, v));
    return mix(c, {60, 112, 46}, 0.3 * bract * smoothstep(0.2, 0.7, v));
}

Picture paintDaisy() {
    art::Canvas canvas(256, 256, {96, 150, 62});
    fillRect(canvas, FlowerAtlas::PETAL, petalAt);
    fillRect(canvas, FlowerAtlas::HEART, heartAt);
    fillRect(canvas, FlowerAtlas::LEAF, leafAt);
    fillRect(canvas, FlowerAtlas::STEM, stemAt);
    fillRect(canvas, FlowerAtlas::CALYX, calyxAt);
    return canvas.toPicture(art::Canvas::Quantise::Nearest);
}

// --------------------------------------------------------------- dragonfly --

// Sprite coordinates: x from the body's axis (the middle of column 16), y
// from the sprite's centre row (row 42), which the scene puts on the circle.
const int BODY_W = 32, BODY_H = 84;
const double AXIS = 16.5, MID_ROW = 42;
const int SS = 4;  // samples per pixel along each axis

// The parts as seen from above.
const double EYE_X = 5.0, EYE_Y = -35.0, EYE_R = 6.3;
const double THORAX_Y = -21.0, THORAX_RX = 7.0, THORAX_RY = 9.6;
const double ABDOMEN_TOP = -13.0, ABDOMEN_END = 40.5;
// How far the abdomen's tip curves to the right, in sprite pixels: a
// ruler-straight abdomen made the insect look stiff.
const double ABDOMEN_BEND = 4.0;

// Half the abdomen's width along its length: a swollen base, then a long
// slender shaft tapering to the tip.
double abdomenHalfWidth(double y) {
    const double s = (y - ABDOMEN_TOP) / (ABDOMEN_END - ABDOMEN_TOP);
    if (s < 0 || s > 1) return 0;
    double hw = 2.55 - 0.45 * s;
    hw += 1.6 * std::exp(-std::pow((s - 0.06) / 0.07, 2));
    if (s > 0.95) hw *= std::sqrt(clamp01(1 - std::pow((s - 0.95) / 0.05, 2)));
    return hw;
}

// Light from the upper left and the viewer above: a cross-section lit as a
// cylinder, with a narrow white sheen for the shine.
Colour shadeCylinder(double u, Colour dark, Colour base, Colour light, double shine) {
    const double nz = std::sqrt(clamp01(1 - u * u));
    const double diffuse = clamp01(-0.45 * u + 0.85 * nz);
    Colour c = diffuse < 0.5 ? mix(dark, base, diffuse * 2) : mix(base, light, (diffuse - 0.5) * 2);
    const double sheen = std::exp(-std::pow((u + 0.38) / 0.16, 2));
    c = mix(c, {240, 250, 255}, shine * sheen);
    return mix(c, dark, 0.7 * smoothstep(0.75, 1.0, std::fabs(u)));
}

// The colour of the body at one sample, and whether the sample is inside.
bool bodySample(double x, double y, Colour& out) {
    // The eyes: two large glossy domes meeting on the axis.
    for (int side = -1; side <= 1; side += 2) {
        const double ex = x - side * EYE_X, ey = y - EYE_Y;
        const double d = std::sqrt(ex * ex + ey * ey) / EYE_R;
        if (d <= 1) {
            const double lit = clamp01(0.55 - 0.35 * (ex + ey) / EYE_R + 0.3 * std::sqrt(1 - d * d));
            Colour c = mix({18, 70, 92}, {76, 186, 196}, lit);
            const double hx = ex + 2.2, hy = ey + 2.4;
            c = mix(c, {236, 252, 255}, 0.9 * std::exp(-(hx * hx + hy * hy) / 1.6));
            out = mix(c, {10, 36, 52}, 0.8 * smoothstep(0.8, 1.0, d));
            return true;
        }
    }
    // The face between and in front of the eyes.
    {
        const double fx = x / 4.0, fy = (y + 40.0) / 2.8;
        if (fx * fx + fy * fy <= 1) {
            out = shadeCylinder(fx, {90, 96, 30}, {180, 190, 70}, {236, 240, 150}, 0.3);
            return true;
        }
    }
    // The thorax: a stout metallic green-bronze with two pale stripes.
    {
        const double tx = x / THORAX_RX, ty = (y - THORAX_Y) / THORAX_RY;
        if (tx * tx + ty * ty <= 1) {
            const double hw = std::sqrt(1 - ty * ty);
            const double u = tx / hw;
            Colour c = shadeCylinder(u, {18, 48, 42}, {44, 116, 96}, {120, 196, 160}, 0.55);
            const double stripe = smoothstep(0.16, 0.06, std::fabs(std::fabs(u) - 0.45)) * smoothstep(0.9, 0.3, ty);
            out = mix(c, {190, 226, 140}, 0.55 * stripe);
            return true;
        }
    }
    // The abdomen: slender, glossy cobalt with a dark line along its back
    // and a dark ring at every segment joint.
    const double hw = abdomenHalfWidth(y);
    // The curve starts a third of the way down and steepens toward the tip
    // (the claspers below follow it).
    const double along = (y - ABDOMEN_TOP) / (ABDOMEN_END - ABDOMEN_TOP);
    x -= ABDOMEN_BEND * std::pow(smoothstep(0.35, 1.0, along), 1.5);
    if (hw > 0 && std::fabs(x) <= hw) {
        const double u = x / hw;
        Colour c = shadeCylinder(u, {10, 24, 70}, {40, 100, 210}, {130, 190, 255}, 0.8);
        const double s = (y - ABDOMEN_TOP) / (ABDOMEN_END - ABDOMEN_TOP);
        const double seg = s * 10.0;
        const double joint = std::fabs(seg - std::round(seg)) * (ABDOMEN_END - ABDOMEN_TOP) / 10.0;
        if (seg > 0.5 && seg < 9.6) c = mix(c, {12, 22, 48}, 0.75 * smoothstep(0.9, 0.3, joint));
        c = mix(c, {16, 28, 60}, 0.6 * smoothstep(0.22, 0.08, std::fabs(u)) * smoothstep(0.15, 0.25, s));
        // The last segments darken toward the tip.
        out = mix(c, {20, 30, 60}, 0.5 * smoothstep(0.85, 1.0, s));
        return true;
    }
    // Two small claspers at the tip.
    for (int side = -1; side <= 1; side += 2) {
        const double cx = x - side * (0.8 + (y - ABDOMEN_END + 0.5) * 0.3);
        if (y > ABDOMEN_END - 1.0 && y < ABDOMEN_END + 2.6 && std::fabs(cx) < 0.55) {
            out = {30, 36, 60};
            return true;
        }
    }
    return false;
}

struct Sprite {
    std::vector<Colour> colour;
    std::vector<double> cover;
};

Sprite renderBody() {
    Sprite s;
    s.colour.assign(BODY_W * BODY_H, {0, 0, 0});
    s.cover.assign(BODY_W * BODY_H, 0);
    for (int r = 0; r < BODY_H; r++)
        for (int c = 0; c < BODY_W; c++) {
            Colour sum = {0, 0, 0};
            int n = 0;
            for (int j = 0; j < SS; j++)
                for (int i = 0; i < SS; i++) {
                    Colour k;
                    if (bodySample(c + (i + 0.5) / SS - AXIS, r + (j + 0.5) / SS - MID_ROW, k)) {
                        sum = art::add(sum, k);
                        n++;
                    }
                }
            const size_t at = static_cast<size_t>(r) * BODY_W + c;
            s.cover[at] = static_cast<double>(n) / (SS * SS);
            s.colour[at] = n ? art::scale(sum, 1.0 / n) : Colour{20, 30, 50};
        }
    return s;
}

// ------------------------------------------------------------------- wings --

const int WING_W = 192;
const double WING_AXIS = 95.5;

// Opacity of the wing parts, as the 0..63 levels the scene reads (63 - green).
const double MEMBRANE = 20, VEIN = 46, EDGE = 38, CROSS_VEIN = 31, STIGMA = 55, AMBER = 29;

// One wing's plan: root point, length, sweep (rows per column outward),
// chord shape and how far the flap raises its tip.
struct WingPlan {
    double rootY, length, sweep, leadShare;
    bool hind;
};

double chordAt(const WingPlan& w, double p) {
    double c;
    if (w.hind)
        c = 9 + 13 * smoothstep(0.0, 0.12, p) - 7 * smoothstep(0.18, 0.7, p);
    else
        c = 5 + 10.5 * smoothstep(0.0, 0.3, p) - 1.5 * smoothstep(0.4, 0.8, p);
    if (p > 0.82) c *= std::sqrt(clamp01(1 - std::pow((p - 0.82) / 0.18, 2)));
    return c;
}

// A flap pose: how much of the span shows and how far the tips rise (negative)
// or fall on screen.
struct Pose {
    double span, raise;
};

// Wing opacity (0..63) and colour at one sample; 0 outside every wing.
double wingSample(double x, double y, const Pose& pose, Colour& colour) {
    static const WingPlan plans[2] = {{-25.5, 68, -0.05, 0.3, false}, {-18.0, 64, 0.07, 0.22, true}};
    double best = 0;
    for (const WingPlan& w : plans) {
        const double reach = std::fabs(x) - 2.5;
        if (reach <= 0) continue;
        const double a = reach / pose.span;
        const double p = a / w.length;
        if (p > 1) continue;
        const double raise = (w.hind ? 0.85 : 1.0) * pose.raise * std::pow(p, 1.4);
        const double centre = w.rootY + w.sweep * a + raise;
        const double chord = chordAt(w, p);
        const double lead = centre - chord * w.leadShare, trail = centre + chord * (1 - w.leadShare);
        if (y < lead || y > trail) continue;
        const double q = (y - lead) / std::max(0.01, trail - lead);
        double alpha = MEMBRANE + 4 * p;
        // Iridescent film: steel blue at the base, a touch of gold out at the tip.
        Colour c = mix({150, 0, 204}, {200, 0, 170}, smoothstep(0.4, 1.0, p));
        if (p < 0.1 && !w.hind) {
            alpha = AMBER;
            c = {222, 0, 96};
        }
        if (w.hind && p < 0.16 && q > 0.35) {
            alpha = AMBER;
            c = {222, 0, 96};
        }
        const Colour veinColour = {52, 0, 64};
        // The strong leading edge (costa) and the thinner rim.
        if (y - lead < 1.1 || trail - y < 0.6) {
            alpha = y - lead < 1.1 ? VEIN : EDGE;
            c = veinColour;
        }
        // Long veins running out from the root.
        static const double LONG[4] = {0.16, 0.34, 0.55, 0.78};
        for (int k = 0; k < 4; k++) {
            if (p > 0.9 - 0.1 * k) continue;
            if (std::fabs(q - LONG[k]) * (trail - lead) < 0.5) {
                alpha = std::max(alpha, VEIN - 3 * k);
                c = veinColour;
            }
        }
        // Cross veins: a fine ladder toward the leading edge, a looser mesh behind.
        const double spacing = q < 0.34 ? 3.0 : 5.2;
        const double phase = a / spacing + (q < 0.34 ? 0 : 0.5 * std::floor(q * 6));
        if (std::fabs(phase - std::round(phase)) * spacing * pose.span < 0.35 && p > 0.06) {
            alpha = std::max(alpha, CROSS_VEIN);
            if (alpha == CROSS_VEIN) c = veinColour;
        }
        // The nodus and the dark pterostigma near the tip.
        if (std::fabs(p - 0.46) * w.length * pose.span < 0.8 && q < 0.2) {
            alpha = VEIN;
            c = veinColour;
        }
        if (p > 0.83 && p < 0.9 && q < 0.22) {
            alpha = STIGMA;
            c = {110, 0, 30};
        }
        if (alpha > best) {
            best = alpha;
            colour = c;
        }
    }
    return best;
}

const Pose POSES[3] = {{0.8, -24}, {1.0, 0}, {0.84, 20}};
const int LIFT[3] = {60, 40, 10};

// The frame's height: every painted row lands on a drawn row (all but the
// last), with a light row of margin at each end.
int wingHeight(int frame, double top, double bottom) {
    const int lift = LIFT[frame];
    int half = static_cast<int>(std::ceil(1 - lift - top));
    half = std::max(half, static_cast<int>(std::ceil(bottom + lift + 3)));
    return 2 * half;
}

Picture paintWing(int frame) {
    const Pose& pose = POSES[frame];
    // The wings' extent about the sprite's centre row, found by sampling.
    double top = 1e9, bottom = -1e9;
    for (double y = -120; y < 120; y += 0.25)
        for (double x = -96; x < 96; x += 0.5) {
            Colour c;
            if (wingSample(x, y, pose, c) > 0) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    const int h = wingHeight(frame, std::floor(top) - 1, std::ceil(bottom) + 1);
    const double originY = h / 2 + LIFT[frame];
    Picture p(WING_W, h);
    for (int r = 0; r < h; r++)
        for (int c = 0; c < WING_W; c++) {
            double alphaSum = 0;
            Colour sum = {0, 0, 0};
            for (int j = 0; j < SS; j++)
                for (int i = 0; i < SS; i++) {
                    Colour k;
                    const double a = wingSample(c + (i + 0.5) / SS - WING_AXIS, r + (j + 0.5) / SS - originY, pose, k);
                    alphaSum += a;
                    sum = art::add(sum, art::scale(k, a));
                }
            const double alpha = alphaSum / (SS * SS);
            // Ordered dither of the opacity keeps the film smooth.
            static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
            const int level = static_cast<int>(alpha + (BAYER[r & 3][c & 3] + 0.5) / 16.0);
            if (level <= 10 || r == h - 1) {
                p.set(c, r, 255, 255, 255);
                continue;
            }
            const Colour k = art::scale(sum, 1.0 / alphaSum);
            p.set(c, r, level5(k.r), level6(63 - std::min(level, 63)), level5(k.b));
        }
    return p;
}

}  // namespace

bool makeMeadow(const std::string& dir) { return savePng(paintMeadow(), dir + "/bg.png"); }

bool makeFlowerTexture(const std::string& dir) { return savePng(paintDaisy(), dir + "/kukka.png"); }

bool makeDragonfly(const std::string& dir) {
    const Sprite s = renderBody();
    art::Canvas canvas(BODY_W, BODY_H, {0, 0, 0});
    for (int i = 0; i < BODY_W * BODY_H; i++) canvas.c[i] = s.colour[i];
    return savePng(canvas.toPicture(), dir + "/dragonfly.png");
}

bool makeDragonflyOpacity(const std::string& dir) {
    const Sprite s = renderBody();
    Picture p(BODY_W, BODY_H);
    for (int r = 0; r < BODY_H; r++)
        for (int c = 0; c < BODY_W; c++) art::setGrey(p, c, r, s.cover[static_cast<size_t>(r) * BODY_W + c]);
    return savePng(p, dir + "/dragonfly_opac.png");
}

bool makeWing1(const std::string& dir) { return savePng(paintWing(0), dir + "/df_wing1.png"); }
bool makeWing2(const std::string& dir) { return savePng(paintWing(1), dir + "/df_wing2.png"); }
bool makeWing3(const std::string& dir) { return savePng(paintWing(2), dir + "/df_wing3.png"); }
