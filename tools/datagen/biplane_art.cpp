// env_red.png: the biplane's texture atlas and, in its centre, the glossy red
// reflection the environment-mapped body shows.
#include <algorithm>
#include <cmath>

#include "art_kit.h"
#include "datagen.h"
#include "makers.h"
#include "mesh_atlas.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;

const int SIZE = 256;
const double PI = 3.14159265358979323846;

// Lacquer and environment colours of the reflection disc.
const Colour LACQUER = {200, 24, 24};
const Colour LACQUER_SHADE = {92, 6, 14};
const Colour SKY_ZENITH = {104, 150, 214};
const Colour SKY_HORIZON = {226, 232, 244};
const Colour GROUND_NEAR = {58, 30, 34};
const Colour GROUND_FAR = {24, 16, 26};
const Colour HIGHLIGHT = {255, 246, 238};

// Doped fabric and the markings on it.
const Colour FABRIC = {186, 30, 28};
const Colour FABRIC_LIGHT = {214, 58, 46};
const Colour FABRIC_DARK = {120, 14, 18};
const Colour NAVY = {34, 44, 104};
const Colour CREAM = {238, 226, 200};
// The markings' red: deeper than the doped fabric, so that a roundel's dot
// reads as a dot, not as the wing showing through.
const Colour MARKING_RED = {170, 14, 24};

// Propeller wood: two plies of mahogany, brass tip sheaths.
const Colour WOOD_LIGHT = {186, 72, 48};
const Colour WOOD_DARK = {128, 38, 28};
const Colour BRASS = {204, 160, 84};
// What the varnish mirrors: the sky, and a glint along the horizon.
const Colour VARNISH_SKY = {214, 164, 160};
const Colour VARNISH_GLINT = {232, 226, 236};

// What the body reflects for a view-space normal whose vertical part is ny
// (growing downward): sky above a horizon a little below the middle, dark
// ground beneath it.
Colour environment(double ny) {
    const double up = -ny;  // elevation of the reflected direction
    const double horizon = -0.08;
    if (up >= horizon) {
        const double t = clamp01((up - horizon) / (1.0 - horizon));
        // Brightest just above the horizon, deepening toward the zenith.
        return mix(SKY_HORIZON, SKY_ZENITH, std::pow(t, 0.6));
    }
    const double t = clamp01((horizon - up) / (1.0 + horizon));
    return mix(GROUND_NEAR, GROUND_FAR, std::sqrt(t));
}

// The reflection disc: texel (u, v) stands for the view normal
// ((u - 128) / 128, (v - 128) / 128); outside the unit disc the direction is
// kept and the length clamped, so the corners continue the rim smoothly.
Colour reflection(double u, double v) {
    double nx = (u - 128) / 128.0, ny = (v - 128) / 128.0;
    double r = std::sqrt(nx * nx + ny * ny);
    if (r > 0.999) {
        nx *= 0.999 / r;
        ny *= 0.999 / r;
        r = 0.999;
    }
    const double nz = std::sqrt(1 - r * r);
    // Painted red, lit from above: faces turned down fall into shade.
    const double lit = clamp01(0.62 - 0.5 * ny + 0.12 * nz);
    Colour c = mix(LACQUER_SHADE, LACQUER, lit);
    // The clear coat mirrors the surroundings, more so at grazing angles;
    // sparingly, since the clouds' light on top would wash it to pink.
    // Upward faces catch the open sky, downward ones the dark below.
    const double fresnel =
        0.04 + 0.32 * std::pow(1 - nz, 2.0) + 0.05 * smoothstep(0.0, 0.7, -ny) + 0.30 * smoothstep(0.05, 0.6, ny);
    c = mix(c, environment(ny), clamp01(fresnel));
    // Below the horizon the lacquer falls into the ground's shadow at once:
    // a clear split between the sky-lit upper half and the dark lower half.
    c = art::scale(c, 1 - 0.35 * smoothstep(0.02, 0.2, ny));
    // A bright band where the horizon meets the sky, widest toward the rim.
    const double horizonLine =
        std::exp(-std::pow((ny - 0.01) / (0.035 + 0.03 * (1 - nz)), 2)) * (0.25 + 0.3 * (1 - nz));
    c = mix(c, SKY_HORIZON, clamp01(horizonLine));
    // The sun: a hot highlight up and to the left, with a broad sheen around it.
    const double hx = nx + 0.34, hy = ny + 0.44;
    const double d2 = hx * hx + hy * hy;
    const double hot = std::exp(-d2 / 0.008) * 0.9 + std::exp(-d2 / 0.06) * 0.18 + std::exp(-d2 / 0.3) * 0.05;
    c = mix(c, HIGHLIGHT, clamp01(hot));
    // A darker rim: the silhouette turns away from every light.
    c = art::scale(c, 1 - 0.45 * smoothstep(0.78, 1.0, r));
    return c;
}

