// majakka.png, majakka_light.png and spark.png: a lighthouse on a headland at
// dusk, the glow of its lamp (brightest exactly on the lamp) and one spark.
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "lighthouse_layout.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;
using namespace lighthouse;

const int W = 320, H = 240;
const double HORIZON = 172;

struct Stop {
    double y;
    Colour c;
};

Colour gradient(const std::vector<Stop>& stops, double y) {
    if (y <= stops.front().y) return stops.front().c;
    for (size_t i = 1; i < stops.size(); i++)
        if (y <= stops[i].y) {
            const double t = (y - stops[i - 1].y) / (stops[i].y - stops[i - 1].y);
            return mix(stops[i - 1].c, stops[i].c, smoothstep(0, 1, t));
        }
    return stops.back().c;
}

// Where the sun went down: the sky stays warmest there.
const double SUNSET_X = 96;

Colour skyAt(double x, double y, const art::ValueNoise& noise) {
    static const std::vector<Stop> stops = {{0, {30, 28, 74}},      {55, {62, 48, 108}},    {100, {126, 76, 130}},
                                            {138, {206, 112, 124}}, {160, {244, 160, 128}}, {172, {255, 204, 150}}};
    Colour c = gradient(stops, y);
    // The afterglow: a broad warm dome over the sunset point.
    const double dx = (x - SUNSET_X) / 150.0, dy = (HORIZON - y) / 70.0;
    const double glow = std::exp(-(dx * dx + dy * dy));
    c = art::screen(c, {255, 190, 120}, 0.35 * glow);
    // High thin cloud streaks, lit pink from below.
    const double band = smoothstep(0.05, 0.3, noise.fbm(x / 70.0, y / 7.0) + 0.12) * smoothstep(100, 118, y) *
                        (1 - smoothstep(150, 166, y));
    c = mix(c, art::mix({236, 136, 138}, {255, 188, 150}, smoothstep(120, 160, y)), 0.55 * band);
    const double band2 = smoothstep(0.12, 0.3, noise.fbm(x / 55.0 + 9, y / 5.0 + 3)) * smoothstep(40, 60, y) *
                         (1 - smoothstep(78, 92, y));
    c = mix(c, {150, 92, 146}, 0.45 * band2);
    return c;
}

// The headland's top edge: rises from the sea to a plateau under the tower.
double cliffTop(double x, const art::ValueNoise& noise) {
    // A rocky shoulder slopes down into the sea toward the bottom left.
    const double shoulder = x < 200 ? std::pow((200 - x) / 60.0, 1.3) * 70 : 0;
    const double rise = 176 - 22 * smoothstep(196, 246, x) + 5 * smoothstep(300, 330, x) + shoulder;
    return rise + 2.2 * noise.fbm(x / 9.0, 3.7);
}

// Half the tower's width at a row: tapering from the base to the gallery.
const double TOWER_BASE = 158, TOWER_TOP = 101;
double towerHalfWidth(double y) { return 7.0 + 5.0 * (y - TOWER_TOP) / (TOWER_BASE - TOWER_TOP); }

