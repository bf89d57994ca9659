// The ten characteristic decoders besides ECG and respiration, through the C interface:
// values from packet fixtures, size checks, firmware variants and wear-state reports.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "LogRecorder.h"
#include "PacketSender.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::CharacteristicExport;
using TenvikTest::HostCallbackRecorder;
using TenvikTest::LogLine;
using TenvikTest::LogRecorder;
using TenvikTest::resized;
using TenvikTest::sendPacket;
using TenvikTest::sendPackets;
using Values = std::vector<double>;

double f(float value) { return static_cast<double>(value); }

class Characteristic : public ::testing::Test {
protected:
    void TearDown() override { LogRecorder::uninstall(); }

    TenvikSDK* create(const std::string& revision) {
        TenvikSDK* sdk = host.create(revision);
        EXPECT_NE(sdk, nullptr) << revision;
        log.install();
        return sdk;
    }
    void send(CharacteristicExport entry, const Bytes& bytes) {
        sendPacket(entry, bytes, host.handle());
    }

    HostCallbackRecorder host;
    LogRecorder log;
};

// ---- Size checks ------------------------------------------------------------------------------

struct SizeCase {
    std::string revision;
    CharacteristicExport entry;
    int expected;
    int received;
    std::string line;
};

class SizeCheck : public ::testing::TestWithParam<SizeCase> {
protected:
    void TearDown() override { LogRecorder::uninstall(); }
};

