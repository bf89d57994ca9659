// The session processor turns the records of a session into timed samples for its delegate.
// Expected times follow the record-time rule worked by hand in single precision: record i of n
// at start + trunc(float(i) * (float(span) / float(n))).
#include "session/SessionProcessor.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "InternalLogRecorder.h"
#include "MotionEventRecorder.h"
#include "ScopedTimeZone.h"
#include "SessionDelegateRecorder.h"
#include "SessionRecords.h"
#include "session/RecordClock.h"
#include "session/Session.h"
#include "signal/MotionDetector.h"

namespace Tenvik {
namespace {

using TenvikTest::HostEvent;
using TenvikTest::SessionDelegateRecorder;
using namespace TenvikTest::SessionRecords;
using Line = TenvikTest::InternalLogRecorder::Line;

constexpr uint64_t S = 1000000000000;  // 2001-09-09 01:46:40 UTC
constexpr uint64_t OneSecondLater = S + 1000;
constexpr uint64_t WindowStart = 946684800000;  // 2000-01-01
constexpr uint64_t WindowEnd = 4102444800000;   // 2100-01-01

std::vector<uint64_t> timesOf(const std::vector<HostEvent>& events) {
    std::vector<uint64_t> times;
    for (const auto& event : events) {
        times.push_back(event.timestamp);
    }
    return times;
}

class SessionProcessorTest : public ::testing::Test {
protected:
    void process(uint64_t start, uint64_t end, uint8_t wearState, const Blocks& blocks) {
        const Bytes bytes = serialized(start, end, wearState, blocks);
        const Session session(bytes.data(), static_cast<uint16_t>(bytes.size()), 18);
        processor.sessionProcess(session, "online");
    }
    void process(const Blocks& blocks) { process(S, OneSecondLater, 2, blocks); }