void paintLighthouse(art::Canvas& canvas) {
    const Colour whiteLit = {255, 226, 196}, whiteShade = {118, 104, 150};
    const Colour redLit = {214, 72, 62}, redShade = {88, 36, 62};
    const Colour iron = {40, 28, 48};
    for (int y = 60; y < 162; y++)
        for (int x = 250; x < 296; x++) {
            const double px = x + 0.5, py = y + 0.5;
            // The tower: a tapered cylinder with red bands, lit from the west.
            if (py >= TOWER_TOP && py <= TOWER_BASE) {
                const double hw = towerHalfWidth(py), u = (px - LAMP_X) / hw;
                const double cover = clamp01(hw - std::fabs(px - LAMP_X) + 0.5);
                if (cover > 0) {
                    const double light = clamp01(0.5 - 0.62 * u + 0.18 * std::sqrt(clamp01(1 - u * u)));
                    const double along = (py - TOWER_TOP) / (TOWER_BASE - TOWER_TOP);
                    const bool red = std::fmod(along * 4.0, 1.0) > 0.5;
                    Colour c = red ? mix(redShade, redLit, light) : mix(whiteShade, whiteLit, light);
                    // A small dark window on every white band, the door at the base.
                    const double bandY = std::fmod(along * 4.0, 1.0);
                    if (!red && std::fabs(u + 0.1) < 0.22 && bandY > 0.18 && bandY < 0.36 && along < 0.7)
                        c = mix(c, {46, 36, 64}, 0.85);
                    if (py > TOWER_BASE - 9 && std::fabs(px - LAMP_X + 1) < 2.6) c = {54, 36, 52};
                    canvas.over(x, y, c, cover);
                }
            }
            // The gallery: a dark iron ledge with a railing.
            if (py >= 97 && py < 101 && std::fabs(px - LAMP_X) < 11.5) canvas.over(x, y, iron, 1);
            if (py >= 91 && py < 97 && std::fabs(px - LAMP_X) < 11.0) {
                const bool rail = py < 92.2 || std::fmod(px + 0.5, 3.0) < 1.0;
                if (rail) canvas.over(x, y, {58, 40, 62}, 0.9);
            }
            // The lantern: glazing lit from within, with dark mullions.
            if (py >= 80 && py < 97 && std::fabs(px - LAMP_X) < 6.5) {
                const double d = std::hypot(px - LAMP_X, (py - LAMP_Y) * 0.8);
                Colour glass = mix({255, 252, 228}, {255, 196, 104}, smoothstep(1.5, 7.0, d));
                if (std::fabs(px - LAMP_X) > 3.8 && std::fabs(px - LAMP_X) < 5.0) glass = mix(glass, iron, 0.75);
                canvas.over(x, y, glass, 1);
            }
            // The roof: a dark red dome and a small finial.
            if (py >= 70 && py < 80) {
                const double t = (80 - py) / 10.0;
                const double hw = 8.5 * std::sqrt(clamp01(1 - t * t * 0.96));
                const double cover = clamp01(hw - std::fabs(px - LAMP_X) + 0.5);
                const double light = clamp01(0.55 - 0.5 * (px - LAMP_X) / 8.5);
                canvas.over(x, y, mix({70, 28, 48}, {176, 70, 64}, light), cover);
            }
            if (py >= 64 && py < 70 && std::fabs(px - LAMP_X) < 1.0) canvas.over(x, y, iron, 1);
            const double ball = std::hypot(px - LAMP_X, py - 65.0);
            canvas.over(x, y, {90, 50, 60}, clamp01(2.0 - ball));
        }
}

// The keeper's cottage beside the tower, one window lit.
void paintCottage(art::Canvas& canvas) {
    const double left = 287, right = 314, eaves = 148, base = 160;
    for (int y = 134; y < 162; y++)
        for (int x = 280; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double mid = 0.5 * (left + right);
            const double roofLine = eaves - 11 + std::fabs(px - mid) * 0.8;
            if (px > left - 2 && px < right + 2 && py > roofLine && py < eaves + 1)
                canvas.over(x, y, mix({66, 32, 52}, {150, 64, 62}, clamp01((mid - px) / 16.0 + 0.4)), 1);
            else if (px > left && px < right && py >= eaves + 1 && py < base) {
                Colour wall = mix({92, 80, 122}, {226, 186, 168}, clamp01((right - px) / (right - left) * 0.9));
                if (px > 293 && px < 299 && py > 150 && py < 156) wall = {255, 206, 120};
                if (px > 304 && px < 308 && py > 151 && py < base) wall = {58, 38, 58};
                canvas.over(x, y, wall, 1);
            }
        }
}