TEST_P(SizeCheck, WrongSizeLogsOneLineAndDeliversNothing) {
    const SizeCase& c = GetParam();
    HostCallbackRecorder host;
    ASSERT_NE(host.create(c.revision), nullptr);
    LogRecorder log;
    log.install();
    const Bytes packet(static_cast<size_t>(c.received), 0x10);
    sendPacket(c.entry, packet, host.handle());
    EXPECT_EQ(log.lines(), (std::vector<LogLine>{{1, c.line}}));
    EXPECT_TRUE(host.events().empty());

    // The exact size passes without a line.
    log.clear();
    sendPacket(c.entry, Bytes(static_cast<size_t>(c.expected), 0x10), host.handle());
    EXPECT_TRUE(log.lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, SizeCheck,
    ::testing::Values(
        SizeCase{"3.2.26", processTemperaturePackage, 4, 5,
                 "DataConverter.processTemperaturePackage: size != 4, size = 5"},
        SizeCase{"2.1.0", processMotionPackage, 20, 18,
                 "DataConverter.processMotionPackage: size != 20, size = 18"},
        SizeCase{"2.2.11", processMotionPackage, 18, 20,
                 "DataConverter.processMotionPackage: size != 18, size = 20"},
        SizeCase{"3.4.53", processMotionPackage, 18, 0,
                 "DataConverter.processMotionPackage: size != 18, size = 0"},
        SizeCase{"3.0.0", TenvikSDK_process_battery_package, 1, 2,
                 "DataConverter.processBatteryPackage: size = 2"},
        SizeCase{"3.0.0", TenvikSDK_process_battery_package, 3, 4,
                 "DataConverter.processBatteryPackage: size = 4"},
        SizeCase{"3.0.0", processActivityPackage, 1, 2,
                 "DataConverter.processActivityPackage: size != 1, size = 2"},
        SizeCase{"3.0.0", processStepsPackage, 4, 3,
                 "DataConverter.processStepsPackage: size != 4, size = 3"},
        SizeCase{"2.1.0", processOrientationPackage, 6, 14,
                 "DataConverter.processOrientationPackage: size != 6, size = 14"},
        SizeCase{"2.2.11", processOrientationPackage, 14, 6,
                 "DataConverter.processOrientationPackage: size != 14, size = 6"},
        SizeCase{"3.3.41", processHeartRatePackage, 20, 19,
                 "DataConverter.processHeartRatePackage: size != 20, size = 19"},
        SizeCase{"3.0.0", processHealthThermometerPackage, 5, 4,
                 "DataConverter.processHealthThermometerPackage: size != 5, size = 4"},
        SizeCase{"3.0.0", processSoundVolumePackage, 10, 11,
                 "DataConverter.processSoundVolumePackage: size != 10, size = 11"},
        SizeCase{"3.0.0", processNasalCannulaPackage, 20, 21,
                 "DataConverter.processNasalCannulaPackage: size != 20, size = 21"}));

TEST_F(Characteristic, NegativeSizeIsLoggedWithItsSign) {
    create("3.0.0");
    const uint8_t bytes[4] = {1, 2, 3, 4};
    processStepsPackage(bytes, -3, host.handle());
    EXPECT_EQ(log.lines(), (std::vector<LogLine>{
                               {1, "DataConverter.processStepsPackage: size != 4, size = -3"}}));
    EXPECT_TRUE(host.events().empty());
}

TEST_F(Characteristic, NullBufferCarriesNoBytesWhateverTheSize) {
    create("3.0.0");
    processStepsPackage(nullptr, 4, host.handle());
    TenvikSDK_process_battery_package(nullptr, 1, host.handle());
    EXPECT_EQ(log.lines(),
              (std::vector<LogLine>{{1, "DataConverter.processStepsPackage: size != 4, size = 0"},
                                    {1, "DataConverter.processBatteryPackage: size = 0"}}));
    EXPECT_TRUE(host.events().empty());
}

TEST_F(Characteristic, MotionAndOrientationBelowMotionFirmwareAreIgnoredSilently) {
    create("2.0.99");
    send(processMotionPackage, Bytes(20, 0x01));
    send(processMotionPackage, Bytes(3, 0x01));
    send(processOrientationPackage, Bytes(6, 0x01));
    send(processOrientationPackage, Bytes(1, 0x01));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(host.events().empty());
}

// ---- Temperature ------------------------------------------------------------------------------

TEST_F(Characteristic, TemperatureInHundredthsFromFirmware3_2_26) {
    create("3.2.26");
    send(processTemperaturePackage, {0x8E, 0x0E, 0xFF, 0xFF});
    EXPECT_EQ(host.values("temperature"), Values{f(37.26f)});
}

// Skin 15358 × 0.02 − 273.15 = 34.01, ambient 14758 × 0.02 − 273.15 = 22.01 (single
// precision): the estimate on fresh windows is 37.8.
const Bytes skin34ambient22 = {0xFE, 0x3B, 0xA6, 0x39};
// Skin 40.01, ambient 20.01: 44.5 on fresh windows.
const Bytes skin40ambient20 = {0x2A, 0x3D, 0x42, 0x39};

TEST_F(Characteristic, TemperatureBeforeFirmware3_2_26IsEstimatedFromSkinAndAmbient) {
    create("3.2.25");
    send(processTemperaturePackage, skin40ambient20);
    send(processTemperaturePackage, skin34ambient22);
    // The second estimate averages both packets' readings: skin 37.01, ambient 21.01.
    EXPECT_EQ(host.values("temperature"), (Values{f(44.5f), f(40.1f)}));
}

TEST_F(Characteristic, TemperatureEstimatorSeesNothingWhileNoOneListens) {
    create("3.2.25");
    host.registerAll("temperature");
    send(processTemperaturePackage, skin40ambient20);
    host.registerAll();
    send(processTemperaturePackage, skin34ambient22);
    EXPECT_EQ(host.values("temperature"), Values{f(37.8f)});
}

// ---- Motion -----------------------------------------------------------------------------------

// Quaternion 1, 0.5, −1, −0.5 (× 2^-14); accelerations 4096, −4096, 2048 (× 2^-16).
const Bytes motion20 = {0x40, 0x00, 0x20, 0x00, 0xC0, 0x00, 0xE0, 0x00, 0x10, 0x00,
                        0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};

TEST_F(Characteristic, MotionMode1QuaternionThenAccelerationDividedBy4096From2_2_0) {
    create("2.2.10");
    send(processMotionPackage, motion20);
    const auto& events = host.named("quaternion");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].values, (Values{1.0, 0.5, -1.0, -0.5}));
    EXPECT_EQ(host.named("accelerometer").at(0).values, (Values{1.0, -1.0, 0.5}));
    // The motion analysis runs first: this quaternion tilts the device sideways (posture 1)
    // and, less gravity, the y acceleration is −3 g, a swing.
    EXPECT_EQ(host.names(),
              (std::vector<std::string>{"motion_event", "quaternion", "accelerometer"}));
    EXPECT_EQ(host.values("motion_event"), Values{1});
}

