#pragma once

#include <cstdint>

#include "signal/DisplacementTracker.h"

namespace Tenvik {

// Counts repetitions of an up-and-down movement in the upright posture: a turn of the smoothed
// vertical displacement from falling to rising, after at least one earlier turn.
class VerticalRepCounter {
public:
    VerticalRepCounter() = default;

    // One vertical acceleration sample; true when it completes a repetition.
    bool update(float verticalAcceleration, float sampleRate, int32_t posture);

    // Smoothing and turn detection on a displacement value.
    bool step(float value, int32_t posture);

    // Blends the value into the smoothed displacement and returns it.
    float smooth(float value);

private:
    enum Direction : int32_t { Rising = 0, Falling = 1, Unknown = 2 };

    DisplacementTracker displacement;
    float smoothed = 0.0f;
    float reference = 0.0f;
    float blend = 0.05f;
    int32_t lastDirection = Unknown;
    int32_t phase = Unknown;
};

}  // namespace Tenvik
