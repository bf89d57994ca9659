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
    void didReceiveEcg(float v, uint64_t t) override {
        note("ecg");
        silent.didReceiveEcg(v, t);
    }
    void didReceiveRespiration(float v, uint64_t t) override {
        note("respiration");
        silent.didReceiveRespiration(v, t);
    }
    void didReceiveSteps(uint64_t v, uint64_t t) override {
        note("steps");
        silent.didReceiveSteps(v, t);
    }
    void didReceiveTemperature(float v, uint64_t t) override {
        note("temperature");
        silent.didReceiveTemperature(v, t);
    }
    void didReceiveAccelerometer(float x, float y, float z, uint64_t t) override {
        note("accelerometer");
        silent.didReceiveAccelerometer(x, y, z, t);
    }
    void didReceiveMotionVector2(float x, float y, float z, uint64_t t) override {
        note("motionVector2");
        silent.didReceiveMotionVector2(x, y, z, t);
    }
    void didReceiveMotionVector3(float x, float y, float z, uint64_t t) override {
        note("motionVector3");
        silent.didReceiveMotionVector3(x, y, z, t);
    }
    void didReceiveQuaternion(float a, float b, float c, float d, uint64_t t) override {
        note("quaternion");
        silent.didReceiveQuaternion(a, b, c, d, t);
    }
    void didReceiveOrientation(float a, float b, float c, uint64_t t) override {
        note("orientation");
        silent.didReceiveOrientation(a, b, c, t);
    }
    void didReceiveHeartRate(uint32_t v, uint64_t t) override {
        note("heartRate");
        silent.didReceiveHeartRate(v, t);
    }
    void didReceiveRr(uint32_t v, uint64_t t) override {
        note("rr");
        silent.didReceiveRr(v, t);
    }
    void didReceiveRespirationRate(uint32_t v, uint64_t t) override {
        note("respirationRate");
        silent.didReceiveRespirationRate(v, t);
    }
    void didReceiveSoundVolume(uint16_t v, uint64_t t) override {
        note("soundVolume");
        silent.didReceiveSoundVolume(v, t);
    }
    void didReceiveActivity(uint32_t v, uint64_t t) override {
        note("activity");
        silent.didReceiveActivity(v, t);
    }
    void didReceivePressure(uint32_t v, uint64_t t) override {
        note("pressure");
        silent.didReceivePressure(v, t);
    }
    void didReceiveUserEvent(uint64_t t) override {
        note("userEvent");
        silent.didReceiveUserEvent(t);
    }
    void didReceiveBodyPosition(uint32_t v, uint64_t t) override {
        note("bodyPosition");
        silent.didReceiveBodyPosition(v, t);
    }
    void didReceiveWearState(uint32_t v) override {
        note("wearState");
        silent.didReceiveWearState(v);
    }
    void didReceivePressureLeadOff(int v) override {
        note("pressureContact" + std::to_string(v));
        silent.didReceivePressureLeadOff(v);
    }
    void didReceiveSignal15(uint8_t v, uint64_t t) override {
        note("signal15");
        silent.didReceiveSignal15(v, t);
    }
    void didReceiveEda(float v, uint64_t t) override {
        note("eda");
        silent.didReceiveEda(v, t);
    }
    void didReceiveGps(float a, float b, float c, float d, float e, float f, uint64_t t) override {
        note("gps");
        silent.didReceiveGps(a, b, c, d, e, f, t);
    }

private:
    static void note(const std::string& operation) {
        if (FuzzReach::enabled()) {
            FuzzReach::mark("session." + operation);
        }
    }

    TenvikTest::SilentSessionDelegate silent;
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
