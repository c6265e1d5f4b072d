// ambrelle_logo.png, ambrelle_alpha.png and map_twirl.png: the lettered title
// (cream-to-gold ink with a dark outline and a soft shadow, so it reads over
// the dusk sky) and the spiral order in which it is revealed.
#include <cmath>

#include "art_kit.h"
#include "lighthouse_layout.h"
#include "makers.h"
#include "title_lettering.h"

namespace {

using art::Colour;

const int W = 320, H = 240;

const Colour INK_TOP = {255, 247, 226};
const Colour INK_BOTTOM = {247, 186, 98};
const Colour OUTLINE = {52, 30, 74};
const Colour SHADOW = {18, 12, 40};
const double SHADOW_OPACITY = 0.5;

// The three layers composited into one colour and one opacity, so that the
// engine's single blend gives ink over outline over shadow over the sky.
struct Layered {
    Colour colour;
    double alpha;
};

Layered composite(const TitleLettering& t, int x, int y) {
    const double af = t.ink.get(x, y), ao = t.outline.get(x, y), as = t.shadow.get(x, y) * SHADOW_OPACITY;
    // The ink warms from cream at the ascenders to gold at the baseline, with
    // a faint sheen just under the x-height.
    const double top = lighthouse::TITLE_BASELINE - 1.7 * lighthouse::TITLE_X_HEIGHT;
    const double v = art::clamp01((y - top) / (lighthouse::TITLE_BASELINE - top));
    Colour ink = art::mix(INK_TOP, INK_BOTTOM, art::smoothstep(0.25, 1.0, v));
    const double sheen =
        std::exp(-std::pow((y - (lighthouse::TITLE_BASELINE - 0.8 * lighthouse::TITLE_X_HEIGHT)) / 3.0, 2));
    ink = art::mix(ink, {255, 252, 240}, 0.5 * sheen);

    const double alpha = 1.0 - (1.0 - af) * (1.0 - ao) * (1.0 - as);
    if (alpha <= 0) return {{0, 0, 0}, 0};
    const Colour premultiplied = art::add(art::add(art::scale(ink, af), art::scale(OUTLINE, (1 - af) * ao)),
                                          art::scale(SHADOW, (1 - af) * (1 - ao) * as));
    return {art::scale(premultiplied, 1.0 / alpha), alpha};
}

}  // namespace

bool makeTitleLogo(const std::string& dir) {
    const TitleLettering lettering;
    art::Canvas canvas(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const Layered l = composite(lettering, x, y);
            if (l.alpha > 0) canvas.at(x, y) = l.colour;
        }
    // Flat colours inside the letters: dithering only where the ink is soft.
    Picture p(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const Colour& c = canvas.at(x, y);
            p.setDithered(x, y, c.r, c.g, c.b);
        }
    return savePng(p, dir + "/ambrelle_logo.png");
}

bool makeTitleAlpha(const std::string& dir) {
    const TitleLettering lettering;
    Picture p(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) art::setGrey(p, x, y, composite(lettering, x, y).alpha);
    return savePng(p, dir + "/ambrelle_alpha.png");
}

// The reveal follows a spiral path of two turns out from the title's centre
// on an ellipse the shape of the word: a pixel's order is the point of the
// path that passes it, so the front is a short arm that sweeps round and out.
bool makeTwirlMap(const std::string& dir) {
    using namespace lighthouse;
    const TitleLettering lettering;
    const double rx = 0.5 * (lettering.right - lettering.left + 1), ry = 0.5 * (lettering.bottom - lettering.top + 1);
    const double cx = 0.5 * (lettering.left + lettering.right), cy = 0.5 * (lettering.top + lettering.bottom);
    const double turns = 2.0, twist = 0.35;

    auto order = [&](double x, double y) {
        const double ex = (x - cx) / rx, ey = (y - cy) / ry;
        const double rho = std::sqrt(ex * ex + ey * ey);
        double s = std::atan2(ey, ex) / (2 * M_PI) + 0.5 + twist * rho;
        s -= std::floor(s);
        const double n = std::floor(turns * rho - s);
        return (n + s) / turns;
    };
    // Scaled so the last letter pixel is reached at the end of the reveal.
    double last = 0;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            if (lettering.outline.get(x, y) > 0 || lettering.shadow.get(x, y) > 0) last = std::fmax(last, order(x, y));
    Picture p(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) art::setGrey(p, x, y, order(x, y) / last);
    return savePng(p, dir + "/map_twirl.png");
}
