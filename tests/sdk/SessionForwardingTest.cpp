// Samples of a received session reach the same host callbacks as the live decoders, with the
// host context, the sample's own time and its values in order.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SessionRecords.h"
#include "common/HostCallbacks.h"
#include "session/ISessionProcessor.h"
#include "sdk/TenvikSDK.h"
#include "session/Session.h"

namespace Tenvik {
namespace {

struct Forwarded {
    std::string name;
    uint64_t timestamp;
    std::vector<double> values;
    bool operator==(const Forwarded&) const = default;
};

struct ForwardingHost {
    std::vector<Forwarded> received;
    int wrongContext = 0;
};

ForwardingHost* hostOf(void* context) { return static_cast<ForwardingHost*>(context); }

template <typename... Values>
void record(void* context, const char* name, uint64_t timestamp, Values... values) {
    if (context == nullptr) {
        return;
    }
    hostOf(context)->received.push_back({name, timestamp, {static_cast<double>(values)...}});
}

HostCallbacks forwardingCallbacks() {
    HostCallbacks h;
    h.ecgCallback = [](void* c, uint64_t t, float v) { record(c, "ecg", t, v); };
    h.respirationCallback = [](void* c, uint64_t t, float v) { record(c, "respiration", t, v); };
    h.temperatureCallback = [](void* c, uint64_t t, float v) { record(c, "temperature", t, v); };
    h.accelerometerCallback = [](void* c, uint64_t t, float x, float y, float z) {
        record(c, "accelerometer", t, x, y, z);
    };
    h.motionVector2Callback = [](void* c, uint64_t t, float x, float y, float z) {
        record(c, "motion_vector2", t, x, y, z);
    };
    h.motionVector3Callback = [](void* c, uint64_t t, float x, float y, float z) {
        record(c, "motion_vector3", t, x, y, z);
    };
    h.activityCallback = [](void* c, uint64_t t, uint32_t v) { record(c, "activity", t, v); };
    h.stepsCallback = [](void* c, uint64_t t, uint64_t v) {
        record(c, "steps", t, v >> 32, v & 0xFFFFFFFFu);
    };
    h.orientationCallback = [](void* c, uint64_t t, float a, float b, float d) {
        record(c, "orientation", t, a, b, d);
    };
    h.quaternionCallback = [](void* c, uint64_t t, float a, float b, float d, float e) {
        record(c, "quaternion", t, a, b, d, e);
    };
    h.respirationRateCallback = [](void* c, uint64_t t, uint32_t v) {
        record(c, "respiration_rate", t, v);
    };
    h.wearStateCallback = [](void* c, uint32_t v) { record(c, "wear_state", 0, v); };
    h.heartRateCallback = [](void* c, uint64_t t, uint32_t v) { record(c, "heart_rate", t, v); };
    h.rrCallback = [](void* c, uint64_t t, uint32_t v) { record(c, "rr", t, v); };
    h.soundVolumeCallback = [](void* c, uint64_t t, uint16_t v) {
        record(c, "sound_volume", t, v);
    };
    h.userEventCallback = [](void* c, uint64_t t) { record(c, "user_event", t); };
    h.pressureCallback = [](void* c, uint64_t t, uint32_t v) { record(c, "pressure", t, v); };
    h.pressureLeadOffCallback = [](void* c, int v) { record(c, "pressure_lead_off", 0, v); };
    h.bodyPositionCallback = [](void* c, uint64_t t, uint32_t v) {
        record(c, "body_position", t, v);
    };
    h.signal15Callback = [](void* c, uint64_t t, uint8_t v) { record(c, "signal15", t, v); };
    h.motionEventCallback = [](void* c, int v) { record(c, "motion_event", 0, v); };
    return h;
}

void onEda(void* c, uint64_t t, float v) { record(c, "eda", t, v); }
void onGps(void* c, uint64_t t, float a, float b, float d, float e, float f, float g) {
    record(c, "gps", t, a, b, d, e, f, g);
}

// One sample of every kind, each with a time of its own.
void sendEverySample(ISessionProcessor& processor) {
    processor.didReceiveEcg(0.25f, 1);
    processor.didReceiveRespiration(-0.5f, 2);
    processor.didReceiveSteps(0xFFFFFFFF00000007ull, 3);
    processor.didReceiveTemperature(36.5f, 4);
    processor.didReceiveAccelerometer(1.0f, -2.0f, 0.5f, 5);
    processor.didReceiveMotionVector2(3.0f, 4.0f, -5.0f, 6);
    processor.didReceiveMotionVector3(-6.0f, 7.0f, 8.0f, 7);
    processor.didReceiveQuaternion(1.0f, 0.0f, -0.5f, 0.25f, 8);
    processor.didReceiveOrientation(10.0f, -20.0f, 30.0f, 9);
    processor.didReceiveHeartRate(72, 10);
    processor.didReceiveRr(812, 11);
    processor.didReceiveRespirationRate(15, 12);
    processor.didReceiveSoundVolume(65535, 13);
    processor.didReceiveActivity(4, 14);
    processor.didReceivePressure(4294967295u, 15);
    processor.didReceiveUserEvent(16);
    processor.didReceiveBodyPosition(3, 17);
    processor.didReceiveWearState(2);
    processor.didReceivePressureLeadOff(3);
    processor.didReceiveSignal15(200, 18);
    processor.didReceiveEda(1.5f, 19);
    processor.didReceiveGps(1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 20);
}

const std::vector<Forwarded> everySample = {
    {"ecg", 1, {0.25}},
    {"respiration", 2, {-0.5}},
    {"steps", 3, {4294967295.0, 7}},
    {"temperature", 4, {36.5}},
    {"accelerometer", 5, {1, -2, 0.5}},
    {"motion_vector2", 6, {3, 4, -5}},
    {"motion_vector3", 7, {-6, 7, 8}},
    {"quaternion", 8, {1, 0, -0.5, 0.25}},
    {"orientation", 9, {10, -20, 30}},
    {"heart_rate", 10, {72}},
    {"rr", 11, {812}},
    {"respiration_rate", 12, {15}},
    {"sound_volume", 13, {65535}},
    {"activity", 14, {4}},
    {"pressure", 15, {4294967295.0}},
    {"user_event", 16, {}},
    {"body_position", 17, {3}},
    {"wear_state", 0, {2}},
    {"pressure_lead_off", 0, {3}},
    {"signal15", 18, {200}},
    {"eda", 19, {1.5}},
    {"gps", 20, {1, 2, 3, 4, 5, 6}},
};

class SessionForwarding : public ::testing::Test {
protected:
    void SetUp() override {
        sdk = std::make_unique<TenvikSDK>(FirmwareVersion::fromText("3.7.86"));
        sdk->setContext(&host);
        sdk->initCallbacks(forwardingCallbacks());
        sdk->setEdaCallback(onEda);
        sdk->setGpsCallback(onGps);
    }

