// The viewer shared by every 3D scene, owned by the Screen.
#pragma once

#include "engine/matrix.h"

struct Camera {
    // Added to every mesh position before the view rotation: the negated eye.
    Fixed position[3] = {0, 0, 0};
    // 16-bit angle units; update() keeps only the low 16 bits.
    int32_t angle[3] = {0, 0, 0};
    Matrix matrix;

    Camera() { matrix.setIdentity(); }
    // Reduces the angles (stored back) and rebuilds matrix from them.
    void update();
};
