// skybax.png: the closing sky, an evening sky over a sea of clouds, painted
// in soft layers: gradient, sun glow, high streaks, cumulus, cloud banks.
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "datagen.h"
#include "makers.h"

namespace {

const int W = 320;
const int H = 240;

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;
using art::ValueNoise;

// Sun low on the right, just above the cloud sea, whose far edge (the
// horizon) lies on HORIZON_Y.
const double SUN_X = 236, SUN_Y = 150;
const double HORIZON_Y = 158;

// One rounded lump of a cloud: a circle squashed vertically by `squash`.
struct Puff {
    double x, y, r, squash;
};

// A cloud: puffs under one flat base, one haze amount (far clouds melt into
// the sky) and an offset into the noise so that outlines differ.
struct Cloud {
    std::vector<Puff> puffs;
    double baseY;
    double haze;
    double warpSeed;
    double solidBelow = 1e9;  // banks: everything below this row is cloud
    // Banks: the light falls off over shadeDepth rows below shadeTop (their
    // tops), so each row's billows are lit above and shaded where the next
    // row hides them. Zero: shaded by height within the whole cloud.
    double shadeTop = 0, shadeDepth = 0;
    // Scale of the light's detail: blur radii and reach grow with the size
    // of the lumps, so small far lumps are shaded as broadly as big near ones.
    double lightScale = 1;
};

// Palette of the painted clouds: lavender shade, rose half-light, cream light
// and a gold rim where edges face the sun.
const Colour CLOUD_SHADE = {150, 140, 194};
const Colour CLOUD_MID = {228, 196, 214};
const Colour CLOUD_LIT = {255, 240, 220};
const Colour CLOUD_RIM = {255, 210, 134};

// A coverage map over the cloud's bounding box, with blurred copies that the
// shading reads: light falls where the cloud thins out toward the sun.
struct CoverMap {
    int x0 = 0, y0 = 0, w = 0, h = 0;
    std::vector<double> v;
    double at(double x, double y) const {
        const int ix = static_cast<int>(std::floor(x + 0.5)) - x0, iy = static_cast<int>(std::floor(y + 0.5)) - y0;
        if (ix < 0 || iy < 0 || ix >= w || iy >= h) return 0;
        return v[iy * w + ix];
    }
};

// Three box passes each way: close to a Gaussian of the given radius.
CoverMap blurred(const CoverMap& in, int radius) {
    CoverMap out = in;
    std::vector<double> tmp(out.v.size());
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < out.h; y++)
            for (int x = 0; x < out.w; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) {
                    const int xx = x + k;
                    if (xx >= 0 && xx < out.w) sum += out.v[y * out.w + xx];
                }
                tmp[y * out.w + x] = sum / (2 * radius + 1);
            }
        for (int y = 0; y < out.h; y++)
            for (int x = 0; x < out.w; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) {
                    const int yy = y + k;
                    if (yy >= 0 && yy < out.h) sum += tmp[yy * out.w + x];
                }
                out.v[y * out.w + x] = sum / (2 * radius + 1);
            }
    }
    return out;
}

