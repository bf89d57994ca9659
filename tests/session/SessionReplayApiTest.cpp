// Sessions that the device's Collect process sends reach the host's live callbacks, end to
// end through the C interface: the system process reports Collect created, then each session
// arrives as one protocol-4 message of that process, in notification chunks. Record i of n
// falls at start + trunc(float(i) x float(end - start) / float(n)), worked by hand in single
// precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "LinkFrames.h"
#include "LogRecorder.h"
#include "ScopedTimeZone.h"
#include "SessionRecords.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::HostCallbackRecorder;
using TenvikTest::HostEvent;
using TenvikTest::LogLine;
using namespace TenvikTest::SessionRecords;

// Firmware 4 speaks protocol 4 and records all 18 signals.
const std::string Revision = "4.1.0";
constexpr uint16_t CollectPid = 0x0021;
constexpr uint64_t S = 1000000000000;  // 2001-09-09 01:46:40 UTC
constexpr uint64_t WindowStart = 946684800000;
constexpr uint64_t WindowEnd = 4102444800000;
constexpr size_t ChunkSize = 244;

int pastCalls = 0;

template <typename... Values>
void countPast(void*, Values...) {
    ++pastCalls;
}

void registerPastCallbacks(TenvikSDK* sdk) {
    TenvikSDK_init_synchronization_callbacks(
        &countPast<int>, &countPast<uint32_t, float>, &countPast<uint64_t, float>,
        &countPast<uint64_t, float>, &countPast<uint64_t, float>, &countPast<uint64_t, uint32_t>,
        &countPast<uint64_t, uint32_t>, &countPast<uint64_t, uint32_t>,
        &countPast<uint64_t, uint32_t>, &countPast<uint64_t, uint64_t>, &countPast<uint64_t>,
        &countPast<uint64_t, uint16_t>, &countPast<uint64_t, uint32_t>,
        &countPast<uint64_t, float, float, float>, &countPast<uint64_t, float, float, float>,
        &countPast<uint64_t, float, float, float, float>, &countPast<uint64_t, float, float, float>,
        &countPast<uint64_t, float, float, float>, &countPast<uint64_t, uint32_t>,
        &countPast<uint64_t, uint8_t>, sdk);
    TenvikSDK_set_past_eda_callback(&countPast<uint64_t, float>, sdk);
    TenvikSDK_set_past_gps_callback(&countPast<uint64_t, float, float, float, float, float, float>,
                                    sdk);
}

void feed(TenvikSDK* sdk, const Bytes& message) {
    for (const Bytes& chunk : TenvikTest::inChunks(message, ChunkSize)) {
        TenvikSDK_process_ble_chunk(chunk.data(), static_cast<int>(chunk.size()), sdk);
    }
}

class SessionReplay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.create(Revision), nullptr);
        registerPastCallbacks(host.handle());
        pastCalls = 0;
        // System message: createSuccess, PID, process type 8 (collect).
        feed(host.handle(),
             TenvikTest::v4Message({0x00, static_cast<uint8_t>(CollectPid), CollectPid >> 8, 0x08},
                                   0));
        host.clear();
    }

    void receive(uint64_t start, uint64_t end, uint8_t wearState, const Blocks& blocks) {
        feed(host.handle(),
             TenvikTest::v4Message(serialized(start, end, wearState, blocks), CollectPid));
    }
    // One second from S, wear state 5 (the initial one, so no wear-state report).
    void receive(const Blocks& blocks) { receive(S, S + 1000, 5, blocks); }

    std::vector<uint64_t> timesOf(const std::string& name) const {
        std::vector<uint64_t> times;
        for (const auto& event : host.named(name)) {
            times.push_back(event.timestamp);
        }
        return times;
    }

    HostCallbackRecorder host;
};

