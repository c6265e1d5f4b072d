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

// The water pours over the lip in three places: a broad main tongue and two
// thin spills from notches either side of it.
struct Pour {
    double x;          // strip column of its middle at the crest
    double halfWidth;  // at the crest
    double crest;      // row where the water tips over the lip
    double spread;     // extra half width gained by the pool
    double drift;      // columns it wanders outward by the pool
};
const Pour MAIN_POUR = {63, 19, 14, 22, 0};
const Pour SIDE_POURS[] = {{22, 1.8, 20, 4.5, -3}, {103, 2.2, 19, 5.0, 2}};

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

// The dark cleft in the lip the main pour runs out of: > 0 inside (rows),
// an arch over the crest, tallest in its middle.
inline double cleftInside(double x, double y) {
    const double u = (x - MAIN_POUR.x) / (MAIN_POUR.halfWidth + 3.0);
    if (std::fabs(u) >= 1.5) return -100;
    const double archTop = MAIN_POUR.crest - 1 - 8 * (1 - u * u) + 0.8 * wobble(x * 0.4, 7.0);
    const double side = (1 - std::fabs(u)) * (MAIN_POUR.halfWidth + 3.0);
    return std::min(std::min(y - archTop, side), crestRow(MAIN_POUR, x) + 2 - y);
}

// How far down the fall a row is, 0 at the crest, 1 at the pool.
inline double fallDepth(double y) { return std::min(1.0, std::max(0.0, (y - 14) / 196.0)); }

// The main body's left and right edges (strip columns) at a row: each side
// wanders on its own, more so lower down, and the body spreads as it falls.
inline double mainLeft(double y) {
    const double t = fallDepth(y);
    return MAIN_POUR.x - MAIN_POUR.halfWidth - MAIN_POUR.spread * std::pow(t, 0.8) - 1.0 -
           (2.0 + 6.0 * t) * wobble(y / 19.0, 11) - (0.8 + 1.8 * t) * wobble(y / 6.0, 12) -
           5.0 * t * wobble(y / 47.0, 13);
}
inline double mainRight(double y) {
    const double t = fallDepth(y);
    return MAIN_POUR.x + MAIN_POUR.halfWidth + MAIN_POUR.spread * std::pow(t, 0.8) +
           (2.0 + 6.0 * t) * wobble(y / 23.0, 21) + (0.8 + 1.8 * t) * wobble(y / 7.0, 22) +
           5.0 * t * wobble(y / 53.0, 23);
}

// Signed distance (columns, > 0 inside) to the edge of a side spill.
inline double sideInside(const Pour& p, double x, double y) {
    const double t = std::min(1.0, std::max(0.0, (y - p.crest) / (210 - p.crest)));
    const double centre = p.x + p.drift * t + (1.2 + 2.4 * t) * wobble(y / 11.0, p.x);
    const double half = p.halfWidth + p.spread * std::sqrt(t) + (0.5 + 1.2 * t) * wobble(y / 6.0, p.x + 3);
    return half - std::fabs(x - centre);
}

// Signed distance (columns, > 0 inside) to the edge of the falling water,
// ignoring where it starts at the top.
inline double mainInside(double x, double y) { return std::min(x - mainLeft(y), mainRight(y) - x); }
inline double waterInside(double x, double y) {
    double d = mainInside(x, y);
    for (const Pour& p : SIDE_POURS) d = std::max(d, sideInside(p, x, y));
    return d;
}

// The row the water starts at in a column: the crest of the pour it belongs
// to, or below the ledge for columns no pour reaches.
inline double waterTop(double x) {
    double top = ledgeRow(x) + 2;
    if (std::fabs(x - MAIN_POUR.x) < MAIN_POUR.halfWidth + 1.5) top = std::min(top, crestRow(MAIN_POUR, x));
    for (const Pour& p : SIDE_POURS)
        if (std::fabs(x - p.x) < p.halfWidth + 1.0) top = std::min(top, crestRow(p, x));
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