void paintCloud(std::vector<Colour>& sky, const Cloud& cloud, const ValueNoise& noise) {
    double minX = W, maxX = 0, minY = H, maxY = 0;
    for (const Puff& p : cloud.puffs) {
        minX = std::fmin(minX, p.x - p.r);
        maxX = std::fmax(maxX, p.x + p.r);
        minY = std::fmin(minY, p.y - p.r * p.squash);
        maxY = std::fmax(maxY, p.y + p.r * p.squash);
    }
    if (cloud.solidBelow < H) maxY = H + 10;
    const int margin = 30;
    CoverMap cover;
    cover.x0 = static_cast<int>(minX) - margin;
    cover.y0 = static_cast<int>(minY) - margin;
    cover.w = static_cast<int>(maxX - minX) + 2 * margin;
    cover.h = static_cast<int>(std::fmin(maxY, cloud.baseY) - minY) + 2 * margin;
    cover.v.assign(cover.w * cover.h, 0);
    for (int j = 0; j < cover.h; j++) {
        for (int i = 0; i < cover.w; i++) {
            const double x = cover.x0 + i, y = cover.y0 + j;
            // A gentle warp of the sample point makes the outline painterly.
            const double wx = x + 2.5 * noise.fbm(x / 19.0 + cloud.warpSeed, y / 19.0);
            const double wy = y + 1.5 * noise.fbm(x / 19.0 + 40 + cloud.warpSeed, y / 19.0 + 11);
            double c = 0;
            for (const Puff& p : cloud.puffs) {
                const double dx = wx - p.x, dy = (wy - p.y) / p.squash;
                const double d = std::sqrt(dx * dx + dy * dy);
                c = std::fmax(c, clamp01((p.r + 0.75 - d) / 1.5));
            }
            c = std::fmax(c, smoothstep(cloud.solidBelow - 2, cloud.solidBelow + 2, wy));
            // The base is flat only from far off: up close it sags and lifts
            // a little under each lump.
            const double base = cloud.baseY + 4.0 * noise.fbm(x / 18.0 + 70 + cloud.warpSeed, 3.5);
            c *= smoothstep(base + 1.5, base - 2.5, wy);
            cover.v[j * cover.w + i] = c;
        }
    }
    const int nearRadius = std::max(1, static_cast<int>(std::lround(2 * cloud.lightScale)));
    const int farRadius = std::max(2, static_cast<int>(std::lround(5 * cloud.lightScale)));
    const double reach = 3 * cloud.lightScale;
    const CoverMap near = blurred(cover, nearRadius), far = blurred(cover, farRadius);
    const double top = minY, height = std::fmax(8, std::fmin(cloud.baseY, maxY) - top);
    for (int j = 0; j < cover.h; j++) {
        const int y = cover.y0 + j;
        if (y < 0 || y >= H) continue;
        for (int i = 0; i < cover.w; i++) {
            const int x = cover.x0 + i;
            const double c0 = cover.v[j * cover.w + i];
            if (x < 0 || x >= W || c0 <= 0) continue;
            // Toward the sun, tilted upward: the light comes from the low sun
            // and from the open sky above.
            double lx = SUN_X - x, ly = SUN_Y - y;
            const double distSun = std::sqrt(lx * lx + ly * ly) + 1e-9;
            lx /= distSun;
            ly = ly / distSun - 0.5;
            const double l = std::sqrt(lx * lx + ly * ly);
            lx /= l;
            ly /= l;
            const double s1 = near.at(x, y) - near.at(x + reach * lx, y + reach * ly);
            const double s2 = far.at(x, y) - far.at(x + 3 * reach * lx, y + 3 * reach * ly);
            // Undersides fall into shade, tops catch the light.
            const double h = cloud.shadeDepth > 0 ? clamp01(1 - (y - cloud.shadeTop) / cloud.shadeDepth)
                                                  : clamp01((cloud.baseY - y) / height);
            const double light = clamp01(0.3 + 1.4 * s1 + 1.1 * s2 + 0.45 * (h - 0.4));
            Colour c = mix(CLOUD_SHADE, CLOUD_MID, smoothstep(0.15, 0.5, light));
            c = mix(c, CLOUD_LIT, smoothstep(0.5, 0.85, light));
            // A gold rim on edges that face the sun, stronger near it.
            const double toSun =
                near.at(x, y) - near.at(x + reach * (SUN_X - x) / distSun, y + reach * (SUN_Y - y) / distSun);
            const double rim = smoothstep(0.12, 0.4, toSun) * (0.2 + 1.0 * std::exp(-distSun / 90.0));
            c = mix(c, CLOUD_RIM, clamp01(rim));
            Colour& dst = sky[y * W + x];
            c = mix(c, dst, cloud.haze);
            dst = mix(dst, c, c0);
        }
    }
}

