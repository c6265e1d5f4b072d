// waterfall1..3.png, waterfall_pal.png and luola_alpha.png: the three
// scrolling layers of water intensity, the colours of their sum and the
// opacity of the fall over the cave picture.
//
// The scene sums the greens of the three layers (0..189) and draws only sums
// above 90, through the palette. The layers are long vertical streaks and
// share fixed "ropes" of thicker water, so the fall keeps its streaks while
// the texture on them runs down at three speeds; where all three are thin at
// once the rock behind shows through for a moment, painted as deep water.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art_kit.h"
#include "cave_layout.h"
#include "makers.h"

namespace {

using art::Colour;
using art::mix;
using art::smoothstep;

const int LAYER_W = 128, LAYER_H = 256;

// Value noise on an nx x ny lattice that wraps both ways; sampled in lattice
// units. Each lattice column is shifted down by its own fraction of a cell,
// so features in neighbouring columns do not start and end on shared rows.
class TileNoise {
   public:
    TileNoise(uint64_t seed, int nx, int ny)
        : nx_(nx), ny_(ny), lattice_(static_cast<size_t>(nx) * ny), shift_(static_cast<size_t>(nx)) {
        Rng rng(seed);
        for (double& v : lattice_) v = rng.uniform();
        for (double& s : shift_) s = rng.uniform();
    }
    double at(double x, double y) const {
        const double fx = std::floor(x);
        const int ix = wrap(static_cast<int>(fx), nx_), jx = (ix + 1) % nx_;
        double tx = x - fx;
        tx = tx * tx * (3 - 2 * tx);
        const double a = column(ix, y), b = column(jx, y);
        return a + (b - a) * tx;
    }

