// The host context reaches every callback of its instance: null until TenvikSDK_set_context,
// then the context set, for data, payload and BLE callbacks alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "LogRecorder.h"
#include "SessionRecords.h"
#include "SyncDevice.h"
#include "SyncFrames.h"
#include "tenvik_sdk.h"

namespace {

std::vector<std::pair<std::string, void*>> received;

void onBattery(void* context, uint8_t) { received.emplace_back("battery", context); }
void onTemperature(void* context, uint64_t, float) {
    received.emplace_back("temperature", context);
}
void onPayload(void* context, const char*, const uint8_t*, size_t) {
    received.emplace_back("payload", context);
}
void onBleSend(void* context, const uint8_t*, int) { received.emplace_back("send", context); }
void onBleReady(void* context) { received.emplace_back("ready", context); }

void registerAll(TenvikSDK* sdk) {
    TenvikSDK_init_callbacks(nullptr, nullptr, onTemperature, nullptr, nullptr, nullptr,
                             onBattery, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, sdk);
    TenvikSDK_set_payload_callback(onPayload, sdk);
    TenvikSDK_set_ble_send_callback(onBleSend, sdk);
    TenvikSDK_set_ble_ready_callback(onBleReady, sdk);
}

// A battery value, a temperature value and a command: data, BLE send and ready callbacks.
void driveInstance(TenvikSDK* sdk) {
    const uint8_t battery[1] = {0x5A};
    const uint8_t temperature[4] = {0x10, 0x0E, 0x00, 0x00};
    const uint8_t ping[4] = {'p', 'i', 'n', 'g'};
    TenvikSDK_process_battery_package(battery, 1, sdk);
    processTemperaturePackage(temperature, 4, sdk);
    TenvikSDK_send(ping, 4, 0, sdk);
}

std::vector<std::string> namesWithContext(void* context) {
    std::vector<std::string> names;
    for (const auto& [name, got] : received) {
        if (got == context) {
            names.push_back(name);
        }
    }
    return names;
}

TEST(Context, NullUntilSetThenHandedToEveryCallback) {
    // Firmware 2.2.15 runs the protocol-2 link: a send frames one packet and signals ready.
    TenvikSDK* sdk = TenvikSDK_create("2.2.15", 6);
    ASSERT_NE(sdk, nullptr);
    registerAll(sdk);
    received.clear();
    driveInstance(sdk);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(namesWithContext(nullptr).size(), received.size());
    const std::vector<std::string> before = namesWithContext(nullptr);
    EXPECT_NE(std::find(before.begin(), before.end(), "battery"), before.end());
    EXPECT_NE(std::find(before.begin(), before.end(), "send"), before.end());
    EXPECT_NE(std::find(before.begin(), before.end(), "ready"), before.end());

    int host = 0;
    TenvikSDK_set_context(&host, sdk);
    received.clear();
    driveInstance(sdk);
    EXPECT_EQ(namesWithContext(&host), before);
    TenvikSDK_destroy(sdk);
}

TEST(Context, ProtocolOneRefusalReachesThePayloadCallbackWithTheContext) {
    // Firmware 2.2.14 runs protocol 1, which refuses to send and reports a "system" payload.
    TenvikSDK* sdk = TenvikSDK_create("2.2.14", 6);
    ASSERT_NE(sdk, nullptr);
    registerAll(sdk);
    int host = 0;
    TenvikSDK_set_context(&host, sdk);
    received.clear();
    const uint8_t ping[4] = {'p', 'i', 'n', 'g'};
    TenvikSDK_send(ping, 4, 0, sdk);
    EXPECT_EQ(namesWithContext(&host), (std::vector<std::string>{"payload"}));
    TenvikSDK_destroy(sdk);
}

TEST(Context, TwoInstancesKeepTheirOwnContexts) {
    TenvikSDK* first = TenvikSDK_create("2.2.15", 6);
    TenvikSDK* second = TenvikSDK_create("3.6.62", 6);
    registerAll(first);
    registerAll(second);
    int a = 0;
    int b = 0;
    TenvikSDK_set_context(&a, first);
    TenvikSDK_set_context(&b, second);
    received.clear();
    const uint8_t battery[1] = {0x5A};
    TenvikSDK_process_battery_package(battery, 1, first);
    TenvikSDK_process_battery_package(battery, 1, second);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].second, &a);
    EXPECT_EQ(received[1].second, &b);
    TenvikSDK_destroy(first);
    TenvikSDK_destroy(second);
}

