// Camera::update: the view rotation from three table angles.
#include "engine/camera.h"

#include "engine/trig_tables.h"

void Camera::update() {
    for (int32_t& a : angle) a &= 0xFFFF;
    Matrix rotation;
    rotation.setRotation(sineTable[angle[0]], sineTable[angle[1]], sineTable[angle[2]], cosineTable[angle[0]],
                         cosineTable[angle[1]], cosineTable[angle[2]]);
    matrix.setIdentity();
    matrix.multiply(rotation);
}
