// Host callbacks that call back into the library: destroy the instance they were called from,
// clear or replace its callbacks, feed it more data. Run under the sanitizer tree, a use of a
// freed instance or a call through a cleared pointer fails here.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "DeviceFrames.h"
#include "SessionFrames.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::DeviceFrames::Bytes;
using TenvikTest::DeviceFrames::joined;
using TenvikTest::DeviceFrames::v2Packet;
using TenvikTest::DeviceFrames::v3Message;
using TenvikTest::DeviceFrames::v4Message;

// One instance with every callback registered to itself. Each callback records its kind and
// then lets `react` call back into the library.
struct ReentrantHost {
    explicit ReentrantHost(const std::string& revision)
        : sdk(TenvikSDK_create(revision.data(), static_cast<int>(revision.size()))) {
        TenvikSDK_set_context(this, sdk);
        registerAll(sdk);
        TenvikSDK_set_log_callback(&onLog, this);
    }
    ~ReentrantHost() {
        if (!destroyed) {
            TenvikSDK_destroy(sdk);
        }
        TenvikSDK_set_log_callback(nullptr, nullptr);
    }
    ReentrantHost(const ReentrantHost&) = delete;
    ReentrantHost& operator=(const ReentrantHost&) = delete;

    static void registerAll(TenvikSDK* handle) {
        TenvikSDK_init_callbacks(
            &onFloat<0>, &onFloat<1>, &onFloat<2>, &onVector<3>, &onVector<4>, &onVector<5>,
            &onUInt8, &onTimedUInt32<7>, &onSteps, &onVector<9>, &onQuaternion,
            &onTimedUInt32<11>, &onWearState, &onTimedUInt32<13>, &onTimedUInt32<14>,
            &onSoundVolume, &onInt<16>, &onTime, &onTimedUInt32<18>, &onInt<19>,
            &onTimedUInt32<20>, &onSignal15, handle);
        TenvikSDK_set_eda_callback(&onFloat<22>, handle);
        TenvikSDK_set_gps_callback(&onGps, handle);
        TenvikSDK_set_payload_callback(&onPayload, handle);
        TenvikSDK_set_ble_send_callback(&onSend, handle);
        TenvikSDK_set_ble_ready_callback(&onReady, handle);
    }

    // Destroys the instance, then tries every kind of call on it: each must do nothing, not
    // even log. The last destroy leaves the process-wide log pair clear, as any destroy does.
    void destroyAndPoke() {
        destroyed = true;
        TenvikSDK_destroy(sdk);
        TenvikSDK_set_log_callback(&onLog, this);
        const uint8_t bytes[20] = {0x02, 0x0A, 0x01, 0x06, 0x00, 0xAA};
        TenvikSDK_process_ble_chunk(bytes, 6, sdk);
        TenvikSDK_send(bytes, 4, 1, sdk);
        processECGPackage(bytes, 20, sdk);
        TenvikSDK_set_context(this, sdk);
        registerAll(sdk);
        TenvikSDK_destroy(sdk);
    }