// One row of the cloud sea, seen at distance `depth` (1 = the nearest row):
// its tops lie on rowY, over a body that reaches below the picture. Rows
// further away have smaller, flatter tops. The tops gather into heaps and
// open into shallow dips along the row (slow noise), so no two look alike.
Cloud makeBank(Rng& rng, const ValueNoise& noise, double rowY, double depth, double haze, double seed) {
    Cloud bank;
    const double size = 30.0 / depth;
    const double squash = 0.42 + 0.36 / depth;
    double x = -2 * size;
    while (x < W + 2 * size) {
        const double heap = noise.at(x / (5 * size) + seed, seed * 0.37);
        const double u = rng.uniform();
        const double r = size * (0.45 + 0.6 * heap + 0.35 * u * u);
        const double y = rowY + r * squash * 0.6 - size * 1.1 * (heap - 0.5) + 0.15 * size * rng.uniform();
        bank.puffs.push_back({x, y, r, squash});
        // Lumps piled on the heaps, and a smaller one on each shoulder.
        if (heap > 0.5) bank.puffs.push_back({x + r * 0.3, y - r * squash * 0.7, r * 0.66, squash * 1.1});
        if (heap > 0.7) bank.puffs.push_back({x - r * 0.2, y - r * squash * 1.2, r * 0.45, squash * 1.15});
        bank.puffs.push_back({x + r * 0.75, y + r * squash * 0.2, r * (0.45 + 0.2 * rng.uniform()), squash});
        x += r * (0.7 + 0.8 * rng.uniform());
    }
    // The body under the tops, and solid cloud below it down to the edge.
    for (double bx = -2 * size; bx < W + 2 * size; bx += size * 0.8)
        bank.puffs.push_back({bx, rowY + size * 1.6, size * 1.4, squash});
    bank.solidBelow = rowY + size * 1.6;
    bank.baseY = H + 60;
    bank.shadeTop = rowY - size * 0.4;
    bank.shadeDepth = size * 1.3;
    bank.lightScale = std::min(2.5, size / 10.0);
    bank.haze = haze;
    bank.warpSeed = seed;
    return bank;
}

// A fair-weather cumulus: a row of puffs on the flat base and fewer, larger
// ones heaped on top, highest near the middle.
Cloud makeCumulus(Rng& rng, double cx, double baseY, double width, double height, double haze, double seed) {
    Cloud cloud;
    const int basePuffs = 3 + static_cast<int>(width / 18);
    for (int i = 0; i < basePuffs; i++) {
        const double t = (i + 0.5) / basePuffs - 0.5;
        const double r = height * (0.24 + 0.1 * rng.uniform());
        cloud.puffs.push_back({cx + t * width, baseY - r * 0.5, r, 0.85});
    }
    const int topPuffs = 3 + static_cast<int>(width / 30);
    for (int i = 0; i < topPuffs; i++) {
        const double t = (i + 0.5) / topPuffs - 0.5;
        const double r = height * (0.26 + 0.16 * rng.uniform()) * (1 - 0.8 * t * t);
        const double lift = height * (0.35 + 0.4 * (1 - 4 * t * t)) * (0.85 + 0.25 * rng.uniform());
        cloud.puffs.push_back({cx + t * width * 0.78, baseY - lift, r, 0.95});
    }
    // A core under the lumps, so the heap has no hollows.
    cloud.puffs.push_back({cx, baseY - height * 0.35, width * 0.42, height * 0.36 / (width * 0.42)});
    cloud.baseY = baseY;
    cloud.haze = haze;
    cloud.warpSeed = seed;
    return cloud;
}

// The sky gradient, top to bottom: evening blue, lilac, rose, peach and gold.
Colour gradient(double y) {
    struct Stop {
        double at;
        Colour c;
    };
    const Stop stops[] = {
        {0.00, {58, 88, 150}},   {0.30, {104, 128, 188}}, {0.52, {170, 160, 206}},
        {0.68, {228, 176, 188}}, {0.80, {252, 200, 160}}, {1.00, {255, 224, 168}},
    };
    const double t = y / (H - 1);
    for (size_t i = 1; i < sizeof(stops) / sizeof(stops[0]); i++) {
        if (t <= stops[i].at) {
            const double u = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return mix(stops[i - 1].c, stops[i].c, u * u * (3 - 2 * u));
        }
    }
    return stops[5].c;
}