// A soft line across coordinate x: 1 within w of position p, falling
// smoothly to 0 at 2w.
double band(double x, double p, double w) { return 1 - smoothstep(w, 2 * w, std::fabs(x - p)); }

// A roundel of radius rad at (cx, cy): navy ring, cream ring, red centre dot,
// flat paint with soft ring edges. Returns the coverage (0..1) and sets
// colour.
double roundel(double x, double y, double cx, double cy, double rad, Colour& colour) {
    const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / rad;
    const double edge = 0.5 / rad;  // half a texel, in radii
    colour = mix(NAVY, CREAM, 1 - smoothstep(0.68 - edge, 0.68 + edge, d));
    colour = mix(colour, MARKING_RED, 1 - smoothstep(0.34 - edge, 0.34 + edge, d));
    return 1 - smoothstep(1 - edge, 1 + edge, d);
}

// Doped fabric over ribs. along: position along the ribs' run (0..1, the
// chord); across: texel position across them; ribSpacing in texels.
// Between the ribs the fabric sags a little: a faint shade beside each rib.
Colour fabric(double across, double along, double ribSpacing, const art::ValueNoise& noise) {
    const double phase = across / ribSpacing - std::floor(across / ribSpacing);  // 0 at a rib
    const double nearRib = std::min(phase, 1 - phase) * ribSpacing;              // texels to the nearest rib
    Colour c = FABRIC;
    // Lighter toward the leading edge, where the wing's curve faces the sky.
    c = mix(c, FABRIC_LIGHT, 0.55 * (1 - smoothstep(0.0, 0.35, along)));
    c = mix(c, FABRIC_DARK, 0.30 * smoothstep(0.7, 1.0, along));
    // Rib tapes: light lines, each flanked by a soft sag shadow.
    // Each rib catches the light on its near side and casts a soft shade on
    // the sagging fabric beyond it.
    c = mix(c, FABRIC_LIGHT, 0.7 * (1 - smoothstep(0.5, 1.5, phase * ribSpacing)));
    c = mix(c, FABRIC_DARK, 0.45 * (1 - smoothstep(0.8, 2.2, (1 - phase) * ribSpacing)));
    c = mix(c, FABRIC_DARK, 0.22 * smoothstep(1.5, 3.0, nearRib) * (1 - smoothstep(3.0, ribSpacing * 0.5, nearRib)));
    // Uneven dope.
    const double n = noise.fbm(across * 0.06, along * 3.1);
    return art::scale(c, 1 + 0.10 * n);
}