    ForwardingHost host;
    std::unique_ptr<TenvikSDK> sdk;
};

TEST_F(SessionForwarding, EverySampleReachesItsHostCallback) {
    sendEverySample(*sdk);
    EXPECT_EQ(host.received, everySample);
}

TEST_F(SessionForwarding, NullCallbacksDropTheSamples) {
    sdk->initCallbacks(HostCallbacks{});
    sdk->setEdaCallback(nullptr);
    sdk->setGpsCallback(nullptr);
    sendEverySample(*sdk);
    EXPECT_TRUE(host.received.empty());

    // Unrecorded while no one listened: the same wear state is still a change now.
    sdk->initCallbacks(forwardingCallbacks());
    sdk->didReceiveWearState(2);
    EXPECT_EQ(host.received, (std::vector<Forwarded>{{"wear_state", 0, {2}}}));
}

TEST_F(SessionForwarding, SessionWearStatesAreSharedWithTheLiveDecoders) {
    // Wear state 3 from an ECG packet of the newest layout (byte 19).
    std::vector<uint8_t> ecg(20, 0);
    ecg[19] = 3;
    sdk->processECGPackage(ecg.data(), 20);
    host.received.clear();
    sdk->didReceiveWearState(3);
    sdk->didReceiveWearState(6);
    sdk->didReceiveWearState(0);
    EXPECT_EQ(host.received, (std::vector<Forwarded>{{"wear_state", 0, {0}}}));
}

// ---- Sessions received by the Collect process ------------------------------------------------

using namespace TenvikTest::SessionRecords;

constexpr uint64_t SessionStart = 1000000000000;

void receive(TenvikSDK& sdk, uint64_t start, uint8_t wearState, const Blocks& blocks) {
    const Bytes bytes = serialized(start, start + 1000, wearState, blocks);
    sdk.didReceiveSession(Session(bytes.data(), static_cast<uint16_t>(bytes.size()), 18));
}

std::vector<Forwarded> asForwarded(const std::vector<TenvikTest::HostEvent>& events) {
    std::vector<Forwarded> out;
    for (const auto& event : events) {
        out.push_back({event.name, event.timestamp, event.values});
    }
    return out;
}

TEST_F(SessionForwarding, ReceivedSessionReachesTheLiveCallbacks) {
    receive(*sdk, SessionStart, 2, everyKind(SessionStart));
    EXPECT_EQ(host.received, asForwarded(everyKindEvents(SessionStart)));
}

TEST_F(SessionForwarding, RecordedMotionRaisesMotionEventsWithTheHostContext) {
    Blocks blocks = onlyBlock(Motion, swingMotion());
    blocks[Orientation] = sidewaysOrientation(2);
    receive(*sdk, SessionStart, 5, blocks);
    ASSERT_EQ(host.received.size(), 11u);
    EXPECT_EQ(host.received.back(), (Forwarded{"motion_event", 0, {1}}));

    // Registering again replaces the session processor's motion-event callback too.
    HostCallbacks withoutMotionEvents = forwardingCallbacks();
    withoutMotionEvents.motionEventCallback = nullptr;
    sdk->initCallbacks(withoutMotionEvents);
    host.received.clear();
    receive(*sdk, SessionStart, 5, blocks);
    // Wear state 5 is the initial one: only the six motion and four orientation samples.
    EXPECT_EQ(host.received.size(), 10u);
    EXPECT_NE(host.received.back().name, "motion_event");
}

TEST_F(SessionForwarding, ReceivedWearStatesAreReportedOnlyOnChange) {
    for (const uint8_t wearState : {2, 2, 0, 9, 0, 5}) {
        receive(*sdk, SessionStart, wearState, Blocks{});
    }
    EXPECT_EQ(host.received, (std::vector<Forwarded>{
                                 {"wear_state", 0, {2}}, {"wear_state", 0, {0}},
                                 {"wear_state", 0, {5}}}));
}

}  // namespace
}  // namespace Tenvik