TEST_F(Characteristic, MotionEventsStopWhenTheirCallbackIsCleared) {
    create("2.2.10");
    host.registerAll("motion_event");
    send(processMotionPackage, motion20);
    EXPECT_TRUE(host.named("motion_event").empty());
    EXPECT_EQ(host.named("accelerometer").size(), 1u);
}

TEST_F(Characteristic, MotionMode1BeforeFirmware2_2_0KeepsTheAccelerationUnscaled) {
    create("2.1.0");
    send(processMotionPackage, motion20);
    EXPECT_EQ(host.named("accelerometer").at(0).values, (Values{4096.0, -4096.0, 2048.0}));
}

TEST_F(Characteristic, MotionMode2GivesThreeTriples) {
    create("2.2.11");
    send(processMotionPackage, {0x10, 0x00, 0xF0, 0x00, 0x08, 0x00,    // 4096, −4096, 2048
                                0x00, 0x10, 0xFF, 0xF0, 0x00, 0x01,    // 16, −16, 1
                                0x01, 0x00, 0x80, 0x00, 0x7F, 0xFF});  // 256, −32768, 32767
    EXPECT_EQ(host.named("accelerometer").at(0).values, (Values{1.0, -1.0, 0.5}));
    EXPECT_EQ(host.named("motion_vector2").at(0).values, (Values{1.0, -1.0, 0.0625}));
    EXPECT_EQ(host.named("motion_vector3").at(0).values, (Values{16.0, -2048.0, 2047.9375}));
    const std::vector<std::string> order = {"accelerometer", "motion_vector2", "motion_vector3"};
    std::vector<std::string> names;
    for (const auto& name : host.names()) {
        if (name != "motion_event") {
            names.push_back(name);
        }
    }
    EXPECT_EQ(names, order);
    EXPECT_TRUE(host.named("quaternion").empty());
}

// Acceleration (0, −2, 1) g and zero further triples.
const Bytes sidewaysSwing = {0x00, 0x00, 0xE0, 0x00, 0x10, 0x00, 0, 0, 0,
                             0,    0,    0,    0,    0,    0,    0, 0, 0};

size_t swings(const HostCallbackRecorder& host) {
    size_t count = 0;
    for (double event : host.values("motion_event")) {
        count += event == 1.0 ? 1 : 0;
    }
    return count;
}

TEST_F(Characteristic, MotionMode2AnalysesWithTheLastOrientationQuaternion) {
    create("2.2.11");
    // Before any orientation packet the quaternion is the identity: upright, so a sideways
    // acceleration is no swing.
    send(processMotionPackage, sidewaysSwing);
    EXPECT_EQ(swings(host), 0u);
    // A quarter turn about x (w = x = 0.7071): lying on the side, gravity along y.
    send(processOrientationPackage,
         {0, 0, 0, 0, 0, 0, 0x2D, 0x41, 0x2D, 0x41, 0x00, 0x00, 0x00, 0x00});
    send(processMotionPackage, sidewaysSwing);
    EXPECT_EQ(swings(host), 1u);
}

// ---- Orientation ------------------------------------------------------------------------------

TEST_F(Characteristic, OrientationMode1GivesPlainAnglesAndABodyPosition) {
    create("2.1.0");
    send(processOrientationPackage, {0x00, 0x40, 0xFF, 0xC0, 0x01, 0x00});
    EXPECT_EQ(host.names(), (std::vector<std::string>{"orientation", "body_position"}));
    EXPECT_EQ(host.named("orientation").at(0).values, (Values{64.0, -64.0, 256.0}));
    EXPECT_EQ(host.values("body_position"), Values{0.0});
}