// ---- Every callback kind, through every holder of the context ---------------------------------

// Every callback an instance can fire: the 22 of TenvikSDK_init_callbacks, the 20 of
// TenvikSDK_init_synchronization_callbacks, then those registered one by one.
enum Kind : size_t {
    Ecg, Respiration, Temperature, Accelerometer, MotionVector2, MotionVector3, Battery, Activity,
    Steps, Orientation, Quaternion, RespirationRate, WearState, HeartRate, Rr, SoundVolume,
    MotionEvent, UserEvent, Pressure, PressureLeadOff, BodyPosition, Signal15,
    SyncState, SyncProgress, PastEcg, PastRespiration, PastTemperature, PastHeartRate, PastRr,
    PastActivity, PastRespirationRate, PastSteps, PastUserEvent, PastSoundVolume, PastPressure,
    PastAccelerometer, PastMotionVector2, PastQuaternion, PastOrientation, PastMotionVector3,
    PastBodyPosition, PastSignal15,
    Payload, Eda, Gps, PastEda, PastGps, BleSend, BleReady,
    KindCount
};

struct Delivery {
    Kind kind;
    void* context;
};
std::vector<Delivery> deliveries;

template <Kind kind, typename... Values>
void deliver(void* context, Values...) {
    deliveries.push_back({kind, context});
}

void registerEveryKind(TenvikSDK* sdk) {
    TenvikSDK_init_callbacks(
        &deliver<Ecg>, &deliver<Respiration>, &deliver<Temperature>, &deliver<Accelerometer>,
        &deliver<MotionVector2>, &deliver<MotionVector3>, &deliver<Battery>, &deliver<Activity>,
        &deliver<Steps>, &deliver<Orientation>, &deliver<Quaternion>, &deliver<RespirationRate>,
        &deliver<WearState>, &deliver<HeartRate>, &deliver<Rr>, &deliver<SoundVolume>,
        &deliver<MotionEvent>, &deliver<UserEvent>, &deliver<Pressure>, &deliver<PressureLeadOff>,
        &deliver<BodyPosition>, &deliver<Signal15>, sdk);
    TenvikSDK_init_synchronization_callbacks(
        &deliver<SyncState>, &deliver<SyncProgress>, &deliver<PastEcg>, &deliver<PastRespiration>,
        &deliver<PastTemperature>, &deliver<PastHeartRate>, &deliver<PastRr>,
        &deliver<PastActivity>, &deliver<PastRespirationRate>, &deliver<PastSteps>,
        &deliver<PastUserEvent>, &deliver<PastSoundVolume>, &deliver<PastPressure>,
        &deliver<PastAccelerometer>, &deliver<PastMotionVector2>, &deliver<PastQuaternion>,
        &deliver<PastOrientation>, &deliver<PastMotionVector3>, &deliver<PastBodyPosition>,
        &deliver<PastSignal15>, sdk);
    TenvikSDK_set_payload_callback(&deliver<Payload>, sdk);
    TenvikSDK_set_eda_callback(&deliver<Eda>, sdk);
    TenvikSDK_set_gps_callback(&deliver<Gps>, sdk);
    TenvikSDK_set_past_eda_callback(&deliver<PastEda>, sdk);
    TenvikSDK_set_past_gps_callback(&deliver<PastGps>, sdk);
    TenvikSDK_set_ble_send_callback(&deliver<BleSend>, sdk);
    TenvikSDK_set_ble_ready_callback(&deliver<BleReady>, sdk);
}

using Bytes = std::vector<uint8_t>;

void feed(void (*entry)(const uint8_t*, int, TenvikSDK*), const Bytes& bytes, TenvikSDK* sdk) {
    entry(bytes.data(), static_cast<int>(bytes.size()), sdk);
}

