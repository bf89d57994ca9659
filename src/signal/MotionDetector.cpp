#include "signal/MotionDetector.h"

namespace Tenvik {

namespace {

constexpr int32_t kLying = 0;
constexpr int32_t kMiddle = 1;
constexpr int32_t kUpright = 2;
constexpr double kPostureLimit = 0.65;

}  // namespace

MotionDetector::MotionDetector() : plankDetector(this) {}

int32_t MotionDetector::postureOf(const Quaternion& q) {
    const double vertical = Quaternion::rotateZ(q).z;
    if (vertical >= kPostureLimit) {
        return kUpright;
    }
    if (vertical <= -kPostureLimit) {
        return kLying;
    }
    return kMiddle;
}

bool MotionDetector::updateVertical(int32_t samplePosture, float sampleRate,
                                    const Vector3& linearAcceleration) {
    if (samplePosture != kUpright) {
        return false;
    }
    return verticalCounter.update(linearAcceleration.z, sampleRate, samplePosture);
}

bool MotionDetector::isReturnToMiddle(int32_t samplePosture) const {
    return samplePosture == kMiddle && posture == kLying && previousPosture == kMiddle;
}

bool MotionDetector::isSwingAfterVertical(int32_t code) const {
    return code == motionEventCode(MotionEvent::Swing) &&
           lastReport == motionEventCode(MotionEvent::VerticalRepetition);
}

void MotionDetector::deliver(MotionEvent event) const {
    if (eventCallback != nullptr) {
        eventCallback(context, motionEventCode(event));
    }
}

void MotionDetector::deliver(const SampleEvents& events) const {
    for (int i = 0; i < events.count; ++i) {
        deliver(events.events[i]);
    }
}

void MotionDetector::raise(MotionEvent event) {
    if (pending == nullptr) {
        deliver(event);
        return;
    }
    if (pending->count < SampleEvents::kMost) {
        pending->events[pending->count++] = event;
    }
}

int32_t MotionDetector::processLowPosture(int32_t samplePosture,
                                          const Vector3& linearAcceleration) {
    if (peakDetector.update(samplePosture, linearAcceleration)) {
        raise(MotionEvent::Swing);
        if (isSwingAfterVertical(motionEventCode(MotionEvent::Swing))) {
            raise(MotionEvent::SwingAfterVertical);
            return motionEventCode(MotionEvent::SwingAfterVertical);
        }
        return motionEventCode(MotionEvent::Swing);
    }
    if (isReturnToMiddle(samplePosture)) {
        raise(MotionEvent::ReturnToMiddle);
    }
    return kNoReport;
}

// The host may feed the next sample from inside an event. So the sample goes through every
// detector, and the posture and the last report are updated, before its events go out: a
// sample fed meanwhile comes after this one for every detector.
void MotionDetector::process(const Quaternion& q, const Vector3& linearAcceleration,
                             const Vector3& angles, float sampleRate) {
    SampleEvents events;
    pending = &events;
    const int32_t samplePosture = postureOf(q);
    plankDetector.update(linearAcceleration, angles);

    int32_t report = kNoReport;
    if (samplePosture == kUpright) {
        peakDetector.update(kUpright, linearAcceleration);
        if (updateVertical(samplePosture, sampleRate, linearAcceleration)) {
            raise(MotionEvent::VerticalRepetition);
            report = motionEventCode(MotionEvent::VerticalRepetition);
        }
    } else {
        report = processLowPosture(samplePosture, linearAcceleration);
    }

    if (minimumCounter.update(linearAcceleration, angles, sampleRate, false)) {
        raise(MotionEvent::RepetitionAtMinimum);
    }
    if (maximumCounter.update(linearAcceleration, angles, sampleRate, true)) {
        raise(MotionEvent::RepetitionAtMaximum);
    }

    if (samplePosture != posture) {
        previousPosture = posture;
        posture = samplePosture;
    }
    if (report != kNoReport) {
        lastReport = report;
    }
    pending = nullptr;
    deliver(events);
}

void MotionDetector::didStartPlank(uint32_t /*count*/) { raise(MotionEvent::PlankStart); }

void MotionDetector::didEndPlank(uint32_t /*count*/) { raise(MotionEvent::PlankEnd); }

}  // namespace Tenvik
