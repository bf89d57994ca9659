#pragma once

namespace Tenvik {

// Three single-precision components: an acceleration in g or three orientation angles.
struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float xValue, float yValue, float zValue) : x(xValue), y(yValue), z(zValue) {}

    float length() const;
};

}  // namespace Tenvik
