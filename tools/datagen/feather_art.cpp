// bg3.png, feather.png and feather_alpha.png: a pale morning sky over distant
// hills, and a soft, barred russet feather that drifts down over it. The
// feather lies along the picture's rising diagonal, inside the inscribed
// circle, so that as the scene rocks it about the centre it swings around the
// horizontal.
#include <cmath>
#include <string>
#include <vector>

#include "datagen.h"
#include "makers.h"
#include "soft_paint.h"

namespace {

using softpaint::Canvas;
using softpaint::clamp01;
using softpaint::Colour;
using softpaint::mix;
using softpaint::smoothstep;
using softpaint::ValueNoise;

const double PI = 3.14159265358979323846;

// ---------------------------------------------------------------- the sky

Colour skyAt(double x, double y, const ValueNoise& noise) {
    const double h = y / 240.0;
    // Clear blue overhead, a milky middle, warm cream near the ground.
    const Colour top{96, 156, 224}, middle{176, 206, 238}, low{250, 220, 190};
    Colour c = h < 0.55 ? mix(top, middle, smoothstep(0, 0.55, h)) : mix(middle, low, smoothstep(0.55, 0.84, h));
    // Morning light from the upper left.
    const double sun = std::exp(-(std::pow((x - 40) / 170, 2) + std::pow((y + 30) / 140, 2)));
    c = mix(c, Colour{255, 246, 226}, 0.55 * sun);
    // Thin high streaks drifting across, stretched sideways.
    const double streak = noise.fbm(x / 150, y / 26, 4) + 0.18 * std::sin(y / 21.0 + x / 260.0);
    const double cloud = smoothstep(0.04, 0.32, streak) * (1 - 0.6 * h);
    c = mix(c, Colour{252, 250, 246}, 0.65 * cloud);
    // Two ranges of distant hills, blue with distance, their crests caught
    // by the low morning light.
    const double farRidge = 203 - 9 * smoothstep(0, 1, 0.5 + 1.6 * noise.fbm(x / 95 + 7, 3.5, 3)) -
                            6 * std::exp(-std::pow((x - 250) / 60, 2));
    const double nearRidge = 219 - 12 * smoothstep(0, 1, 0.5 + 1.8 * noise.fbm(x / 70 + 31, 8.5, 3)) -
                             5 * std::exp(-std::pow((x - 70) / 45, 2));
    const double far = smoothstep(farRidge - 0.8, farRidge + 0.8, y);
    const double near = smoothstep(nearRidge - 0.8, nearRidge + 0.8, y);
    Colour farColour = mix(Colour{218, 206, 232}, Colour{252, 226, 204}, 0.6 * smoothstep(3, 0, y - farRidge));
    Colour nearColour = mix(Colour{170, 186, 228}, Colour{150, 170, 218}, smoothstep(nearRidge, 240, y));
    nearColour = mix(nearColour, Colour{250, 222, 196}, 0.5 * smoothstep(3, 0, y - nearRidge));
    c = mix(c, farColour, 0.8 * far);
    c = mix(c, nearColour, 0.85 * near);
    // A low bank of soft haze, thinner over the hills so they still show.
    const double bank = smoothstep(0.0, 0.35, noise.fbm(x / 90 + 40, y / 40 + 9, 4) + (h - 0.82) * 1.6);
    c = mix(c, Colour{250, 240, 228}, 0.5 * bank * (1 - 0.5 * far));
    return c;
}

// ------------------------------------------------------------ the feather

const int FEATHER = 128;
const int SUPER = 4;  // subsamples per pixel side

// The rachis: from the quill low on the left to the tip high on the right,
// bowed slightly; 112 pixels long.
const double AXIS_ANGLE = -40 * PI / 180;
const double LENGTH = 116;
const double BOW = 5;  // sideways bow of the rachis at its middle, pixels

struct FeatherSample {
    Colour colour;
    double alpha;
};

// Vane half-width at s (0 quill end, 1 tip), pixels; side < 0 is the narrower
// leading vane.
double vaneWidth(double s, double side) {
    if (s < 0.07) return 0;
    double w;
    if (s < 0.3)
        w = 18.5 * smoothstep(0.07, 0.3, s);
    else if (s < 0.62)
        w = 18.5 + 1.5 * std::sin((s - 0.3) / 0.32 * PI * 0.5);
    else
        w = 20 * std::sqrt(std::max(0.0, 1 - std::pow((s - 0.62) / 0.38, 2.2)));
    return side < 0 ? w * 0.78 : w;
}

FeatherSample featherAt(double px, double py, const ValueNoise& noise) {
    const double ca = std::cos(AXIS_ANGLE), sa = std::sin(AXIS_ANGLE);
    // Chord coordinates: along from the quill end, across to the right of it.
    const double cx = 64 - 0.5 * LENGTH * ca + 2 * sa, cy = 64 - 0.5 * LENGTH * sa - 2 * ca;
    const double dx = px - cx, dy = py - cy;
    const double along = dx * ca + dy * sa;
    const double s = along / LENGTH;
    const double bow = BOW * 4 * s * (1 - s);
    const double t = (-dx * sa + dy * ca) - bow;  // across the rachis, pixels
    const double side = t < 0 ? -1 : 1;
    const double at = std::fabs(t);
    FeatherSample out{{0, 0, 0}, 0};
    if (s < -0.02 || s > 1.03) return out;

    // The quill: a translucent ivory shaft, thinning toward the tip.
    const double shaftHalf = 1.5 * (1 - 0.75 * clamp01(s)) + 0.25;
    const double shaft =
        smoothstep(shaftHalf + 0.6, shaftHalf - 0.3, at) * smoothstep(-0.02, 0.01, s) * smoothstep(1.0, 0.9, s);

    // Barbs leave the rachis toward the tip and curve further near the edge.
    const double w = vaneWidth(s, side);
    const double barbS = s - (1.05 * at + 0.018 * at * at) / LENGTH;
    const double barbPhase = barbS * LENGTH / 1.9;
    const double barbLine = 0.5 + 0.5 * std::cos(2 * PI * barbPhase);

    // Ragged edge: the barb tips end at slightly different lengths.
    const double rag =
        0.7 * noise.at(barbS * LENGTH / 2.2 + (side < 0 ? 40 : 0), 3.7) + 0.4 * std::sin(barbS * LENGTH * 0.9 + side);
    const double edge = w + rag - 0.8;
    double vane = w > 0 ? smoothstep(edge + 0.9, edge - 1.6, at) : 0;

    // Splits: where barbs have come apart, a gap opening toward the edge.
    static const double SPLITS[2][4] = {{0.55, 0.0, 0.0, 0.0}, {0.71, 0.0, 0.0, 0.0}};
    for (double split : SPLITS[side < 0 ? 0 : 1]) {
        if (split <= 0) continue;
        const double gap = std::exp(-std::pow((barbS - split) * LENGTH / 0.9, 2));
        vane *= 1 - 0.95 * gap * smoothstep(0.15, 0.6, at / std::max(w, 1.0));
    }

    // The downy base: looser, longer wisps that let the sky through, each
    // barb a soft strand of its own length.
    const double down = smoothstep(0.36, 0.12, s);
    const double strandPhase = barbS * LENGTH / 2.6;
    const double strand = std::pow(0.5 + 0.5 * std::cos(2 * PI * strandPhase), 1.5);
    const double reach = w * (1.05 + 0.45 * noise.at(std::floor(strandPhase) * 0.37 + 80, side * 3.3));
    const double downFade = smoothstep(reach + 1.5, reach * 0.35, at);
    const double wispAlpha =
        downFade * (0.72 + 0.28 * strand) * smoothstep(0.04, 0.11, s) * (0.95 - 0.3 * at / std::max(reach, 1.0));
    vane = vane * (1 - down) + down * clamp01(1.35 * wispAlpha);

    // Colour: cream down, warm tawny vane, russet toward the tip, with soft
    // chevron bars and lighter barb lines.
    Colour c = mix(Colour{240, 228, 210}, Colour{220, 170, 114}, smoothstep(0.16, 0.45, s));
    c = mix(c, Colour{184, 118, 72}, smoothstep(0.6, 1.0, s));
    const double barS = s - 0.42 * at / LENGTH;
    const double bars = smoothstep(0.35, 0.5, barS) * std::pow(0.5 + 0.5 * std::cos(2 * PI * (barS - 0.44) / 0.125), 3);
    c = mix(c, Colour{132, 80, 52}, 0.22 * bars);
    const double across = at / std::max(w, 1.0);
    // The vane thins to a lighter, sky-lit fringe: a dark rim made the
    // rotated outline a jagged line against the pale sky. A groove of shadow
    // runs beside the rachis on the lower vane.
    c = mix(c, Colour{246, 230, 206}, 0.25 * smoothstep(0.75, 1.0, across) * (1 - down));
    if (side > 0) c = mix(c, Colour{150, 96, 64}, 0.22 * smoothstep(4.5, 1.2, at) * smoothstep(0.2, 0.4, s));
    // Hand-painted mottling and the barbs: fine lighter lines running out
    // from the rachis.
    c = softpaint::scale(c, 0.94 + 0.10 * barbLine + 0.05 * noise.fbm(px / 9 + 20, py / 9 + 20, 2));
    // Light from the upper left catches the far vane.
    if (side < 0) c = mix(c, Colour{250, 236, 210}, 0.12 * (1 - down));
    // Tip: the darkest edge.
    c = mix(c, Colour{120, 70, 44}, 0.25 * smoothstep(0.9, 1.0, s) * smoothstep(0.3, 1.0, at / std::max(w, 1.0)));

    // The bare quill below the vane is horn, darker than the pale rachis, so
    // the feather visibly ends in it rather than fading into the sky.
    Colour shaftColour = mix(Colour{246, 238, 222}, Colour{214, 186, 150}, smoothstep(0.2, 1.0, s));
    shaftColour = mix(Colour{176, 134, 92}, shaftColour, smoothstep(0.03, 0.14, s));
    const double alpha = clamp01(vane + shaft - vane * shaft);
    if (alpha <= 0) return out;
    out.colour = mix(c, shaftColour, 0.9 * shaft / alpha);
    out.alpha = alpha;
    return out;
}

// The feather painted once, both pictures taken from the same pass: colour
// (weighted by coverage, so edges keep the feather's own colour) and opacity.
struct PaintedFeather {
    Canvas colour{FEATHER, FEATHER};
    std::vector<double> alpha = std::vector<double>(FEATHER * FEATHER, 0.0);
};

const PaintedFeather& paintedFeather() {
    static PaintedFeather feather = [] {
        PaintedFeather f;
        const ValueNoise noise(77);
        for (int y = 0; y < FEATHER; y++)
            for (int x = 0; x < FEATHER; x++) {
                Colour sum{0, 0, 0};
                double coverage = 0;
                for (int sy = 0; sy < SUPER; sy++)
                    for (int sx = 0; sx < SUPER; sx++) {
                        const FeatherSample s = featherAt(x + (sx + 0.5) / SUPER, y + (sy + 0.5) / SUPER, noise);
                        sum = {sum.r + s.colour.r * s.alpha, sum.g + s.colour.g * s.alpha,
                               sum.b + s.colour.b * s.alpha};
                        coverage += s.alpha;
                    }
                // Keep it well inside the inscribed circle: nothing beyond
                // radius 62 from the turning centre.
                const double r = std::hypot(x + 0.5 - 64, y + 0.5 - 64);
                coverage *= smoothstep(62.5, 60.5, r);
                f.alpha[y * FEATHER + x] = coverage / (SUPER * SUPER);
                // Where nothing covers the pixel its colour is never seen;
                // the vane's tawny keeps the picture calm in a viewer.
                f.colour.at(x, y) = coverage > 0 ? softpaint::scale(sum, 1.0 / coverage) : Colour{206, 148, 92};
            }
        return f;
    }();
    return feather;
}

// A few swallows far off in the morning sky, each a pair of thin arcs; on
// the left, where the drifting feather never reaches.
void paintBirds(Canvas& sky) {
    const double birds[][3] = {{14, 58, 1.3}, {26, 51, 1.0}, {34, 62, 0.85}, {40, 54, 0.75}};
    const Colour ink = {84, 96, 128};
    for (const auto& b : birds)
        for (int side = -1; side <= 1; side += 2)
            for (double t = 0; t <= 1.0; t += 0.02) {
                const double x = b[0] + side * t * 5.0 * b[2];
                const double y = b[1] - std::sin(t * PI) * 1.8 * b[2] + t * t * 1.2 * b[2];
                for (int py = static_cast<int>(y) - 1; py <= static_cast<int>(y) + 1; py++)
                    for (int px = static_cast<int>(x) - 1; px <= static_cast<int>(x) + 1; px++) {
                        if (px < 0 || py < 0 || px >= sky.width || py >= sky.height) continue;
                        const double d = std::hypot(px + 0.5 - x, py + 0.5 - y);
                        const double a = 0.22 * clamp01(1.1 - d) * (1 - 0.4 * t);
                        Colour& c = sky.at(px, py);
                        c = mix(c, ink, a);
                    }
            }
}

}  // namespace

