// The named codes of the public header against what the library delivers: for each code a
// packet sequence built to produce it, fed through the C interface. Codes that no short
// packet sequence reaches are held to their documented values.
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
using TenvikTest::LogRecorder;
using TenvikTest::sendPacket;
using TenvikTest::sendPackets;
using Values = std::vector<double>;

// A run of one packet sent `count` times to one characteristic.
struct PacketRun {
    CharacteristicExport entry;
    Bytes packet;
    int count = 1;
};

// A code, the firmware, and the packets that must make the library deliver it last to the
// callback named (as the host recorder names them).
struct CodeCase {
    std::string code;
    long constant;
    std::string revision;
    std::string callback;
    std::vector<PacketRun> runs;
};

std::ostream& operator<<(std::ostream& out, const CodeCase& c) { return out << c.code; }

class DeliveredCode : public ::testing::TestWithParam<CodeCase> {};

TEST_P(DeliveredCode, IsTheValueTheLibraryDelivers) {
    const CodeCase& c = GetParam();
    HostCallbackRecorder host;
    ASSERT_NE(host.create(c.revision), nullptr);
    for (const PacketRun& run : c.runs) {
        sendPackets(run.entry, run.packet, run.count, host.handle());
    }
    const Values values = host.values(c.callback);
    ASSERT_FALSE(values.empty()) << c.callback;
    EXPECT_EQ(values.back(), static_cast<double>(c.constant));
}

// ---- Wear state --------------------------------------------------------------------------

// Heart rate 72 with nine RR values of 0; byte 0 is the flags byte.
Bytes heartRate(uint8_t flags) {
    Bytes packet(20, 0);
    packet[0] = flags;
    packet[1] = 72;
    return packet;
}

// A 20-byte ECG packet of firmware 3.3.41 and later: byte 19 is the device's wear state.
Bytes ecgWithWearState(uint8_t state) {
    Bytes packet(20, 0);
    packet[19] = state;
    return packet;
}

INSTANTIATE_TEST_SUITE_P(
    WearState, DeliveredCode,
    ::testing::Values(
        // From 2.2.18 the heart-rate flags 0x10, none, 0x80 and 0x20 give 0, 3, 1 and 4.
        CodeCase{"ON", TENVIK_WEAR_STATE_ON, "3.3.40", "wear_state",
                 {{processHeartRatePackage, heartRate(0x10)}}},
        CodeCase{"OFF", TENVIK_WEAR_STATE_OFF, "3.3.40", "wear_state",
                 {{processHeartRatePackage, heartRate(0x00)}}},
        CodeCase{"1", TENVIK_WEAR_STATE_1, "3.3.40", "wear_state",
                 {{processHeartRatePackage, heartRate(0x80)}}},
        CodeCase{"4", TENVIK_WEAR_STATE_4, "3.3.40", "wear_state",
                 {{processHeartRatePackage, heartRate(0x20)}}},
        // Before 2.2.18 flag 0x20 while in contact gives 2, and the fourth in a row 3.
        CodeCase{"2", TENVIK_WEAR_STATE_2, "2.2.17", "wear_state",
                 {{processHeartRatePackage, heartRate(0x10)},
                  {processHeartRatePackage, heartRate(0x20)}}},
        CodeCase{"OFF after four", TENVIK_WEAR_STATE_OFF, "2.2.17", "wear_state",
                 {{processHeartRatePackage, heartRate(0x10)},
                  {processHeartRatePackage, heartRate(0x20), 4}}},
        // The state starts at 5: a device reporting 0 and then 5 brings it back.
        CodeCase{"UNKNOWN", TENVIK_WEAR_STATE_UNKNOWN, "3.3.41", "wear_state",
                 {{processECGPackage, ecgWithWearState(0)},
                  {processECGPackage, ecgWithWearState(5)}}}));

// ---- Body position -----------------------------------------------------------------------