// Models a painted part: light from the top left falling off to shade at the
// bottom right of its rect, then a dark outline along the rim (the thin box
// sides and the outline of plates).
Colour outlined(Colour c, double u, double v, const AtlasRect& r, double width) {
    const double sx = clamp01((u - r.u0) / (r.u1 - r.u0)), sy = clamp01((v - r.v0) / (r.v1 - r.v0));
    c = art::scale(c, 1.18 - 0.22 * sx - 0.28 * sy);
    const double edge = std::min(std::min(u - r.u0, r.u1 - u), std::min(v - r.v0, r.v1 - v));
    const Colour outline = {60, 8, 12};
    c = mix(c, FABRIC_LIGHT, 0.35 * band(edge, width * 2.2, 0.5));
    return mix(c, outline, 0.9 * (1 - smoothstep(width * 0.6, width * 1.4, edge)));
}

// A rect and a 2-texel margin around it: the margins fill the gaps along the
// picture's edges, which faces reach only by rounding.
bool inside(const AtlasRect& r, double u, double v) {
    return u >= r.u0 - 2 && u <= r.u1 + 2 && v >= r.v0 - 2 && v <= r.v1 + 2;
}

// A wing: span along u (left tip at u0), chord along v (leading edge at v0).
// The underside is the same fabric in the wing's own shade: seen from below,
// a plane whose every surface is equally bright reads as a flat cut-out.
Colour wing(double u, double v, const AtlasRect& r, bool ailerons, bool underside, const art::ValueNoise& noise) {
    const double span = clamp01((u - r.u0) / (r.u1 - r.u0));
    const double chord = clamp01((v - r.v0) / (r.v1 - r.v0));
    Colour c = fabric(u - r.u0, chord, (r.u1 - r.u0) / 18.0, noise);
    // Ailerons on the outer panels: a hinge line behind the rear spar.
    if (ailerons && (span < 0.30 || span > 0.70)) {
        const double hinge = r.v0 + 0.74 * (r.v1 - r.v0);
        c = mix(c, FABRIC_DARK, 0.7 * band(v, hinge, 0.5));
    }
    // Cream tips behind a thin dark line: all-red wings read as one flat
    // slab, and the light tips show where each wing ends.
    {
        const double tip = std::min(span, 1 - span);
        const Colour cream = art::scale(CREAM, 0.92 + 0.1 * (1 - chord));
        c = mix(c, cream, smoothstep(0.082, 0.074, tip));
        c = mix(c, {40, 20, 24}, 0.9 * band(tip * (r.u1 - r.u0), 0.078 * (r.u1 - r.u0), 0.6));
    }
    // Roundels near both tips, round on the wing: its texels lie twice as
    // close along the span as along the chord.
    const double rad = 0.40 * (r.v1 - r.v0) * PlaneAtlas::WING_TEXEL_ASPECT;
    const double cy = 0.5 * (r.v0 + r.v1);
    for (double s : {0.16, 0.84}) {
        Colour mark;
        const double cover =
            roundel(u, cy + (v - cy) * PlaneAtlas::WING_TEXEL_ASPECT, r.u0 + s * (r.u1 - r.u0), cy, rad, mark);
        c = mix(c, mark, cover);
    }
    if (underside) c = art::scale(c, 0.55);
    return outlined(c, u, v, r, 1.5);
}

// The cowling: spun aluminium, unrolled around the nose (u) from its front
// (v0). Its corners sit at angles (k + 0.5) x 45 degrees for u = k / 8; lit
// from above, with a hard sheen along the upper shoulder and the lower half
// mirroring the dark below. The nose cap, at the front, is darker.
Colour cowling(double u, double v, const AtlasRect& r) {
    const double a = (clamp01((u - r.u0) / (r.u1 - r.u0)) * 8 + 0.5) * PI / 4;
    const double up = std::sin(a), along = clamp01((v - r.v0) / (r.v1 - r.v0));
    const Colour dark = {44, 46, 56}, metal = {150, 154, 164}, sheen = {236, 238, 242};
    Colour c = mix(dark, metal, smoothstep(-0.6, 0.5, up));
    c = mix(c, sheen, 0.8 * std::exp(-std::pow((up - 0.8) / 0.18, 2)));
    return art::scale(c, 0.6 + 0.4 * smoothstep(0.2, 0.5, along));
}