    TenvikSDK* sdk;
    std::vector<std::string> events;
    std::function<void(ReentrantHost&, const std::string& kind)> react;
    bool destroyed = false;
    int callsAfterDestroy = 0;

private:
    static const char* kindOf(int index) {
        static const char* const names[] = {
            "ecg",         "respiration",      "temperature", "accelerometer", "motion_vector2",
            "motion_vector3", "battery",       "activity",    "steps",         "orientation",
            "quaternion",  "respiration_rate", "wear_state",  "heart_rate",    "rr",
            "sound_volume", "motion_event",    "user_event",  "pressure",
            "pressure_lead_off", "body_position", "signal15", "eda", "gps"};
        return names[index];
    }
    static void seen(void* context, const std::string& kind) {
        auto* host = static_cast<ReentrantHost*>(context);
        if (host->destroyed) {
            ++host->callsAfterDestroy;
            return;
        }
        host->events.push_back(kind);
        if (host->react) {
            host->react(*host, kind);
        }
    }
    template <int N>
    static void onFloat(void* c, uint64_t, float) { seen(c, kindOf(N)); }
    template <int N>
    static void onVector(void* c, uint64_t, float, float, float) { seen(c, kindOf(N)); }
    template <int N>
    static void onTimedUInt32(void* c, uint64_t, uint32_t) { seen(c, kindOf(N)); }
    template <int N>
    static void onInt(void* c, int) { seen(c, kindOf(N)); }
    static void onUInt8(void* c, uint8_t) { seen(c, "battery"); }
    static void onSteps(void* c, uint64_t, uint64_t) { seen(c, "steps"); }
    static void onQuaternion(void* c, uint64_t, float, float, float, float) {
        seen(c, "quaternion");
    }
    static void onWearState(void* c, uint32_t) { seen(c, "wear_state"); }
    static void onSoundVolume(void* c, uint64_t, uint16_t) { seen(c, "sound_volume"); }
    static void onTime(void* c, uint64_t) { seen(c, "user_event"); }
    static void onSignal15(void* c, uint64_t, uint8_t) { seen(c, "signal15"); }
    static void onGps(void* c, uint64_t, float, float, float, float, float, float) {
        seen(c, "gps");
    }
    static void onPayload(void* c, const char*, const uint8_t*, size_t) { seen(c, "payload"); }
    static void onSend(void* c, const uint8_t*, int) { seen(c, "send"); }
    static void onReady(void* c) { seen(c, "ready"); }
    static void onLog(void* c, int, const char*) { seen(c, "log"); }
};

// ---- Destroy from inside a callback ------------------------------------------------------------

using Action = void (*)(TenvikSDK*);

struct DestroyCase {
    const char* name;
    const char* revision;
    const char* destroyOn;
    Action action;
    // The events up to and including the destroying one, in order (log lines left out
    // unless the log callback destroys).
    std::vector<std::string> expected;
};

void feed(TenvikSDK* sdk, void (*entry)(const uint8_t*, int, TenvikSDK*), const Bytes& bytes) {
    entry(bytes.data(), static_cast<int>(bytes.size()), sdk);
}
void chunk(TenvikSDK* sdk, const Bytes& bytes) {
    TenvikSDK_process_ble_chunk(bytes.data(), static_cast<int>(bytes.size()), sdk);
}
void sendCommand(TenvikSDK* sdk) {
    const uint8_t command[] = {'p', 'i', 'n', 'g'};
    TenvikSDK_send(command, 4, 1, sdk);
}

const Bytes ecgV2(20, 0x40);
// Heart rate 72 with nine RR values; heart-rate format 2 (from 3.3.41) always reports.
const Bytes heartRate = {0x00, 72, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0};
// Quaternion 1, 0.5, -1, -0.5 and accelerations 1, -1, 0.5 g: a sideways swing (event 1).
const Bytes motion20 = {0x40, 0x00, 0x20, 0x00, 0xC0, 0x00, 0xE0, 0x00, 0x10, 0x00,
                        0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};
// Five big-endian pressures; the first sample of a fresh detector reports contact state 3.
const Bytes nasal = {0, 0, 0, 100, 1, 2, 3, 4, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 7};
// ECG layout 6: byte 19 carries the wear state (3).
const Bytes ecgV6 = [] {
    Bytes b(20, 0x10);
    b[19] = 3;
    return b;
}();

