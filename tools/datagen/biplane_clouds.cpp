// cloud1.png .. cloud3.png: the light of three layers of clouds (middling
// puffs, a field of small puffs, larger flat heaps), grey intensity pictures
// that tile in both directions (the scene wraps the index).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "art_kit.h"
#include "datagen.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::smoothstep;

const int SIZE = 256;
const int TEXELS = SIZE * SIZE;
const double PI = 3.14159265358979323846;

// The difference a - b brought into -128..128: distances on the torus the
// picture becomes when it wraps.
double wrapDelta(double a, double b) {
    double d = std::fmod(a - b, SIZE);
    if (d < -SIZE / 2) d += SIZE;
    if (d >= SIZE / 2) d -= SIZE;
    return d;
}
int wrapIndex(int x, int y) { return ((y & (SIZE - 1)) << 8) | (x & (SIZE - 1)); }

// Value noise whose lattice spans the picture a whole number of times, so that
// it repeats exactly every 256 texels in both directions.
class TileNoise {
   public:
    TileNoise(uint64_t seed, int cells) : cells_(cells), lattice_(static_cast<size_t>(cells) * cells) {
        Rng rng(seed);
        for (double& v : lattice_) v = rng.uniform();
    }
    // 0..1 at texel (x, y).
    double at(double x, double y) const {
        const double gx = x * cells_ / SIZE, gy = y * cells_ / SIZE;
        const double fx = std::floor(gx), fy = std::floor(gy);
        const int ix = wrap(static_cast<int>(fx)), iy = wrap(static_cast<int>(fy));
        double tx = gx - fx, ty = gy - fy;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const int ix1 = wrap(ix + 1), iy1 = wrap(iy + 1);
        const double a = cell(ix, iy), b = cell(ix1, iy), c = cell(ix, iy1), d = cell(ix1, iy1);
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }

   private:
    int wrap(int i) const { return ((i % cells_) + cells_) % cells_; }
    double cell(int x, int y) const { return lattice_[static_cast<size_t>(y) * cells_ + x]; }
    int cells_;
    std::vector<double> lattice_;
};

// Octaves of tiling noise, cells doubling from `cells`; roughly -0.5..0.5.
class TileFbm {
   public:
    TileFbm(uint64_t seed, int cells, int octaves) {
        for (int o = 0; o < octaves; o++) layers_.emplace_back(seed * 7919 + o * 104729 + 1, cells << o);
    }
    double at(double x, double y) const {
        double sum = 0, weight = 0.5, total = 0;
        for (const TileNoise& n : layers_) {
            sum += weight * (n.at(x, y) - 0.5);
            total += weight;
            weight *= 0.5;
        }
        return sum / total;
    }

   private:
    std::vector<TileNoise> layers_;
};

// Three box passes each way over the wrapping picture: close to a Gaussian.
std::vector<double> wrapBlur(const std::vector<double>& in, int radius) {
    std::vector<double> a = in, b(in.size());
    const double norm = 1.0 / (2 * radius + 1);
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < SIZE; y++)
            for (int x = 0; x < SIZE; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += a[wrapIndex(x + k, y)];
                b[wrapIndex(x, y)] = sum * norm;
            }
        for (int y = 0; y < SIZE; y++)
            for (int x = 0; x < SIZE; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += b[wrapIndex(x, y + k)];
                a[wrapIndex(x, y)] = sum * norm;
            }
    }
    return a;
}

// The lowest value within radius texels along a row, then along a column,
// on the wrapping picture.
std::vector<double> wrapLowest(const std::vector<double>& in, int radius) {
    std::vector<double> a(in.size()), b(in.size());
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            double low = in[wrapIndex(x, y)];
            for (int k = -radius; k <= radius; k++) low = std::min(low, in[wrapIndex(x + k, y)]);
            a[wrapIndex(x, y)] = low;
        }
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            double low = a[wrapIndex(x, y)];
            for (int k = -radius; k <= radius; k++) low = std::min(low, a[wrapIndex(x, y + k)]);
            b[wrapIndex(x, y)] = low;
        }
    return b;
}