// Angles 64, −128, 32 and the quaternion 1, 0.5, −1, 0 (× 2^-14).
const Bytes orientation14 = {0x00, 0x40, 0xFF, 0x80, 0x00, 0x20, 0x40,
                             0x00, 0x20, 0x00, 0xC0, 0x00, 0x00, 0x00};

struct AngleCase {
    std::string revision;
    Values angles;
};

class OrientationAngles : public ::testing::TestWithParam<AngleCase> {};

TEST_P(OrientationAngles, Mode3ScalesAnglesBy1Over64) {
    HostCallbackRecorder host;
    ASSERT_NE(host.create(GetParam().revision), nullptr);
    sendPacket(processOrientationPackage, orientation14, host.handle());
    EXPECT_EQ(host.names(),
              (std::vector<std::string>{"orientation", "body_position", "quaternion"}));
    EXPECT_EQ(host.named("orientation").at(0).values, GetParam().angles);
    EXPECT_EQ(host.named("quaternion").at(0).values, (Values{1.0, 0.5, -1.0, 0.0}));
}

INSTANTIATE_TEST_SUITE_P(Firmware, OrientationAngles,
                         ::testing::Values(AngleCase{"2.2.11", {64.0, -128.0, 32.0}},
                                           AngleCase{"3.4.52", {64.0, -128.0, 32.0}},
                                           AngleCase{"3.4.53", {1.0, -2.0, 0.5}}));

// Second angle 100, third 0: body position 1 once 132 packets in a row say so.
const Bytes sittingOrientation = {0x00, 0x00, 0x00, 0x64, 0x00, 0x00};

TEST_F(Characteristic, BodyPositionChangesOnThe132ndDifferingPacket) {
    create("2.1.0");
    sendPackets(processOrientationPackage, sittingOrientation, 131, host.handle());
    EXPECT_EQ(host.values("body_position"), Values(131, 0.0));
    send(processOrientationPackage, sittingOrientation);
    EXPECT_EQ(host.values("body_position").back(), 1.0);
}

TEST_F(Characteristic, BodyPositionClassifierRestsWhileNoOneListens) {
    create("2.1.0");
    host.registerAll("body_position");
    sendPackets(processOrientationPackage, sittingOrientation, 131, host.handle());
    host.registerAll();
    send(processOrientationPackage, sittingOrientation);
    EXPECT_EQ(host.values("body_position"), Values{0.0});
}

// ---- Battery, activity, steps -----------------------------------------------------------------

struct BatteryCase {
    Bytes packet;
    double level;
};

class Battery : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(Battery, LevelWithoutTimestamp) {
    HostCallbackRecorder host;
    ASSERT_NE(host.create("3.0.0"), nullptr);
    sendPacket(TenvikSDK_process_battery_package, GetParam().packet, host.handle());
    const auto events = host.named("battery");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].values, Values{GetParam().level});
}

INSTANTIATE_TEST_SUITE_P(Packets, Battery,
                         ::testing::Values(BatteryCase{{0x5A}, 90}, BatteryCase{{0xFF}, 255},
                                           // 300 tenths.
                                           BatteryCase{{0x2C, 0x01, 0x00}, 30},
                                           // 999 tenths: integer division.
                                           BatteryCase{{0xE7, 0x03, 0x7F}, 99},
                                           // 2560 tenths = 256: the low 8 bits.
                                           BatteryCase{{0x00, 0x0A, 0x00}, 0}));

TEST_F(Characteristic, ActivityCodesMapThroughTheTable) {
    create("3.0.0");
    const std::vector<std::pair<uint8_t, double>> table = {
        {0, 16}, {1, 1}, {2, 2}, {3, 16}, {4, 4}, {5, 16}, {6, 16}, {7, 16}, {8, 8}, {9, 16},
        {255, 16}};
    Values expected;
    for (const auto& [code, activity] : table) {
        send(processActivityPackage, {code});
        expected.push_back(activity);
    }
    EXPECT_EQ(host.values("activity"), expected);
}

