// cloud1.png .. cloud3.png: the light of three layers of cumulus, grey
// intensity pictures that tile in both directions (the scene wraps the index).
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "art_kit.h"
#include "datagen.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::smoothstep;

const int SIZE = 256;
const double PI = 3.14159265358979323846;

// The difference a - b brought into -128..128: distances on the torus the
// picture becomes when it wraps.
double wrapDelta(double a, double b) {
    double d = std::fmod(a - b, SIZE);
    if (d < -SIZE / 2) d += SIZE;
    if (d >= SIZE / 2) d -= SIZE;
    return d;
}

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

// How one picture's clouds are sized and spread.
struct CloudStyle {
    uint64_t seed;
    int clouds;             // number of cumulus heaps
    double width0, width1;  // heap width range, texels
    double puffScale;       // puff radius as a fraction of the heap width
    double softness;        // width of a puff's soft rim, as a fraction of its radius
    int noiseCells;         // coarsest lattice of the outline warp across the picture
    double warp;            // outline warp, texels
    double contrast;        // exponent of the light: above 1 keeps the bodies thinner and the tops bright
};

// One rounded lump of a heap: an ellipse with radii rx, ry, cut off softly
// below its heap's flat base; `dim` darkens the low lumps, which the light
// reaches last.
struct Puff {
    double x, y, rx, ry, dim, baseY, baseSoft;
};

// A heap: round puffs piled into a dome over a flat base, the dome leaning to
// a random side, with a few smaller sprouts on its top (the cauliflower
// outline of cumulus).
void addHeap(std::vector<Puff>& puffs, Rng& rng, double cx, double cy, double width, const CloudStyle& style) {
    const double baseY = cy + 0.16 * width, baseSoft = 0.05 * width;
    const double height = width * (0.30 + 0.20 * rng.uniform());
    const double lean = rng.uniform() - 0.5;
    const int count = 7 + static_cast<int>(width / 12);
    for (int k = 0; k < count; k++) {
        // A point under the dome's outline (a low one if none is found).
        double s = rng.uniform() * 2 - 1, t = 0;
        for (int tries = 0; tries < 20; tries++) {
            const double ts = rng.uniform() * 2 - 1, tt = rng.uniform();
            if (tt <= (1 - ts * ts) * (1 + lean * ts) * 0.9) {
                s = ts;
                t = tt;
                break;
            }
        }
        s *= 0.95;
        const double r = width * style.puffScale * (0.8 + 0.45 * rng.uniform()) * (1 - 0.35 * t);
        const double x = cx + s * width * 0.40;
        const double y = baseY - 0.55 * r - t * height;
        puffs.push_back({x, y, r, r * 0.9, 0.88 + 0.12 * t, baseY, baseSoft});
        // Sprouts on the upper rim of the high puffs.
        if (t > 0.45 && rng.uniform() < 0.7) {
            const double a = -PI * (0.2 + 0.6 * rng.uniform());  // on the upper rim
            const double rs = r * (0.42 + 0.2 * rng.uniform());
            puffs.push_back(
                {x + std::cos(a) * r * 0.72, y + std::sin(a) * r * 0.68, rs, rs * 0.92, 1.0, baseY, baseSoft});
        }
    }
}

// Three box passes each way over the wrapping picture: close to a Gaussian.
std::vector<double> wrapBlur(const std::vector<double>& in, int radius) {
    std::vector<double> a = in, b(in.size());
    const double norm = 1.0 / (2 * radius + 1);
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < SIZE; y++)
            for (int x = 0; x < SIZE; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += a[static_cast<size_t>(y) * SIZE + (x + k + SIZE) % SIZE];
                b[static_cast<size_t>(y) * SIZE + x] = sum * norm;
            }
        for (int y = 0; y < SIZE; y++)
            for (int x = 0; x < SIZE; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += b[static_cast<size_t>((y + k + SIZE) % SIZE) * SIZE + x];
                a[static_cast<size_t>(y) * SIZE + x] = sum * norm;
            }
    }
    return a;
}

// Where the scene's zoom starts from: every layer grows out of texel column
// 84 of the last rows (and the first rows, wrapped), so the last moments of a
// layer's approach show the neighbourhood below and left of it. Heaps keep
// clear of it, so that a layer about to pass the viewer does not wash the
// whole screen over.
const double CLEARING_X = 52, CLEARING_Y = 4;