// A soft lump of cloud density: a Gaussian ellipse with radii rx (along its
// angle) and ry, optionally cut off softly below a flat base at baseY.
struct Blob {
    double x, y, rx, ry, angle, weight;
    double baseY = 0, baseSoft = 0;  // baseSoft 0: no base
};

// Calls visit(x, y, e) for every texel of the grid within `radii` of the
// blob's ellipse, e being the texel's squared distance in units of the radii.
template <typename Visit>
void forEachTexelOf(const Blob& b, double radii, Visit visit) {
    const double c = std::cos(b.angle), s = std::sin(b.angle);
    const int reach = static_cast<int>(std::ceil(radii * std::max(b.rx, b.ry)));
    const int x0 = static_cast<int>(std::floor(b.x)), y0 = static_cast<int>(std::floor(b.y));
    for (int y = y0 - reach; y <= y0 + reach; y++)
        for (int x = x0 - reach; x <= x0 + reach; x++) {
            const double dx = x + 0.5 - b.x, dy = y + 0.5 - b.y;
            const double u = (dx * c + dy * s) / b.rx, v = (dy * c - dx * s) / b.ry;
            const double e = u * u + v * v;
            if (e < radii * radii) visit(x, y, e);
        }
}

// Adds every blob's density to the wrapping grid, each over its 3-sigma box.
void splat(std::vector<double>& density, const std::vector<Blob>& blobs) {
    for (const Blob& b : blobs)
        forEachTexelOf(b, 3, [&](int x, int y, double e) {
            double w = b.weight * std::exp(-e);
            if (b.baseSoft > 0) w *= 1 - smoothstep(b.baseY - b.baseSoft, b.baseY + b.baseSoft, y + 0.5);
            density[wrapIndex(x, y)] += w;
        });
}

// A cumulus heap: round lumps piled into a dome over a flat base, the dome
// leaning to a random side, with smaller lumps sprouting from its upper rim
// (the cauliflower outline). `weight` sets how dense (and so how bright) it is.
void addHeap(std::vector<Blob>& blobs, Rng& rng, double cx, double cy, double width, double height, double weight) {
    const double baseY = cy + 0.5 * height, baseSoft = 0.1 * height + 2;
    const double lean = 0.3 * (rng.uniform() - 0.5);
    const int count = 5 + static_cast<int>(width / 8);
    for (int k = 0; k < count; k++) {
        const double s = (rng.uniform() * 2 - 1) * 0.92;
        const double dome = std::pow(std::max(0.0, 1 - s * s), 0.7) * (1 + lean * s);
        const double r = width * (0.07 + 0.09 * rng.uniform()) * (0.6 + 0.5 * dome);
        const double top = std::max(0.0, dome * height - 1.1 * r);
        const double t = std::sqrt(rng.uniform());  // most lumps high, under the outline
        const double x = cx + s * width * 0.45, y = baseY - 0.8 * r - top * t;
        const double w = weight * (0.6 + 0.5 * rng.uniform());
        blobs.push_back({x, y, r * 1.1, r, 0, w, baseY, baseSoft});
        if (t > 0.6 && rng.uniform() < 0.6) {
            const double a = -PI * (0.15 + 0.7 * rng.uniform());
            const double rs = r * (0.4 + 0.25 * rng.uniform());
            blobs.push_back(
                {x + std::cos(a) * r * 0.9, y + std::sin(a) * r * 0.85, rs, rs, 0, w * 0.8, baseY, baseSoft});
        }
    }
}

// The scene's attenuation of a layer's light at a zoom scale (16.16 texels
// per pixel): 34 at 0, 0 at 32000, 63 at 90000. Left continuous (the scene
// truncates it to whole levels, less than one level lower): a cap built on
// the truncated steps would stripe the picture every few columns.
double fadeAt(double scale) { return std::fabs(scale - 32000) * 63 / 58000; }

