#pragma once

#include "common/Vector3.h"

namespace Tenvik {

// Vector part x, y, z and scalar part w, in that order. Devices send the scalar first; the
// code that reads a packet reorders it. Nothing normalises a quaternion: the default value is
// all zero, not the identity.
struct Quaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    Quaternion() = default;
    Quaternion(float xValue, float yValue, float zValue, float wValue)
        : x(xValue), y(yValue), z(zValue), w(wValue) {}

    // The unit vector (0, 0, 1) rotated by q, that is q (0, 0, 1, 0) q*, without normalising q.
    static Vector3 rotateZ(Quaternion q);

    // Hamilton product this * r, every term from the old values.
    Quaternion& operator*=(const Quaternion& r);
};

}  // namespace Tenvik
