#pragma once

#include <cstdint>

#include "common/Vector3.h"

namespace Tenvik {

// Detects a swing: in the middle posture, a strong negative y acceleration after the detector
// was armed by a strong positive one. The upright and lying postures only arm or disarm it,
// from the z acceleration.
class AccelerationPeakDetector {
public:
    // True when this sample completes a swing.
    bool update(int32_t posture, const Vector3& linearAcceleration);

    // 1 for a value above the arming level, 0 below the firing level, 2 in between.
    static int32_t classify(int32_t posture, float value);

private:
    int32_t armed = 1;
};

}  // namespace Tenvik