// Firmware 4.0.0 over protocol 4: live values (the converter's context), a Collect session
// with records of every kind and a recorded swing (the SDK object's own context and that of
// its session processor's motion detector), a system report and a user event (the process
// manager's), a status-based transfer (the synchronisation process's) and a command (the
// link's).
void driveProtocolFour(TenvikSDK* sdk) {
    namespace Records = TenvikTest::SessionRecords;
    feed(TenvikSDK_process_battery_package, {0x5A}, sdk);
    feed(processTemperaturePackage, {0x8E, 0x0E, 0x00, 0x00}, sdk);
    Bytes ecgWithWearState(20, 0);
    ecgWithWearState[19] = 3;
    feed(processECGPackage, ecgWithWearState, sdk);
    feed(processNasalCannulaPackage, Bytes(20, 0), sdk);

    constexpr uint64_t start = 1700000000000ull;
    Records::Blocks collected = Records::everyKind(start);
    collected[Records::Motion] = Records::swingMotion();
    collected[Records::Orientation] = Records::sidewaysOrientation(2);
    const TenvikTest::SyncDevice collect(sdk, 4, 0x21);
    collect.message({0x00, 0x21, 0x00, 0x08}, 0, 0);
    collect.send(Records::serialized(start, start + 1000, 2, collected));
    collect.message({0x04, 0x78, 0x56, 0x34, 0x12}, 0, 0);

    const TenvikTest::SyncDevice sync(sdk, 4);
    sync.createSync();
    sync.status(0, 0);
    sync.status(3, 1, Records::serialized(start, start + 1000, 2, Records::everyKind(start)));

    const uint8_t ping[4] = {'p', 'i', 'n', 'g'};
    TenvikSDK_send(ping, 4, 0, sdk);
}

// Firmware 3.0.0 transfers in the legacy framing, whose receiver and record decoders hold
// contexts of their own: a "start" header and one steps record.
void driveLegacySynchronisation(TenvikSDK* sdk) {
    namespace Frames = TenvikTest::SyncFrames;
    const TenvikTest::SyncDevice sync(sdk, 3);
    sync.createSync();
    sync.send(Frames::textPacket("start"));
    sync.send(Frames::groupStart(6, 18, 4, 1700000000000ull, {1, 0, 0, 0}));
}

// Firmware 2.2.10 sends quaternion and acceleration in one motion packet: held sideways with a
// swing of -3 g, which the live motion detector reports.
void driveLiveMotion(TenvikSDK* sdk) {
    feed(processMotionPackage,
         {0x40, 0x00, 0x20, 0x00, 0xC0, 0x00, 0xE0, 0x00, 0x10, 0x00,
          0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00},
         sdk);
}

// Each instance is given a first context and then the one it keeps; every callback kind, from
// every component that keeps a context, must arrive with the one set last.
TEST(Context, TheContextSetLastReachesEveryCallbackKind) {
    struct Case {
        const char* revision;
        void (*drive)(TenvikSDK*);
    };
    const Case cases[] = {{"4.0.0", driveProtocolFour},
                          {"3.0.0", driveLegacySynchronisation},
                          {"2.2.10", driveLiveMotion}};
    std::set<size_t> kindsSeen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.revision);
        const std::string revision = c.revision;
        TenvikSDK* sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
        ASSERT_NE(sdk, nullptr);
        registerEveryKind(sdk);
        int first = 0;
        int last = 0;
        TenvikSDK_set_context(&first, sdk);
        TenvikSDK_set_context(&last, sdk);
        deliveries.clear();
        c.drive(sdk);
        EXPECT_FALSE(deliveries.empty());
        for (const Delivery& delivery : deliveries) {
            EXPECT_EQ(delivery.context, &last) << "callback kind " << delivery.kind;
            kindsSeen.insert(delivery.kind);
        }
        TenvikSDK_destroy(sdk);
    }
    for (size_t kind = 0; kind < KindCount; ++kind) {
        EXPECT_EQ(kindsSeen.count(kind), 1u) << "callback kind " << kind << " never fired";
    }
}

TEST(LogContext, EveryLineCarriesTheLogContextFromEveryInstance) {
    TenvikSDK* first = TenvikSDK_create("2.2.15", 6);
    TenvikSDK* second = TenvikSDK_create("3.6.62", 6);
    TenvikTest::LogRecorder recorder;
    recorder.install();
    // Wrong sizes are logged by the decoders of both instances.
    const uint8_t twoBytes[2] = {0, 0};
    processTemperaturePackage(twoBytes, 2, first);
    processTemperaturePackage(twoBytes, 2, second);
    EXPECT_EQ(recorder.lines().size(), 2u);
    EXPECT_EQ(recorder.lastContext, &recorder);
    // Destroying either instance switches logging off for the whole process.
    TenvikSDK_destroy(first);
    recorder.clear();
    processTemperaturePackage(twoBytes, 2, second);
    EXPECT_TRUE(recorder.lines().empty());
    TenvikSDK_destroy(second);
}

}  // namespace