   private:
    static int wrap(int v, int n) { return ((v % n) + n) % n; }
    double cell(int x, int y) const { return lattice_[static_cast<size_t>(y) * nx_ + x]; }
    // Smooth interpolation down one lattice column.
    double column(int ix, double y) const {
        y += shift_[static_cast<size_t>(ix)];
        const double fy = std::floor(y);
        const int iy = wrap(static_cast<int>(fy), ny_), jy = (iy + 1) % ny_;
        double ty = y - fy;
        ty = ty * ty * (3 - 2 * ty);
        return cell(ix, iy) + (cell(ix, jy) - cell(ix, iy)) * ty;
    }
    int nx_, ny_;
    std::vector<double> lattice_;
    std::vector<double> shift_;
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

// The stationary streaks: ropes of thicker water a few columns wide, the same
// in every layer, so the fall keeps its long streaks while the texture runs
// down them. Mean 0, deviation 1 over the strip.
std::vector<double> ropes() {
    std::vector<double> r(LAYER_W);
    const TileNoise fine(0x40BE5, 64, 1), broad(0x40BE6, 16, 1);
    for (int x = 0; x < LAYER_W; x++) r[x] = 0.6 * (fine.at(x / 3.1, 0) - 0.5) + 0.4 * (broad.at(x / 11.0, 0) - 0.5);
    normalise(r);
    return r;
}

// Thinner water toward the strip's outermost columns, so no sum there passes
// the drawing threshold and the strip never shows a straight seam: 0 inside,
// 1 at the edge.
double fray(int x) {
    const double d = std::min(x, LAYER_W - 1 - x);
    return 1 - smoothstep(0, 22, d);
}

struct LayerStyle {
    uint64_t seed;
    double cellW;      // columns per noise cell of the first octave
    int cellsPerTile;  // noise cells per 256 rows
    double ropeWeight;
    double mean, deviation;  // in green levels
};

bool makeLayer(const std::string& path, const LayerStyle& s) {
    // Streaks much taller than wide, their columns swaying a little with the
    // row so they do not stand on a grid; the sway tiles with the layer.
    const LayerField field(s.seed, s.cellW, s.cellsPerTile, 3);
    const TileNoise sway(s.seed + 99, 1, 4);
    std::vector<double> z(static_cast<size_t>(LAYER_W) * LAYER_H);
    for (int y = 0; y < LAYER_H; y++) {
        const double shift = 3.0 * (sway.at(0, y * 4.0 / LAYER_H) - 0.5);
        for (int x = 0; x < LAYER_W; x++) z[static_cast<size_t>(y) * LAYER_W + x] = field.at(x + 0.5 + shift, y + 0.5);
    }
    normalise(z);
    const std::vector<double> rope = ropes();
    // Weights whose squares add to 1 keep the deviation of the sum at 1.
    const double own = std::sqrt(1 - s.ropeWeight * s.ropeWeight);
    Picture p(LAYER_W, LAYER_H);
    for (int y = 0; y < LAYER_H; y++)
        for (int x = 0; x < LAYER_W; x++) {
            const double v = own * z[static_cast<size_t>(y) * LAYER_W + x] + s.ropeWeight * rope[x];
            const double g = s.mean + s.deviation * v - 22 * fray(x);
            art::setGrey(p, x, y, g / 63.0);
        }
    return savePng(p, path);
}

// Broad slow sheets, narrower streaks, quick fine threads: all long and
// vertical, varying smoothly along their length.
const LayerStyle LAYERS[3] = {
    {0xFA11, 8.0, 3, 0.50, 45, 10.0},
    {0xFA12, 4.0, 5, 0.55, 44, 10.0},
    {0xFA13, 2.2, 8, 0.45, 42, 9.0},
};

// The palette's stops, by summed intensity: deep green-blue thin water, clear
// aqua, then foam that turns a warm white in the cave's light.
struct Stop {
    double s;
    Colour c;
};
const Stop PALETTE[] = {
    {91, {18, 54, 70}},     {104, {30, 86, 106}},   {116, {50, 122, 142}},  {128, {84, 160, 178}},
    {140, {134, 200, 212}}, {152, {186, 230, 234}}, {164, {228, 246, 244}}, {189, {255, 253, 244}},
};

Colour paletteAt(double s) {
    const int n = sizeof(PALETTE) / sizeof(PALETTE[0]);
    if (s <= PALETTE[0].s) return PALETTE[0].c;
    for (int i = 1; i < n; i++)
        if (s <= PALETTE[i].s)
            return mix(PALETTE[i - 1].c, PALETTE[i].c, (s - PALETTE[i - 1].s) / (PALETTE[i].s - PALETTE[i - 1].s));
    return PALETTE[n - 1].c;
}

}  // namespace

bool makeWaterfall1(const std::string& dir) { return makeLayer(dir + "/waterfall1.png", LAYERS[0]); }
bool makeWaterfall2(const std::string& dir) { return makeLayer(dir + "/waterfall2.png", LAYERS[1]); }
bool makeWaterfall3(const std::string& dir) { return makeLayer(dir + "/waterfall3.png", LAYERS[2]); }

bool makeWaterfallPalette(const std::string& dir) {
    Picture p(256, 1);
    for (int s = 0; s < 256; s++) {
        const Colour c = paletteAt(s);
        p.setNearest(s, 0, c.r, c.g, c.b);
    }
    return savePng(p, dir + "/waterfall_pal.png");
}

// Opacity of the strip (columns 100..227 of the screen, all rows): the water
// running out of the cleft and over the lip in one broad tongue, opaque
// inside, its sides fading out smoothly over a few pixels into a soft veil
// of spray; fading into the painted mist where it lands.
// Everywhere at least one level, because the names are drawn only where the
// opacity is non-zero: the longest name spans the whole strip, and a name can
// be read only in its first two seconds, while it hangs in the top rows over
// the lip.
bool makeWaterfallAlpha(const std::string& dir) {
    using namespace cave;
    const art::ValueNoise noise(0xA1FA);
    Picture p(STRIP_W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < STRIP_W; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double top = waterTop(px);
            // Just enough to let the names pass everywhere.
            const double veil = 1.2 / 63.0;
            if (py < top - 0.5) {
                art::setGrey(p, x, y, veil);
                continue;
            }
            const double t = fallDepth(py);
            const double d = waterInside(px, py);
            // The sheet's edge: opaque a few pixels inside, fading over a
            // band that widens as the water falls and loosens, and wavers.
            const double soft = (3.0 + 7.0 * t) * (0.8 + 0.4 * (noise.fbm(px / 9.0 + 40, py / 14.0) + 0.5));
            double body = smoothstep(-soft, 2.5, d);
            // The water tips over the crest a little translucent, so the
            // painted glassy curl shows through before the sheet thickens.
            const double start =
                smoothstep(top - 0.5, top + 1.5, py) * (0.55 + 0.45 * smoothstep(top + 1, top + 8, py));
            body *= start;
            // It ends in the splash: the sheet fades into the painted mist
            // along a ragged line, lower where the water falls thickest.
            const double fade = SPLASH_ROW - 12 + 5 * wobble(px / 6.0, 3) + 3 * wobble(px / 2.3, 5) +
                                6 * std::exp(-std::pow((px - 64) / 30.0, 2));
            body *= 1 - smoothstep(fade - 18, fade + 4, py);
            // A veil of spray beside the sheet, thicker lower down, varying
            // only slowly so it reads as a haze rather than streaks.
            const double out = std::max(0.0, -d);
            double spray = (0.04 + 0.18 * smoothstep(0.15, 0.9, t)) * std::exp(-out / (2.5 + 4.5 * t)) * start;
            spray *= 0.85 + 0.3 * (noise.fbm(px / 20.0 + 20, py / 30.0) + 0.5);
            // Over the pool the spray settles into the mist.
            spray *= 1 - 0.8 * smoothstep(SPLASH_ROW - 2, SPLASH_ROW + 12, py);
            // Mist rising where the fall lands.
            const double mist = 0.25 * smoothstep(POOL_ROW - 30, SPLASH_ROW, py) *
                                (1 - 0.8 * smoothstep(SPLASH_ROW, SPLASH_ROW + 16, py)) *
                                std::exp(-std::pow((px - 64) / 66.0, 2)) *
                                (0.85 + 0.3 * (noise.fbm(px / 16.0, py / 10.0) + 0.5));
            // Everything thins out toward the strip's sides, leaving no seam.
            const double sides = smoothstep(4, 26, std::min(px, STRIP_W - px));
            const double a = std::max(std::max(body, std::max(spray, mist)) * sides, veil);
            art::setGrey(p, x, y, a);
        }
    return savePng(p, dir + "/luola_alpha.png");
}