void paintSkyAndSun(std::vector<Colour>& sky, const ValueNoise& noise) {
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            Colour c = gradient(y);
            const double dx = x - SUN_X, dy = (y - SUN_Y) * 1.15;
            const double d = std::sqrt(dx * dx + dy * dy);
            // Two glows: a wide warm wash and a close bright halo.
            c = mix(c, Colour{255, 206, 150}, 0.55 * std::exp(-d / 110.0));
            c = mix(c, Colour{255, 238, 200}, 0.75 * std::exp(-d / 22.0));
            c = mix(c, Colour{255, 250, 232}, smoothstep(9.5, 7.5, d));
            // High, thin streaks of cloud, brushed along x, warmer near the sun.
            const double band = std::exp(-std::pow((y - 38 - 10 * std::sin(x / 70.0)) / 14.0, 2)) +
                                0.7 * std::exp(-std::pow((y - 78 + 6 * std::sin(x / 53.0 + 1)) / 9.0, 2));
            const double streak = smoothstep(0.05, 0.35, noise.fbm(x / 60.0 + 7, y / 6.0) + 0.1);
            const double s = 0.38 * band * streak;
            if (s > 0) c = mix(c, mix(Colour{236, 214, 232}, Colour{255, 226, 196}, std::exp(-d / 160.0)), s);
            sky[y * W + x] = c;
        }
    }
}

// Three far birds, tiny dark ticks on the evening sky.
void paintBirds(std::vector<Colour>& sky) {
    const double birds[3][3] = {{92, 62, 1.0}, {104, 56, 0.8}, {112, 66, 0.7}};
    const Colour ink = {70, 62, 96};
    for (const auto& b : birds) {
        for (int side = -1; side <= 1; side += 2) {
            for (double t = 0; t <= 1.0; t += 0.05) {
                // Each wing a gentle arc rising from the body.
                const double x = b[0] + side * t * 4.0 * b[2];
                const double y = b[1] - std::sin(t * 3.14159) * 1.6 * b[2] + t * 0.4;
                const int px = static_cast<int>(x + 0.5), py = static_cast<int>(y + 0.5);
                if (px < 0 || py < 0 || px >= W || py >= H) continue;
                sky[py * W + px] = mix(sky[py * W + px], ink, 0.75);
            }
        }
    }
}

// The little biplane far off, flying home into the sunset: a side view a
// dozen pixels long, dark against the sky. Parts as boxes in its own units
// (nose to the right), then placed and tilted a little.
void paintFarPlane(std::vector<Colour>& sky) {
    const double cx = 194, cy = 76, scale = 1.6, tilt = -0.12;
    auto inside = [](double u, double v) {
        if (u > -6 && u < 6 && std::fabs(v - 0.2 * std::max(0.0, -u - 2) / 4) < 0.9 - 0.4 * std::max(0.0, -u - 3) / 3)
            return true;                                                    // fuselage
        if (u > -1.5 && u < 2.5 && std::fabs(v + 2.2) < 0.45) return true;  // upper wing
        if (u > -1.2 && u < 2.2 && std::fabs(v - 1.0) < 0.45) return true;  // lower wing
        if (std::fabs(u - 0.5) < 0.3 && v > -2.2 && v < 1.0) return true;   // strut
        if (u > -6.2 && u < -4.6 && v > -2.6 && v < 0) return true;         // fin
        if (std::fabs(u - 6.3) < 0.3 && std::fabs(v) < 1.8) return true;    // propeller
        if (std::fabs(u - 1.6) < 0.6 && v > 1.2 && v < 2.4) return true;    // wheels
        return false;
    };
    const Colour ink = {64, 50, 88};
    for (int y = static_cast<int>(cy) - 9; y <= static_cast<int>(cy) + 9; y++)
        for (int x = static_cast<int>(cx) - 14; x <= static_cast<int>(cx) + 14; x++) {
            int n = 0;
            for (int j = 0; j < 4; j++)
                for (int i = 0; i < 4; i++) {
                    const double dx = (x + (i + 0.5) / 4 - cx) / scale, dy = (y + (j + 0.5) / 4 - cy) / scale;
                    const double u = dx * std::cos(tilt) + dy * std::sin(tilt);
                    const double v = -dx * std::sin(tilt) + dy * std::cos(tilt);
                    n += inside(u, v);
                }
            if (n) sky[y * W + x] = mix(sky[y * W + x], ink, 0.85 * n / 16.0);
        }
}

}  // namespace

