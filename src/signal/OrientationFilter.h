#pragma once

namespace Tenvik {

// Orientation as the gradient-descent (Madgwick) filter keeps it: q0 is the scalar part.
struct OrientationQuaternion {
    float q0 = 1.0f;
    float q1 = 0.0f;
    float q2 = 0.0f;
    float q3 = 0.0f;
};

// One nine-axis step (angular rate in rad/s, acceleration, magnetic field) of the filter on
// the process-wide orientation. A magnetic field of all zeros falls back to the six-axis step.
void updateOrientation(float gx, float gy, float gz, float ax, float ay, float az, float mx,
                       float my, float mz);
// One six-axis step (angular rate, acceleration) on the process-wide orientation.
void updateOrientationImu(float gx, float gy, float gz, float ax, float ay, float az);

// The process-wide orientation: the identity when the library is loaded, never reset, shared
// by every instance and not synchronised.
const OrientationQuaternion& orientationQuaternion();

// The same steps on a given orientation.
void updateOrientation(OrientationQuaternion& q, float gx, float gy, float gz, float ax, float ay,
                       float az, float mx, float my, float mz);
void updateOrientationImu(OrientationQuaternion& q, float gx, float gy, float gz, float ax,
                          float ay, float az);

// Fast approximation of 1 / sqrt(x), one refinement step.
float inverseSqrt(float x);

}  // namespace Tenvik
