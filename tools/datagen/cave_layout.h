// Where the cave picture and the waterfall's opacity meet: the strip the
// waterfall covers, the rock lip it pours from, its outline and the pool.
#pragma once

#include <cmath>

namespace cave {

const int W = 320, H = 240;
const int STRIP_X = 100;  // screen column of the strip's first column
const int STRIP_W = 128;

// Screen row of the overhang's lower edge above strip column x: the water
// starts below it. Highest in the middle, so the names slide out under it.
inline double lipRow(double x) {
    const double d = (x - 64) / 64.0;
    return 2.2 + 6.0 * d * d + 1.2 * std::sin(x * 0.09 + 0.7) + 0.5 * std::sin(x * 0.31);
}

// The water body's centre (strip column) and half width at a screen row: a
// narrow sheet at the lip that spreads as it falls.
inline double fallCentre(double y) { return 64 + 1.6 * std::sin(y / 37.0) + 0.8 * std::sin(y / 13.0 + 1); }
inline double fallHalfWidth(double y) {
    const double t = y < 0 ? 0 : y > 240 ? 1 : y / 240.0;
    return 35 + 20 * std::pow(t, 0.85) + 1.2 * std::sin(y / 9.0) + 0.8 * std::sin(y / 5.3 + 2);
}

// The pool: its far shore (screen row) and where the falling water hits it.
const double POOL_ROW = 204;
const double SPLASH_ROW = 212;
// The pool's far shore: an oval basin, lowest behind the fall.
inline double poolShore(double x) {
    return POOL_ROW - 3 * std::exp(-std::pow((x - 164) / 80.0, 2)) + 2 * std::sin(x / 23.0) +
           14 * std::pow(std::fabs(x - 168) / 140.0, 4);
}

}  // namespace cave