// Paints the heaps like a painter would: puff after puff, each a softly
// edged ball lit from above and a little from the left, the upper ones first
// so that the lower, nearer lumps overlap them.
bool paintClouds(const std::string& path, const CloudStyle& style) {
    Rng rng(style.seed);
    std::vector<Puff> puffs;
    std::vector<std::pair<double, double>> centres;
    for (int i = 0; i < style.clouds; i++) {
        // Each heap as far from the others (and the clearing) as the best of
        // a few random candidates: spread evenly, with sky between.
        double bestX = 0, bestY = 0, bestD = -1;
        for (int c = 0; c < 8; c++) {
            const double x = rng.uniform() * SIZE, y = rng.uniform() * SIZE;
            double d = std::hypot(wrapDelta(x, CLEARING_X) * 0.6, wrapDelta(y, CLEARING_Y)) - 18;
            for (const auto& o : centres)
                d = std::min(d, std::hypot(wrapDelta(x, o.first) * 0.6, wrapDelta(y, o.second)));
            if (d > bestD) {
                bestD = d;
                bestX = x;
                bestY = y;
            }
        }
        centres.push_back({bestX, bestY});
        addHeap(puffs, rng, bestX, bestY, style.width0 + (style.width1 - style.width0) * rng.uniform(), style);
    }
    std::stable_sort(puffs.begin(), puffs.end(), [](const Puff& a, const Puff& b) { return a.y < b.y; });

    // The sun's direction: up, a little left, and toward the viewer.
    const double lx = -0.30, ly = -0.78, lz = 0.55;
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    const TileFbm warpX(style.seed ^ 0x57A7, style.noiseCells, 3), warpY(style.seed ^ 0x9E11, style.noiseCells, 3);

    std::vector<double> light(SIZE * SIZE, 0.0);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            // Lumpy outlines: each texel looks up a slightly displaced point.
            const double px = x + 0.5 + style.warp * 2 * warpX.at(x + 0.5, y + 0.5);
            const double py = y + 0.5 + style.warp * 2 * warpY.at(x + 0.5, y + 0.5);
            double v = 0;
            for (const Puff& p : puffs) {
                const double dx = wrapDelta(px, p.x) / p.rx, dy = wrapDelta(py, p.y) / p.ry;
                const double d2 = dx * dx + dy * dy;
                if (d2 >= 1) continue;
                const double d = std::sqrt(d2);
                const double alpha = (1 - smoothstep(1 - style.softness, 1, d)) *
                                     (1 - smoothstep(-p.baseSoft, p.baseSoft, wrapDelta(py, p.baseY)));
                // A ball's normal at this point, and how much sun it catches.
                const double nz = std::sqrt(1 - d2);
                const double lambert = std::max(0.0, (dx * lx + dy * ly + nz * lz) / ll);
                const double b = p.dim * (0.60 + 0.40 * lambert);
                v += (b - v) * alpha;
            }
            light[static_cast<size_t>(y) * SIZE + x] = v;
        }
    // Softened once more: the scene magnifies a texel to up to dozens of
    // pixels, where any step between neighbours would show as an edge.
    light = wrapBlur(light, 1);
    double brightest = 1e-9;
    for (double v : light) brightest = std::max(brightest, v);
    // The brightest tops get the full 63, so that they outlast the scene's
    // strongest fading.
    Picture picture(SIZE, SIZE);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++)
            art::setGrey(picture, x, y, std::pow(light[static_cast<size_t>(y) * SIZE + x] / brightest, style.contrast));
    return savePng(picture, path);
}

}  // namespace

// Medium cumulus heaps.
bool makeCloud1(const std::string& dir) {
    return paintClouds(dir + "/cloud1.png", {0xC1u, 8, 76, 120, 0.185, 0.45, 4, 5, 1.8});
}
// Many small puffs.
bool makeCloud2(const std::string& dir) {
    return paintClouds(dir + "/cloud2.png", {0xC2u, 19, 40, 64, 0.21, 0.5, 8, 3, 1.8});
}
// A few large, billowing banks.
bool makeCloud3(const std::string& dir) {
    return paintClouds(dir + "/cloud3.png", {0xC3u, 4, 124, 168, 0.165, 0.4, 4, 7, 1.8});
}
