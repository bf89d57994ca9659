// Recording synchronisation through the C interface: a device creates its synchronisation
// process through a system report, then sends a transfer in the mode its firmware speaks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "LogRecorder.h"
#include "SessionFrames.h"
#include "SyncDevice.h"
#include "SyncFrames.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::HostCallbackRecorder;
using TenvikTest::HostEvent;
using TenvikTest::LogRecorder;
using TenvikTest::SessionFrame;
using TenvikTest::SyncDevice;
using Bytes = std::vector<uint8_t>;
namespace Frames = TenvikTest::SyncFrames;

constexpr uint64_t t0 = 1700000000000ull;
constexpr uint32_t statusData = 3;
constexpr uint32_t statusProgress = 4;

struct Firmware {
    const char* revision;
    int protocol;
};
// Status-based transfers: 15, 16 and 18 session signals.
constexpr Firmware statusBasedV3{"3.6.62", 3};
constexpr Firmware statusBased16{"3.7.86", 3};
constexpr Firmware statusBasedV4{"4.0.0", 4};
// Legacy packets: data versions 2 (ECG layout 2, respiration 3) and 7 (ECG 4, respiration 4).
constexpr Firmware legacyV3{"3.0.0", 3};
constexpr Firmware legacyDataVersion7{"3.5.59", 3};

// An instance with every live and synchronisation callback recorded, its synchronisation
// process created by the device, and the log recorded from then on.
class SyncApiTest : public ::testing::Test {
protected:
    void open(const Firmware& firmware) {
        ASSERT_NE(host.create(firmware.revision), nullptr);
        host.registerSynchronization();
        device = std::make_unique<SyncDevice>(host.handle(), firmware.protocol);
        device->createSync();
        log.install();
        host.clear();
    }
    ~SyncApiTest() override { LogRecorder::uninstall(); }

    // Log lines of the synchronisation components at Info and above.
    std::vector<std::string> syncLines() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines()) {
            if (line.level >= 1 && (line.text.rfind("Sync", 0) == 0 ||
                                    line.text.rfind("TenvikSDKMiddle", 0) == 0)) {
                out.push_back(line.text);
            }
        }
        return out;
    }

    HostCallbackRecorder host;
    LogRecorder log;
    std::unique_ptr<SyncDevice> device;
};

HostEvent state(int value) { return {"sync_state", 0, {static_cast<double>(value)}}; }
HostEvent progress(uint32_t count, float rate) {
    return {"sync_progress", 0, {static_cast<double>(count), static_cast<double>(rate)}};
}
HostEvent steps(uint64_t t, uint64_t value) {
    return {"past_steps", t, {static_cast<double>(value >> 32),
                              static_cast<double>(value & 0xFFFFFFFFu)}};
}

// ---- Status-based transfers -------------------------------------------------------------------

// Statuses 0, 1, 2 and 5 give the states 0, 2, 1 and 3; 6 and above are logged, and the count
// of the lower half plays no part.
TEST_F(SyncApiTest, StatusTableUnderBothProtocols) {
    for (const Firmware& firmware : {statusBasedV3, statusBasedV4}) {
        SCOPED_TRACE(firmware.revision);
        HostCallbackRecorder fresh;
        ASSERT_NE(fresh.create(firmware.revision), nullptr);
        fresh.registerSynchronization();
        SyncDevice freshDevice(fresh.handle(), firmware.protocol);
        freshDevice.createSync();
        log.install();
        fresh.clear();
        for (const uint32_t status : {0u, 1u, 2u, 5u}) {
            freshDevice.status(status, 9);
        }
        EXPECT_EQ(fresh.events(),
                  (std::vector<HostEvent>{state(0), state(2), state(1), state(3)}));
        fresh.clear();
        log.clear();
        for (const uint32_t status : {6u, 7u, 4294967295u}) {
            freshDevice.status(status, 9);
        }
        EXPECT_TRUE(fresh.events().empty());
        EXPECT_EQ(syncLines(), (std::vector<std::string>{
                                   "Sync.parseData unrecognized status: 6",
                                   "Sync.parseData unrecognized status: 7",
                                   "Sync.parseData unrecognized status: 4294967295"}));
    }
}

