// 3 x 3 fixed-point rotation matrix.
#pragma once

#include "engine/fixed.h"

// Row-major: m[3r + c] is row r, column c. Points are row vectors multiplied
// on the left, so Matrix::transform computes (x, y, z) x M.
struct Matrix {
    Fixed m[9];

    void setIdentity();
    // Rx x Ry x Rz from table sines and cosines, with the products grouped
    // exactly as the show always has (every product truncates).
    void setRotation(Fixed sinX, Fixed sinY, Fixed sinZ, Fixed cosX, Fixed cosY, Fixed cosZ);
    // this = this x other; safe in place because each row is read before written.
    void multiply(const Matrix& other);
    void transform(Fixed x, Fixed y, Fixed z, Fixed& outX, Fixed& outY, Fixed& outZ) const;
};