TEST_F(Characteristic, StepsAreLittleEndianAndSignExtendedFrom32Bits) {
    create("3.0.0");
    send(processStepsPackage, {0x10, 0x27, 0x00, 0x00});
    send(processStepsPackage, {0xFF, 0xFF, 0xFF, 0x7F});
    send(processStepsPackage, {0x00, 0x00, 0x00, 0x80});
    send(processStepsPackage, {0xFF, 0xFF, 0xFF, 0xFF});
    const auto events = host.named("steps");
    ASSERT_EQ(events.size(), 4u);
    // Upper and lower 32 bits of the 64-bit count.
    EXPECT_EQ(events[0].values, (Values{0, 10000}));
    EXPECT_EQ(events[1].values, (Values{0, 2147483647.0}));
    EXPECT_EQ(events[2].values, (Values{4294967295.0, 2147483648.0}));
    EXPECT_EQ(events[3].values, (Values{4294967295.0, 4294967295.0}));
}

// ---- Health thermometer, sound volume -------------------------------------------------------

TEST_F(Characteristic, HealthThermometerMantissaTimesPowerOfTen) {
    create("3.0.0");
    send(processHealthThermometerPackage, {0x00, 0x6D, 0x01, 0x00, 0xFF});  // 365e-1
    send(processHealthThermometerPackage, {0xFF, 0x6D, 0x01, 0x00, 0x00});  // 365e0
    send(processHealthThermometerPackage, {0x00, 0xFF, 0xFF, 0xFF, 0x00});  // −1
    send(processHealthThermometerPackage, {0x00, 0x00, 0x00, 0x80, 0x01});  // −2^23 × 10
    send(processHealthThermometerPackage, {0x00, 0x19, 0x00, 0x00, 0x02});  // 25e2
    EXPECT_EQ(host.values("temperature"),
              (Values{f(36.5f), 365.0, -1.0, -83886080.0, 2500.0}));
}

TEST_F(Characteristic, SoundVolumeFiveBigEndianValuesWithOneTimestamp) {
    create("3.0.0");
    send(processSoundVolumePackage, {0x00, 0x01, 0x01, 0x00, 0xFF, 0xFF, 0x12, 0x34, 0x00, 0x00});
    EXPECT_EQ(host.values("sound_volume"), (Values{1, 256, 65535, 4660, 0}));
    const auto events = host.named("sound_volume");
    for (const auto& event : events) {
        EXPECT_EQ(event.timestamp, events[0].timestamp);
    }
}

// ---- Nasal cannula ----------------------------------------------------------------------------

