#pragma once

#include <cstdint>

#include "signal/DisplacementTracker.h"
#include "signal/PlankDetectorDelegate.h"
#include "common/Vector3.h"

namespace Tenvik {

// Recognises a plank hold: the body still (small linear acceleration, no vertical drift) at a
// plank's angles. Entering and leaving are each confirmed only after 62 consecutive samples.
class PlankDetector {
public:
    enum State : int32_t { OutOfPosition = 0, Entering = 1, Plank = 2, Leaving = 3 };

    explicit PlankDetector(PlankDetectorDelegate* delegate);

    // One motion sample; returns the new state and notifies the delegate of a start or an end.
    int32_t update(const Vector3& linearAcceleration, const Vector3& angles);

    // Whether the sample, with the given vertical drift, is in plank position.
    static bool inPosition(const Vector3& linearAcceleration, const Vector3& angles, float drift);

    // The state transition for one sample with the given drift; counts the sample but neither
    // notifies nor records the result.
    int32_t step(const Vector3& linearAcceleration, const Vector3& angles, float drift);

private:
    int32_t nextState(bool positioned) const;
    int32_t advance(bool positioned);

    PlankDetectorDelegate* delegate;
    DisplacementTracker displacement;
    // Unsigned so that the hold arithmetic stays defined when the counter wraps.
    uint32_t start = 0;
    uint32_t count = 0;
    int32_t state = OutOfPosition;
    int32_t lastResult = OutOfPosition;
    bool started = false;
    int32_t exitHold = 60;
    int32_t enterHold = 60;
};

}  // namespace Tenvik
