#pragma once

#include <cstdint>

namespace Tenvik {

// Receiver of the timed samples and state reports that a SessionProcessor produces.
// Values first, then the sample's millisecond timestamp, unless noted.
class ISessionProcessor {
public:
    virtual void didReceiveEcg(float sample, uint64_t timestamp) = 0;
    virtual void didReceiveRespiration(float sample, uint64_t timestamp) = 0;
    virtual void didReceiveSteps(uint64_t steps, uint64_t timestamp) = 0;
    virtual void didReceiveTemperature(float temperature, uint64_t timestamp) = 0;
    virtual void didReceiveAccelerometer(float x, float y, float z, uint64_t timestamp) = 0;
    virtual void didReceiveMotionVector2(float x, float y, float z, uint64_t timestamp) = 0;
    virtual void didReceiveMotionVector3(float x, float y, float z, uint64_t timestamp) = 0;
    virtual void didReceiveQuaternion(float q0, float q1, float q2, float q3,
                                      uint64_t timestamp) = 0;
    virtual void didReceiveOrientation(float angle0, float angle1, float angle2,
                                       uint64_t timestamp) = 0;
    virtual void didReceiveHeartRate(uint32_t beatsPerMinute, uint64_t timestamp) = 0;
    virtual void didReceiveRr(uint32_t interval, uint64_t timestamp) = 0;
    virtual void didReceiveRespirationRate(uint32_t rate, uint64_t timestamp) = 0;
    virtual void didReceiveSoundVolume(uint16_t value, uint64_t timestamp) = 0;
    virtual void didReceiveActivity(uint32_t activity, uint64_t timestamp) = 0;
    virtual void didReceivePressure(uint32_t value, uint64_t timestamp) = 0;
    // The event's own time only.
    virtual void didReceiveUserEvent(uint64_t eventTime) = 0;
    virtual void didReceiveBodyPosition(uint32_t bodyPosition, uint64_t timestamp) = 0;
    // State only, no timestamp.
    virtual void didReceiveWearState(uint32_t state) = 0;
    // State only, no timestamp.
    virtual void didReceivePressureLeadOff(int state) = 0;
    virtual void didReceiveSignal15(uint8_t value, uint64_t timestamp) = 0;
    virtual void didReceiveEda(float value, uint64_t timestamp) = 0;
    virtual void didReceiveGps(float v0, float v1, float v2, float v3, float v4, float v5,
                               uint64_t timestamp) = 0;

protected:
    ~ISessionProcessor() = default;
};

}  // namespace Tenvik