// Texels per pixel of the smallest zoom at which the scene shows texel
// (x, y) anywhere on its 320 x 240 screen: screen (sx, sy) shows texture
// position (340 + s (sx - 340), s (sy + 10) - 10), and the index wraps as a
// whole, so texel (x, y) also sits at (x + 256 a, y - a + 256 b).
double smallestScale(int x, int y) {
    const double sMax = 90000.0 / 65536;
    double best = sMax;
    for (int a = -1; a <= 1; a++)
        for (int b = -1; b <= 2; b++) {
            const double u = x + 0.5 + 256.0 * a, v = y + 0.5 - a + 256.0 * b;
            if (u >= 340 || v <= -10) continue;
            const double lo = std::max((340 - u) / 340, (v + 10) / 250);
            const double hi = std::min({(340 - u) / 20, (v + 10) / 10, sMax});
            if (lo <= hi) best = std::min(best, lo);
        }
    return best;
}

// Lowers texels until no linear-index neighbour (the next texel of a screen
// row, also across a column wrap into the next texture row, and the texel
// of the next screen row) lies more than slope[i] green levels below texel
// i, and no diagonal one more than 4/3 x slope[i].
void limitSlope(std::vector<double>& v, const std::vector<double>& slope) {
    const int steps[4] = {1, SIZE - 1, SIZE, SIZE + 1};
    const double spans[4] = {1, 4.0 / 3, 1, 4.0 / 3};
    for (bool changed = true; changed;) {
        changed = false;
        for (int dir = 0; dir < 2; dir++)
            for (int n = 0; n < TEXELS; n++) {
                const int i = dir == 0 ? n : TEXELS - 1 - n;
                for (int k = 0; k < 4; k++)
                    for (int sign = -1; sign <= 1; sign += 2) {
                        const double bound = v[(i + sign * steps[k] + TEXELS) % TEXELS] + spans[k] * slope[i];
                        if (v[i] > bound + 1e-9) {
                            v[i] = bound;
                            changed = true;
                        }
                    }
            }
    }
}

// How one picture's density turns into light.
struct Look {
    uint64_t seed;
    double gain;         // density to cover: 1 - exp(-gain x density)
    double erode;        // depth of the noise that frays the outlines, in cover
    int noiseCells;      // coarsest lattice of that noise across the picture
    int warpCells;       // coarsest lattice of the outline warp
    double warp;         // outline warp, texels
    double peak;         // green of the brightest texel
    double shadow;       // how much the lower parts of a cloud darken
    int soften;          // blur radius of the body, texels (three box passes)
    double nearLight;    // light left after the fading per texel per pixel of the smallest zoom showing a texel
    double rim = 0.12;   // brightening of the tops
    double lumps = 0.0;  // share of the light that comes from each lump lit as a ball
    double dome = 0.7;   // share of the light that grows toward a cloud's heart
    int coreBlur = 6;    // blur radius of the body that finds each heart, texels
};

// The surface the lumps of the clouds make, seen from the front: each blob a
// half ellipsoid standing out of the picture, the nearest one wherever they
// overlap. Lumps higher up a heap stand a little nearer, so the small ones
// sprouting from a crest sit in front of the body they grow from.
std::vector<double> lumpSurface(const std::vector<Blob>& blobs) {
    std::vector<double> surface(TEXELS, 0.0);
    for (const Blob& b : blobs) {
        const double near = b.baseSoft > 0 ? 0.25 * std::max(0.0, b.baseY - b.y) : 0;
        forEachTexelOf(b, 1, [&](int x, int y, double e) {
            double& h = surface[wrapIndex(x, y)];
            h = std::max(h, near + b.ry * std::sqrt(1 - e));
        });
    }
    return surface;
}

