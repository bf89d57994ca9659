#include "signal/AccelerationPeakDetector.h"

namespace Tenvik {

namespace {

constexpr int32_t kAbove = 1;
constexpr int32_t kBelow = 0;
constexpr double kArmLevel = 0.8;
constexpr double kFireLevel = -1.0;

}  // namespace

int32_t AccelerationPeakDetector::classify(int32_t /*posture*/, float value) {
    if (static_cast<double>(value) > kArmLevel) {
        return kAbove;
    }
    if (static_cast<double>(value) < kFireLevel) {
        return kBelow;
    }
    return 2;
}

bool AccelerationPeakDetector::update(int32_t posture, const Vector3& linearAcceleration) {
    if (posture == 0 || posture == 2) {
        switch (classify(posture, linearAcceleration.z)) {
            case kAbove:
                armed = 1;
                break;
            case kBelow:
                armed = 0;
                break;
            default:
                break;
        }
        return false;
    }
    switch (classify(posture, linearAcceleration.y)) {
        case kAbove:
            armed = 1;
            return false;
        case kBelow: {
            const bool swing = posture == 1 && armed == 1;
            armed = 0;
            return swing;
        }
        default:
            return false;
    }
}

}  // namespace Tenvik