    SessionDelegateRecorder delegate;
    SessionProcessor processor{&delegate, 0};
};

// ---- Record times ------------------------------------------------------------------------------

struct ClockCase {
    const char* name;
    uint64_t start;
    uint64_t end;
    uint32_t records;
    uint32_t record;
    uint64_t expected;
};

TEST(RecordClock, SpreadsRecordsInSinglePrecision) {
    const ClockCase cases[] = {
        {"first record on the start", S, OneSecondLater, 2, 0, S},
        {"half a second", S, OneSecondLater, 2, 1, S + 500},
        // 1000 / 3 = 333.33334f; x 2 = 666.6667f, truncated.
        {"thirds truncate", S, OneSecondLater, 3, 2, S + 666},
        // 86400000 / 333 = 259459.45f; x 332 = 86140536f, where double precision gives 86140540.
        {"one day, 333 records", S, S + 86400000, 333, 332, S + 86140536},
        // 3155760000000 / 3 rounds to 1051919974400f.
        {"whole window, 3 records", WindowStart, WindowEnd, 3, 1, WindowStart + 1051919974400},
        {"whole window, last record", WindowStart, WindowEnd, 3, 2, WindowStart + 2103839948800},
        {"start equal to end", S, S, 5, 4, S},
        // An end before the start leaves no span: nothing wraps around 2^64.
        {"end before start", S + 1000, S, 2, 1, S + 1000},
        {"end far before start", WindowEnd, WindowStart, 333, 332, WindowEnd},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordClock(c.start, c.end, c.records).timeOf(c.record), c.expected) << c.name;
    }
}

TEST(RecordClock, ConvertsOffsetsSaturating) {
    const float below2to64 = std::nextafter(18446744073709551616.0f, 0.0f);
    const struct {
        float offset;
        uint64_t expected;
    } cases[] = {
        {0.0f, 0},
        {0.75f, 0},
        {1.5f, 1},
        {-1.0f, 0},
        {-std::numeric_limits<float>::infinity(), 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {9223372036854775808.0f, 9223372036854775808ull},  // 2^63: past the signed range
        {below2to64, 18446742974197923840ull},
        {18446744073709551616.0f, std::numeric_limits<uint64_t>::max()},
        {std::numeric_limits<float>::infinity(), std::numeric_limits<uint64_t>::max()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordClock::toMilliseconds(c.offset), c.expected) << c.offset;
    }
}

// ---- Every signal kind -------------------------------------------------------------------------

TEST_F(SessionProcessorTest, DeliversEverySignalKindWithItsValuesAndTimes) {
    process(everyKind(S));
    EXPECT_EQ(delegate.events(), everyKindEvents(S));
    EXPECT_EQ(processor.getTimestampStart(), S);
    EXPECT_EQ(processor.getTimestampEnd(), OneSecondLater);
}

TEST_F(SessionProcessorTest, SixteenBitFieldsReadUnsignedInTheirOwnByteOrder) {
    // 0x9234 = 37428 has its top bit set: a signed read would go negative. Sound volume is
    // big-endian, the others little-endian.
    const struct {
        Signal signal;
        Bytes record;
        const char* name;
        double expected;
    } cases[] = {
        {Temperature, {0x34, 0x92}, "temperature", static_cast<double>(37428.0f / 100.0f)},
        {Rr, {0x34, 0x92}, "rr", 37428},
        {RespirationRate, {0x34, 0x92}, "respiration_rate", 37428},
        {SoundVolume, {0x92, 0x34}, "sound_volume", 37428},
    };
    for (const auto& c : cases) {
        delegate.clear();
        process(onlyBlock(c.signal, c.record));
        EXPECT_EQ(delegate.named(c.name), (std::vector<HostEvent>{{c.name, S, {c.expected}}}))
            << c.name;
    }
}

TEST_F(SessionProcessorTest, ReadsEverySignalWhateverCountTheSessionWasReadWith) {
    // A session read with 15 signals has the last three empty; the others are all delivered.
    const Bytes bytes = serialized(S, OneSecondLater, 2, everyKind(S));
    const Session session(bytes.data(), static_cast<uint16_t>(bytes.size()), 15);
    processor.sessionProcess(session, "sync");
    const auto all = everyKindEvents(S);
    const std::vector<HostEvent> expected(all.begin(), all.end() - 3);
    EXPECT_EQ(delegate.events(), expected);
}

TEST_F(SessionProcessorTest, TimesLongSessionsInSinglePrecision) {
    process(S, S + 86400000, 0, onlyBlock(Ecg, Bytes(999, 0)));
    const auto ecg = delegate.named("ecg");
    ASSERT_EQ(ecg.size(), 333u);
    EXPECT_EQ(ecg[0].timestamp, S);
    EXPECT_EQ(ecg[1].timestamp, S + 259459);
    EXPECT_EQ(ecg[332].timestamp, S + 86140536);

    delegate.clear();
    process(WindowStart, WindowEnd, 0, onlyBlock(Respiration, Bytes(9, 0)));
    EXPECT_EQ(timesOf(delegate.named("respiration")),
              (std::vector<uint64_t>{WindowStart, WindowStart + 1051919974400,
                                     WindowStart + 2103839948800}));
}

TEST_F(SessionProcessorTest, SessionWithEndEqualToStartDeliversEveryRecordAtTheStart) {
    process(S, S, 0, onlyBlock(HeartRate, {60, 61, 62}));
    EXPECT_EQ(timesOf(delegate.named("heart_rate")), (std::vector<uint64_t>{S, S, S}));
}

TEST_F(SessionProcessorTest, SessionEndingBeforeItsStartDeliversEveryRecordAtTheStart) {
    // Kept by the reader with a warning; without a span nothing may land near 2^64.
    Blocks blocks = onlyBlock(Ecg, Bytes(6, 0));
    blocks[Activity] = {1, 2, 4};
    process(S + 5000, S, 0, blocks);
    EXPECT_EQ(timesOf(delegate.named("ecg")), (std::vector<uint64_t>{S + 5000, S + 5000}));
    EXPECT_EQ(timesOf(delegate.named("activity")),
              (std::vector<uint64_t>{S + 5000, S + 5000, S + 5000}));
}

// ---- Skipped sessions --------------------------------------------------------------------------

TEST_F(SessionProcessorTest, SessionWithoutBothTimesDeliversNothing) {
    const struct {
        uint64_t start;
        uint64_t end;
    } cases[] = {{0, OneSecondLater}, {S, 0}, {0, 0}, {S, WindowEnd + 1}, {WindowStart - 1, S}};
    for (const auto& c : cases) {
        TenvikTest::InternalLogRecorder log;
        delegate.clear();
        process(c.start, c.end, 2, everyKind(S));
        EXPECT_TRUE(delegate.events().empty()) << c.start << " " << c.end;
        EXPECT_TRUE(log.contains(
            LogWarning,
            "SessionProcessor.sessionProcess: skipping session with invalid timestamps"));
    }
    // The times are taken from the session even when it is skipped: the reader reset the
    // invalid one to 0.
    EXPECT_EQ(processor.getTimestampStart(), 0u);
    EXPECT_EQ(processor.getTimestampEnd(), S);
}

// ---- Block sizes -------------------------------------------------------------------------------

TEST_F(SessionProcessorTest, BlockOfPartialRecordsIsDroppedWholeAndTheOthersStillArrive) {
    const struct {
        Signal signal;
        size_t size;
        const char* text;
        const char* name;
    } cases[] = {
        {Ecg, 4, "SessionProcessor.parseEcg size: 4", "ecg"},
        {Ecg, 1000, "SessionProcessor.parseEcg size: 1000", "ecg"},
        {Respiration, 149, "SessionProcessor.parseRespiration size: 149", "respiration"},
        {Temperature, 3, "SessionProcessor.parseTemperature size: 3", "temperature"},
        {Rr, 1, "SessionProcessor.parseRr size: 1", "rr"},
        {SoundVolume, 5, "SessionProcessor.parseSoundVolume size: 5", "sound_volume"},
        {Pressure, 6, "SessionProcessor.parsePressure size: 6", "pressure"},
        {Motion, 17, "SessionProcessor.parseAccel size: 17", "accelerometer"},
        {Orientation, 15, "SessionProcessor.parseOrientation size: 15", "orientation"},
        {Steps, 10, "SessionProcessor.parseSteps size: 10", "steps"},
        {RespirationRate, 1, "SessionProcessor.parseRespirationRate size: 1", "respiration_rate"},
        {UserEvents, 9, "SessionProcessor.parseUserEvent size: 9", "user_event"},
        {Eda, 13, "SessionProcessor.parseEda size: 13", "eda"},
        {Gps, 31, "SessionProcessor.parseGps size: 31", "gps"},
    };
    for (const auto& c : cases) {
        SessionDelegateRecorder recorder;
        SessionProcessor fresh(&recorder, 0);
        TenvikTest::InternalLogRecorder log;
        Blocks blocks = onlyBlock(c.signal, Bytes(c.size, 0x11));
        // A neighbour on either side of every block.
        blocks[HeartRate] = {60};
        blocks[Signal15] = {9};
        const Bytes bytes = serialized(S, OneSecondLater, 1, blocks);
        fresh.sessionProcess(Session(bytes.data(), static_cast<uint16_t>(bytes.size()), 18),
                             "online");
        EXPECT_TRUE(log.contains(LogInfo, c.text)) << c.text;
        EXPECT_TRUE(recorder.named(c.name).empty()) << c.text;
        EXPECT_EQ(recorder.named("heart_rate").size(), 1u) << c.text;
        EXPECT_EQ(recorder.named("signal15").size(), 1u) << c.text;
        EXPECT_TRUE(recorder.named("pressure_lead_off").empty()) << c.text;
    }
}

TEST_F(SessionProcessorTest, MotionRecordsOfABadBlockAreNotAnalysed) {
    ::MotionEventRecorder events;
    processor.setContext(&events);
    processor.setMotionEventCallback(&::MotionEventRecorder::onEvent);
    Blocks blocks;
    // The swing of the sideways records, its orientation block one byte short.
    blocks[Motion] = swingMotion();
    Bytes orientation = sidewaysOrientation(2);
    orientation.pop_back();
    blocks[Orientation] = orientation;
    process(blocks);
    EXPECT_TRUE(events.events.empty());
}

// ---- State carried across sessions -------------------------------------------------------------

TEST_F(SessionProcessorTest, ReportsActivityOnlyWhenItChangesAcrossSessions) {
    process(onlyBlock(Activity, {4, 4, 2}));
    // Codes 3, 5 and 6 all mean 16; the 2 the last session ended with is no change.
    process(onlyBlock(Activity, {2, 3, 5, 6}));
    // A skipped session changes nothing.
    process(0, OneSecondLater, 2, onlyBlock(Activity, {4}));
    process(onlyBlock(Activity, {6, 8}));
    EXPECT_EQ(delegate.named("activity"), (std::vector<HostEvent>{{"activity", S, {4}},
                                                                  {"activity", S + 666, {2}},
                                                                  {"activity", S + 250, {16}},
                                                                  {"activity", S + 500, {8}}}));
}

// Alternating 0 and 100: variation from the second sample, confirmed with the 43rd.
Bytes alternatingPressure(int first, int count) {
    Bytes records;
    for (int i = first; i < first + count; ++i) {
        const uint8_t value = i % 2 == 0 ? 0 : 100;
        records.insert(records.end(), {0, 0, 0, value});
    }
    return records;
}

TEST_F(SessionProcessorTest, PressureContactDetectorCarriesItsStateAcrossSessions) {
    process(onlyBlock(Pressure, alternatingPressure(0, 25)));
    EXPECT_EQ(delegate.named("pressure_lead_off"),
              (std::vector<HostEvent>{{"pressure_lead_off", 0, {3}}}));
    EXPECT_EQ(delegate.events()[2], (HostEvent{"pressure", S, {0}}));

    delegate.clear();
    process(onlyBlock(Pressure, alternatingPressure(25, 25)));
    // Sample 43 overall (a 0) is record 17 of the second session, at 17 x 40 ms; the contact
    // comes just before its value, after the wear state and 17 earlier values.
    const auto& events = delegate.events();
    ASSERT_EQ(events.size(), 27u);
    EXPECT_EQ(events[18], (HostEvent{"pressure_lead_off", 0, {0}}));
    EXPECT_EQ(events[19], (HostEvent{"pressure", S + 680, {0}}));
    EXPECT_EQ(delegate.named("pressure").size(), 25u);
}

// ---- Motion analysis ---------------------------------------------------------------------------

class MotionAnalysisTest : public SessionProcessorTest {
protected:
    void SetUp() override {
        processor.setContext(&events);
        processor.setMotionEventCallback(&::MotionEventRecorder::onEvent);
    }

public:
    static Blocks swingSession() {
        Blocks blocks = onlyBlock(Motion, swingMotion());
        blocks[Orientation] = sidewaysOrientation(2);
        return blocks;
    }

protected:
    std::vector<int> codes() const {
        return events.codesWhere([](int) { return true; });
    }
    ::MotionEventRecorder events;
};

TEST_F(MotionAnalysisTest, SwingInTheRecordedMotionReachesTheMotionEventCallback) {
    process(swingSession());
    EXPECT_EQ(codes(), (std::vector<int>{1}));
}

TEST_F(MotionAnalysisTest, RunsOnlyOverPairsOfMotionAndOrientationRecords) {
    Blocks motionOnly = onlyBlock(Motion, swingMotion());
    process(motionOnly);
    Blocks orientationOnly = onlyBlock(Orientation, sidewaysOrientation(2));
    process(orientationOnly);
    EXPECT_TRUE(codes().empty());
    // One orientation record pairs with the arming motion record only.
    Blocks oneOrientation = onlyBlock(Motion, swingMotion());
    oneOrientation[Orientation] = sidewaysOrientation(1);
    process(oneOrientation);
    EXPECT_TRUE(codes().empty());
}

TEST_F(MotionAnalysisTest, LaterSessionsNeverReuseTheRecordsOfAnEarlierOne) {
    process(swingSession());
    ASSERT_EQ(codes(), (std::vector<int>{1}));
    // Motion records alone, then neither: nothing to pair, though the earlier session's
    // orientation records would re-arm and fire the swing again.
    process(onlyBlock(Motion, swingMotion()));
    process(onlyBlock(HeartRate, {60}));
    // Orientation records alone, then a bad motion block.
    process(onlyBlock(Orientation, sidewaysOrientation(2)));
    Blocks badMotion = onlyBlock(Motion, Bytes(35, 0));
    badMotion[Orientation] = sidewaysOrientation(2);
    process(badMotion);
    EXPECT_EQ(codes(), (std::vector<int>{1}));
}

// Upright (identity quaternion) with the y and z accelerations swinging: the repetition
// counters run (angle y 0 to 6 degrees) and integrate at the rate they are given. The analysis
// must feed a motion detector exactly what a detector fed by hand receives: record i of each
// block paired, gravity (1 g along z for the identity) removed, the angles of the record, 56
// samples a second.
TEST_F(MotionAnalysisTest, FeedsTheDetectorEachRecordPairAt56SamplesASecond) {
    constexpr int records = 50;
    Bytes motion;
    Bytes orientation;
    ::MotionEventRecorder expected;
    MotionDetector reference;
    expected.attach(reference);
    for (int i = 0; i < records; ++i) {
        const double phase = 2.0 * 3.14159265358979 * i / 14.0;
        const auto y = static_cast<int16_t>(std::lround(28672.0 * std::sin(phase)));
        const auto z = static_cast<int16_t>(4096 + std::lround(8192.0 * std::sin(phase * 0.5)));
        const auto angle = static_cast<int16_t>(64 * (i % 7));  // 0 to 6 degrees
        const Bytes record = {0, 0, static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y),
                              static_cast<uint8_t>(z >> 8), static_cast<uint8_t>(z),
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        const Bytes level = {0x00, 0x00, static_cast<uint8_t>(angle >> 8),
                             static_cast<uint8_t>(angle), 0x00, 0x00, 0x40,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        motion.insert(motion.end(), record.begin(), record.end());
        orientation.insert(orientation.end(), level.begin(), level.end());
        const Vector3 linear(0.0f, static_cast<float>(y) / 4096.0f,
                             static_cast<float>(z) / 4096.0f - 1.0f);
        reference.process(Quaternion(0.0f, 0.0f, 0.0f, 1.0f), linear,
                          Vector3(0.0f, static_cast<float>(i % 7), 0.0f), 56.0f);
    }
    Blocks blocks = onlyBlock(Motion, motion);
    blocks[Orientation] = orientation;
    process(blocks);
    const auto all = [](int) { return true; };
    ASSERT_GE(expected.codesWhere(all).size(), 3u);
    EXPECT_EQ(codes(), expected.codesWhere(all));
}

TEST_F(MotionAnalysisTest, ProcessorThatSkipsTheAnalysisRaisesNoEvents) {
    SessionProcessor syncProcessor(&delegate, 1);
    syncProcessor.setContext(&events);
    syncProcessor.setMotionEventCallback(&::MotionEventRecorder::onEvent);
    const Bytes bytes = serialized(S, OneSecondLater, 0, swingSession());
    syncProcessor.sessionProcess(Session(bytes.data(), static_cast<uint16_t>(bytes.size()), 18),
                                 "sync");
    EXPECT_TRUE(codes().empty());
    EXPECT_EQ(delegate.named("accelerometer").size(), 2u);
}

// Notes how many samples the delegate had received when each motion event arrived.
struct OrderProbe {
    const SessionDelegateRecorder* delegate = nullptr;
    std::vector<size_t> samplesBefore;
    static void onEvent(void* context, int) {
        auto* self = static_cast<OrderProbe*>(context);
        self->samplesBefore.push_back(self->delegate->events().size());
    }
};

TEST_F(SessionProcessorTest, MotionEventsComeAfterEverySignal) {
    OrderProbe probe{&delegate, {}};
    processor.setContext(&probe);
    processor.setMotionEventCallback(&OrderProbe::onEvent);
    Blocks blocks = MotionAnalysisTest::swingSession();
    blocks[Gps] = Bytes(32, 0);
    process(blocks);
    // Wear state, two motion records (three samples each), two orientation records (two
    // each), one GPS record.
    ASSERT_EQ(delegate.events().size(), 12u);
    EXPECT_EQ(probe.samplesBefore, (std::vector<size_t>{12}));
}

// ---- A session delivered from inside a callback ------------------------------------------------

// A delegate that, at the first body position of the outer session (after its motion and
// orientation records), hands the same processor another session, as a host that feeds more
// data from a callback would.
class NestingDelegate final : public SessionDelegateRecorder {
public:
    SessionProcessor* processor = nullptr;
    const Session* inner = nullptr;
    void didReceiveBodyPosition(uint32_t v, uint64_t t) override {
        SessionDelegateRecorder::didReceiveBodyPosition(v, t);
        if (inner != nullptr) {
            const Session* nested = inner;
            inner = nullptr;
            processor->sessionProcess(*nested, "online");
        }
    }
};

TEST(SessionProcessorNesting, NestedSessionLeavesTheOuterSessionsTimesAndRecordsAlone) {
    NestingDelegate delegate;
    SessionProcessor processor(&delegate, 0);
    ::MotionEventRecorder events;
    processor.setContext(&events);
    processor.setMotionEventCallback(&::MotionEventRecorder::onEvent);

    Blocks outerBlocks = onlyBlock(BodyPosition, {1, 2});
    outerBlocks[Motion] = swingMotion();
    outerBlocks[Orientation] = sidewaysOrientation(2);
    outerBlocks[Signal15] = {5, 6};
    const Bytes outerBytes = serialized(S, OneSecondLater, 0, outerBlocks);
    // The inner session comes a day later, with motion records of its own.
    Blocks innerBlocks = onlyBlock(Motion, Bytes(36, 0));
    const Bytes innerBytes = serialized(S + 86400000, S + 86401000, 0, innerBlocks);
    const Session outer(outerBytes.data(), static_cast<uint16_t>(outerBytes.size()), 18);
    const Session inner(innerBytes.data(), static_cast<uint16_t>(innerBytes.size()), 18);
    delegate.processor = &processor;
    delegate.inner = &inner;

    processor.sessionProcess(outer, "online");
    EXPECT_EQ(timesOf(delegate.named("signal15")), (std::vector<uint64_t>{S, S + 500}));
    EXPECT_EQ(events.codesWhere([](int) { return true; }), (std::vector<int>{1}));
}

// ---- Log line and firmware ---------------------------------------------------------------------

TEST_F(SessionProcessorTest, SummaryLineGivesTheSessionInLocalTime) {
    const TenvikTest::ScopedTimeZone zone("XYZ-3");  // three hours east of UTC, no daylight saving
    TenvikTest::InternalLogRecorder log;
    process(S + 7, S + 86400000 + 1000, 0, Blocks{});
    EXPECT_EQ(log.lines(),
              (std::vector<Line>{{LogInfo,
                                  "SessionProcessor.sessionProcess 2001-09-09 04:46:40.007 "
                                  "endDate=2001-09-10 04:46:41.000"}}));
}

TEST(SessionProcessorFirmware, FirmwareAfter3775IsNotADayOff) {
    const struct {
        const char* revision;
        int64_t expected;
    } cases[] = {{"3.7.76", 0},        {"3.8.0", 0},         {"4.0", 0},
                 {"3.7.75.1", 0},      {"3.7.75", 86400000}, {"3.7.75.0", 86400000},
                 {"3.7.74", 86400000}, {"2.9.99", 86400000}, {"", 86400000},
                 {"3.7.", 86400000}};
    for (const auto& c : cases) {
        SessionDelegateRecorder delegate;
        SessionProcessor processor(&delegate, 0);
        processor.setFirmwareVersion(FirmwareVersion::fromText(c.revision));
        EXPECT_EQ(processor.getDayOffset(), c.expected) << c.revision;
    }
}

}  // namespace
}  // namespace Tenvik