// A 14-byte orientation packet (firmware 2.2.11 to 3.4.52: angles as sent) with the angles
// a1 and a2 and the identity quaternion.
Bytes orientation(int16_t a1, int16_t a2) {
    return {0x00,
            0x00,
            static_cast<uint8_t>(static_cast<uint16_t>(a1) >> 8),
            static_cast<uint8_t>(a1 & 0xFF),
            static_cast<uint8_t>(static_cast<uint16_t>(a2) >> 8),
            static_cast<uint8_t>(a2 & 0xFF),
            0x40,
            0x00,
            0,
            0,
            0,
            0,
            0,
            0};
}

// A class is adopted on the 132nd packet in a row that classifies differently.
INSTANTIATE_TEST_SUITE_P(
    BodyPosition, DeliveredCode,
    ::testing::Values(
        CodeCase{"1", TENVIK_BODY_POSITION_1, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(100, 0), 132}}},
        CodeCase{"1 below -215", TENVIK_BODY_POSITION_1, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(-216, 0), 132}}},
        CodeCase{"2", TENVIK_BODY_POSITION_2, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(241, 0), 132}}},
        CodeCase{"2 below -60", TENVIK_BODY_POSITION_2, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(-61, 0), 132}}},
        CodeCase{"3", TENVIK_BODY_POSITION_3, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(0, 50), 132}}},
        CodeCase{"4", TENVIK_BODY_POSITION_4, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(0, -50), 132}}},
        // Back from class 1 to the class of none of the others.
        CodeCase{"0", TENVIK_BODY_POSITION_0, "3.0.0", "body_position",
                 {{processOrientationPackage, orientation(100, 0), 132},
                  {processOrientationPackage, orientation(0, 0), 132}}}));

// ---- Activity ----------------------------------------------------------------------------

// One activity packet carrying the device's code.
CodeCase activity(const std::string& code, long constant, uint8_t deviceCode) {
    return {code, constant, "3.0.0", "activity", {{processActivityPackage, {deviceCode}}}};
}

INSTANTIATE_TEST_SUITE_P(Activity, DeliveredCode,
                         ::testing::Values(activity("1", TENVIK_ACTIVITY_1, 1),
                                           activity("2", TENVIK_ACTIVITY_2, 2),
                                           activity("4", TENVIK_ACTIVITY_4, 4),
                                           activity("8", TENVIK_ACTIVITY_8, 8),
                                           activity("OTHER from 3", TENVIK_ACTIVITY_OTHER, 3),
                                           activity("OTHER from 7", TENVIK_ACTIVITY_OTHER, 7),
                                           activity("OTHER from 0", TENVIK_ACTIVITY_OTHER, 0),
                                           activity("OTHER from 9", TENVIK_ACTIVITY_OTHER, 9)));

// ---- Pressure contact --------------------------------------------------------------------

// `packets` nasal-cannula packets of five big-endian pressures that alternate between 0 and
// 100 from one sample to the next, across packets too.
std::vector<PacketRun> alternatingPressure(int packets) {
    std::vector<PacketRun> runs;
    for (int p = 0; p < packets; ++p) {
        Bytes packet(20, 0);
        for (int i = 0; i < 5; ++i) {
            packet[static_cast<size_t>(i * 4 + 3)] = (p * 5 + i) % 2 == 0 ? 0 : 100;
        }
        runs.push_back({processNasalCannulaPackage, packet});
    }
    return runs;
}

// The first sample reports no contact; variation confirms contact with the 43rd sample,
// in the ninth packet.
INSTANTIATE_TEST_SUITE_P(
    PressureContact, DeliveredCode,
    ::testing::Values(CodeCase{"NO_CONTACT", TENVIK_PRESSURE_NO_CONTACT, "3.0.0",
                               "pressure_lead_off", alternatingPressure(1)},
                      CodeCase{"CONTACT", TENVIK_PRESSURE_CONTACT, "3.0.0", "pressure_lead_off",
                               alternatingPressure(9)}));

// ---- Motion events -----------------------------------------------------------------------

