#pragma once

#include <cstdint>

#include "signal/DisplacementTracker.h"
#include "common/Vector3.h"

namespace Tenvik {

// Counts repetitions at the turning points (minima or maxima) of the displacement along y,
// while the tilt angle stays within +-60 degrees. A turn counts only when the displacement
// moved far enough since the previous turn.
class RepCounter {
public:
    RepCounter() = default;

    // One motion sample; true when it completes a repetition.
    bool update(const Vector3& linearAcceleration, const Vector3& angles, float sampleRate,
                bool countMaxima);

    // The turning-point test on a displacement value and a whole-degree tilt angle.
    bool turn(float value, int32_t angle, bool countMaxima);

private:
    enum Direction : int32_t { Rising = 0, Falling = 1, Unknown = 2 };

    DisplacementTracker displacement;
    float lastValue = 0.0f;
    float reference = 0.0f;
    int32_t direction = Unknown;
};

}  // namespace Tenvik