// A wheel side on: a black tyre, lit along its upper rim, round a grey
// fabric-covered hub with a dark axle cap.
Colour wheel(double u, double v, const AtlasRect& r) {
    const double x = 2 * (u - r.u0) / (r.u1 - r.u0) - 1, y = 2 * (v - r.v0) / (r.v1 - r.v0) - 1;
    const double d = std::sqrt(x * x + y * y);
    const Colour tyre = {26, 24, 26}, tyreLit = {96, 92, 96}, hub = {168, 164, 156}, hubShade = {104, 100, 96};
    Colour c = mix(tyre, tyreLit, 0.8 * smoothstep(0.2, -0.9, y) * smoothstep(0.6, 0.9, d));
    const Colour face = mix(hubShade, hub, smoothstep(0.5, -0.5, x + y));
    c = mix(c, face, 1 - smoothstep(0.52, 0.6, d));
    return mix(c, tyre, 1 - smoothstep(0.1, 0.16, d));
}

// Struts: varnished walnut, unrolled around each strut's three sides along u:
// the front (facing forward, rarely seen), then the left and the right rear
// faces. Lit from the upper left, so the left face is the light one; a glint
// of varnish runs down the edge between the two rear faces. Flat dark bars
// looked unlit next to the shaded wings.
Colour strut(double u, const AtlasRect& r) {
    const double across = clamp01((u - r.u0) / (r.u1 - r.u0)) * 3;  // 0..3, one unit a side
    const Colour shade = {46, 30, 26}, mid = {92, 60, 44}, lit = {150, 104, 76}, glint = {214, 180, 150};
    Colour c = across < 1 ? mid : across < 2 ? mix(lit, mid, across - 1) : mix(mid, shade, across - 2);
    return mix(c, glint, 0.7 * std::exp(-std::pow((across - 2) / 0.12, 2)));
}

// Tailplane: chord along u (leading edge at u1), span along v.
Colour tailplane(double u, double v, const AtlasRect& r, const art::ValueNoise& noise) {
    const double chord = clamp01((r.u1 - u) / (r.u1 - r.u0));
    Colour c = fabric(v - r.v0, chord, (r.v1 - r.v0) / 7.0, noise);
    // The elevator's hinge line.
    c = mix(c, FABRIC_DARK, 0.7 * band(chord, 0.60, 0.5 / (r.u1 - r.u0)));
    return outlined(c, u, v, r, 1.5);
}

// Fin and rudder: chord along u (leading edge at u1), height along v (top at v0).
// A red fin and a striped rudder, which sets the tail apart from the body.
// Seen from behind, the stripes once read as a part cutting through the
// wings; with the plane drawn at its present size they read as the rudder.
Colour fin(double u, double v, const AtlasRect& r, const art::ValueNoise& noise) {
    const double chord = clamp01((r.u1 - u) / (r.u1 - r.u0));
    Colour c = fabric(v - r.v0, chord, (r.v1 - r.v0) / 5.0, noise);
    const double w = r.u1 - r.u0;
    const double x = u - r.u0;  // from the trailing edge
    // The rudder, behind the hinge: navy, cream and red stripes, the red at
    // the trailing edge.
    if (x < 0.48 * w) {
        const Colour stripe = x < 0.16 * w ? MARKING_RED : x < 0.32 * w ? CREAM : NAVY;
        c = mix(c, art::scale(stripe, 0.9 + 0.1 * noise.fbm(x * 0.1, v * 0.1)), 0.92);
    }
    c = mix(c, FABRIC_DARK, 0.8 * band(x, 0.48 * w, 0.5));
    return outlined(c, u, v, r, 1.5);
}

