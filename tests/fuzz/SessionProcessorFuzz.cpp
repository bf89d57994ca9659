// Hostile recorded sessions: the first byte is the signal count the carrier would give, the
// rest the serialized session, read and replayed by both kinds of session processor (with and
// without the motion analysis) with log lines on, so that every message is built.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzReach.h"
#include "SilentSessionDelegate.h"
#include "common/Log.h"
#include "session/ISessionProcessor.h"
#include "session/Session.h"
#include "session/SessionProcessor.h"

namespace {

void onLog(void*, int, const char*) {}

void onMotionEvent(void*, int event) {
    if (FuzzReach::enabled()) {
        FuzzReach::mark("session.motionEvent" + std::to_string(event));
    }
}

// Takes every sample as the silent delegate does and, for the reach check, records which
// operations the processor called.
class ReachingDelegate final : public Tenvik::ISessionProcessor {
public:
    void didReceiveEcg(float v, uint64_t t) override { take<&Silent::didReceiveEcg>("ecg", v, t); }
    void didReceiveRespiration(float v, uint64_t t) override {
        take<&Silent::didReceiveRespiration>("respiration", v, t);
    }
    void didReceiveSteps(uint64_t v, uint64_t t) override {
        take<&Silent::didReceiveSteps>("steps", v, t);
    }
    void didReceiveTemperature(float v, uint64_t t) override {
        take<&Silent::didReceiveTemperature>("temperature", v, t);
    }
    void didReceiveAccelerometer(float x, float y, float z, uint64_t t) override {
        take<&Silent::didReceiveAccelerometer>("accelerometer", x, y, z, t);
    }
    void didReceiveMotionVector2(float x, float y, float z, uint64_t t) override {
        take<&Silent::didReceiveMotionVector2>("motionVector2", x, y, z, t);
    }
    void didReceiveMotionVector3(float x, float y, float z, uint64_t t) override {
        take<&Silent::didReceiveMotionVector3>("motionVector3", x, y, z, t);
    }
    void didReceiveQuaternion(float a, float b, float c, float d, uint64_t t) override {
        take<&Silent::didReceiveQuaternion>("quaternion", a, b, c, d, t);
    }
    void didReceiveOrientation(float a, float b, float c, uint64_t t) override {
        take<&Silent::didReceiveOrientation>("orientation", a, b, c, t);
    }
    void didReceiveHeartRate(uint32_t v, uint64_t t) override {
        take<&Silent::didReceiveHeartRate>("heartRate", v, t);
    }
    void didReceiveRr(uint32_t v, uint64_t t) override { take<&Silent::didReceiveRr>("rr", v, t); }
    void didReceiveRespirationRate(uint32_t v, uint64_t t) override {
        take<&Silent::didReceiveRespirationRate>("respirationRate", v, t);
    }
    void didReceiveSoundVolume(uint16_t v, uint64_t t) override {
        take<&Silent::didReceiveSoundVolume>("soundVolume", v, t);
    }
    void didReceiveActivity(uint32_t v, uint64_t t) override {
        take<&Silent::didReceiveActivity>("activity", v, t);
    }
    void didReceivePressure(uint32_t v, uint64_t t) override {
        take<&Silent::didReceivePressure>("pressure", v, t);
    }
    void didReceiveUserEvent(uint64_t t) override {
        take<&Silent::didReceiveUserEvent>("userEvent", t);
    }
    void didReceiveBodyPosition(uint32_t v, uint64_t t) override {
        take<&Silent::didReceiveBodyPosition>("bodyPosition", v, t);
    }
    void didReceiveWearState(uint32_t v) override {
        take<&Silent::didReceiveWearState>("wearState", v);
    }
    void didReceivePressureLeadOff(int v) override {
        take<&Silent::didReceivePressureLeadOff>("pressureContact" + std::to_string(v), v);
    }
    void didReceiveSignal15(uint8_t v, uint64_t t) override {
        take<&Silent::didReceiveSignal15>("signal15", v, t);
    }
    void didReceiveEda(float v, uint64_t t) override { take<&Silent::didReceiveEda>("eda", v, t); }
    void didReceiveGps(float a, float b, float c, float d, float e, float f, uint64_t t) override {
        take<&Silent::didReceiveGps>("gps", a, b, c, d, e, f, t);
    }

private:
    using Silent = TenvikTest::SilentSessionDelegate;

    template <auto operation, typename... Values>
    void take(const std::string& name, Values... values) {
        if (FuzzReach::enabled()) {
            FuzzReach::mark("session." + name);
        }
        (silent.*operation)(values...);
    }

    Silent silent;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    Tenvik::setLogCallback(onLog, nullptr);
    const uint8_t signalCount = data[0];
    // The carriers pass at most 65535 bytes on.
    const auto length = static_cast<uint16_t>(size - 1 > 65535 ? 65535 : size - 1);
    const Tenvik::Session session(data + 1, length, signalCount);

    ReachingDelegate delegate;
    Tenvik::SessionProcessor online(&delegate, 0);
    Tenvik::SessionProcessor sync(&delegate, 1);
    online.setMotionEventCallback(onMotionEvent);
    online.sessionProcess(session, "online");
    sync.sessionProcess(session, "sync");
    // A second pass carries the activity, contact and motion state over.
    online.sessionProcess(session, "online");
    return 0;
}