// The headland as a relief: a rounded mass whose skyline curves away, carved
// by tilted ledges and crags. Faces turned to the afterglow in the west catch
// warm light in a few painted steps; the rest fall into violet shade that
// deepens toward the water. The skyline gets a warm rim.
void paintHeadland(art::Canvas& canvas, const art::ValueNoise& noise) {
    const int x0 = 100;
    art::Plane mask(W - x0, H);
    for (int y = 0; y < H; y++)
        for (int x = x0; x < W; x++) mask.at(x - x0, y) = clamp01(y + 1 - cliffTop(x + 0.5, noise));
    // Rounded toward the skyline; padded so that the right and bottom edges
    // of the picture are not taken for edges of the rock.
    art::Plane padded(W - x0 + 24, H + 24);
    for (int y = 0; y < padded.h; y++)
        for (int x = 0; x < padded.w; x++) padded.at(x, y) = mask.get(std::min(x, W - x0 - 1), std::min(y, H - 1));
    const art::Plane round = art::blurred(padded, 5);
    art::Plane height(padded.w, padded.h);
    const double tilt = 0.28;  // the ledges rise toward the east
    // Ridged noise: sharp crests where the noise crosses its middle.
    auto ridge = [&noise](double a, double b) { return 1 - std::fabs(2 * noise.at(a, b) - 1); };
    for (int y = 0; y < height.h; y++)
        for (int x = 0; x < height.w; x++) {
            const double u = x + x0, v = y + tilt * (x + x0);
            // Big crags, and ledges of bedded rock stepping down the slope:
            // each bed a sloping tread whose front edge drops away.
            const double crags =
                9 * std::pow(ridge(u / 48.0 + 3, v / 18.0), 2) + 0.8 * std::pow(ridge(u / 17.0, v / 7.0 + 7), 2);
            const double bed = v / 11.0 + 0.35 * noise.fbm(u / 30.0 + 11, v / 40.0);
            const double ledges = 3.0 * (std::floor(bed) + smoothstep(0.7, 1.0, bed - std::floor(bed)));
            height.at(x, y) = 26 * round.get(x, y) + (crags + ledges) * round.get(x, y);
        }
    height = art::blurred(height, 1);
    const double lx = -0.74, ly = -0.36, lz = 0.57;  // from the west, low
    const Colour shade = {28, 20, 44}, mid = {70, 44, 74}, lit = {160, 90, 92}, hot = {232, 146, 110};
    for (int x = x0; x < W; x++) {
        const double top = cliffTop(x + 0.5, noise);
        for (int y = std::max(0, static_cast<int>(top) - 1); y < H; y++) {
            const int i = x - x0;
            const double cover = mask.get(i, y);
            if (cover <= 0) continue;
            const double depth = y - top;
            const double gx = (height.get(i + 1, y) - height.get(std::max(i - 1, 0), y)) / 2;
            const double gy = (height.get(i, y + 1) - height.get(i, std::max(y - 1, 0))) / 2;
            const double len = std::sqrt(gx * gx + gy * gy + 1);
            const double diffuse = clamp01((-gx * lx - gy * ly + lz) / len);
            // The evening light reaches the upper rock and the west most.
            const double reach = (0.4 + 0.6 * std::exp(-depth / 50.0)) * (0.62 + 0.38 * smoothstep(330, 170, x));
            const double light = clamp01(std::pow(diffuse, 1.6) * reach * 1.25);
            // A few painted steps of tone rather than a smooth ramp.
            const double step = std::floor(light * 5) / 5, frac = light * 5 - std::floor(light * 5);
            const double toned = step + 0.2 * smoothstep(0.75, 1.0, frac);
            Colour rock = mix(shade, mid, smoothstep(0.0, 0.3, toned));
            rock = mix(rock, lit, smoothstep(0.3, 0.65, toned));
            rock = mix(rock, hot, smoothstep(0.65, 1.0, toned));
            // Wet, dark rock where the sea reaches.
            rock = mix(rock, {24, 18, 40}, 0.45 * smoothstep(200, 238, y) * smoothstep(210, 130, x));
            // Grass on the plateau, its tips catching the last light.
            if (x > 222 && depth < 4)
                rock = mix(rock, mix({62, 58, 62}, {150, 112, 92}, 1 - depth / 4), 0.7 * (1 - depth / 4));
            // The warm rim along the skyline, brightest where it faces west.
            // (gx, gy) points into the rock: the outward face is -(gx, gy).
            const double facing = clamp01(0.3 + 0.7 * (0.9 * gx + 0.45 * gy) / (4 * len));
            const double rim = std::exp(-depth / 1.6) * facing * smoothstep(330, 200, x);
            rock = mix(rock, {255, 182, 132}, 0.85 * rim);
            canvas.over(x, y, rock, cover);
        }
    }
}