TEST_F(SessionReplay, SessionWithEverySignalKindReachesTheLiveCallbacksOnly) {
    receive(S, S + 1000, 2, everyKind(S));
    EXPECT_EQ(host.events(), everyKindEvents(S));
    EXPECT_EQ(pastCalls, 0);
    EXPECT_EQ(HostCallbackRecorder::nullContextCalls(), 0);
}

TEST_F(SessionReplay, RecordTimesAreSpreadInSinglePrecision) {
    // One day, 333 ECG records: double precision would put the last at 86140540.
    receive(S, S + 86400000, 5, onlyBlock(Ecg, Bytes(999, 0)));
    const auto ecg = timesOf("ecg");
    ASSERT_EQ(ecg.size(), 333u);
    EXPECT_EQ(ecg[1], S + 259459);
    EXPECT_EQ(ecg[332], S + 86140536);

    // The whole window, three respiration records.
    receive(WindowStart, WindowEnd, 5, onlyBlock(Respiration, Bytes(9, 0)));
    EXPECT_EQ(timesOf("respiration"),
              (std::vector<uint64_t>{WindowStart, WindowStart + 1051919974400,
                                     WindowStart + 2103839948800}));
}

TEST_F(SessionReplay, SessionWithoutSpanDeliversEveryRecordAtItsStart) {
    // End equal to start; then an end before the start, which the session keeps with a
    // warning and which must not spread records towards 2^64.
    receive(S, S, 5, onlyBlock(HeartRate, {60, 61, 62}));
    receive(S + 5000, S, 5, onlyBlock(HeartRate, {63, 64}));
    EXPECT_EQ(timesOf("heart_rate"), (std::vector<uint64_t>{S, S, S, S + 5000, S + 5000}));
}

TEST_F(SessionReplay, BlockOfPartialRecordsIsDroppedAndTheOthersArrive) {
    const struct {
        size_t signal;
        size_t size;
        const char* line;
        const char* name;
    } cases[] = {
        {Ecg, 1000, "SessionProcessor.parseEcg size: 1000", "ecg"},
        {Temperature, 3, "SessionProcessor.parseTemperature size: 3", "temperature"},
        {Pressure, 6, "SessionProcessor.parsePressure size: 6", "pressure"},
        {Motion, 17, "SessionProcessor.parseAccel size: 17", "accelerometer"},
        {Orientation, 15, "SessionProcessor.parseOrientation size: 15", "orientation"},
        {Steps, 10, "SessionProcessor.parseSteps size: 10", "steps"},
        {UserEvents, 9, "SessionProcessor.parseUserEvent size: 9", "user_event"},
        {Gps, 31, "SessionProcessor.parseGps size: 31", "gps"},
    };
    TenvikTest::LogRecorder log;
    log.install();
    for (const auto& c : cases) {
        host.clear();
        log.clear();
        Blocks blocks = onlyBlock(c.signal, Bytes(c.size, 0x11));
        blocks[Respiration] = {0x00, 0x04, 0x00};
        blocks[Signal15] = {9};
        receive(blocks);
        EXPECT_TRUE(host.named(c.name).empty()) << c.line;
        EXPECT_EQ(host.names(), (std::vector<std::string>{"respiration", "signal15"})) << c.line;
        EXPECT_TRUE(log.contains(c.line)) << c.line;
    }
    TenvikTest::LogRecorder::uninstall();
}

TEST_F(SessionReplay, ActivityAndWearStateAreReportedOnlyOnChange) {
    receive(S, S + 1000, 2, onlyBlock(Activity, {4, 4, 2}));
    receive(S, S + 1000, 2, onlyBlock(Activity, {2, 3, 5, 6}));
    // Skipped (no start time): delivers nothing and changes nothing.
    receive(0, S + 1000, 0, onlyBlock(Activity, {4}));
    receive(S, S + 1000, 0, onlyBlock(Activity, {6, 8}));
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{{"wear_state", 0, {2}},
                                                     {"activity", S, {4}},
                                                     {"activity", S + 666, {2}},
                                                     {"activity", S + 250, {16}},
                                                     {"wear_state", 0, {0}},
                                                     {"activity", S + 500, {8}}}));
}

