// waterfall1..3.png, waterfall_pal.png and luola_alpha.png: the three
// scrolling layers of water intensity, the colours of their sum and the
// opacity of the fall over the cave picture.
//
// The scene sums the greens of the three layers (0..189) and draws only sums
// above 90, through the palette. The layers share fixed vertical "ropes" of
// thicker water, so the fall keeps its streaks while the texture on them runs
// down at three speeds; where all three are thin at once the rock shows
// through for a moment.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "cave_layout.h"
#include "makers.h"

namespace {

using art::clamp01;
using art::Colour;
using art::mix;
using art::smoothstep;

const int LAYER_W = 128, LAYER_H = 256;

// Value noise on an nx x ny lattice that wraps both ways; sampled in lattice
// units.
class TileNoise {
   public:
    TileNoise(uint64_t seed, int nx, int ny) : nx_(nx), ny_(ny), lattice_(static_cast<size_t>(nx) * ny) {
        Rng rng(seed);
        for (double& v : lattice_) v = rng.uniform();
    }
    double at(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = wrap(static_cast<int>(fx), nx_), iy = wrap(static_cast<int>(fy), ny_);
        const int jx = (ix + 1) % nx_, jy = (iy + 1) % ny_;
        double tx = x - fx, ty = y - fy;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const double a = cell(ix, iy), b = cell(jx, iy), c = cell(ix, jy), d = cell(jx, jy);
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }

   private:
    static int wrap(int v, int n) { return ((v % n) + n) % n; }
    double cell(int x, int y) const { return lattice_[static_cast<size_t>(y) * nx_ + x]; }
    int nx_, ny_;
    std::vector<double> lattice_;
};

// Octaves of tiling noise over a 128 x 256 layer: features cellW columns wide
// and 256 / rowsPerTile rows tall at the first octave, halving each octave.
// The lattice repeats exactly every 256 rows, so the layer tiles vertically.
class LayerField {
   public:
    LayerField(uint64_t seed, double cellW, int cellsPerTile, int octaves) {
        for (int o = 0; o < octaves; o++) {
            const int k = 1 << o;
            const int nx = static_cast<int>(std::ceil(LAYER_W / cellW)) * k + 1;
            octaves_.push_back({TileNoise(seed * 7919 + o, nx, cellsPerTile * k), k / cellW,
                                static_cast<double>(cellsPerTile * k) / LAYER_H, 1.0 / k});
        }
    }
    double at(double x, double y) const {
        double sum = 0;
        for (const Octave& o : octaves_) sum += o.weight * (o.noise.at(x * o.sx, y * o.sy) - 0.5);
        return sum;
    }

