#pragma once

#include <cstdint>

#include "signal/AccelerationPeakDetector.h"
#include "signal/PlankDetector.h"
#include "signal/PlankDetectorDelegate.h"
#include "common/Quaternion.h"
#include "signal/RepCounter.h"
#include "common/Vector3.h"
#include "signal/VerticalRepCounter.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// Motion events delivered to the host's motion-event callback.
enum class MotionEvent : int32_t {
    VerticalRepetition = 0,
    Swing = 1,
    ReturnToMiddle = 2,
    SwingAfterVertical = 3,
    RepetitionAtMinimum = 4,
    RepetitionAtMaximum = 5,
    PlankStart = 6,
    PlankEnd = 7,
};

constexpr int32_t motionEventCode(MotionEvent event) { return static_cast<int32_t>(event); }

// Turns motion samples (orientation, linear acceleration in g, orientation angles) into posture
// and exercise events for the host. The owner sets the host context and the event callback;
// without a callback no event is delivered but every detector advances all the same.
class MotionDetector final : public PlankDetectorDelegate {
public:
    MotionDetector();
    // The plank detector keeps a pointer to this object.
    MotionDetector(const MotionDetector&) = delete;
    MotionDetector& operator=(const MotionDetector&) = delete;

    void setContext(void* hostContext) { context = hostContext; }
    void setEventCallback(TenvikSDK_IntCallback callback) { eventCallback = callback; }

    // One motion sample; may deliver several events.
    void process(const Quaternion& q, const Vector3& linearAcceleration, const Vector3& angles,
                 float sampleRate);

    void didStartPlank(uint32_t count) override;
    void didEndPlank(uint32_t count) override;

    // 2 upright, 0 lying (upside down), 1 in between, from the rotated vertical axis.
    static int32_t postureOf(const Quaternion& q);

    // Runs the vertical repetition counter, which only runs upright.
    bool updateVertical(int32_t posture, float sampleRate, const Vector3& linearAcceleration);

    // Whether a sample in the middle posture returns there through the lying one.
    bool isReturnToMiddle(int32_t posture) const;

    // Whether a report of this code follows a vertical repetition.
    bool isSwingAfterVertical(int32_t code) const;

private:
    static constexpr int32_t kNoReport = -1;

    // The events of one sample, in order: at most a plank start or end, a swing with its
    // follower or a vertical repetition or a return, and the two repetition events.
    struct SampleEvents {
        static constexpr int kMost = 5;
        MotionEvent events[kMost];
        int count = 0;
    };

    // Queues the event while a sample is being processed, else delivers it at once.
    void raise(MotionEvent event);
    void deliver(MotionEvent event) const;
    void deliver(const SampleEvents& events) const;
    // The swing and return tests of the lying and middle postures; returns the report or -1.
    int32_t processLowPosture(int32_t posture, const Vector3& linearAcceleration);

    // The events of the sample in progress; null outside process().
    SampleEvents* pending = nullptr;
    void* context = nullptr;
    TenvikSDK_IntCallback eventCallback = nullptr;
    int32_t posture = 0;
    int32_t lastReport = kNoReport;
    int32_t previousPosture = 0;
    VerticalRepCounter verticalCounter;
    PlankDetector plankDetector;
    RepCounter minimumCounter;
    RepCounter maximumCounter;
    AccelerationPeakDetector peakDetector;
};

}  // namespace Tenvik