// Alternating pressure 0 and 100 (big-endian records): variation from the second sample on,
// contact confirmed with the 43rd.
Bytes alternatingPressure(int first, int count) {
    Bytes records;
    for (int i = first; i < first + count; ++i) {
        records.insert(records.end(), {0, 0, 0, static_cast<uint8_t>(i % 2 == 0 ? 0 : 100)});
    }
    return records;
}

TEST_F(SessionReplay, PressureContactCarriesOverFromOneSessionToTheNext) {
    receive(onlyBlock(Pressure, alternatingPressure(0, 25)));
    EXPECT_EQ(host.named("pressure_lead_off"),
              (std::vector<HostEvent>{{"pressure_lead_off", 0, {3}}}));
    host.clear();
    receive(onlyBlock(Pressure, alternatingPressure(25, 25)));
    // Sample 43 is record 17 of the second session, at 17 x 40 ms.
    ASSERT_EQ(host.events().size(), 26u);
    EXPECT_EQ(host.events()[17], (HostEvent{"pressure_lead_off", 0, {0}}));
    EXPECT_EQ(host.events()[18], (HostEvent{"pressure", S + 680, {0}}));
}

TEST_F(SessionReplay, RecordedSwingRaisesAMotionEventAfterTheSamples) {
    Blocks blocks = onlyBlock(Motion, swingMotion());
    blocks[Orientation] = sidewaysOrientation(2);
    receive(blocks);
    const auto names = host.names();
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(host.events().back(), (HostEvent{"motion_event", 0, {1}}));
    EXPECT_EQ(host.named("motion_event").size(), 1u);
}

TEST_F(SessionReplay, MotionRecordsWithoutOrientationRecordsRaiseNoEvent) {
    receive(onlyBlock(Motion, swingMotion()));
    EXPECT_EQ(host.named("accelerometer").size(), 2u);
    EXPECT_TRUE(host.named("motion_event").empty());
}

TEST_F(SessionReplay, NoSessionReanalysesTheMotionOfAnEarlierOne) {
    Blocks swing = onlyBlock(Motion, swingMotion());
    swing[Orientation] = sidewaysOrientation(2);
    receive(swing);
    // Motion alone, neither, orientation alone: the first session's records, paired again,
    // would arm and fire the swing each time.
    receive(onlyBlock(Motion, swingMotion()));
    receive(onlyBlock(HeartRate, {60}));
    receive(onlyBlock(Orientation, sidewaysOrientation(2)));
    EXPECT_EQ(host.named("motion_event"), (std::vector<HostEvent>{{"motion_event", 0, {1}}}));
}