// Progress reports carry the count of the options' lower half and the rate meter's
// frequency, 1000 until a first two-second window has closed.
TEST_F(SyncApiTest, ProgressReportsTheCountAndTheInitialRate) {
    open(statusBasedV4);
    device->status(statusProgress, 7);
    device->status(statusProgress, 4294967295u);
    device->status(statusData, 12, SessionFrame(t0, t0 + 1000, 0).emptyBlocks(18).data());
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{progress(7, 1000.0f),
                                                     progress(4294967295u, 1000.0f),
                                                     progress(12, 1000.0f)}));
}

// One record of every signal, at the session's spread times (start t0, end t0 + 1000), or at
// their own times for user events, EDA and GPS.
Bytes everySignalSession(uint8_t wearState = 1) {
    return SessionFrame(t0, t0 + 1000, wearState)
        .block({0x00, 0x00, 0x40, 0x00, 0x00, 0xC0})           // ecg: 0.25, -0.25
        .block({0x00, 0x04, 0x00})                             // respiration: 1024 / 1024
        .block({0x2C, 0x0B})                                   // temperature: 2860 / 100
        .block({72, 75})                                       // heart rate
        .block({0x01, 0x02})                                   // rr: 0x0201
        .block({0x01, 0x02})                                   // sound volume: 0x0102
        .block({0x00, 0x00, 0x01, 0x00})                       // pressure: 256
        .block({})                                             // reserved
        .block({0x10, 0x00, 0x00, 0x00, 0xF0, 0x00,            // accelerometer x 2^-12
                0x00, 0x10, 0x00, 0x20, 0xFF, 0xF0,            // vector 2 x 1/16
                0x00, 0x30, 0x00, 0x00, 0x00, 0x00})           // vector 3 x 1/16
        .block({0x00, 0x40, 0x00, 0x80, 0xFF, 0xC0,            // angles x 1/64
                0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00})  // quaternion x 2^-14
        .block({4})                                            // activity code 4
        .block({0x10, 0x27, 0x00, 0x00})                       // steps: 10000
        .block({0x0F, 0x00})                                   // respiration rate: 15
        .block({0xFA, 0x68, 0xE5, 0xCF, 0x8B, 0x01, 0x00, 0x00})  // user event at t0 + 250
        .block({3})                                            // body position
        .block({0x7F})                                         // signal 15
        .block({0x00, 0x00, 0x01, 0x8B, 0xCF, 0xE5, 0x68, 0x64,   // EDA at t0 + 100,
                0x3F, 0xC0, 0x00, 0x00})                           // 1.5
        .block({0x00, 0x00, 0x01, 0x8B, 0xCF, 0xE5, 0x68, 0xC8,   // GPS at t0 + 200,
                0x3F, 0x80, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,   // 1, 2,
                0x40, 0x40, 0x00, 0x00, 0x40, 0x80, 0x00, 0x00,   // 3, 4,
                0x40, 0xA0, 0x00, 0x00, 0x40, 0xC0, 0x00, 0x00})  // 5, 6
        .data();
}

std::vector<HostEvent> everySignalEvents(bool signal15, bool edaAndGps) {
    std::vector<HostEvent> events = {
        {"past_ecg", t0, {0.25}},
        {"past_ecg", t0 + 500, {-0.25}},
        {"past_respiration", t0, {1.0}},
        {"past_temperature", t0, {static_cast<double>(28.6f)}},
        {"past_heart_rate", t0, {72}},
        {"past_heart_rate", t0 + 500, {75}},
        {"past_rr", t0, {513}},
        {"past_sound_volume", t0, {258}},
        {"past_pressure", t0, {256}},
        {"past_accelerometer", t0, {1.0, 0.0, -1.0}},
        {"past_motion_vector2", t0, {1.0, 2.0, -1.0}},
        {"past_motion_vector3", t0, {3.0, 0.0, 0.0}},
        {"past_orientation", t0, {1.0, 2.0, -1.0}},
        {"past_quaternion", t0, {1.0, 0.0, 0.0, -1.0}},
        {"past_activity", t0, {4}},
        steps(t0, 10000),
        {"past_respiration_rate", t0, {15}},
        {"past_user_event", t0 + 250, {}},
        {"past_body_position", t0, {3}},
    };
    if (signal15) {
        events.push_back({"past_signal15", t0, {127}});
    }
    if (edaAndGps) {
        events.push_back({"past_eda", t0 + 100, {1.5}});
        events.push_back({"past_gps", t0 + 200, {1, 2, 3, 4, 5, 6}});
    }
    return events;
}