// An 18-byte motion packet (firmware 2.2.11 and later): the acceleration in 1/4096 g and
// zero further vectors.
Bytes motion(int16_t x, int16_t y, int16_t z) {
    Bytes packet(18, 0);
    const int16_t axes[3] = {x, y, z};
    for (size_t i = 0; i < 3; ++i) {
        packet[i * 2] = static_cast<uint8_t>(static_cast<uint16_t>(axes[i]) >> 8);
        packet[i * 2 + 1] = static_cast<uint8_t>(axes[i] & 0xFF);
    }
    return packet;
}

// A 14-byte orientation packet with the angles (0, a1, 0) and the quaternion (w, x, 0, 0)
// in units of 2^-14.
Bytes orientationTurn(int16_t a1, int16_t w, int16_t x) {
    Bytes packet = orientation(a1, 0);
    packet[6] = static_cast<uint8_t>(static_cast<uint16_t>(w) >> 8);
    packet[7] = static_cast<uint8_t>(w & 0xFF);
    packet[8] = static_cast<uint8_t>(static_cast<uint16_t>(x) >> 8);
    packet[9] = static_cast<uint8_t>(x & 0xFF);
    return packet;
}

constexpr int16_t oneG = 4096;
constexpr int16_t identityW = 0x4000;     // 1.0
constexpr int16_t quarterTurn = 0x2D41;   // 0.7071: w and x of a quarter turn about x

INSTANTIATE_TEST_SUITE_P(
    MotionEvent, DeliveredCode,
    ::testing::Values(
        // Turned a quarter about x, the z axis is level and gravity lies along y; -2 g on y
        // is -3 g after gravity: a swing (the detector starts armed).
        CodeCase{"SWING", TENVIK_MOTION_EVENT_SWING, "3.0.0", "motion_event",
                 {{processOrientationPackage, orientationTurn(100, quarterTurn, quarterTurn)},
                  {processMotionPackage, motion(0, -2 * oneG, oneG)}}},
        // Level, down (half a turn about x), level again, at rest each time; the angle 100
        // keeps the repetition counters and the plank test out of play.
        CodeCase{"RETURN_TO_MIDDLE", TENVIK_MOTION_EVENT_RETURN_TO_MIDDLE, "3.0.0", "motion_event",
                 {{processOrientationPackage, orientationTurn(100, quarterTurn, quarterTurn)},
                  {processMotionPackage, motion(0, oneG, 0)},
                  {processOrientationPackage, orientationTurn(100, 0, identityW)},
                  {processMotionPackage, motion(0, 0, -oneG)},
                  {processOrientationPackage, orientationTurn(100, quarterTurn, quarterTurn)},
                  {processMotionPackage, motion(0, oneG, 0)}}},
        // Unrotated, at rest, the angle 60 in the plank range: the 62nd sample confirms.
        CodeCase{"PLANK_START", TENVIK_MOTION_EVENT_PLANK_START, "3.0.0", "motion_event",
                 {{processOrientationPackage, orientationTurn(60, identityW, 0)},
                  {processMotionPackage, motion(0, 0, oneG), 62}}},
        // Then 1 g along x is out of position; the 62nd such sample ends the hold.
        CodeCase{"PLANK_END", TENVIK_MOTION_EVENT_PLANK_END, "3.0.0", "motion_event",
                 {{processOrientationPackage, orientationTurn(60, identityW, 0)},
                  {processMotionPackage, motion(0, 0, oneG), 62},
                  {processMotionPackage, motion(oneG, 0, oneG), 62}}}));

TEST(MotionEventCode, PlankStartAndEndComeOnceEachAtTheSixtySecondSample) {
    HostCallbackRecorder host;
    ASSERT_NE(host.create("3.0.0"), nullptr);
    sendPacket(processOrientationPackage, orientationTurn(60, identityW, 0), host.handle());
    sendPackets(processMotionPackage, motion(0, 0, oneG), 61, host.handle());
    EXPECT_TRUE(host.values("motion_event").empty());
    sendPacket(processMotionPackage, motion(0, 0, oneG), host.handle());
    sendPackets(processMotionPackage, motion(oneG, 0, oneG), 61, host.handle());
    EXPECT_EQ(host.values("motion_event"), Values{TENVIK_MOTION_EVENT_PLANK_START});
    sendPacket(processMotionPackage, motion(oneG, 0, oneG), host.handle());
    EXPECT_EQ(host.values("motion_event"),
              (Values{TENVIK_MOTION_EVENT_PLANK_START, TENVIK_MOTION_EVENT_PLANK_END}));
}