// Propeller: varnished mahogany plies along the blade (v),
// brass-sheathed tips. The strip also lies on the right rim of the
// reflection disc, where the body's right flank samples it: so the varnish
// mirrors the same sky above and darkness below as the lacquer does, and the
// flank reads as red wood in the same light.
Colour propeller(double u, double v, const AtlasRect& r, const art::ValueNoise& noise) {
    const double across = (u - r.u0) / (r.u1 - r.u0);  // 0..1 over the blade width
    const double along = (v - r.v0) / (r.v1 - r.v0);   // 0..1 from tip to tip
    const double ny = (v - 128) / 128.0;
    // Plies run along the blade, with a slow waver of the grain.
    const double ply = 0.5 + 0.5 * std::sin((across * 4.0 + 0.3 * noise.at(v * 0.05, 3.0)) * 2 * PI);
    Colour c = mix(WOOD_DARK, WOOD_LIGHT, 0.3 + 0.4 * ply);
    c = art::scale(c, 1 + 0.08 * noise.fbm(across * 6.0, v * 0.22));
    // The varnish: sky above the horizon, shade below it.
    c = mix(c, VARNISH_SKY, 0.32 * smoothstep(0.05, -0.6, ny));
    c = mix(c, VARNISH_GLINT, 0.35 * std::exp(-std::pow((ny + 0.05) / 0.04, 2)));
    c = art::scale(c, 1 - 0.4 * smoothstep(0.0, 0.6, ny));
    // Brass tips.
    const double tip = std::min(along, 1 - along);
    c = mix(c, BRASS, 1 - smoothstep(0.04, 0.055, tip));
    return c;
}

// The sky behind the plane at atlas row v: deep blue overhead, lighter at
// the horizon, and below it haze that deepens again toward the ground far
// beneath. Kept to middling blues: the clouds' light, added over it, must
// still show as white. A smooth curve through the key colours: where a
// gradient changes its slope abruptly the eye sees a crease, and the
// camera's roll lays each one across the screen as a seam.
Colour sky(double v, const AtlasRect& r) {
    const double elevation =
        PlaneAtlas::SKY_TOP + (PlaneAtlas::SKY_BOTTOM - PlaneAtlas::SKY_TOP) * clamp01((v - r.v0) / (r.v1 - r.v0));
    struct Key {
        double elevation;
        Colour colour;
    };
    static const Key keys[] = {{-36, {70, 106, 172}}, {-24, {82, 120, 188}}, {-12, {92, 132, 202}},
                               {0, {104, 148, 216}},  {12, {62, 112, 190}},  {36, {34, 78, 162}},
                               {48, {34, 78, 162}}};
    const int n = sizeof keys / sizeof keys[0];
    // Monotone cubic (Fritsch-Carlson) per channel: no overshoot past a key.
    auto channel = [&](double Colour::*c) {
        double h[n - 1], d[n - 1], m[n];
        for (int k = 0; k < n - 1; k++) {
            h[k] = keys[k + 1].elevation - keys[k].elevation;
            d[k] = (keys[k + 1].colour.*c - keys[k].colour.*c) / h[k];
        }
        m[0] = d[0];
        m[n - 1] = d[n - 2];
        for (int k = 1; k < n - 1; k++)
            m[k] = d[k - 1] * d[k] <= 0
                       ? 0
                       : 3 * (h[k - 1] + h[k]) / ((2 * h[k] + h[k - 1]) / d[k - 1] + (h[k] + 2 * h[k - 1]) / d[k]);
        const double e = std::min(std::max(elevation, keys[0].elevation), keys[n - 1].elevation);
        int k = 0;
        while (k < n - 2 && e > keys[k + 1].elevation) k++;
        const double t = (e - keys[k].elevation) / h[k], t2 = t * t, t3 = t2 * t;
        return (2 * t3 - 3 * t2 + 1) * keys[k].colour.*c + (t3 - 2 * t2 + t) * h[k] * m[k] +
               (-2 * t3 + 3 * t2) * keys[k + 1].colour.*c + (t3 - t2) * h[k] * m[k + 1];
    };
    return {channel(&Colour::r), channel(&Colour::g), channel(&Colour::b)};
}

}  // namespace

