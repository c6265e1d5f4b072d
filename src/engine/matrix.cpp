// Matrix operations; every product is a fixedMul and every sum wraps.
#include "engine/matrix.h"

void Matrix::setIdentity() {
    for (Fixed& v : m) v = 0;
    m[0] = m[4] = m[8] = FIXED_ONE;
}

void Matrix::setRotation(Fixed sx, Fixed sy, Fixed sz, Fixed cx, Fixed cy, Fixed cz) {
    const Fixed w = fixedMul(cz, sy);
    const Fixed f = fixedMul(sz, sy);
    m[0] = fixedMul(cy, cz);
    m[1] = fixedMul(cy, sz);
    m[2] = fixedSub(0, sy);
    m[3] = fixedSub(fixedMul(w, sx), fixedMul(sz, cx));
    m[4] = fixedAdd(fixedMul(sx, f), fixedMul(cz, cx));
    m[5] = fixedMul(cy, sx);
    m[6] = fixedAdd(fixedMul(w, cx), fixedMul(sz, sx));
    m[7] = fixedSub(fixedMul(cx, f), fixedMul(cz, sx));
    m[8] = fixedMul(cy, cx);
}

void Matrix::multiply(const Matrix& o) {
    for (int r = 0; r < 3; r++) {
        const Fixed a0 = m[3 * r], a1 = m[3 * r + 1], a2 = m[3 * r + 2];
        Fixed row[3];
        for (int c = 0; c < 3; c++)
            row[c] = fixedAdd(fixedAdd(fixedMul(a0, o.m[c]), fixedMul(a1, o.m[3 + c])), fixedMul(a2, o.m[6 + c]));
        m[3 * r] = row[0];
        m[3 * r + 1] = row[1];
        m[3 * r + 2] = row[2];
    }
}

void Matrix::transform(Fixed x, Fixed y, Fixed z, Fixed& outX, Fixed& outY, Fixed& outZ) const {
    outX = fixedAdd(fixedAdd(fixedMul(x, m[0]), fixedMul(y, m[3])), fixedMul(z, m[6]));
    outY = fixedAdd(fixedAdd(fixedMul(x, m[1]), fixedMul(y, m[4])), fixedMul(z, m[7]));
    outZ = fixedAdd(fixedAdd(fixedMul(x, m[2]), fixedMul(y, m[5])), fixedMul(z, m[8]));
}