// ---- Log levels --------------------------------------------------------------------------

TEST(LogLevelCode, IsTheLevelOfTheLinesTheLibraryLogs) {
    TenvikSDK* sdk = TenvikSDK_create("3.0.0", 5);
    ASSERT_NE(sdk, nullptr);
    LogRecorder log;
    log.install();
    const uint8_t byte = 0x41;
    // A two-byte battery value is a wrong size.
    TenvikSDK_process_battery_package(&byte, 2, sdk);
    // A send is traced, and without a send callback its packet is dropped with a warning.
    TenvikSDK_send(&byte, 1, 0, sdk);
    LogRecorder::uninstall();
    TenvikSDK_destroy(sdk);

    const std::vector<TenvikTest::LogLine> expected = {
        {TENVIK_LOG_INFO, "DataConverter.processBatteryPackage: size = 2"},
        {TENVIK_LOG_DEBUG, "Sending bytes via protocol V3, size: 1"},
        {TENVIK_LOG_WARNING,
         "UnifiedBLEManager attempted to send chunk but BLE send callback is null"},
    };
    for (const auto& line : expected) {
        bool found = false;
        for (const auto& logged : log.lines()) {
            found = found || logged == line;
        }
        EXPECT_TRUE(found) << line.level << " " << line.text;
    }
}

// ---- Codes no short packet sequence reaches ----------------------------------------------

struct DocumentedCode {
    const char* code;
    long constant;
    long documented;
};

std::ostream& operator<<(std::ostream& out, const DocumentedCode& c) { return out << c.code; }

class UnreachedCode : public ::testing::TestWithParam<DocumentedCode> {};

TEST_P(UnreachedCode, HasItsDocumentedValue) {
    EXPECT_EQ(GetParam().constant, GetParam().documented);
}

INSTANTIATE_TEST_SUITE_P(
    HeaderCodes, UnreachedCode,
    ::testing::Values(
        DocumentedCode{"VERTICAL_REPETITION", TENVIK_MOTION_EVENT_VERTICAL_REPETITION, 0},
        DocumentedCode{"SWING_AFTER_VERTICAL", TENVIK_MOTION_EVENT_SWING_AFTER_VERTICAL, 3},
        DocumentedCode{"REPETITION_AT_MINIMUM", TENVIK_MOTION_EVENT_REPETITION_AT_MINIMUM, 4},
        DocumentedCode{"REPETITION_AT_MAXIMUM", TENVIK_MOTION_EVENT_REPETITION_AT_MAXIMUM, 5},
        DocumentedCode{"SYNC_STATE_START", TENVIK_SYNC_STATE_START, 0},
        DocumentedCode{"SYNC_STATE_END", TENVIK_SYNC_STATE_END, 1},
        DocumentedCode{"SYNC_STATE_STATUS_1", TENVIK_SYNC_STATE_STATUS_1, 2},
        DocumentedCode{"SYNC_STATE_STATUS_5", TENVIK_SYNC_STATE_STATUS_5, 3},
        DocumentedCode{"SYNC_STATE_STATUS_6", TENVIK_SYNC_STATE_STATUS_6, 4},
        DocumentedCode{"LOG_ERROR", TENVIK_LOG_ERROR, 3}));

// ---- Version -----------------------------------------------------------------------------

TEST(VersionMacros, FollowTheProjectVersion) {
    const std::string header = std::to_string(TENVIK_SDK_VERSION_MAJOR) + "." +
                               std::to_string(TENVIK_SDK_VERSION_MINOR) + "." +
                               std::to_string(TENVIK_SDK_VERSION_PATCH);
    EXPECT_EQ(header, TENVIK_PROJECT_VERSION);
}

}  // namespace