bool makeFeatherBackground(const std::string& dir) {
    const ValueNoise noise(33);
    Canvas sky(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) sky.at(x, y) = skyAt(x + 0.5, y + 0.5, noise);
    paintBirds(sky);
    Picture picture(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const Colour& c = sky.at(x, y);
            picture.setDithered(x, y, c.r, c.g, c.b);
        }
    return savePng(picture, dir + "/bg3.png");
}

bool makeFeather(const std::string& dir) {
    const PaintedFeather& f = paintedFeather();
    Picture picture(FEATHER, FEATHER);
    for (int y = 0; y < FEATHER; y++)
        for (int x = 0; x < FEATHER; x++) {
            const Colour c = f.colour.at(x, y);
            picture.setNearest(x, y, c.r, c.g, c.b);
        }
    return savePng(picture, dir + "/feather.png");
}

bool makeFeatherAlpha(const std::string& dir) {
    const PaintedFeather& f = paintedFeather();
    Picture picture(FEATHER, FEATHER);
    for (int y = 0; y < FEATHER; y++)
        for (int x = 0; x < FEATHER; x++) {
            // Opacity in green's 64 levels; full coverage must be exactly 63.
            const int level = static_cast<int>(std::lround(63 * f.alpha[y * FEATHER + x]));
            const int byte = (level << 2) | (level >> 4);
            picture.set(x, y, byte, byte, byte);
        }
    return savePng(picture, dir + "/feather_alpha.png");
}