// Density to light: cover frayed by noise, lit from above (the optical depth
// of the cloud above a texel darkens it), blurred, then kept below what the
// scene's fading lets through where it magnifies texels into blocks, and
// limited in slope so that magnified texels never show as steps.
bool render(const std::string& path, const std::vector<double>& density, const std::vector<Blob>& blobs,
            const Look& look) {
    const TileFbm fray(look.seed ^ 0x5EED, look.noiseCells, 4);
    const TileFbm grain(look.seed ^ 0x6A17, 2 * look.noiseCells, 3);
    const TileFbm warpX(look.seed ^ 0x57A7, look.warpCells, 3), warpY(look.seed ^ 0x9E11, look.warpCells, 3);
    // Lumpy outlines: each texel takes the density of a slightly displaced
    // point (bilinear between texels).
    const std::vector<double> surface = lumpSurface(blobs);
    std::vector<double> thick(TEXELS), height(TEXELS);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const double px = x + 2 * look.warp * warpX.at(x + 0.5, y + 0.5);
            const double py = y + 2 * look.warp * warpY.at(x + 0.5, y + 0.5);
            const double fx = std::floor(px), fy = std::floor(py), tx = px - fx, ty = py - fy;
            const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
            auto sample = [&](const std::vector<double>& g) {
                return (g[wrapIndex(ix, iy)] * (1 - tx) + g[wrapIndex(ix + 1, iy)] * tx) * (1 - ty) +
                       (g[wrapIndex(ix, iy + 1)] * (1 - tx) + g[wrapIndex(ix + 1, iy + 1)] * tx) * ty;
            };
            thick[wrapIndex(x, y)] = sample(density) * (1 + 1.2 * grain.at(x + 0.5, y + 0.5));
            height[wrapIndex(x, y)] = sample(surface);
        }
    // The lumps lit as balls from the upper left and a little from the
    // front: bright shoulders, shaded folds between them. Softened first,
    // since the creases where two lumps meet would alias into stairs.
    height = wrapBlur(height, 2);
    std::vector<double> ball(TEXELS);
    const double lx = -0.45, ly = -0.7, lz = 0.55, ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const double gx = 0.5 * (height[wrapIndex(x + 1, y)] - height[wrapIndex(x - 1, y)]);
            const double gy = 0.5 * (height[wrapIndex(x, y + 1)] - height[wrapIndex(x, y - 1)]);
            const double n = std::sqrt(gx * gx + gy * gy + 1);
            ball[wrapIndex(x, y)] = std::max(0.0, (-gx * lx - gy * ly + lz) / (n * ll));
        }
    // The body: cover frayed at its outline, then blurred so that every cloud
    // rises from its edge in a smooth, rounded swell to a full interior.
    std::vector<double> body(TEXELS);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const double cover = 1 - std::exp(-look.gain * thick[wrapIndex(x, y)]);
            body[wrapIndex(x, y)] = smoothstep(0.08, 0.55, cover - look.erode * (1 + 2 * fray.at(x + 0.5, y + 0.5)));
        }
    // Where the scene magnifies texels into blocks the outline must fall off
    // over more texels to fade out as softly on the screen: there the body
    // blends into a three times wider blur. The blend weight is itself
    // blurred, since the smallest zoom that shows a texel jumps between rows.
    std::vector<double> magnified(TEXELS);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) magnified[wrapIndex(x, y)] = 1 - smoothstep(0.3, 0.6, smallestScale(x, y));
    magnified = wrapBlur(magnified, 6);
    const std::vector<double> wide = wrapBlur(body, 3 * look.soften);
    body = wrapBlur(body, look.soften);
    for (int i = 0; i < TEXELS; i++) body[i] += (wide[i] - body[i]) * magnified[i];
    // Lit from above and a little left: texels with open sky above them (the
    // tops) brighten, those with cloud above and open sky below (the bases)
    // darken; the optical depth above shades the lower parts a little more.
    std::vector<double> light(TEXELS);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const double b = body[wrapIndex(x, y)];
            const double rounded = 1 - (1 - b) * (1 - b);
            double above = 0, below = 0;
            for (int k = 1; k <= 6; k++) {
                above += body[wrapIndex(x - k / 3, y - 2 * k)];
                below += body[wrapIndex(x + k / 3, y + 2 * k)];
            }
            above /= 6;
            below /= 6;
            double tau = 0;
            for (int k = 1; k <= 16; k++) tau += body[wrapIndex(x - k / 2, y - 3 * k)];
            const double top = clamp01(below - above), base = clamp01(above - below);
            const double lit = 0.86 + look.rim * top - look.shadow * (0.6 * base + 0.4 * (1 - std::exp(-0.15 * tau)));
            const double shaded = 1 - look.lumps + look.lumps * (0.3 + 0.7 * ball[wrapIndex(x, y)]) / 0.8;
            light[wrapIndex(x, y)] = rounded * lit * shaded;
        }
    // A layer fades in by losing a fixed amount of light everywhere, so at
    // first only its brightest texels show. Were those the lit shoulders,
    // clouds would arrive as loose slivers; lit most at its heart, each
    // arrives as a small rounded cloud that grows. The heart is where the
    // blurred body is thickest: a distance from the outline would peak
    // along each heap's spine and bring it in as a thin arc.
    std::vector<double> heart = wrapBlur(body, look.coreBlur);
    for (int i = 0; i < TEXELS; i++)
        light[i] *= 1 - look.dome + look.dome * smoothstep(0, 1, smoothstep(0.25, 0.85, heart[i]));
    double brightest = 1e-9;
    for (double v : light) brightest = std::max(brightest, v);
    // Where the zoom magnifies a texel to many pixels, only faint light may
    // remain after the fading, and neighbours differ less.
    // The smallest zoom jumps along straight lines across the picture; a cap
    // that jumped with it would cut clouds off along those lines and show as
    // pale rectangles, so the cap is first spread to its lowest value
    // nearby, then blurred.
    std::vector<double> slope(TEXELS), cap(TEXELS);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            const double s = smallestScale(x, y);
            cap[wrapIndex(x, y)] = fadeAt(s * 65536) + look.nearLight * 2 * s * s;
            // Where no zoom magnifies a texel, a limit would only sharpen
            // each cloud's top into a pyramid, whose tip, all that shows
            // while the layer is faded far away, is a pointed fleck.
            slope[wrapIndex(x, y)] = std::min(3.0, std::max(1.2, 8 * s)) + 20 * smoothstep(0.5, 0.8, s);
        }
    // Cutting the light off at the cap would leave clouds sliced along those
    // lines where the picture is shown at one texel per pixel; the clouds are
    // dimmed instead, by a factor that varies slowly across the picture.
    cap = wrapBlur(wrapLowest(cap, 12), 4);
    std::vector<double> keep(TEXELS);
    for (int i = 0; i < TEXELS; i++) {
        light[i] *= look.peak / brightest;
        keep[i] = light[i] > cap[i] ? cap[i] / light[i] : 1.0;
    }
    keep = wrapBlur(wrapLowest(keep, 24), 8);
    for (int i = 0; i < TEXELS; i++) light[i] = std::min(light[i] * keep[i], cap[i]);
    limitSlope(light, slope);
    Picture picture(SIZE, SIZE);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) art::setGrey(picture, x, y, light[wrapIndex(x, y)] / 63);
    return savePng(picture, path);
}

