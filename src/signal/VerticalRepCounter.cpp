#include "signal/VerticalRepCounter.h"

#include <algorithm>
#include <cmath>

namespace Tenvik {

namespace {

constexpr int32_t kUpright = 2;
constexpr double kMinimumChange = 0.001;

}  // namespace

bool VerticalRepCounter::update(float verticalAcceleration, float sampleRate, int32_t posture) {
    return step(displacement.update(verticalAcceleration, sampleRate), posture);
}

float VerticalRepCounter::smooth(float value) {
    const float previous = std::clamp(smoothed, -1.0f, 1.0f);
    smoothed = (1.0f - blend) * previous + blend * value;
    return smoothed;
}

bool VerticalRepCounter::step(float value, int32_t posture) {
    smooth(value);
    if (posture != kUpright) {
        phase = Unknown;
        return false;
    }
    if (std::fabs(static_cast<double>(smoothed) - static_cast<double>(reference)) <
        kMinimumChange) {
        return false;
    }
    const int32_t next = reference > smoothed ? Falling : Rising;
    reference = smoothed;
    if (lastDirection == next) {
        return false;
    }
    lastDirection = next;
    const int32_t old = phase;
    phase = next;
    return old == Falling && next == Rising;
}

}  // namespace Tenvik