void paintSeaAndLand(art::Canvas& canvas, const art::ValueNoise& noise) {
    for (int y = static_cast<int>(HORIZON); y < H; y++) {
        const double depth = (y - HORIZON) / (H - HORIZON);
        for (int x = 0; x < W; x++) {
            // The sea mirrors the sky above the horizon, darkened with depth.
            const double mirrorY = HORIZON - (y - HORIZON) * 1.6;
            Colour c = mix(skyAt(x, mirrorY, noise), {30, 26, 70}, 0.25 + 0.6 * smoothstep(0, 1, depth));
            // Long ripples, and a glitter path under the afterglow.
            const double ripple = noise.fbm(x / 40.0, y / 1.6 + 40);
            c = mix(c, {24, 22, 60}, 0.35 * smoothstep(0.0, 0.25, ripple));
            const double path = std::exp(-std::pow((x - SUNSET_X) / (18 + 70 * depth), 2));
            const double glint = smoothstep(0.12, 0.3, noise.fbm(x / 6.0, y / 1.2 + 80));
            c = mix(c, {255, 214, 160}, 0.8 * path * glint * (1 - 0.5 * depth));
            canvas.at(x, y) = c;
        }
    }
    paintHeadland(canvas, noise);
    // Foam where the sea washes against the rock, thinning away from it.
    for (int y = static_cast<int>(HORIZON) + 1; y < H; y++) {
        int shore = W;
        for (int x = 120; x < W; x++)
            if (cliffTop(x + 0.5, noise) <= y) {
                shore = x;
                break;
            }
        for (int x = std::max(0, shore - 24); x < shore; x++) {
            const double foam = smoothstep(0.05, 0.3, noise.fbm(x / 3.0 + 60, y / 1.5)) * std::exp(-(shore - x) / 5.0);
            canvas.over(x, y, {226, 198, 214}, 0.55 * foam);
        }
    }
}

void paintStars(art::Canvas& canvas) {
    Rng rng(0x57A75);
    for (int k = 0; k < 46; k++) {
        const double x = rng.uniform() * W, y = rng.uniform() * rng.uniform() * 100;
        const double bright = (0.35 + 0.65 * rng.uniform()) * (1 - smoothstep(30, 100, y));
        if (x > 40 && x < 240 && y > 66) continue;  // the title's sky stays calm
        for (int j = -2; j <= 2; j++)
            for (int i = -2; i <= 2; i++) {
                const double d = std::hypot(i + 0.5 - std::fmod(x, 1.0), j + 0.5 - std::fmod(y, 1.0));
                canvas.over(static_cast<int>(x) + i, static_cast<int>(y) + j, {255, 244, 226},
                            bright * std::exp(-d * d * 1.4));
            }
    }
}

// The steady light of the lamp and its halo in the dusk air.
void paintLampHalo(art::Canvas& canvas) {
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double d = std::hypot(x + 0.5 - LAMP_X, y + 0.5 - LAMP_Y);
            Colour& c = canvas.at(x, y);
            c = art::screen(c, {255, 214, 150}, 0.55 * std::exp(-d * d / 90.0) + 0.18 * std::exp(-d * d / 900.0));
        }
}

// A small sailing boat heading home across the bright water, a dark
// silhouette with a warm light at its cabin and its shadow on the sea.
void paintSailboat(art::Canvas& canvas) {
    const double mast = 66, water = 188;
    auto inside = [&](double x, double y) {
        // The hull, the mast, the mainsail and the jib.
        const double hullHalf = 7.5 - 2.5 * (y - (water - 3)) / 3;
        if (y > water - 3 && y < water && std::fabs(x - mast - 0.5) < hullHalf) return 1;
        if (std::fabs(x - mast) < 0.45 && y > water - 19 && y <= water - 3) return 1;
        const double t = (y - (water - 18)) / 15.0;  // 0 at the sail's head, 1 at its foot
        if (t >= 0 && t <= 1 && x < mast && x > mast - 8.5 * t) return 2;
        if (t >= 0.12 && t <= 1 && x > mast && x < mast + 5.5 * (t - 0.12)) return 2;
        return 0;
    };
    for (int y = static_cast<int>(water) - 20; y < static_cast<int>(water) + 1; y++)
        for (int x = static_cast<int>(mast) - 11; x < static_cast<int>(mast) + 11; x++) {
            double hull = 0, sail = 0;
            for (int j = 0; j < 4; j++)
                for (int i = 0; i < 4; i++) {
                    const int part = inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4);
                    hull += part == 1, sail += part == 2;
                }
            canvas.over(x, y, {36, 24, 50}, hull / 16);
            canvas.over(x, y, {92, 62, 96}, sail / 16);
        }
    // Its shadow on the water, broken by the swell.
    for (int y = static_cast<int>(water); y < static_cast<int>(water) + 9; y++)
        for (int x = static_cast<int>(mast) - 8; x < static_cast<int>(mast) + 9; x++) {
            const double fall = 1 - (y - water) / 9.0;
            const double broken = 0.5 + 0.5 * std::sin(y * 2.3 + x * 0.7);
            canvas.over(x, y, {40, 28, 56}, 0.35 * fall * broken * clamp01(7 - std::fabs(x + 0.5 - mast)));
        }
    canvas.over(static_cast<int>(mast) + 3, static_cast<int>(water) - 3, {255, 206, 130}, 0.95);
}

}  // namespace

