// Where the cave picture and the waterfall's opacity meet: the strip the
// waterfall covers, the rock lip it pours over, the outline of the falling
// water and the pool it lands in. Rows are screen rows; x is a strip column
// (0..128, screen column 100 + x) unless a name says otherwise.
#pragma once

#include <algorithm>
#include <cmath>

namespace cave {

const int W = 320, H = 240;
const int STRIP_X = 100;  // screen column of the strip's first column
const int STRIP_W = 128;

// Smooth 1D noise from a few incommensurate sines: about -1..1, deterministic
// and cheap, for outlines that must agree between the pictures.
inline double wobble(double t, double seed) {
    return 0.5 * std::sin(t + seed) + 0.3 * std::sin(1.73 * t + 2.1 * seed + 1.3) +
           0.2 * std::sin(2.91 * t + 0.7 * seed + 4.1);
}

inline double smoothstep01(double t) {
    t = std::min(1.0, std::max(0.0, t));
    return t * t * (3 - 2 * t);
}

// The water pours over the lip in one broad tongue. (Two thin spills from
// notches either side of it looked like hooked ribbons stuck on: the fall
// without them won every one of sixteen pairs side by side.)
struct Pour {
    double x;          // strip column of its middle at the crest
    double halfWidth;  // at the crest
    double crest;      // row where the water tips over the lip
    double spread;     // extra half width gained by the pool
};
const Pour MAIN_POUR = {63, 24, 14, 12};

// The crest of a pour at column x: the water bulges over the rounded rock,
// highest in its middle and curling down at its shoulders, unevenly.
inline double crestRow(const Pour& p, double x) {
    const double u = std::min(1.0, std::fabs(x - p.x) / p.halfWidth);
    return p.crest + 0.3 * p.halfWidth * (1 - std::sqrt(1 - u * u)) + 0.9 * wobble(x * 0.45, p.x) +
           0.5 * wobble(x * 1.3, p.x + 5);
}

// Lower edge of the rock lip where no water covers it: a shelf, deepest
// over the fall, rising into the ceiling toward the strip's sides. Kept thin
// so the falling names come out from behind it early.
inline double ledgeRow(double x) {
    const double d = (x - 64) / 64.0;
    return 24 - 8 * d * d * d * d + 1.8 * wobble(x * 0.13, 1.0) + 0.7 * wobble(x * 0.5, 3.0);
}

// The dark cleft in the lip the main pour runs out of: > 0 inside (rows,
// roughly), an uneven rounded hollow over the crest, lopsided and lumpy, its
// floor the crest itself.
inline double cleftInside(double x, double y) {
    const double cx = MAIN_POUR.x + 0.5, cy = MAIN_POUR.crest + 1.0;
    const double rx = MAIN_POUR.halfWidth + 1.5, ry = 10.0;
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    if (std::fabs(dx) > 1.6 || dy > 1.5) return -100;
    const double angle = std::atan2(dy, dx);
    const double reach =
        1 + 0.16 * wobble(angle * 3.1, 7.0) + 0.07 * wobble(angle * 8.3, 9.0) + 0.12 * std::sin(angle + 0.6);
    const double inside = (reach - std::sqrt(dx * dx + dy * dy)) * 0.5 * (rx + ry);
    return std::min(inside, crestRow(MAIN_POUR, x) + 2 - y);
}

// Rocks of the lip hanging down in front of the main pour: the rows below
// the crest their lower ends reach, negative where none hangs. The water
// starts below them.
struct Overhang {
    double x, width, depth;
};
const Overhang OVERHANGS[] = {{39.5, 3.8, 5.0}, {43, 2.2, 2.2}, {86.5, 4.2, 4.0}};
inline double overhangDepth(double x) {
    double d = -10;
    for (const Overhang& o : OVERHANGS) d = std::max(d, o.depth * (1 - std::pow((x - o.x) / o.width, 2)));
    return d;
}

// How far down the fall a row is, 0 at the crest, 1 at the pool.
inline double fallDepth(double y) { return std::min(1.0, std::max(0.0, (y - 14) / 196.0)); }

// Half the main body's width at a depth down the fall: it flares as it
// leaves the lip, narrows a little as it gathers, bulges again and spreads
// into the splash.
inline double mainHalf(double t) {
    return MAIN_POUR.halfWidth - 1.0 + 4.0 * smoothstep01(t / 0.2) + 3.0 * t +
           MAIN_POUR.spread * smoothstep01((t - 0.7) / 0.3);
}

// The main body's left and right edges (strip columns) at a row: the sheet
// widens steadily as it falls, each side wavering a little on its own.
inline double mainLeft(double y) {
    const double t = fallDepth(y);
    return MAIN_POUR.x - mainHalf(t) - (1.0 + 2.0 * t) * wobble(y / 9.0, 11) - (1.0 + 2.0 * t) * wobble(y / 27.0, 12) -
           1.5 * std::sqrt(t) * wobble(y / 61.0, 13);
}
inline double mainRight(double y) {
    const double t = fallDepth(y);
    return MAIN_POUR.x + mainHalf(t) + (1.0 + 2.0 * t) * wobble(y / 11.0, 21) + (1.0 + 2.0 * t) * wobble(y / 31.0, 22) +
           1.5 * std::sqrt(t) * wobble(y / 67.0, 23);
}

// Signed distance (columns, > 0 inside) to the edge of the falling water,
// ignoring where it starts at the top.
inline double waterInside(double x, double y) { return std::min(x - mainLeft(y), mainRight(y) - x); }

// The row the water starts at in a column: the crest of the pour, or below
// the ledge for columns it does not reach.
inline double waterTop(double x) {
    double top = ledgeRow(x) + 2;
    if (std::fabs(x - MAIN_POUR.x) < MAIN_POUR.halfWidth + 1.5)
        top = std::min(top, crestRow(MAIN_POUR, x) + std::max(0.0, overhangDepth(x)));
    return top;
}

// The pool: its far shore (screen row) and where the falling water hits it.
const double POOL_ROW = 204;
const double SPLASH_ROW = 212;
// The pool's far shore (x a screen column): an oval basin, lowest behind the
// fall.
inline double poolShore(double x) {
    return POOL_ROW - 3 * std::exp(-std::pow((x - 164) / 80.0, 2)) + 2 * std::sin(x / 23.0) +
           14 * std::pow(std::fabs(x - 168) / 140.0, 4);
}

}  // namespace cave