bool makeSky(const std::string& dir) {
    std::vector<Colour> sky(W * H);
    const ValueNoise noise(0x5C1E5);
    paintSkyAndSun(sky, noise);
    paintBirds(sky);
    paintFarPlane(sky);

    Rng rng(0xB1A5C0DE);
    // Back to front: distant cumulus, the tall foreground heap, then the
    // rows of the cloud sea, each nearer row larger and clearer.
    paintCloud(sky, makeCumulus(rng, 272, 100, 64, 24, 0.45, 3), noise);
    paintCloud(sky, makeCumulus(rng, 166, 124, 44, 16, 0.5, 9), noise);
    paintCloud(sky, makeCumulus(rng, 72, 148, 136, 60, 0.0, 21), noise);
    // Lumps standing in front of the big heap give it inner relief.
    Cloud front;
    front.puffs = {{30, 138, 11, 0.8}, {48, 134, 13, 0.8},  {70, 137, 12, 0.8},
                   {92, 132, 15, 0.8}, {114, 137, 12, 0.8}, {80, 144, 22, 0.5}};
    front.baseY = 148;
    front.haze = 0.35;
    front.warpSeed = 27;
    paintCloud(sky, front, noise);
    // The cloud sea in perspective: rows at depths from far to near, each
    // row lower on the picture, larger, clearer. The farthest melt into the
    // haze over the horizon.
    const double depths[] = {14, 10, 7.5, 5.6, 4.3, 3.3, 2.6, 2.05, 1.6, 1.3, 1.08};
    for (size_t i = 0; i < sizeof(depths) / sizeof(depths[0]); i++) {
        const double z = depths[i];
        const double haze = 0.85 * std::pow(smoothstep(1.0, 14.0, z), 0.55);
        paintCloud(sky, makeBank(rng, noise, HORIZON_Y + 80.0 / z, z, haze, 33 + 13.0 * i), noise);
    }
    // Haze lying on the horizon, so the far rows meet the sky softly.
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double band = std::exp(-std::pow((y - HORIZON_Y - 6) / 9.0, 2));
            sky[y * W + x] = mix(sky[y * W + x], gradient(HORIZON_Y - 4), 0.55 * band);
        }

    // The sun's haze lies over everything, clouds included.
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const double dx = x - SUN_X, dy = (y - SUN_Y) * 1.3;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double glow = 0.3 * std::exp(-d / 50.0) + 0.3 * std::exp(-d / 20.0) * smoothstep(8, 13, d);
            sky[y * W + x] = mix(sky[y * W + x], Colour{255, 232, 196}, clamp01(glow));
            // Below the sun the tops of the cloud sea catch its light in a
            // widening path of gold, as a sea would.
            if (y > HORIZON_Y) {
                const double below = y - HORIZON_Y;
                const double path = std::exp(-std::pow((x - SUN_X) / (14 + 0.9 * below), 2)) * std::exp(-below / 55.0) *
                                    smoothstep(3, 16, below);
                const Colour& here = sky[y * W + x];
                const double lit = smoothstep(170, 235, (here.r + here.g + here.b) / 3.0);
                sky[y * W + x] = mix(here, Colour{255, 214, 136}, 0.75 * path * lit);
            }
        }

    // The painting in fuller colour and contrast.
    for (Colour& c : sky) c = art::lifted(c, 1.2, 1.1);
    Picture picture(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const Colour& c = sky[y * W + x];
            picture.setDithered(x, y, c.r, c.g, c.b);
        }
    return savePng(picture, dir + "/skybax.png");
}
