#pragma once

#include "signal/FloatBiquad.h"

namespace Tenvik {

// Integrates an acceleration twice (velocity, then a high-passed position) and returns the
// position's deviation from its own low-passed trend: the short-term displacement that the
// motion detectors watch. The filter designs are the detectors' shared ones.
class DisplacementTracker {
public:
    // One acceleration sample; the rate divides both integration steps.
    float update(float acceleration, float rate);

private:
    FloatBiquad highPass{1.0f, 500, 0, 2.0f};
    FloatBiquad lowPass{1.0f, 60, 1, 2.0f};
    float velocity = 0.0f;
    float position = 0.0f;
};

}  // namespace Tenvik
