#include "signal/PlankDetector.h"

namespace Tenvik {

namespace {

// The integrators divide by this whatever the caller's sample rate.
constexpr float kIntegrationRate = 30.0f;

bool within(double value, double low, double high) { return value >= low && value <= high; }
bool withinSingle(float value, float low, float high) { return value >= low && value <= high; }

}  // namespace

PlankDetector::PlankDetector(PlankDetectorDelegate* plankDelegate) : delegate(plankDelegate) {}

bool PlankDetector::inPosition(const Vector3& a, const Vector3& angles, float drift) {
    return withinSingle(a.x, -0.25f, 0.25f) && within(a.y, -0.2, 0.2) && within(a.z, -0.2, 0.2) &&
           within(drift, -0.01, 0.01) && withinSingle(angles.y, 54.0f, 80.0f) &&
           withinSingle(angles.z, -13.0f, 7.0f);
}

int32_t PlankDetector::nextState(bool positioned) const {
    const uint32_t held = count - start;
    if (positioned) {
        switch (state) {
            case OutOfPosition:
                return Entering;
            case Entering:
                return held > static_cast<uint32_t>(enterHold) ? Plank : Entering;
            default:
                return Plank;
        }
    }
    switch (state) {
        case Plank:
            return Leaving;
        case Leaving:
            return held > static_cast<uint32_t>(exitHold) ? OutOfPosition : Leaving;
        default:
            return OutOfPosition;
    }
}

int32_t PlankDetector::step(const Vector3& a, const Vector3& angles, float drift) {
    return advance(inPosition(a, angles, drift));
}

int32_t PlankDetector::advance(bool positioned) {
    const int32_t next = nextState(positioned);
    const bool entered = next != state && (next == Entering || next == Leaving);
    if (entered) {
        start = count;
    }
    state = next;
    count += 1;
    return state;
}

int32_t PlankDetector::update(const Vector3& a, const Vector3& angles) {
    const float drift = displacement.update(a.z, kIntegrationRate);
    const bool positioned = inPosition(a, angles, drift);
    const int32_t now = advance(positioned);
    const bool starts = now == Plank && lastResult != Plank;
    const bool ends = !positioned && now == OutOfPosition && lastResult != OutOfPosition && started;
    // The whole sample is taken into account before the delegate hears of it: a sample fed
    // from inside the notification comes after this one.
    lastResult = now;
    if (starts) {
        started = true;
    } else if (ends) {
        started = false;
    }
    const uint32_t samples = count;
    if (delegate != nullptr && starts) {
        delegate->didStartPlank(samples);
    } else if (delegate != nullptr && ends) {
        delegate->didEndPlank(samples);
    }
    return now;
}

}  // namespace Tenvik