// Every sample of a downloaded session reaches its past callback, exactly, after the progress
// report of its payload; nothing reaches the live callbacks, the wear state and the pressure
// contact of the recording reach no callback at all, and no motion event is raised.
TEST_F(SyncApiTest, SessionSamplesReachOnlyThePastCallbacks) {
    open(statusBasedV4);
    device->status(statusData, 3, everySignalSession());
    std::vector<HostEvent> expected = {progress(3, 1000.0f)};
    const std::vector<HostEvent> samples = everySignalEvents(true, true);
    expected.insert(expected.end(), samples.begin(), samples.end());
    EXPECT_EQ(host.events(), expected);
    EXPECT_EQ(HostCallbackRecorder::nullContextCalls(), 0);
}

// The session format of the firmware decides how many signal blocks are read: 15 before
// 3.7.86, 16 from it, 18 from 4.0.0.
TEST_F(SyncApiTest, SignalCountByFirmware) {
    struct Case {
        Firmware firmware;
        bool signal15;
        bool edaAndGps;
    };
    for (const Case& c : {Case{statusBasedV3, false, false}, Case{statusBased16, true, false},
                          Case{statusBasedV4, true, true}}) {
        SCOPED_TRACE(c.firmware.revision);
        HostCallbackRecorder fresh;
        ASSERT_NE(fresh.create(c.firmware.revision), nullptr);
        fresh.registerSynchronization();
        SyncDevice freshDevice(fresh.handle(), c.firmware.protocol);
        freshDevice.createSync();
        fresh.clear();
        freshDevice.status(statusData, 0, everySignalSession());
        std::vector<HostEvent> expected = {progress(0, 1000.0f)};
        const std::vector<HostEvent> samples = everySignalEvents(c.signal15, c.edaAndGps);
        expected.insert(expected.end(), samples.begin(), samples.end());
        EXPECT_EQ(fresh.events(), expected);
    }
}

// Without a progress callback the data is delivered all the same; a callback switched off by
// a new registration is no longer called.
TEST_F(SyncApiTest, NullCallbacksAreSkipped) {
    open(statusBasedV4);
    host.registerSynchronization("sync_progress");
    device->status(statusData, 3, everySignalSession());
    EXPECT_EQ(host.events(), everySignalEvents(true, true));
    host.clear();
    host.registerSynchronization("past_ecg");
    TenvikSDK_set_past_gps_callback(nullptr, host.handle());
    device->status(statusData, 3, everySignalSession());
    EXPECT_EQ(host.named("past_ecg").size(), 0u);
    EXPECT_EQ(host.named("past_gps").size(), 0u);
    EXPECT_EQ(host.named("past_eda").size(), 1u);
}

// A session received by a synchronisation without valid times is skipped after its progress
// report.
TEST_F(SyncApiTest, SessionWithoutTimesIsSkippedAfterItsProgress) {
    open(statusBasedV4);
    device->status(statusData, 8, SessionFrame(0, t0, 0).block({1, 2, 3}).emptyBlocks(17).data());
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{progress(8, 1000.0f)}));
    EXPECT_TRUE(log.contains(
        "SessionProcessor.sessionProcess: skipping session with invalid timestamps"));
}

// ---- "RECEIVED" ----------------------------------------------------------------------------