Bytes nasalPacket(const std::vector<uint32_t>& values) {
    Bytes bytes;
    for (uint32_t v : values) {
        bytes.insert(bytes.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                                   static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    }
    return bytes;
}

TEST_F(Characteristic, NasalCannulaReportsContactBeforeTheBigEndianPressures) {
    create("3.0.0");
    send(processNasalCannulaPackage, nasalPacket({100, 0x01020304, 0, 0xFFFFFFFF, 7}));
    EXPECT_EQ(host.names(),
              (std::vector<std::string>{"pressure_lead_off", "pressure", "pressure", "pressure",
                                        "pressure", "pressure"}));
    // A fresh detector reports "no variation yet" with its first sample.
    EXPECT_EQ(host.values("pressure_lead_off"), Values{3});
    EXPECT_EQ(host.values("pressure"), (Values{100, 16909060, 0, 4294967295.0, 7}));
}

TEST_F(Characteristic, NasalCannulaContactConfirmedOnThe43rdAlternatingSample) {
    create("3.0.0");
    // Samples alternate 0 and 100: the 43rd (packet 9, third value) confirms variation.
    const Bytes even = nasalPacket({0, 100, 0, 100, 0});
    const Bytes odd = nasalPacket({100, 0, 100, 0, 100});
    for (int packet = 0; packet < 8; ++packet) {
        send(processNasalCannulaPackage, packet % 2 == 0 ? even : odd);
    }
    EXPECT_EQ(host.values("pressure_lead_off"), Values{3});
    host.clear();
    send(processNasalCannulaPackage, even);
    EXPECT_EQ(host.names().front(), "pressure_lead_off");
    EXPECT_EQ(host.values("pressure_lead_off"), Values{0});
    EXPECT_EQ(host.values("pressure").size(), 5u);
}

// ---- Heart rate and its wear states ----------------------------------------------------------

// Heart rate 72 and the RR values 1000, 0, 65535, 1, 2, 3, 4, 5, 6 (little-endian).
Bytes heartRatePacket(uint8_t flags, uint8_t rate = 72) {
    return {flags, rate, 0xE8, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00,
            0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00};
}
const Values rrValues = {1000, 0, 65535, 1, 2, 3, 4, 5, 6};

TEST_F(Characteristic, HeartRateReportsNineRrValuesThenTheRate) {
    create("3.3.41");
    send(processHeartRatePackage, heartRatePacket(0x00));
    std::vector<std::string> expected(9, "rr");
    expected.push_back("heart_rate");
    EXPECT_EQ(host.names(), expected);
    EXPECT_EQ(host.values("rr"), rrValues);
    EXPECT_EQ(host.values("heart_rate"), Values{72});
}

struct HeartRateCase {
    std::string revision;
    std::vector<uint8_t> flags;   // one packet each
    Values wearStates;            // every wear-state report, in order
    std::vector<bool> rates;      // whether each packet reported its heart rate
};

class HeartRateFlags : public ::testing::TestWithParam<HeartRateCase> {};

TEST_P(HeartRateFlags, DriveWearStateAndReporting) {
    const HeartRateCase& c = GetParam();
    HostCallbackRecorder host;
    ASSERT_NE(host.create(c.revision), nullptr);
    std::vector<bool> rates;
    for (uint8_t flags : c.flags) {
        const size_t before = host.named("heart_rate").size();
        sendPacket(processHeartRatePackage, heartRatePacket(flags), host.handle());
        const size_t after = host.named("heart_rate").size();
        rates.push_back(after > before);
        // RR values come with the heart rate or not at all.
        EXPECT_EQ(host.named("rr").size(), after * 9);
    }
    EXPECT_EQ(host.values("wear_state"), c.wearStates);
    EXPECT_EQ(rates, c.rates);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, HeartRateFlags,
    ::testing::Values(
        // Format 0: skin contact with the contact flag; the first packet reports, then
        // state 2 and, at the fourth further packet, state 3.
        HeartRateCase{"2.2.17", {0x30, 0x30, 0x30, 0x30, 0x30, 0x30},
                      {0, 2, 3, 0}, {true, false, false, false, false, true}},
        HeartRateCase{"2.2.5", {0x10, 0x10, 0x00, 0x80, 0x10}, {0, 3, 1, 0},
                      {true, true, false, false, true}},
        // Contact flag without skin contact, then with the lost flag.
        HeartRateCase{"2.2.5", {0x20, 0xA0, 0x10}, {3, 1, 0}, {false, false, true}},
        // Format 1 from 2.2.18: the contact flag means state 4.
        HeartRateCase{"2.2.18", {0x20, 0x80, 0x10, 0x00, 0x30}, {4, 1, 0, 3, 4},
                      {false, false, true, false, false}},
        // Format 2 from 3.3.41: flags are not read.
        HeartRateCase{"3.3.41", {0x00, 0x80, 0x20, 0x30}, {}, {true, true, true, true}},
        // Below 2.2.2 the wear state follows the flags but no rate is reported.
        HeartRateCase{"2.2.1", {0x10, 0x00}, {0, 3}, {false, false}}));

TEST_F(Characteristic, HeartRateOfZeroReportsNothing) {
    create("3.3.41");
    send(processHeartRatePackage, heartRatePacket(0x10, 0));
    EXPECT_TRUE(host.events().empty());
}

// ---- Registration, context and time ----------------------------------------------------------

TEST_F(Characteristic, CallbacksReceiveTheContextSetBeforeTheCall) {
    create("3.0.0");
    TenvikSDK_set_context(nullptr, host.handle());
    const int before = HostCallbackRecorder::nullContextCalls();
    send(processStepsPackage, {1, 0, 0, 0});
    EXPECT_EQ(HostCallbackRecorder::nullContextCalls(), before + 1);
    TenvikSDK_set_context(&host, host.handle());
    send(processStepsPackage, {1, 0, 0, 0});
    EXPECT_EQ(host.named("steps").size(), 1u);
}

TEST_F(Characteristic, RegisteringAgainReplacesEveryCallback) {
    create("3.0.0");
    TenvikSDK_init_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, host.handle());
    send(processStepsPackage, {1, 0, 0, 0});
    send(processSoundVolumePackage, Bytes(10, 1));
    TenvikSDK_process_battery_package(Bytes{50}.data(), 1, host.handle());
    EXPECT_TRUE(host.events().empty());
    host.registerAll("steps");
    send(processStepsPackage, {1, 0, 0, 0});
    TenvikSDK_process_battery_package(Bytes{50}.data(), 1, host.handle());
    EXPECT_EQ(host.names(), std::vector<std::string>{"battery"});
}