// A placed cloud: centre and half sizes, texels.
struct Placed {
    double x, y, rx, ry;
};
// True when a cloud of half sizes rx, ry centred at (x, y) keeps clear of
// every placed one (their half sizes added, measured as an ellipse).
bool clear(const std::vector<Placed>& placed, double x, double y, double rx, double ry) {
    for (const Placed& p : placed) {
        const double dx = wrapDelta(x, p.x) / (rx + p.rx), dy = wrapDelta(y, p.y) / (ry + p.ry);
        if (dx * dx + dy * dy < 1) return false;
    }
    return true;
}

// True when texel (x, y) passes right behind the plane while it is bright:
// the zoom moves every texel outward along a fixed ray from (340, -10), and
// the plane keeps mostly to the rays 122..160 degrees from there (screen y
// down), 150 to 300 pixels out. A texel copy at distance d from that point
// passes a pixel D out at d / D texels per pixel, bright while that lies
// within 0.2 .. 0.8.
bool behindPlane(double x, double y) {
    for (int a = -1; a <= 1; a++)
        for (int b = -1; b <= 2; b++) {
            const double du = x + 256.0 * a - 340, dv = y - a + 256.0 * b + 10;
            const double angle = std::atan2(dv, du) * 180 / PI, d = std::hypot(du, dv);
            if (angle >= 122 && angle <= 160 && d >= 30 && d <= 200) return true;
        }
    return false;
}

// The share of a cloud's box (centre x, y, half sizes rx, ry) that passes
// behind the plane.
double planeExposure(double x, double y, double rx, double ry) {
    int hits = 0, total = 0;
    for (int j = -2; j <= 2; j++)
        for (int i = -3; i <= 3; i++, total++) hits += behindPlane(x + rx * i / 3, y + ry * j / 2);
    return static_cast<double>(hits) / total;
}