// The acknowledgement is consumed in either mode, with or without a zero byte and more after
// it; the same eight characters followed by another byte are an ordinary payload.
TEST_F(SyncApiTest, ReceivedInTheStatusBasedMode) {
    open(statusBasedV3);
    const Bytes received{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D'};
    device->status(0, 0, received);
    device->status(0, 0, Frames::Bytes{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D', 0, 'x', 'y'});
    device->status(6, 0, received);
    EXPECT_TRUE(host.events().empty());
    EXPECT_TRUE(syncLines().empty());
    device->status(1, 0, Frames::Bytes{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D', 'X'});
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{state(2)}));
}

// Inside a legacy group the acknowledgement leaves the reassembly alone: the group goes on
// with the next packet. "RECEIVEDX" is a packet whose first byte 'R' (0x52) is a status header
// of type 2 with status 5.
TEST_F(SyncApiTest, ReceivedInTheLegacyModeAndInsideAGroup) {
    open(legacyV3);
    device->send(Frames::groupStart(6, 26, 4, t0, {1, 0, 0, 0}));
    device->send(Bytes{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D'});
    device->send(Bytes{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D', 0, 1, 2});
    device->send(Bytes{2, 0, 0, 0, 3, 0, 0, 0, 9, 9});
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{progress(0, -1.0f), steps(t0, 1),
                                                     steps(t0, 2), steps(t0, 3)}));
    host.clear();
    device->send(Bytes{'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D', 'X'});
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{state(3)}));
}

// ---- Legacy transfers -------------------------------------------------------------------------

TEST_F(SyncApiTest, LegacyHeaderTable) {
    open(legacyV3);
    device->send(Frames::textPacket("start"));
    for (const uint8_t status : {0, 1, 2, 4, 5, 6, 7, 15}) {
        device->send(Frames::statusPacket(status, 0x0102));
    }
    device->send(Frames::textPacket("end"));
    EXPECT_EQ(host.events(),
              (std::vector<HostEvent>{state(0), state(0), state(2), state(1),
                                      progress(258, -1.0f), state(3), state(4), state(1)}));
}

// Total 36 with records of 4: the second packet completes five records, the last of them
// two bytes short and filled with zeros; steps keep the header's time.
TEST_F(SyncApiTest, TwoPacketStepsGroupByteForByte) {
    open(legacyV3);
    device->send(Frames::groupStart(6, 36, 4, t0, {1, 2, 3, 4}, 5));
    device->send(Frames::counting(18, 5));
    EXPECT_EQ(host.events(),
              (std::vector<HostEvent>{progress(5, -1.0f), steps(t0, 0x04030201),
                                      steps(t0, 0x08070605), steps(t0, 0x0C0B0A09),
                                      steps(t0, 0x100F0E0D), steps(t0, 0x14131211),
                                      steps(t0, 0x1615)}));
}

// Records of 20 bytes reach the decoder whole: two ECG records (layout 2, ten 16-bit samples
// each, upsampled) 12 ms apart.
TEST_F(SyncApiTest, TwoTwentyByteEcgRecordsTwelveMillisecondsApart) {
    open(legacyV3);
    Bytes payload;
    for (int i = 0; i < 10; ++i) {
        payload.insert(payload.end(), {0x00, 0x01});  // 256 / 65536
    }
    for (int i = 0; i < 10; ++i) {
        payload.insert(payload.end(), {0x00, 0x02});  // 512 / 65536
    }
    device->send(Frames::group(0, 20, t0, payload));
    std::vector<HostEvent> expected = {progress(0, -1.0f), {"past_ecg", t0, {1.0 / 512}}};
    for (int i = 0; i < 19; ++i) {
        expected.push_back({"past_ecg", t0, {1.0 / 256}});
    }
    expected.push_back({"past_ecg", t0 + 12, {3.0 / 512}});
    for (int i = 0; i < 19; ++i) {
        expected.push_back({"past_ecg", t0 + 12, {1.0 / 128}});
    }
    EXPECT_EQ(host.events(), expected);
}

// Ten ECG records advance the floor to 120 ms. A later group stamped 0 is lifted to it for
// data version 2 (3.0.0), not for data version 3 (3.2.30), whose records carry device time.
TEST_F(SyncApiTest, TimestampFloorByDataVersion) {
    for (const auto& [revision, expected] :
         std::vector<std::pair<const char*, uint64_t>>{{"3.0.0", 120}, {"3.2.30", 0}}) {
        SCOPED_TRACE(revision);
        HostCallbackRecorder fresh;
        ASSERT_NE(fresh.create(revision), nullptr);
        fresh.registerSynchronization();
        SyncDevice freshDevice(fresh.handle(), 3);
        freshDevice.createSync();
        freshDevice.send(Frames::group(0, 20, 0, Bytes(200, 0)));
        fresh.clear();
        freshDevice.send(Frames::groupStart(6, 18, 4, 0, {7, 0, 0, 0}));
        EXPECT_EQ(fresh.named("past_steps").at(0).timestamp, expected);
    }
}

// The layout of an ECG record by firmware, told by its outputs: layout 2 gives 20 at the
// record time, layout 3 sixteen a millisecond apart from the device time, layout 4 ten at the
// device time.
TEST_F(SyncApiTest, EcgLayoutSelectedByFirmware) {
    struct Case {
        const char* revision;
        size_t outputs;
        uint64_t firstTime;
        uint64_t lastTime;
    };
    const uint64_t deviceTime = (t0 & 0xFFFFFFFF00000000ull) | 0x01020304u;
    const std::vector<Case> cases = {
        {"2.2.18", 20, t0, t0},
        {"3.0.0", 20, t0, t0},
        {"3.2.30", 16, deviceTime, deviceTime + 15},
        {"3.3.34", 10, deviceTime, deviceTime},
        {"3.3.41", 10, deviceTime, deviceTime},
        {"3.5.59", 10, deviceTime, deviceTime},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.revision);
        HostCallbackRecorder fresh;
        ASSERT_NE(fresh.create(c.revision), nullptr);
        fresh.registerSynchronization();
        SyncDevice freshDevice(fresh.handle(), 3);
        freshDevice.createSync();
        Bytes record{0x04, 0x03, 0x02, 0x01};
        record.resize(20, 0x10);
        freshDevice.send(Frames::group(0, 20, t0, record));
        const std::vector<HostEvent> ecg = fresh.named("past_ecg");
        ASSERT_EQ(ecg.size(), c.outputs);
        EXPECT_EQ(ecg.front().timestamp, c.firstTime);
        EXPECT_EQ(ecg.back().timestamp, c.lastTime);
    }
}

// Records every 10 s report the device's respiration rate (big-endian in bytes 18-19) at T,
// T + 20 s and T + 40 s, under respiration layouts 3 (3.0.0) and 4 (3.5.59).
TEST_F(SyncApiTest, RespirationRateOfLayoutsThreeAndFourIsThrottled) {
    for (const Firmware& firmware : {legacyV3, legacyDataVersion7}) {
        SCOPED_TRACE(firmware.revision);
        HostCallbackRecorder fresh;
        ASSERT_NE(fresh.create(firmware.revision), nullptr);
        fresh.registerSynchronization();
        SyncDevice freshDevice(fresh.handle(), 3);
        freshDevice.createSync();
        Bytes record(18, 0);
        record.insert(record.end(), {0x01, 0x0E});
        for (uint64_t i = 0; i < 5; ++i) {
            freshDevice.send(Frames::group(1, 20, t0 + 10000 * i, record));
        }
        EXPECT_EQ(fresh.named("past_respiration_rate"),
                  (std::vector<HostEvent>{{"past_respiration_rate", t0, {270}},
                                          {"past_respiration_rate", t0 + 20000, {270}},
                                          {"past_respiration_rate", t0 + 40000, {270}}}));
        // The first record's first sample is output alone, every later sample as eight.
        const size_t samplesPerRecord = firmware.revision == legacyV3.revision ? 9 : 6;
        EXPECT_EQ(fresh.named("past_respiration").size(), 1 + (5 * samplesPerRecord - 1) * 8);
    }
}

// Nine RR intervals, then the heart rate from byte 1.
TEST_F(SyncApiTest, HeartRateRecord) {
    open(legacyV3);
    Bytes record{0x00, 66, 0x20, 0x03};  // rate 66, first interval 800
    record.resize(20, 0);
    device->send(Frames::group(3, 20, t0, record));
    std::vector<HostEvent> expected = {progress(0, -1.0f), {"past_rr", t0, {800}}};
    for (int i = 0; i < 8; ++i) {
        expected.push_back({"past_rr", t0, {0}});
    }
    expected.push_back({"past_heart_rate", t0, {66}});
    EXPECT_EQ(host.events(), expected);
}

// Records of types 5 and 7 have no decoder.
TEST_F(SyncApiTest, RecordTypesWithoutDecoder) {
    open(legacyV3);
    device->send(Frames::group(5, 4, t0, Bytes(8, 1)));
    device->send(Frames::group(7, 4, t0, Bytes(8, 1)));
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{progress(0, -1.0f), progress(0, -1.0f)}));
}