// Held level and still: the accelerometer reads 1 g straight down the z axis of the identity
// quaternion (no linear acceleration), angle y 61 degrees. Each record is in the plank
// position, and a plank is confirmed on the 62nd consecutive sample in position. The live
// motion and orientation characteristics of firmware 4 carry the same two layouts.
// x, y, z = 0, 0, 4096 (1 g); the two further vectors zero.
const Bytes still = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// Angles 0, 61 x 64 = 0x0F40, 0; quaternion w = 0x4000 (1), x = y = z = 0.
const Bytes level = {0x00, 0x00, 0x0F, 0x40, 0x00, 0x00, 0x40,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

Blocks plankSession() {
    Bytes motion;
    Bytes orientation;
    for (int i = 0; i < 50; ++i) {
        motion.insert(motion.end(), still.begin(), still.end());
        orientation.insert(orientation.end(), level.begin(), level.end());
    }
    Blocks blocks = onlyBlock(Motion, motion);
    blocks[Orientation] = orientation;
    return blocks;
}

TEST_F(SessionReplay, PlankHeldAcrossTwoSessionsIsConfirmedInTheSecond) {
    // 50 samples in position: not yet a plank.
    receive(plankSession());
    EXPECT_TRUE(host.named("motion_event").empty());
    // A session without motion records feeds the detector nothing.
    receive(onlyBlock(HeartRate, {60}));
    EXPECT_TRUE(host.named("motion_event").empty());
    // The detector keeps its count from session to session: the 12th record here is the 62nd.
    receive(plankSession());
    EXPECT_EQ(host.named("motion_event"), (std::vector<HostEvent>{{"motion_event", 0, {6}}}));
}

TEST_F(SessionReplay, SummaryLineGivesTheSessionInTheLocalTimeZone) {
    const TenvikTest::ScopedTimeZone zone("XYZ-3");  // three hours east of UTC
    TenvikTest::LogRecorder log;
    log.install();
    receive(S + 7, S + 86400000 + 1000, 5, Blocks{});
    TenvikTest::LogRecorder::uninstall();
    EXPECT_TRUE(
        log.contains("SessionProcessor.sessionProcess 2001-09-09 04:46:40.007 "
                     "endDate=2001-09-10 04:46:41.000"));
}

TEST_F(SessionReplay, SessionWithAnInvalidTimeIsSkippedWhole) {
    TenvikTest::LogRecorder log;
    log.install();
    receive(WindowStart - 1, S, 2, everyKind(S));
    receive(S, 0, 2, everyKind(S));
    TenvikTest::LogRecorder::uninstall();
    EXPECT_TRUE(host.events().empty());
    EXPECT_TRUE(
        log.contains("SessionProcessor.sessionProcess: skipping session with invalid timestamps"));
}

// ---- Hosts that call back into the library -----------------------------------------------------

TEST_F(SessionReplay, DestroyingTheInstanceFromASessionCallbackEndsTheReplay) {
    Blocks blocks = everyKind(S);
    blocks[Motion] = swingMotion();
    blocks[Orientation] = sidewaysOrientation(2);
    host.react = [](HostCallbackRecorder& h, const HostEvent& event) {
        if (event.name == "respiration") {
            h.destroy();
        }
    };
    receive(S, S + 1000, 2, blocks);
    // Nothing after the destroying callback, not even the recorded swing.
    EXPECT_EQ(host.names(),
              (std::vector<std::string>{"wear_state", "ecg", "ecg", "respiration"}));
}

// The recorded plank is confirmed at record 12 of the second session (the 62nd sample). From
// inside that event the host feeds the live characteristics one orientation and 62 motion
// readings in the same position. The live detector has seen nothing yet: it confirms a plank of
// its own on its 62nd reading, during that packet's motion analysis and so before the packet's
// accelerometer value. The recorded detector then goes on where it was: its 38 further records
// hold the plank and report nothing.
TEST_F(SessionReplay, LiveMotionFedFromARecordedPlankStartRunsOnTheLiveDetector) {
    receive(plankSession());
    host.clear();
    bool fed = false;
    host.react = [&fed](HostCallbackRecorder& h, const HostEvent& event) {
        if (event.name != "motion_event" || fed) {
            return;
        }
        fed = true;
        processOrientationPackage(level.data(), static_cast<int>(level.size()), h.handle());
        for (int i = 0; i < 62; ++i) {
            processMotionPackage(still.data(), static_cast<int>(still.size()), h.handle());
        }
    };
    receive(plankSession());

    std::vector<std::string> expected;
    for (int i = 0; i < 50; ++i) {
        expected.insert(expected.end(), {"accelerometer", "motion_vector2", "motion_vector3"});
    }
    for (int i = 0; i < 50; ++i) {
        expected.insert(expected.end(), {"orientation", "quaternion"});
    }
    expected.insert(expected.end(), {"motion_event", "orientation", "body_position", "quaternion"});
    for (int i = 1; i <= 62; ++i) {
        if (i == 62) {
            expected.emplace_back("motion_event");
        }
        expected.insert(expected.end(), {"accelerometer", "motion_vector2", "motion_vector3"});
    }
    EXPECT_EQ(host.names(), expected);
    EXPECT_EQ(host.values("motion_event"), (std::vector<double>{6, 6}));
}

// Each processor's contact detector reports its first state with the first sample it is given.
// From inside the recorded report the host feeds a nasal-cannula packet: the live detector
// reports its own first state before that packet's five pressures, then the recorded pressures
// follow. The recorded detector has seen none of the live samples: a following session still
// confirms contact at the 43rd recorded sample, its record 17.
TEST_F(SessionReplay, LivePressureFedFromARecordedContactReportRunsOnTheLiveDetector) {
    const Bytes nasal = {0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 100};
    bool fed = false;
    host.react = [&](HostCallbackRecorder& h, const HostEvent& event) {
        if (event.name == "pressure_lead_off" && !fed) {
            fed = true;
            processNasalCannulaPackage(nasal.data(), static_cast<int>(nasal.size()), h.handle());
        }
    };
    receive(onlyBlock(Pressure, alternatingPressure(0, 25)));
    std::vector<std::string> expected = {"pressure_lead_off", "pressure_lead_off"};
    expected.insert(expected.end(), 5 + 25, "pressure");
    EXPECT_EQ(host.names(), expected);
    EXPECT_EQ(host.values("pressure_lead_off"), (std::vector<double>{3, 3}));
    std::vector<double> pressures = {100, 0, 100, 0, 100};
    for (int i = 0; i < 25; ++i) {
        pressures.push_back(i % 2 == 0 ? 0 : 100);
    }
    EXPECT_EQ(host.values("pressure"), pressures);
    EXPECT_EQ(host.events().back().timestamp, S + 960);

    host.clear();
    receive(onlyBlock(Pressure, alternatingPressure(25, 25)));
    ASSERT_EQ(host.events().size(), 26u);
    EXPECT_EQ(host.events()[17], (HostEvent{"pressure_lead_off", 0, {0}}));
    EXPECT_EQ(host.events()[18], (HostEvent{"pressure", S + 680, {0}}));
}

TEST_F(SessionReplay, SessionFedFromInsideACallbackIsReplayedAfterTheOuterOne) {
    // At the outer session's first body position the host feeds a session of a day later with
    // motion records of its own; it waits until the outer session, swing included, is done.
    Blocks outer = onlyBlock(Motion, swingMotion());
    outer[Orientation] = sidewaysOrientation(2);
    outer[BodyPosition] = {1, 2};
    outer[Signal15] = {5, 6};
    const Bytes inner =
        TenvikTest::v4Message(serialized(S + 86400000, S + 86401000, 5,
                                         onlyBlock(Motion, Bytes(36, 0))),
                              CollectPid);
    host.react = [&inner](HostCallbackRecorder& h, const HostEvent& event) {
        if (event.name == "body_position" && event.values.at(0) == 1) {
            feed(h.handle(), inner);
        }
    };
    receive(outer);
    EXPECT_EQ(timesOf("signal15"), (std::vector<uint64_t>{S, S + 500}));
    EXPECT_EQ(timesOf("accelerometer"),
              (std::vector<uint64_t>{S, S + 500, S + 86400000, S + 86400500}));
    EXPECT_EQ(host.named("motion_event"), (std::vector<HostEvent>{{"motion_event", 0, {1}}}));
    const std::vector<HostEvent>& events = host.events();
    const auto swing = std::find(events.begin(), events.end(), HostEvent{"motion_event", 0, {1}});
    const auto innerFirst = std::find_if(events.begin(), events.end(), [](const HostEvent& e) {
        return e.name == "accelerometer" && e.timestamp == S + 86400000;
    });
    ASSERT_NE(innerFirst, events.end());
    EXPECT_LT(swing, innerFirst);
}

}  // namespace