std::vector<std::string> repeated(const std::string& kind, int count) {
    return std::vector<std::string>(static_cast<size_t>(count), kind);
}
std::vector<std::string> then(std::vector<std::string> first,
                              const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class DestroyInsideCallback : public ::testing::TestWithParam<DestroyCase> {};

TEST_P(DestroyInsideCallback, StopsDeliveringAndFreesTheInstanceAfterTheCall) {
    const DestroyCase& c = GetParam();
    ReentrantHost host(c.revision);
    ASSERT_NE(host.sdk, nullptr);
    const std::string target = c.destroyOn;
    host.react = [&](ReentrantHost& h, const std::string& kind) {
        if (kind == target) {
            h.destroyAndPoke();
        }
    };
    c.action(host.sdk);
    ASSERT_TRUE(host.destroyed) << "the " << target << " callback never ran";
    EXPECT_EQ(host.callsAfterDestroy, 0);
    std::vector<std::string> seen;
    for (const auto& kind : host.events) {
        if (kind != "log" || target == "log") {
            seen.push_back(kind);
        }
    }
    EXPECT_EQ(seen, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCallbackKind, DestroyInsideCallback,
    ::testing::Values(
        // Data callbacks, each at the first of several deliveries of its packet.
        DestroyCase{"Ecg", "3.0.0", "ecg",
                    [](TenvikSDK* s) { feed(s, processECGPackage, ecgV2); }, {"ecg"}},
        DestroyCase{"Respiration", "3.0.0", "respiration",
                    [](TenvikSDK* s) { feed(s, processRespirationPackage, Bytes(20, 0x01)); },
                    {"respiration"}},
        DestroyCase{"RespirationRate", "3.0.0", "respiration_rate",
                    [](TenvikSDK* s) { feed(s, processRespirationPackage, Bytes(20, 0x01)); },
                    then(repeated("respiration", 65), {"respiration_rate"})},
        DestroyCase{"WearStateBeforeEcg", "3.3.41", "wear_state",
                    [](TenvikSDK* s) { feed(s, processECGPackage, ecgV6); }, {"wear_state"}},
        DestroyCase{"Temperature", "3.2.26", "temperature",
                    [](TenvikSDK* s) { feed(s, processTemperaturePackage, {0x8E, 0x0E, 0, 0}); },
                    {"temperature"}},
        DestroyCase{"MotionEvent", "2.2.10", "motion_event",
                    [](TenvikSDK* s) { feed(s, processMotionPackage, motion20); },
                    {"motion_event"}},
        DestroyCase{"Quaternion", "2.2.10", "quaternion",
                    [](TenvikSDK* s) { feed(s, processMotionPackage, motion20); },
                    {"motion_event", "quaternion"}},
        DestroyCase{"Accelerometer", "2.2.11", "accelerometer",
                    [](TenvikSDK* s) { feed(s, processMotionPackage, Bytes(18, 0)); },
                    {"accelerometer"}},
        DestroyCase{"MotionVector2", "2.2.11", "motion_vector2",
                    [](TenvikSDK* s) { feed(s, processMotionPackage, Bytes(18, 0)); },
                    {"accelerometer", "motion_vector2"}},
        DestroyCase{"MotionVector3", "2.2.11", "motion_vector3",
                    [](TenvikSDK* s) { feed(s, processMotionPackage, Bytes(18, 0)); },
                    {"accelerometer", "motion_vector2", "motion_vector3"}},
        DestroyCase{"Battery", "3.0.0", "battery",
                    [](TenvikSDK* s) { feed(s, TenvikSDK_process_battery_package, {50}); },
                    {"battery"}},
        DestroyCase{"Activity", "3.0.0", "activity",
                    [](TenvikSDK* s) { feed(s, processActivityPackage, {2}); }, {"activity"}},
        DestroyCase{"Steps", "3.0.0", "steps",
                    [](TenvikSDK* s) { feed(s, processStepsPackage, {1, 0, 0, 0}); }, {"steps"}},
        DestroyCase{"Orientation", "2.1.0", "orientation",
                    [](TenvikSDK* s) { feed(s, processOrientationPackage, Bytes(6, 0)); },
                    {"orientation"}},
        DestroyCase{"BodyPosition", "2.1.0", "body_position",
                    [](TenvikSDK* s) { feed(s, processOrientationPackage, Bytes(6, 0)); },
                    {"orientation", "body_position"}},
        DestroyCase{"Rr", "3.3.41", "rr",
                    [](TenvikSDK* s) { feed(s, processHeartRatePackage, heartRate); }, {"rr"}},
        DestroyCase{"HeartRate", "3.3.41", "heart_rate",
                    [](TenvikSDK* s) { feed(s, processHeartRatePackage, heartRate); },
                    then(repeated("rr", 9), {"heart_rate"})},
        DestroyCase{"SoundVolume", "3.0.0", "sound_volume",
                    [](TenvikSDK* s) { feed(s, processSoundVolumePackage, Bytes(10, 1)); },
                    {"sound_volume"}},
        DestroyCase{"PressureLeadOff", "3.0.0", "pressure_lead_off",
                    [](TenvikSDK* s) { feed(s, processNasalCannulaPackage, nasal); },
                    {"pressure_lead_off"}},
        DestroyCase{"Pressure", "3.0.0", "pressure",
                    [](TenvikSDK* s) { feed(s, processNasalCannulaPackage, nasal); },
                    {"pressure_lead_off", "pressure"}},
        // The link under protocols 2, 3 and 4: sends, readiness, payloads and log lines.
        DestroyCase{"V2Send", "2.2.16", "send", sendCommand, {"send"}},
        DestroyCase{"V2Ready", "2.2.16", "ready", sendCommand, {"send", "ready"}},
        DestroyCase{"V2FirstOfTwoPayloads", "2.2.16", "payload",
                    [](TenvikSDK* s) {
                        chunk(s, joined({v2Packet(0, {0xAA}), v2Packet(0, {0xBB})}));
                    },
                    {"payload"}},
        DestroyCase{"V2Log", "2.2.16", "log",
                    [](TenvikSDK* s) {
                        chunk(s, joined({v2Packet(0, {0xAA}), v2Packet(0, {0xBB})}));
                    },
                    {"log"}},
        DestroyCase{"V3Send", "3.0.0", "send", sendCommand, {"send"}},
        DestroyCase{"V3Ready", "3.0.0", "ready", sendCommand, {"send", "ready"}},
        DestroyCase{"V3Log", "3.0.0", "log",
                    [](TenvikSDK* s) { chunk(s, {0x03, 0x0A, 0x63, 0x0A, 0x00, 0x05, 0x00, 1}); },
                    {"log"}},
        DestroyCase{"V4Send", "4.0.0", "send", sendCommand, {"send"}},
        DestroyCase{"V4Ready", "4.0.0", "ready", sendCommand, {"send", "ready"}},
        // An empty chunk: ready, the error payload, ready again.
        DestroyCase{"V4ReadyBeforeError", "4.0.0", "ready",
                    [](TenvikSDK* s) { chunk(s, {}); }, {"ready"}},
        DestroyCase{"V4ErrorPayload", "4.0.0", "payload",
                    [](TenvikSDK* s) { chunk(s, {}); }, {"ready", "payload"}},
        DestroyCase{"V4Log", "4.0.0", "log",
                    [](TenvikSDK* s) { chunk(s, v4Message({1, 2, 3}, 5)); }, {"log"}},
        // The device's processes: the System process reports a created ping process (PID 17)
        // and hands the message on; a user event comes before its System payload; a log
        // process (PID 18), created while the payload callback is off, hands the host what it
        // collected once a line ends.
        DestroyCase{"V3SystemPayload", "3.6.62", "payload",
                    [](TenvikSDK* s) { chunk(s, v3Message({0x00, 0x11, 0x00, 0x02}, 0)); },
                    {"payload"}},
        DestroyCase{"V4SystemPayload", "4.0.0", "payload",
                    [](TenvikSDK* s) { chunk(s, v4Message({0x00, 0x11, 0x00, 0x02}, 0)); },
                    {"payload"}},
        DestroyCase{"V3UserEventBeforeItsPayload", "3.6.62", "user_event",
                    [](TenvikSDK* s) {
                        chunk(s, v3Message({0x04, 0x78, 0x56, 0x34, 0x12}, 0));
                    },
                    {"user_event"}},
        DestroyCase{"V3LogProcessPayload", "3.6.62", "payload",
                    [](TenvikSDK* s) {
                        TenvikSDK_set_payload_callback(nullptr, s);
                        chunk(s, v3Message({0x00, 0x12, 0x00, 0x06}, 0));
                        ReentrantHost::registerAll(s);
                        chunk(s, v3Message({'a', '\n', 'b', '\n'}, 0x12));
                    },
                    {"payload"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(DestroyInsideCallback, NestedCallsKeepTheInstanceUntilTheOutermostReturns) {
    // The first ECG callback feeds a second packet; a callback of that inner call destroys
    // the instance. The outer delivery loop still runs on it afterwards, delivering nothing.
    ReentrantHost host("3.0.0");
    int depth = 0;
    host.react = [&](ReentrantHost& h, const std::string& kind) {
        if (kind != "ecg") {
            return;
        }
        if (depth == 0) {
            ++depth;
            processECGPackage(ecgV2.data(), 20, h.sdk);
        } else {
            h.destroyAndPoke();
        }
    };
    processECGPackage(ecgV2.data(), 20, host.sdk);
    EXPECT_EQ(host.events, (std::vector<std::string>{"ecg", "ecg"}));
    EXPECT_EQ(host.callsAfterDestroy, 0);
}

TEST(DestroyInsideCallback, AnotherInstanceIsDestroyedAtOnce) {
    // Only the instance whose call is running waits; destroying another one from a callback
    // frees it on the spot and leaves the running one delivering.
    ReentrantHost host("3.0.0");
    TenvikSDK* other = TenvikSDK_create("3.0.0", 5);
    host.react = [&](ReentrantHost&, const std::string& kind) {
        if (kind == "ecg" && other != nullptr) {
            TenvikSDK_destroy(other);
            other = nullptr;
        }
    };
    processECGPackage(ecgV2.data(), 20, host.sdk);
    EXPECT_EQ(host.events, repeated("ecg", 20));
}

// ---- A destroyed instance stays silent ---------------------------------------------------------

// Two instances: one that the host destroys from inside one of its callbacks, setting the log
// callback again right there (as it must after every destroy), and one that lives on. The live
// one logs a size mismatch from inside that same callback and again afterwards; those two are
// the only lines the host may see.
struct SilencedHost {
    TenvikSDK* doomed = nullptr;
    TenvikSDK* live = nullptr;
    std::string trigger;
    bool destroyed = false;
    std::vector<std::string> lines;

    static SilencedHost* of(void* context) { return static_cast<SilencedHost*>(context); }
    void reached(const std::string& what) {
        if (destroyed || what != trigger) {
            return;
        }
        destroyed = true;
        TenvikSDK_destroy(doomed);
        TenvikSDK_set_log_callback(&onLog, this);
        pokeLive();
    }
    void pokeLive() const {
        const uint8_t steps[3] = {1, 2, 3};
        processStepsPackage(steps, 3, live);
    }
    static void onLog(void* context, int, const char* text) {
        of(context)->lines.emplace_back(text);
    }
    static void onPayload(void* context, const char* name, const uint8_t*, size_t) {
        of(context)->reached(std::string("payload ") + name);
    }
    static void onReady(void* context) { of(context)->reached("ready"); }
    static void onEcg(void* context, uint64_t, float) { of(context)->reached("ecg"); }
};

const std::string liveLine = "DataConverter.processStepsPackage: size != 4, size = 3";

struct SilenceCase {
    const char* name;
    const char* revision;
    const char* trigger;
    Action action;
};

class DestroyedInstance : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(DestroyedInstance, LogsNothingMoreWhileAnotherInstanceStillLogs) {
    const SilenceCase& c = GetParam();
    SilencedHost host;
    host.trigger = c.trigger;
    host.doomed = TenvikSDK_create(c.revision, static_cast<int>(std::string(c.revision).size()));
    host.live = TenvikSDK_create("3.0.0", 5);
    ASSERT_NE(host.doomed, nullptr);
    TenvikSDK_set_context(&host, host.doomed);
    TenvikSDK_set_payload_callback(&SilencedHost::onPayload, host.doomed);
    TenvikSDK_set_ble_ready_callback(&SilencedHost::onReady, host.doomed);
    TenvikSDK_init_callbacks(&SilencedHost::onEcg, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, host.doomed);
    c.action(host.doomed);
    ASSERT_TRUE(host.destroyed) << "the " << c.trigger << " callback never ran";
    host.pokeLive();
    EXPECT_EQ(host.lines, (std::vector<std::string>{liveLine, liveLine}));
    TenvikSDK_destroy(host.live);
}

// A session of one ECG record and a temperature block that holds no whole record (3 bytes of
// 2-byte records), every other block empty.
Bytes ecgThenPartialTemperature() {
    TenvikTest::SessionFrame session(1000000000000, 1000000001000, 5);
    session.block({0x00, 0x00, 0x01}).block({}).block({0x01, 0x02, 0x03}).emptyBlocks(15);
    return session.data();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DestroyedInstance,
    ::testing::Values(
        // A ping process (PID 17) that collected one byte is reported killed: it hands the
        // host what it collected, and then the system process would hand on the report.
        SilenceCase{"ProcessPayload", "3.6.62", "payload Ping",
                    [](TenvikSDK* s) {
                        chunk(s, v3Message({0x00, 0x11, 0x00, 0x02}, 0));
                        chunk(s, v3Message({0x01}, 0x11));
                        chunk(s, v3Message({0x02, 0x11, 0x00, 0x02}, 0));
                    }},
        // The framing goes on after the payload: a padding byte.
        SilenceCase{"LinkFraming", "2.2.15", "payload system",
                    [](TenvikSDK* s) { chunk(s, joined({v2Packet(0, {0xAA}), Bytes(5, 0x00)})); }},
        // An empty chunk: the ready signal comes before the link error.
        SilenceCase{"LinkError", "4.0.0", "ready", [](TenvikSDK* s) { chunk(s, {}); }},
        // A session from the collect process (PID 33): the record decoders go on after the
        // ECG record.
        SilenceCase{"RecordDecoders", "4.1.0", "ecg",
                    [](TenvikSDK* s) {
                        chunk(s, v4Message({0x00, 0x21, 0x00, 0x08}, 0));
                        chunk(s, v4Message(ecgThenPartialTemperature(), 0x21));
                    }}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// ---- Callbacks changed from inside a delivery loop ---------------------------------------------

void clearDataCallbacks(TenvikSDK* sdk) {
    TenvikSDK_init_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, sdk);
}

struct ClearCase {
    const char* name;
    const char* revision;
    const char* clearOn;
    Action action;
    std::vector<std::string> expected;
};

class ClearInsideCallback : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearInsideCallback, LaterDeliveriesOfThePacketAreDropped) {
    const ClearCase& c = GetParam();
    ReentrantHost host(c.revision);
    TenvikSDK_set_log_callback(nullptr, nullptr);
    const std::string target = c.clearOn;
    host.react = [&](ReentrantHost& h, const std::string& kind) {
        if (kind == target) {
            clearDataCallbacks(h.sdk);
        }
    };
    c.action(host.sdk);
    EXPECT_EQ(host.events, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    MultiValuePackets, ClearInsideCallback,
    ::testing::Values(
        ClearCase{"EcgOldestLayout", "2.1.0", "ecg",
                  [](TenvikSDK* s) { feed(s, processECGPackage, Bytes(18, 0x01)); },
                  {"wear_state", "ecg"}},
        ClearCase{"EcgUpsampled", "3.0.0", "ecg",
                  [](TenvikSDK* s) { feed(s, processECGPackage, ecgV2); }, {"ecg"}},
        ClearCase{"RespirationFiltered", "2.2.5", "respiration",
                  [](TenvikSDK* s) { feed(s, processRespirationPackage, Bytes(18, 0x01)); },
                  {"respiration"}},
        ClearCase{"RespirationInterpolated", "3.0.0", "respiration",
                  [](TenvikSDK* s) { feed(s, processRespirationPackage, Bytes(20, 0x01)); },
                  {"respiration"}},
        ClearCase{"Rr", "3.3.41", "rr",
                  [](TenvikSDK* s) { feed(s, processHeartRatePackage, heartRate); }, {"rr"}},
        ClearCase{"SoundVolume", "3.0.0", "sound_volume",
                  [](TenvikSDK* s) { feed(s, processSoundVolumePackage, Bytes(10, 1)); },
                  {"sound_volume"}},
        ClearCase{"Pressure", "3.0.0", "pressure",
                  [](TenvikSDK* s) { feed(s, processNasalCannulaPackage, nasal); },
                  {"pressure_lead_off", "pressure"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// A host that records ECG values and, at the first one, feeds a second packet.
struct EcgValues {
    TenvikSDK* sdk = nullptr;
    std::vector<float> values;
    Bytes inner;
    static void onEcg(void* context, uint64_t, float value) {
        auto* self = static_cast<EcgValues*>(context);
        self->values.push_back(value);
        if (!self->inner.empty()) {
            const Bytes packet = self->inner;
            self->inner.clear();
            processECGPackage(packet.data(), static_cast<int>(packet.size()), self->sdk);
        }
    }
};

TEST(FeedInsideCallback, ThePacketBeingDeliveredKeepsItsValues) {
    // Samples 0x4000 (0.25) then, fed from the first callback, 0x2000 (0.125). The first
    // packet's outputs are 0.125 (midpoint with the initial 0) and then 0.25 throughout; the
    // second starts from the midpoint of 0.25 and 0.125.
    EcgValues host;
    host.sdk = TenvikSDK_create("3.0.0", 5);
    TenvikSDK_set_context(&host, host.sdk);
    TenvikSDK_init_callbacks(&EcgValues::onEcg, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, host.sdk);
    Bytes outer;
    Bytes inner;
    for (int i = 0; i < 10; ++i) {
        outer.insert(outer.end(), {0x00, 0x40});
        inner.insert(inner.end(), {0x00, 0x20});
    }
    host.inner = inner;
    processECGPackage(outer.data(), 20, host.sdk);
    std::vector<float> expected{0.125f, 0.1875f};
    expected.insert(expected.end(), 19, 0.125f);
    expected.insert(expected.end(), 19, 0.25f);
    EXPECT_EQ(host.values, expected);
    TenvikSDK_destroy(host.sdk);
}

// ---- Chunks fed from inside a callback ---------------------------------------------------------

// A host whose log callback feeds one more chunk from the first line it is given, whatever
// line that is: every framing step of the link logs, so the chunk arrives in the middle of one.
struct FeedingLogHost {
    TenvikSDK* sdk = nullptr;
    Bytes fedChunk;
    std::vector<std::pair<std::string, Bytes>> payloads;

    static void onLog(void* context, int, const char*) {
        auto* self = static_cast<FeedingLogHost*>(context);
        if (!self->fedChunk.empty()) {
            const Bytes next = self->fedChunk;
            self->fedChunk.clear();
            TenvikSDK_process_ble_chunk(next.data(), static_cast<int>(next.size()), self->sdk);
        }
    }
    static void onPayload(void* context, const char* name, const uint8_t* data, size_t size) {
        static_cast<FeedingLogHost*>(context)->payloads.emplace_back(name, Bytes(data, data + size));
    }
};

struct FeedCase {
    const char* revision;
    Bytes chunk;
    Bytes fed;
    std::vector<std::pair<std::string, Bytes>> expected;
};

class FeedFromLogLine : public ::testing::TestWithParam<FeedCase> {};

TEST_P(FeedFromLogLine, IsTakenAfterTheChunkInProgress) {
    const FeedCase& c = GetParam();
    FeedingLogHost host;
    host.sdk = TenvikSDK_create(c.revision, static_cast<int>(std::string(c.revision).size()));
    TenvikSDK_set_context(&host, host.sdk);
    TenvikSDK_set_payload_callback(&FeedingLogHost::onPayload, host.sdk);
    TenvikSDK_set_log_callback(&FeedingLogHost::onLog, &host);
    host.fedChunk = c.fed;
    TenvikSDK_process_ble_chunk(c.chunk.data(), static_cast<int>(c.chunk.size()), host.sdk);
    TenvikSDK_set_log_callback(nullptr, nullptr);
    // In the order the bytes arrived, each message once and whole.
    EXPECT_EQ(host.payloads, c.expected);
    TenvikSDK_destroy(host.sdk);
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, FeedFromLogLine,
    ::testing::Values(
        // Protocol 2: a padding byte and two packets in one chunk, the third fed meanwhile.
        FeedCase{"2.2.15", joined({{0x00}, v2Packet(0, {0x11}), v2Packet(0, {0x33})}),
                 v2Packet(0, {0x22}), {{"system", {0x11}}, {"system", {0x33}}, {"system", {0x22}}}},
        // Protocols 3 and 4: one message a chunk, to the system process (PID 0), which hands
        // on a message of an unknown kind as it is.
        FeedCase{"3.0.0", v3Message(Bytes(4, 0x11), 0), v3Message(Bytes(4, 0x22), 0),
                 {{"System", Bytes(4, 0x11)}, {"System", Bytes(4, 0x22)}}},
        FeedCase{"4.0.0", v4Message(Bytes(4, 0x11), 0), v4Message(Bytes(4, 0x22), 0),
                 {{"System", Bytes(4, 0x11)}, {"System", Bytes(4, 0x22)}}},
        // A chunk too long for protocol 2, fed before the framing of a packet and the start
        // of another: its refusal, which drops the message in progress, comes after them.
        FeedCase{"2.2.15", joined({v2Packet(0, {0x11}), {0x02, 0x0A, 0x00}}), Bytes(65536, 0x00),
                 {{"system", {0x11}}}}));

}  // namespace