// The live EDA and GPS callbacks are registered but no characteristic feeds them.
TEST_F(Characteristic, NoCharacteristicReachesEdaOrGps) {
    create("3.5.59");
    send(processMotionPackage, Bytes(18, 0));
    send(processOrientationPackage, Bytes(14, 0));
    send(processNasalCannulaPackage, Bytes(20, 0));
    send(processTemperaturePackage, Bytes(4, 0));
    EXPECT_FALSE(host.events().empty());
    EXPECT_TRUE(host.named("eda").empty());
    EXPECT_TRUE(host.named("gps").empty());
}

struct StampCase {
    std::string revision;
    CharacteristicExport entry;
    Bytes packet;
    std::string callback;
};

class Timestamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(Timestamp, IsTheWallClockAtTheCall) {
    const StampCase& c = GetParam();
    HostCallbackRecorder host;
    ASSERT_NE(host.create(c.revision), nullptr);
    const uint64_t before = TenvikTest::wallClockMs();
    sendPacket(c.entry, c.packet, host.handle());
    const uint64_t after = TenvikTest::wallClockMs();
    const auto events = host.named(c.callback);
    ASSERT_FALSE(events.empty());
    EXPECT_GE(events[0].timestamp, before);
    EXPECT_LE(events[0].timestamp, after);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, Timestamp,
    ::testing::Values(
        StampCase{"3.2.26", processTemperaturePackage, {1, 2, 3, 4}, "temperature"},
        StampCase{"2.1.0", processMotionPackage, Bytes(20, 0), "accelerometer"},
        StampCase{"3.0.0", processActivityPackage, {4}, "activity"},
        StampCase{"3.0.0", processStepsPackage, {4, 0, 0, 0}, "steps"},
        StampCase{"3.0.0", processOrientationPackage, Bytes(14, 0), "orientation"},
        StampCase{"3.3.41", processHeartRatePackage, heartRatePacket(0), "heart_rate"},
        StampCase{"3.0.0", processHealthThermometerPackage, {0, 1, 0, 0, 0}, "temperature"},
        StampCase{"3.0.0", processSoundVolumePackage, Bytes(10, 0), "sound_volume"},
        StampCase{"3.0.0", processNasalCannulaPackage, Bytes(20, 0), "pressure"},
        StampCase{"2.2.14", processECGPackage, Bytes(20, 0), "ecg"},
        StampCase{"3.0.0", processRespirationPackage, Bytes(20, 0), "respiration"}));

}  // namespace