TEST_F(SyncApiTest, WrongRecordLengthsAreLogged) {
    struct Case {
        Firmware firmware;
        uint8_t recordType;
        uint8_t recordLength;
        std::string line;
    };
    const std::vector<Case> cases = {
        {legacyV3, 2, 5, "Synchronization.processTemperaturePackage: size != 4, size = 5"},
        {legacyV3, 3, 18, "Synchronization.processHeartRatePackage: size != 20, size = 18"},
        {legacyV3, 4, 2, "Synchronization.processActivityPackage: size != 1, size = 2"},
        {legacyV3, 6, 8, "Synchronization.processStepsPackage: size != 4, size = 8"},
        {legacyV3, 0, 18, "Synchronization.ecgProcessVersion2: size != 20, size = 18"},
        {legacyV3, 1, 18, "Synchronization.respirationProcessVersion3: size != 20, size = 18"},
        {legacyDataVersion7, 0, 21, "Synchronization.ecgProcessVersion4: size != 20, size = 21"},
        {legacyDataVersion7, 1, 18,
         "TenvikSDKMiddle.respirationProcessVersion4: size != 20, size = 18"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        HostCallbackRecorder fresh;
        ASSERT_NE(fresh.create(c.firmware.revision), nullptr);
        fresh.registerSynchronization();
        SyncDevice freshDevice(fresh.handle(), 3);
        freshDevice.createSync();
        log.install();
        log.clear();
        fresh.clear();
        freshDevice.send(Frames::group(c.recordType, c.recordLength, t0, Bytes(c.recordLength, 1)));
        EXPECT_EQ(syncLines(), std::vector<std::string>{c.line});
        EXPECT_EQ(fresh.events(), (std::vector<HostEvent>{progress(0, -1.0f)}));
    }
}

// A payload shorter than a packet is read as a packet with zeros for its missing bytes: a
// cut-off steps header opens a one-record group of time 0, a single status byte reports, and
// an empty payload is a header of type 0, which reports nothing.
TEST_F(SyncApiTest, ShortLegacyPayloadsReadAsZeroFilledPackets) {
    open(legacyV3);
    device->send(Bytes{0x01, 0x06, 0x00, 0x02, 18, 4});
    device->send(Bytes{0x52});
    device->send(Bytes{});
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{progress(2, -1.0f), steps(0, 0), state(3)}));
}