bool makePlaneTexture(const std::string& dir) {
    const art::ValueNoise noise(0xB1A9E5ull);
    art::Canvas canvas(SIZE, SIZE, {0, 0, 0});
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            // Sample at the texel's centre: the renderer truncates positions.
            const double u = x + 0.5, v = y + 0.5;
            Colour c = reflection(u, v);
            if (inside(PlaneAtlas::UPPER_WING, u, v))
                c = wing(u, v, PlaneAtlas::UPPER_WING, true, false, noise);
            else if (inside(PlaneAtlas::UPPER_WING_UNDER, u, v))
                c = wing(u, v, PlaneAtlas::UPPER_WING_UNDER, true, true, noise);
            else if (inside(PlaneAtlas::LOWER_WING, u, v))
                c = wing(u, v, PlaneAtlas::LOWER_WING, false, false, noise);
            else if (inside(PlaneAtlas::LOWER_WING_UNDER, u, v))
                c = wing(u, v, PlaneAtlas::LOWER_WING_UNDER, false, true, noise);
            else if (inside(PlaneAtlas::WHEEL, u, v))
                c = wheel(u, v, PlaneAtlas::WHEEL);
            else if (inside(PlaneAtlas::TAILPLANE, u, v))
                c = tailplane(u, v, PlaneAtlas::TAILPLANE, noise);
            else if (inside(PlaneAtlas::FIN, u, v))
                c = fin(u, v, PlaneAtlas::FIN, noise);
            else if (inside(PlaneAtlas::PROPELLER, u, v))
                c = propeller(u, v, PlaneAtlas::PROPELLER, noise);
            else if (inside(PlaneAtlas::SKY, u, v))
                c = sky(v, PlaneAtlas::SKY);
            else if (inside(PlaneAtlas::STRUT, u, v))
                c = strut(u, PlaneAtlas::STRUT);
            else if (inside(PlaneAtlas::COWLING, u, v))
                c = cowling(u, v, PlaneAtlas::COWLING);
            canvas.at(x, y) = c;
        }
    Picture picture = canvas.toPicture(art::Canvas::Quantise::Nearest);
    // The sky's gradient spreads each RGB565 step across the screen as a
    // line, and where red, green and blue step on the same row the steps add
    // up to one visible seam. Going down the strip, a row changes at most
    // one channel: the one furthest from its own value; the others follow
    // on the next rows.
    const AtlasRect& sky = PlaneAtlas::SKY;
    const int maxLevel[3] = {31, 63, 31};
    int held[3] = {-1, -1, -1};
    for (int y = 0; y < SIZE; y++) {
        if (!inside(sky, sky.u0, y + 0.5)) continue;  // the rows painted with the sky
        const Colour& c = canvas.at(static_cast<int>(sky.u0), y);
        const double want[3] = {c.r * 31 / 255.0, c.g * 63 / 255.0, c.b * 31 / 255.0};
        int change = -1;
        double worst = 0.5;
        for (int k = 0; k < 3; k++) {
            if (held[k] < 0) held[k] = std::min(maxLevel[k], std::max(0, static_cast<int>(std::lround(want[k]))));
            const double off = std::fabs(want[k] - held[k]);
            if (off > worst) {
                worst = off;
                change = k;
            }
        }
        if (change >= 0) held[change] += want[change] > held[change] ? 1 : -1;
        const int r = (held[0] << 3) | (held[0] >> 2), g = (held[1] << 2) | (held[1] >> 4),
                  b = (held[2] << 3) | (held[2] >> 2);
        for (int x = static_cast<int>(sky.u0); x <= static_cast<int>(sky.u1); x++) picture.set(x, y, r, g, b);
    }
    return savePng(picture, dir + "/env_red.png");
}