// Picks the centre of a cloud of half sizes rx, ry: a random spot clear of
// the clouds placed so far, shown while the zoom is near its brightest (the
// lower rows only pass by strongly faded, the texels about (84, 0) only
// hugely magnified), of which no more than `exposure` passes behind the
// plane; failing that, the best of the clear spots tried. Returns false
// when none is clear.
bool placeCloud(Rng& rng, std::vector<Placed>& placed, double rx, double ry, double exposure, double& cx, double& cy) {
    double best = 1e9;
    for (int tries = 0; tries < 300 && best > 0; tries++) {
        const double x = rng.uniform() * SIZE, y = rng.uniform() * SIZE;
        if (!clear(placed, x, y, rx, ry)) continue;
        const double s = smallestScale(static_cast<int>(x), static_cast<int>(y));
        const double score =
            std::max(0.0, planeExposure(x, y, rx, ry) - exposure) + std::max(0.0, 0.15 - s) + std::max(0.0, s - 0.65);
        if (score < best) {
            best = score;
            cx = x;
            cy = y;
        }
    }
    if (best > 1e8) return false;
    placed.push_back({cx, cy, rx, ry});
    return true;
}

}  // namespace

// Middling puffs, fewer than the middle layer's: large heaps here smeared into
// blurred, blocky masses across the top of the screen when magnified.
bool makeCloud1(const std::string& dir) {
    Rng rng(0xC1u);
    std::vector<Blob> blobs;
    std::vector<Placed> placed;
    for (int k = 0; k < 30; k++) {
        const double width = 20 + 18 * rng.uniform();
        const double height = width * (0.4 + 0.2 * rng.uniform());
        double x, y;
        if (placeCloud(rng, placed, 0.5 * width, 0.6 * height + 6, 0.15, x, y))
            addHeap(blobs, rng, x, y, width, height, 0.7 + 0.5 * rng.uniform());
    }
    std::vector<double> density(TEXELS, 0.0);
    splat(density, blobs);
    return render(dir + "/cloud1.png", density, blobs, {0xC1u, 1.6, 0.12, 6, 8, 3, 63, 0.35, 1, 80, 0.12, 0.6, 0.7, 2});
}

// A field of small puffs, deep sky between them: streaming past they give the
// sky a texture and the flight its speed. Heaps as large as the others'
// smeared into swirls when magnified. (Long flat wisps, magnified, became
// pale sheets with hard edges that washed over the plane.)
bool makeCloud2(const std::string& dir) {
    Rng rng(0xC2u);
    std::vector<Blob> blobs;
    std::vector<Placed> placed;
    for (int k = 0; k < 40; k++) {
        const double width = 16 + 16 * rng.uniform();
        const double height = width * (0.4 + 0.2 * rng.uniform());
        double x, y;
        if (placeCloud(rng, placed, 0.5 * width, 0.6 * height + 6, 0.3, x, y))
            addHeap(blobs, rng, x, y, width, height, 0.7 + 0.5 * rng.uniform());
    }
    std::vector<double> density(TEXELS, 0.0);
    splat(density, blobs);
    return render(dir + "/cloud2.png", density, blobs, {0xC2u, 1.6, 0.12, 6, 8, 3, 63, 0.35, 1, 80, 0.12, 0.6, 0.7, 2});
}

// Larger, flatter heaps: the nearest of the three. A few banks wider than
// the screen came out as blurred masses when magnified.
bool makeCloud3(const std::string& dir) {
    Rng rng(0xC3u);
    std::vector<Blob> blobs;
    std::vector<Placed> placed;
    for (int i = 0; i < 10; i++) {
        const double width = 44 + 36 * rng.uniform(), height = width * (0.3 + 0.15 * rng.uniform());
        double x, y;
        if (placeCloud(rng, placed, 0.45 * width, 0.7 * height + 8, 0.15, x, y))
            addHeap(blobs, rng, x, y, width, height, 0.8 + 0.4 * rng.uniform());
    }
    std::vector<double> density(TEXELS, 0.0);
    splat(density, blobs);
    return render(dir + "/cloud3.png", density, blobs, {0xC3u, 1.4, 0.15, 6, 6, 5, 63, 0.35, 2, 80, 0.12, 0.5, 0.7, 4});
}