   private:
    struct Octave {
        TileNoise noise;
        double sx, sy, weight;
    };
    std::vector<Octave> octaves_;
};

// Shifts and scales values to mean 0 and deviation 1.
void normalise(std::vector<double>& v) {
    double mean = 0, var = 0;
    for (double x : v) mean += x;
    mean /= static_cast<double>(v.size());
    for (double x : v) var += (x - mean) * (x - mean);
    const double sd = std::sqrt(var / static_cast<double>(v.size()));
    for (double& x : v) x = (x - mean) / (sd > 0 ? sd : 1);
}

// The stationary streaks: thicker ropes of water a few columns wide, the same
// in every layer. Mean 0, deviation 1 over the strip.
std::vector<double> ropes() {
    std::vector<double> r(LAYER_W);
    const TileNoise fine(0x40BE5, 64, 1), broad(0x40BE6, 16, 1);
    for (int x = 0; x < LAYER_W; x++) r[x] = 0.65 * (fine.at(x / 4.3, 0) - 0.5) + 0.35 * (broad.at(x / 13.0, 0) - 0.5);
    normalise(r);
    return r;
}

// Thinner water toward the strip's sides, where the fall frays into spray:
// 0 in the middle, 1 at the outermost columns.
double fray(int x) {
    const double d = std::min(x, LAYER_W - 1 - x);
    return 1 - smoothstep(0, 26, d);
}

struct LayerStyle {
    uint64_t seed;
    double cellW;      // columns per noise cell of the first octave
    int cellsPerTile;  // noise cells per 256 rows
    double ropeWeight;
    double mean, deviation;  // in green levels
    double spike;            // > 0: bright flecks (foam) lifted above the deviation
};

bool makeLayer(const std::string& path, const LayerStyle& s) {
    const LayerField field(s.seed, s.cellW, s.cellsPerTile, 3);
    std::vector<double> z(static_cast<size_t>(LAYER_W) * LAYER_H);
    for (int y = 0; y < LAYER_H; y++)
        for (int x = 0; x < LAYER_W; x++) z[static_cast<size_t>(y) * LAYER_W + x] = field.at(x + 0.5, y + 0.5);
    normalise(z);
    const std::vector<double> rope = ropes();
    // Weights whose squares add to 1 keep the deviation of the sum at 1.
    const double own = std::sqrt(1 - s.ropeWeight * s.ropeWeight);
    Picture p(LAYER_W, LAYER_H);
    for (int y = 0; y < LAYER_H; y++)
        for (int x = 0; x < LAYER_W; x++) {
            double v = own * z[static_cast<size_t>(y) * LAYER_W + x] + s.ropeWeight * rope[x];
            if (s.spike > 0 && v > 0.6) v += s.spike * (v - 0.6) * (v - 0.6);
            const double g = s.mean + s.deviation * v - 16 * fray(x);
            art::setGrey(p, x, y, g / 63.0);
        }
    return savePng(p, path);
}

// Broad, slow sheets; finer streaks; quick bright flecks.
const LayerStyle LAYERS[3] = {
    {0xFA11, 11.0, 5, 0.45, 44, 11.0, 0},
    {0xFA12, 5.0, 10, 0.55, 44, 11.0, 0},
    {0xFA13, 2.6, 22, 0.35, 40, 11.0, 1.4},
};

// The palette's stops, by summed intensity: deep green-blue thin water, clear
// aqua, then foam that turns a warm white in the cave's light.
struct Stop {
    double s;
    Colour c;
};
const Stop PALETTE[] = {
    {91, {20, 56, 70}},     {102, {30, 84, 100}},   {114, {48, 118, 134}},  {126, {80, 156, 168}},
    {138, {128, 196, 204}}, {150, {180, 226, 228}}, {162, {226, 244, 240}}, {189, {255, 253, 242}},
};

Colour paletteAt(double s) {
    const int n = sizeof(PALETTE) / sizeof(PALETTE[0]);
    if (s <= PALETTE[0].s) return PALETTE[0].c;
    for (int i = 1; i < n; i++)
        if (s <= PALETTE[i].s)
            return mix(PALETTE[i - 1].c, PALETTE[i].c, (s - PALETTE[i - 1].s) / (PALETTE[i].s - PALETTE[i - 1].s));
    return PALETTE[n - 1].c;
}

// The nearest RGB565 colour, stored as bytes the truncation keeps.
void setNearest565(Picture& p, int x, int y, Colour c) {
    auto level = [](double v, int levels) { return static_cast<int>(std::lround(clamp01(v / 255.0) * levels)); };
    const int r = level(c.r, 31), g = level(c.g, 63), b = level(c.b, 31);
    p.set(x, y, (r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

}  // namespace

bool makeWaterfall1(const std::string& dir) { return makeLayer(dir + "/waterfall1.png", LAYERS[0]); }
bool makeWaterfall2(const std::string& dir) { return makeLayer(dir + "/waterfall2.png", LAYERS[1]); }
bool makeWaterfall3(const std::string& dir) { return makeLayer(dir + "/waterfall3.png", LAYERS[2]); }

bool makeWaterfallPalette(const std::string& dir) {
    Picture p(256, 1);
    for (int s = 0; s < 256; s++) setNearest565(p, s, 0, paletteAt(s));
    return savePng(p, dir + "/waterfall_pal.png");
}

// Opacity of the strip (columns 100..227 of the screen, all rows): the water
// body, opaque, narrow under the lip and widening; a spray fringe at its
// sides; a mist over the pool where it lands. Below the lip no column is
// quite zero, because the falling names are drawn only where the opacity is
// non-zero and the longest name spans the whole strip.
bool makeWaterfallAlpha(const std::string& dir) {
    using namespace cave;
    const art::ValueNoise noise(0xA1FA);
    Picture p(STRIP_W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < STRIP_W; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double lip = lipRow(px);
            if (py < lip) {
                art::setGrey(p, x, y, 0);
                continue;
            }
            const double below = py - lip;
            const double edge = fallHalfWidth(py) - std::fabs(px - fallCentre(py));  // > 0 inside the body
            const double soft = 2.5 + 5.0 * clamp01(py / 200.0);
            double body = smoothstep(-soft, soft, edge + 2.0 * noise.fbm(px / 6.0, py / 30.0));
            // The sheet leaves the lip as a clean edge, a pixel or two soft.
            body *= smoothstep(0, 2.5, below);
            // It ends in the pool: below the splash the painted foam shows,
            // churned by the mist over it.
            body *= 1 - smoothstep(SPLASH_ROW - 6, SPLASH_ROW + 8, py);
            // Spray drifting off the sides, thicker lower down.
            const double out = std::max(0.0, -edge);
            const double sprayAmount = 0.10 + 0.22 * smoothstep(40, 200, py);
            double spray = sprayAmount * std::exp(-out / (5 + 8 * clamp01(py / 220.0)));
            spray *= 0.75 + 0.5 * (noise.fbm(px / 9.0 + 20, py / 14.0) + 0.5);
            // Mist rising where the fall lands.
            const double mist =
                0.55 * smoothstep(POOL_ROW - 30, SPLASH_ROW, py) * (1 - 0.6 * smoothstep(SPLASH_ROW + 4, 238, py)) *
                std::exp(-std::pow((px - 64) / 66.0, 2)) * (0.8 + 0.4 * (noise.fbm(px / 12.0, py / 8.0) + 0.5));
            // Spray and mist thin out toward the strip's sides, leaving no seam.
            const double sides = smoothstep(0, 14, std::min(px, STRIP_W - px));
            spray *= sides;
            const double mistHere = mist * sides;
            // Just enough to let the names pass the fall's sides.
            const double veil = 2.6 / 63.0;
            const double a = std::max(std::max(body, spray), std::max(mistHere, veil));
            art::setGrey(p, x, y, a);
        }
    return savePng(p, dir + "/luola_alpha.png");
}