// The end of the process leaves a group pending: after the next create report the group goes
// on where it stopped.
TEST_F(SyncApiTest, KilledProcessKeepsAPendingGroup) {
    open(legacyV3);
    device->send(Frames::groupStart(6, 22, 4, t0, {1, 0, 0, 0}));
    device->killSync();
    device->send(Bytes(18, 0x55));  // no process runs: dropped
    device->createSync();
    device->send(Bytes{2, 0, 0, 0});
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{progress(0, -1.0f), steps(t0, 1),
                                                     steps(t0, 2)}));
}

// The context given after the transfer started reaches every synchronisation callback.
TEST_F(SyncApiTest, ContextReachesTheSynchronisationCallbacks) {
    open(legacyV3);
    const int before = HostCallbackRecorder::nullContextCalls();
    TenvikSDK_set_context(nullptr, host.handle());
    device->send(Frames::textPacket("start"));
    device->send(Frames::groupStart(6, 18, 4, t0, {1, 0, 0, 0}));
    EXPECT_EQ(HostCallbackRecorder::nullContextCalls(), before + 3);
    TenvikSDK_set_context(&host, host.handle());
    device->send(Frames::textPacket("end"));
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{state(1)}));
}

// A host that destroys the instance from inside a synchronisation callback hears nothing more:
// not the rest of the record's samples, not the records after it in the same packet, not the
// samples of a session whose progress it was told. The instance goes when the export returns
// (the sanitizer tree reports a use after that, or a leak).
TEST(SyncReentry, DestroyInsideASynchronisationCallbackEndsTheDeliveries) {
    struct Case {
        const char* name;
        Firmware firmware;
        std::vector<Bytes> payloads;
        uint64_t options;  // of the last payload
        std::string destroyAt;
        size_t occurrence;
    };
    const auto fiveSteps = Frames::group(6, 4, t0, Bytes(20, 1));
    const auto ecgRecord = Frames::group(0, 20, t0, Frames::counting(20));
    const auto heartRateRecord = Frames::group(3, 20, t0, Frames::counting(20));
    const uint64_t sessionData = uint64_t{statusData} << 32;
    const std::vector<Case> cases = {
        {"second of five steps records", legacyV3, fiveSteps, 0, "past_steps", 2},
        {"first of twenty ECG outputs", legacyV3, ecgRecord, 0, "past_ecg", 1},
        {"first of nine RR intervals", legacyV3, heartRateRecord, 0, "past_rr", 1},
        {"progress of a session", statusBasedV4, {everySignalSession()}, sessionData,
         "sync_progress", 1},
        {"first ECG sample of a session", statusBasedV4, {everySignalSession()}, sessionData,
         "past_ecg", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostCallbackRecorder host;
        ASSERT_NE(host.create(c.firmware.revision), nullptr);
        host.registerSynchronization();
        SyncDevice device(host.handle(), c.firmware.protocol);
        device.createSync();
        host.react = [&](HostCallbackRecorder& self, const HostEvent& event) {
            if (event.name == c.destroyAt && self.named(c.destroyAt).size() == c.occurrence) {
                self.destroy();
            }
        };
        for (size_t i = 0; i + 1 < c.payloads.size(); ++i) {
            device.send(c.payloads[i]);
        }
        device.send(c.payloads.back(), c.options);
        ASSERT_FALSE(host.events().empty());
        EXPECT_EQ(host.events().back().name, c.destroyAt);
        EXPECT_EQ(host.named(c.destroyAt).size(), c.occurrence);
        EXPECT_EQ(host.handle(), nullptr);
    }
}

// A host callback may feed the instance from inside a delivery: what it feeds is taken after the
// packet in progress, so packets fed at the last record of a group follow that group, in order,
// and every one of them is decoded.
struct Reentry {
    TenvikSDK* sdk = nullptr;
    std::vector<Bytes> pending;
    int steps = 0;
    int ecg = 0;
};
Reentry reentry;

// Feeds every waiting packet; they are taken after the packet whose delivery is in progress.
void feedPendingFromCallback() {
    while (!reentry.pending.empty()) {
        const Bytes next = reentry.pending.front();
        reentry.pending.erase(reentry.pending.begin());
        SyncDevice(reentry.sdk, 3).send(next);
    }
}

TEST(SyncReentry, CallbacksThatFeedMorePackets) {
    TenvikSDK* sdk = TenvikSDK_create("3.0.0", 5);
    ASSERT_NE(sdk, nullptr);
    reentry = Reentry{};
    reentry.sdk = sdk;
    TenvikSDK_init_synchronization_callbacks(
        nullptr, nullptr,
        [](void*, uint64_t, float) {
            ++reentry.ecg;
            feedPendingFromCallback();
        },
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
        [](void*, uint64_t, uint64_t) {
            if (++reentry.steps == 15) {  // the last record of the first group
                feedPendingFromCallback();
            }
        },
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
        sdk);
    SyncDevice(sdk, 3).createSync();
    for (const Bytes& packet : Frames::group(0, 20, t0, Bytes(60, 0x11))) {
        reentry.pending.push_back(packet);
    }
    reentry.pending.push_back(Frames::groupStart(6, 255, 4, t0, {1, 2, 3, 4}));
    reentry.pending.push_back(Frames::counting(18));
    SyncDevice(sdk, 3).send(Frames::group(6, 4, t0, Bytes(60, 0x22)));
    // Packets fed from inside deliveries reached the decoders: three 20-byte ECG records, and
    // the steps records of the second group behind the first group's fifteen.
    EXPECT_GT(reentry.ecg, 0);
    EXPECT_GT(reentry.steps, 15);
    TenvikSDK_destroy(sdk);
}

}  // namespace
