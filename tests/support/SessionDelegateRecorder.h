#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "session/ISessionProcessor.h"

namespace TenvikTest {

// Records what a SessionProcessor hands its delegate, in order, under the names of the host
// callbacks that the operations lead to (HostCallbackRecorder's), so that one table of
// expected events serves the processor and the host alike.
class SessionDelegateRecorder : public Tenvik::ISessionProcessor {
public:
    SessionDelegateRecorder() = default;
    virtual ~SessionDelegateRecorder() = default;
    SessionDelegateRecorder(const SessionDelegateRecorder&) = delete;
    SessionDelegateRecorder& operator=(const SessionDelegateRecorder&) = delete;

    const std::vector<HostEvent>& events() const { return recorded; }
    void clear() { recorded.clear(); }

    std::vector<HostEvent> named(const std::string& name) const {
        return eventsNamed(recorded, name);
    }

    void didReceiveEcg(float v, uint64_t t) override { add("ecg", t, v); }
    void didReceiveRespiration(float v, uint64_t t) override { add("respiration", t, v); }
    void didReceiveSteps(uint64_t v, uint64_t t) override {
        // Kept exact: a double cannot hold every 64-bit count.
        add("steps", t, static_cast<double>(v >> 32), static_cast<double>(v & 0xFFFFFFFFu));
    }
    void didReceiveTemperature(float v, uint64_t t) override { add("temperature", t, v); }
    void didReceiveAccelerometer(float x, float y, float z, uint64_t t) override {
        add("accelerometer", t, x, y, z);
    }
    void didReceiveMotionVector2(float x, float y, float z, uint64_t t) override {
        add("motion_vector2", t, x, y, z);
    }
    void didReceiveMotionVector3(float x, float y, float z, uint64_t t) override {
        add("motion_vector3", t, x, y, z);
    }
    void didReceiveQuaternion(float a, float b, float c, float d, uint64_t t) override {
        add("quaternion", t, a, b, c, d);
    }
    void didReceiveOrientation(float a, float b, float c, uint64_t t) override {
        add("orientation", t, a, b, c);
    }
    void didReceiveHeartRate(uint32_t v, uint64_t t) override { add("heart_rate", t, v); }
    void didReceiveRr(uint32_t v, uint64_t t) override { add("rr", t, v); }
    void didReceiveRespirationRate(uint32_t v, uint64_t t) override {
        add("respiration_rate", t, v);
    }
    void didReceiveSoundVolume(uint16_t v, uint64_t t) override { add("sound_volume", t, v); }
    void didReceiveActivity(uint32_t v, uint64_t t) override { add("activity", t, v); }
    void didReceivePressure(uint32_t v, uint64_t t) override { add("pressure", t, v); }
    void didReceiveUserEvent(uint64_t t) override { add("user_event", t); }
    void didReceiveBodyPosition(uint32_t v, uint64_t t) override { add("body_position", t, v); }
    void didReceiveWearState(uint32_t v) override { add("wear_state", 0, v); }
    void didReceivePressureLeadOff(int v) override { add("pressure_lead_off", 0, v); }
    void didReceiveSignal15(uint8_t v, uint64_t t) override { add("signal15", t, v); }
    void didReceiveEda(float v, uint64_t t) override { add("eda", t, v); }
    void didReceiveGps(float a, float b, float c, float d, float e, float f, uint64_t t) override {
        add("gps", t, a, b, c, d, e, f);
    }

private:
    template <typename... Values>
    void add(const char* name, uint64_t timestamp, Values... values) {
        recorded.push_back({name, timestamp, {static_cast<double>(values)...}});
    }
    std::vector<HostEvent> recorded;
};

}  // namespace TenvikTest