bool makeLighthouse(const std::string& dir) {
    const art::ValueNoise noise(0x4D414A);
    art::Canvas canvas(W, H, {0, 0, 0});
    for (int y = 0; y < static_cast<int>(HORIZON); y++)
        for (int x = 0; x < W; x++) canvas.at(x, y) = skyAt(x + 0.5, y + 0.5, noise);
    paintStars(canvas);
    paintSeaAndLand(canvas, noise);
    paintSailboat(canvas);
    paintCottage(canvas);
    paintLighthouse(canvas);
    paintLampHalo(canvas);
    art::enliven(canvas, 1.2, 1.1);
    return savePng(canvas.toPicture(), dir + "/majakka.png");
}

// The flash of the lamp: a hot core, a halo and a bloom, with beams thrown
// left and right. Everything fades out before the edges of the rectangle the
// engine blends it over, so the rectangle itself never shows.
bool makeLighthouseGlow(const std::string& dir) {
    const int size = 128;
    const double cx = LAMP_X - GLOW_LEFT, cy = LAMP_Y - GLOW_TOP;
    Picture p(size, size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            const double dx = x - cx, dy = y - cy, d = std::hypot(dx, dy);
            double v = std::exp(-d * d / 12.0) + 0.55 * std::exp(-d * d / 180.0) + 0.22 * std::exp(-d * d / 1400.0);
            // Beams: narrow near the lamp and widening with distance.
            const double spread = 2.2 + 0.16 * std::fabs(dx);
            v += 0.6 * std::exp(-dy * dy / (spread * spread)) * std::exp(-std::fabs(dx) / 55.0) *
                 smoothstep(0, 8, std::fabs(dx));
            // A short vertical spike makes the flash read as a star.
            v += 0.35 * std::exp(-dx * dx / 1.2) * std::exp(-std::fabs(dy) / 9.0);
            const double fade = smoothstep(0, 22, x) * smoothstep(0, 16, y) * smoothstep(GLOW_ROWS, GLOW_ROWS - 18, y);
            art::setGrey(p, x, y, x < GLOW_COLUMNS ? v * fade : 0);
        }
    return savePng(p, dir + "/majakka_light.png");
}

// One spark: a hot point with a soft halo and a four-pointed twinkle, nothing
// beyond a radius of 15 pixels (the corners are empty).
bool makeSpark(const std::string& dir) {
    const int size = 32;
    const double c = 16.0;
    Picture p(size, size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            const double dx = x - c, dy = y - c, d = std::hypot(dx, dy);
            double v = std::exp(-d * d / 2.5) + 0.4 * std::exp(-d * d / 14.0);
            v += 0.55 * (std::exp(-dy * dy / 0.35) * std::exp(-std::fabs(dx) / 3.2) +
                         std::exp(-dx * dx / 0.35) * std::exp(-std::fabs(dy) / 3.2));
            const double a = (dx + dy) / std::sqrt(2.0), b = (dx - dy) / std::sqrt(2.0);
            v += 0.22 * (std::exp(-a * a / 0.5) * std::exp(-std::fabs(b) / 2.0) +
                         std::exp(-b * b / 0.5) * std::exp(-std::fabs(a) / 2.0));
            v *= 1 - smoothstep(11, 15, d);
            art::setGrey(p, x, y, v);
        }
    return savePng(p, dir + "/spark.png");
}
