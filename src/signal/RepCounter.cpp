#include "signal/RepCounter.h"

#include <cmath>
#include <limits>

namespace Tenvik {

namespace {

constexpr int32_t kAngleLimit = 60;
constexpr double kMinimumTravel = 0.02;

// The angle's integer part (toward zero). Values that no whole degree within the limits can
// come from (huge, infinite, not a number) map outside them instead of overflowing the cast.
int32_t wholeDegrees(float angle) {
    if (!(std::fabs(angle) < 1.0e6f)) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(angle);
}

}  // namespace

bool RepCounter::update(const Vector3& a, const Vector3& angles, float sampleRate,
                        bool countMaxima) {
    const float value = displacement.update(a.y, sampleRate);
    return turn(value, wholeDegrees(angles.y), countMaxima);
}

bool RepCounter::turn(float value, int32_t angle, bool countMaxima) {
    if (angle < -kAngleLimit || angle > kAngleLimit) {
        return false;
    }
    const int32_t next = lastValue > value ? Falling : Rising;
    lastValue = value;
    if (direction == next) {
        return false;
    }
    if (direction == Unknown) {
        direction = next;
        return false;
    }
    const bool atTurn = countMaxima ? (direction == Rising && next == Falling)
                                    : (direction == Falling && next == Rising);
    const bool counted = atTurn && std::fabs(static_cast<double>(reference) -
                                             static_cast<double>(value)) > kMinimumTravel;
    direction = next;
    reference = value;
    return counted;
}

}  // namespace Tenvik
