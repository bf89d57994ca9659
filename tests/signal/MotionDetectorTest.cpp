#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "MotionEventRecorder.h"
#include "signal/AccelerationPeakDetector.h"
#include "signal/MotionDetector.h"
#include "signal/PlankDetector.h"
#include "signal/RepCounter.h"
#include "signal/VerticalRepCounter.h"

namespace Tenvik {
namespace {

constexpr int kVertical = 0;
constexpr int kSwing = 1;
constexpr int kReturn = 2;
constexpr int kSwingAfterVertical = 3;
constexpr int kMinimum = 4;
constexpr int kMaximum = 5;
constexpr int kPlankStart = 6;
constexpr int kPlankEnd = 7;

// Rotations about x whose rotated vertical axis has the z component of the posture.
const Quaternion kUpright(0.0f, 0.0f, 0.0f, 1.0f);
const Quaternion kMiddle(0.70710677f, 0.0f, 0.0f, 0.70710677f);
const Quaternion kLying(1.0f, 0.0f, 0.0f, 0.0f);

const Vector3 kStill(0.0f, 0.0f, 0.0f);
const Vector3 kPlankAngles(0.0f, 60.0f, 0.0f);
const Vector3 kLevelAngles(0.0f, 0.0f, 0.0f);

float sine(int index, float amplitude, int period) {
    return amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * index / period));
}

bool isSwingFamily(int code) { return code <= kSwingAfterVertical; }

class MotionDetectorTest : public ::testing::Test {
protected:
    void SetUp() override { connect(); }

    void connect() { recorder.attach(detector); }

    void feed(const Quaternion& q, const Vector3& a, const Vector3& angles) {
        detector.process(q, a, angles, 30.0f);
        ++recorder.sample;
    }

    void feedRepeated(int count, const Quaternion& q, const Vector3& a, const Vector3& angles) {
        for (int i = 0; i < count; ++i) {
            feed(q, a, angles);
        }
    }

    MotionDetector detector;
    MotionEventRecorder recorder;
};

using Events = std::vector<std::pair<int, int>>;

// ---- plank -------------------------------------------------------------------------------

TEST_F(MotionDetectorTest, PlankStartsOnThe62ndSampleInPositionAndEndsOnThe62ndOut) {
    feedRepeated(61, kUpright, kStill, kPlankAngles);
    EXPECT_TRUE(recorder.events.empty());
    feed(kUpright, kStill, kPlankAngles);
    EXPECT_EQ(recorder.events, (Events{{61, kPlankStart}}));

    feedRepeated(100, kUpright, kStill, kPlankAngles);
    feedRepeated(61, kUpright, kStill, kLevelAngles);
    EXPECT_EQ(recorder.events.size(), 1u);
    feed(kUpright, kStill, kLevelAngles);
    EXPECT_EQ(recorder.events, (Events{{61, kPlankStart}, {223, kPlankEnd}}));
}

TEST_F(MotionDetectorTest, ReturningWhileLeavingResumesThePlankWithoutAnEnd) {
    feedRepeated(62, kUpright, kStill, kPlankAngles);
    feedRepeated(30, kUpright, kStill, kLevelAngles);
    feed(kUpright, kStill, kPlankAngles);
    feedRepeated(200, kUpright, kStill, kPlankAngles);
    EXPECT_EQ(recorder.events, (Events{{61, kPlankStart}, {92, kPlankStart}}));
}

TEST_F(MotionDetectorTest, AnInterruptionWhileEnteringRestartsTheHold) {
    feedRepeated(40, kUpright, kStill, kPlankAngles);
    feed(kUpright, kStill, kLevelAngles);
    feedRepeated(61, kUpright, kStill, kPlankAngles);
    EXPECT_TRUE(recorder.events.empty());
    feed(kUpright, kStill, kPlankAngles);
    EXPECT_EQ(recorder.events, (Events{{102, kPlankStart}}));
}

TEST_F(MotionDetectorTest, AnUnconfirmedEntryEndsWithoutAnyEvent) {
    feedRepeated(61, kUpright, kStill, kPlankAngles);
    feedRepeated(200, kUpright, kStill, kLevelAngles);
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(MotionDetectorTest, SteadyVerticalAccelerationDriftsOutOfPlankPosition) {
    // Within the acceleration limits, but the integrated vertical position drifts by more
    // than 0.01 from its trend after a few samples and for the rest of the run.
    feedRepeated(300, kUpright, Vector3(0.0f, 0.0f, 0.15f), kPlankAngles);
    EXPECT_TRUE(recorder.samplesWith(kPlankStart).empty());
}

class PlankCounts final : public PlankDetectorDelegate {
public:
    void didStartPlank(uint32_t count) override { starts.push_back(count); }
    void didEndPlank(uint32_t count) override { ends.push_back(count); }

    std::vector<uint32_t> starts;
    std::vector<uint32_t> ends;
};

TEST(PlankDetectorDelegation, PassesTheSampleCountAfterTheSample) {
    PlankCounts counts;
    PlankDetector plank(&counts);
    std::vector<int32_t> states;
    for (int i = 0; i < 62; ++i) {
        states.push_back(plank.update(kStill, kPlankAngles));
    }
    EXPECT_EQ(states.front(), PlankDetector::Entering);
    EXPECT_EQ(states[60], PlankDetector::Entering);
    EXPECT_EQ(states.back(), PlankDetector::Plank);
    EXPECT_EQ(plank.update(kStill, kLevelAngles), PlankDetector::Leaving);
    for (int i = 0; i < 61; ++i) {
        plank.update(kStill, kLevelAngles);
    }
    EXPECT_EQ(counts.starts, (std::vector<uint32_t>{62}));
    EXPECT_EQ(counts.ends, (std::vector<uint32_t>{124}));
}

// A delegate that feeds the detector one more sample from inside each notification: in
// position at the start, out of position at the end. Each comes after the sample that caused
// the notification, so it continues the plank, or the rest out of it, without a second one.
class NestingPlankDelegate final : public PlankDetectorDelegate {
public:
    void didStartPlank(uint32_t count) override {
        starts.push_back(count);
        plank->update(kStill, kPlankAngles);
    }
    void didEndPlank(uint32_t count) override {
        ends.push_back(count);
        plank->update(kStill, kLevelAngles);
    }

    PlankDetector* plank = nullptr;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> ends;
};

TEST(PlankDetectorDelegation, ASampleFedFromInsideANotificationComesAfterItsSample) {
    NestingPlankDelegate nesting;
    PlankDetector plank(&nesting);
    nesting.plank = &plank;
    for (int i = 0; i < 62; ++i) {
        plank.update(kStill, kPlankAngles);
    }
    // Samples 63 (fed inside) to 100 in position, then 62 out of it: the 62nd out is sample
    // 162, and the one fed inside its notification is the 163rd.
    for (int i = 0; i < 37; ++i) {
        plank.update(kStill, kPlankAngles);
    }
    for (int i = 0; i < 62; ++i) {
        plank.update(kStill, kLevelAngles);
    }
    EXPECT_EQ(nesting.starts, (std::vector<uint32_t>{62}));
    EXPECT_EQ(nesting.ends, (std::vector<uint32_t>{162}));
    EXPECT_EQ(plank.update(kStill, kLevelAngles), PlankDetector::OutOfPosition);
}

TEST(PlankDetectorDelegation, WorksWithoutADelegate) {
    PlankDetector plank(nullptr);
    int32_t state = 0;
    for (int i = 0; i < 62; ++i) {
        state = plank.update(kStill, kPlankAngles);
    }
    EXPECT_EQ(state, PlankDetector::Plank);
}

struct PositionCase {
    const char* name;
    Vector3 acceleration;
    Vector3 angles;
    float drift;
    bool inPosition;
};

class PlankPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PlankPositionTest, LimitsAreInclusive) {
    const PositionCase& c = GetParam();
    EXPECT_EQ(PlankDetector::inPosition(c.acceleration, c.angles, c.drift), c.inPosition);
}

// The y and z accelerations and the drift are held against the limits in double precision,
// where the float nearest 0.2 lies above 0.2 and the float nearest 0.01 below 0.01.
INSTANTIATE_TEST_SUITE_P(
    Limits, PlankPositionTest,
    ::testing::Values(
        PositionCase{"Centre", {0, 0, 0}, {0, 60, 0}, 0.0f, true},
        PositionCase{"XAtLimit", {0.25f, 0, 0}, {0, 60, 0}, 0.0f, true},
        PositionCase{"XNegativeAtLimit", {-0.25f, 0, 0}, {0, 60, 0}, 0.0f, true},
        PositionCase{"XBeyond", {0.26f, 0, 0}, {0, 60, 0}, 0.0f, false},
        PositionCase{"YFloatNearestLimit", {0, 0.2f, 0}, {0, 60, 0}, 0.0f, false},
        PositionCase{"YNegativeFloatNearestLimit", {0, -0.2f, 0}, {0, 60, 0}, 0.0f, false},
        PositionCase{"YJustInside", {0, 0.19999999f, 0}, {0, 60, 0}, 0.0f, true},
        PositionCase{"ZFloatNearestLimit", {0, 0, 0.2f}, {0, 60, 0}, 0.0f, false},
        PositionCase{"ZInside", {0, 0, -0.19f}, {0, 60, 0}, 0.0f, true},
        PositionCase{"DriftFloatNearestLimit", {0, 0, 0}, {0, 60, 0}, 0.01f, true},
        PositionCase{"DriftNegativeNearestLimit", {0, 0, 0}, {0, 60, 0}, -0.01f, true},
        PositionCase{"DriftBeyond", {0, 0, 0}, {0, 60, 0}, 0.0101f, false},
        PositionCase{"AngleYLowest", {0, 0, 0}, {0, 54, 0}, 0.0f, true},
        PositionCase{"AngleYBelow", {0, 0, 0}, {0, 53.9f, 0}, 0.0f, false},
        PositionCase{"AngleYHighest", {0, 0, 0}, {0, 80, 0}, 0.0f, true},
        PositionCase{"AngleYAbove", {0, 0, 0}, {0, 80.1f, 0}, 0.0f, false},
        PositionCase{"AngleZLowest", {0, 0, 0}, {0, 60, -13}, 0.0f, true},
        PositionCase{"AngleZBelow", {0, 0, 0}, {0, 60, -13.1f}, 0.0f, false},
        PositionCase{"AngleZHighest", {0, 0, 0}, {0, 60, 7}, 0.0f, true},
        PositionCase{"AngleZAbove", {0, 0, 0}, {0, 60, 7.1f}, 0.0f, false},
        PositionCase{"AngleXIgnored", {0, 0, 0}, {-170, 60, 0}, 0.0f, true}),
    [](const ::testing::TestParamInfo<PositionCase>& testCase) { return testCase.param.name; });

// ---- vertical repetitions ----------------------------------------------------------------

// Vertical displacement of a 0.5 g sine of 60 samples at 30 samples per second: computed
// independently from the integrator, filter and smoothing formulas in single precision.
const std::vector<int> kVerticalRepetitions = {84, 142, 201, 261, 321, 381, 441, 501, 561};

TEST_F(MotionDetectorTest, CountsVerticalRepetitionsUpright) {
    for (int i = 0; i < 600; ++i) {
        feed(kUpright, Vector3(0.0f, 0.0f, sine(i, 0.5f, 60)), kLevelAngles);
    }
    EXPECT_EQ(recorder.samplesWith(kVertical), kVerticalRepetitions);
    EXPECT_EQ(recorder.events.size(), kVerticalRepetitions.size());
}

TEST_F(MotionDetectorTest, VerticalCounterHoldsItsStateOutsideTheUprightPosture) {
    constexpr int kPauseAt = 150;
    constexpr int kPause = 50;
    int phase = 0;
    for (int i = 0; i < 650; ++i) {
        if (i >= kPauseAt && i < kPauseAt + kPause) {
            feed(kMiddle, Vector3(0.0f, 0.0f, 0.7f), kLevelAngles);
            EXPECT_FALSE(detector.updateVertical(1, 30.0f, Vector3(0.0f, 0.0f, 0.7f)));
            continue;
        }
        feed(kUpright, Vector3(0.0f, 0.0f, sine(phase++, 0.5f, 60)), kLevelAngles);
    }
    std::vector<int> expected;
    for (int index : kVerticalRepetitions) {
        expected.push_back(index < kPauseAt ? index : index + kPause);
    }
    EXPECT_EQ(recorder.samplesWith(kVertical), expected);
}

TEST(VerticalRepCounterStep, ARepetitionIsAMinimumAfterAnEarlierTurn) {
    VerticalRepCounter counter;
    // Smoothed values 0.05, -0.0025, 0.047625: rising, falling, then rising again.
    EXPECT_FALSE(counter.step(1.0f, 2));
    EXPECT_FALSE(counter.step(-1.0f, 2));
    EXPECT_TRUE(counter.step(1.0f, 2));
    EXPECT_FALSE(counter.step(1.0f, 2));
}

TEST(VerticalRepCounterStep, LeavingTheUprightPostureForgetsThePhase) {
    VerticalRepCounter counter;
    EXPECT_FALSE(counter.step(1.0f, 2));
    EXPECT_FALSE(counter.step(-1.0f, 2));
    EXPECT_FALSE(counter.step(0.0f, 1));
    EXPECT_FALSE(counter.step(1.0f, 2));  // a minimum, but the phase was forgotten
    EXPECT_FALSE(counter.step(-1.0f, 2));
    EXPECT_TRUE(counter.step(1.0f, 2));
}

TEST(VerticalRepCounterStep, SmallChangesAreIgnored) {
    VerticalRepCounter counter;
    EXPECT_FALSE(counter.step(1.0f, 2));
    EXPECT_FALSE(counter.step(-1.0f, 2));  // falling, smoothed -0.0025
    EXPECT_FALSE(counter.step(0.0f, 2));   // smoothed -0.002375: a rise below 0.001
    EXPECT_TRUE(counter.step(1.0f, 2));
}

TEST(VerticalRepCounterSmooth, BlendsIntoThePreviousValueClampedToOne) {
    VerticalRepCounter counter;
    EXPECT_FLOAT_EQ(counter.smooth(100.0f), 5.0f);
    EXPECT_FLOAT_EQ(counter.smooth(100.0f), 0.95f + 5.0f);
    EXPECT_FLOAT_EQ(counter.smooth(-100.0f), 0.95f - 5.0f);
    EXPECT_FLOAT_EQ(counter.smooth(0.0f), -0.95f);
}

// ---- repetitions at minima and maxima ----------------------------------------------------

// y displacement of a 0.5 g sine of 60 samples at 30 samples per second, computed
// independently. The first turn only sets the direction, so ten periods give nine minima.
const std::vector<int> kMinima = {70, 129, 188, 248, 308, 368, 428, 488, 548};
const std::vector<int> kMaxima = {36, 98, 158, 218, 278, 338, 398, 458, 518, 578};

struct RepetitionCase {
    const char* name;
    Quaternion orientation;
    float amplitude;
    float angleY;
    bool counted;
};

class RepetitionTest : public ::testing::TestWithParam<RepetitionCase> {};

TEST_P(RepetitionTest, CountsMinimaAndMaximaOfTheYDisplacement) {
    const RepetitionCase& c = GetParam();
    MotionDetector detector;
    MotionEventRecorder recorder;
    recorder.attach(detector);
    for (int i = 0; i < 600; ++i) {
        recorder.sample = i;
        detector.process(c.orientation, Vector3(0.0f, sine(i, c.amplitude, 60), 0.0f),
                         Vector3(0.0f, c.angleY, 0.0f), 30.0f);
    }
    EXPECT_EQ(recorder.samplesWith(kMinimum), c.counted ? kMinima : std::vector<int>{});
    EXPECT_EQ(recorder.samplesWith(kMaximum), c.counted ? kMaxima : std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(
    Postures, RepetitionTest,
    ::testing::Values(RepetitionCase{"Upright", kUpright, 0.5f, 0.0f, true},
                      RepetitionCase{"Middle", kMiddle, 0.5f, 0.0f, true},
                      RepetitionCase{"Lying", kLying, 0.5f, 0.0f, true},
                      // Too little travel between turns (below 0.02).
                      RepetitionCase{"SmallMovement", kMiddle, 0.05f, 0.0f, false},
                      // The tilt counts by its whole degrees: 60.9 is 60.
                      RepetitionCase{"TiltJustInside", kMiddle, 0.5f, 60.9f, true},
                      RepetitionCase{"TiltNegativeJustInside", kMiddle, 0.5f, -60.9f, true},
                      RepetitionCase{"TiltBeyond", kMiddle, 0.5f, 61.0f, false},
                      RepetitionCase{"TiltNegativeBeyond", kMiddle, 0.5f, -61.0f, false},
                      RepetitionCase{"TiltNotANumber", kMiddle, 0.5f, std::nanf(""), false},
                      RepetitionCase{"TiltHuge", kMiddle, 0.5f, 3.0e9f, false}),
    [](const ::testing::TestParamInfo<RepetitionCase>& testCase) { return testCase.param.name; });

TEST(RepCounterTurn, CountsMinimaThatTravelFarEnoughFromTheLastTurn) {
    RepCounter minima;
    EXPECT_FALSE(minima.turn(0.0f, 0, false));  // sets the direction: rising
    EXPECT_FALSE(minima.turn(0.5f, 0, false));
    EXPECT_FALSE(minima.turn(0.4f, 0, false));  // a maximum: reference 0.4
    EXPECT_FALSE(minima.turn(0.39f, 0, false));
    EXPECT_FALSE(minima.turn(0.395f, 0, false));  // a minimum 0.005 from the reference
    EXPECT_FALSE(minima.turn(0.3f, 0, false));    // a maximum: reference 0.3
    EXPECT_TRUE(minima.turn(0.35f, 0, false));    // a minimum 0.05 from the reference
}

TEST(RepCounterTurn, CountsMaxima) {
    RepCounter maxima;
    EXPECT_FALSE(maxima.turn(0.0f, 0, true));  // sets the direction: rising
    EXPECT_FALSE(maxima.turn(0.01f, 0, true));
    EXPECT_FALSE(maxima.turn(0.0f, 0, true));  // a maximum no distance from reference 0
    EXPECT_FALSE(maxima.turn(-0.5f, 0, true));
    EXPECT_FALSE(maxima.turn(-0.4f, 0, true));  // a minimum: reference -0.4
    EXPECT_TRUE(maxima.turn(-0.45f, 0, true));  // a maximum 0.05 from the reference
}

TEST(RepCounterTurn, OutsideTheTiltLimitsNothingChanges) {
    RepCounter minima;
    EXPECT_FALSE(minima.turn(0.0f, 0, false));
    EXPECT_FALSE(minima.turn(0.5f, 0, false));
    EXPECT_FALSE(minima.turn(0.3f, 0, false));  // a maximum: reference 0.3, falling
    EXPECT_FALSE(minima.turn(0.9f, 61, false));
    EXPECT_FALSE(minima.turn(0.1f, -61, false));
    EXPECT_FALSE(minima.turn(0.2f, 0, false));  // still falling from 0.3
    EXPECT_TRUE(minima.turn(0.25f, 60, false));
}

// ---- swings and returns ------------------------------------------------------------------

TEST_F(MotionDetectorTest, FirstSampleCanSwingBecauseTheDetectorStartsArmed) {
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    EXPECT_EQ(recorder.events, (Events{{0, kSwing}}));
}

TEST_F(MotionDetectorTest, EachSwingNeedsRearming) {
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    feed(kMiddle, Vector3(0.0f, 0.5f, 0.0f), kLevelAngles);
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    feed(kMiddle, Vector3(0.0f, 0.81f, 0.0f), kLevelAngles);
    feed(kMiddle, Vector3(0.0f, -1.01f, 0.0f), kLevelAngles);
    EXPECT_EQ(recorder.samplesWith(kSwing), (std::vector<int>{0, 5}));
}

TEST_F(MotionDetectorTest, UprightAndLyingPosturesArmFromTheZAcceleration) {
    feed(kUpright, Vector3(0.0f, 0.0f, -1.5f), kLevelAngles);  // disarms
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    feed(kLying, Vector3(0.0f, 0.0f, 0.9f), kLevelAngles);   // arms
    feed(kLying, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);  // lying never swings
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    EXPECT_EQ(recorder.samplesWith(kSwing), (std::vector<int>{4}));
}

TEST_F(MotionDetectorTest, SwingRightAfterAVerticalRepetitionAlsoReportsCode3Once) {
    for (int i = 0; i <= kVerticalRepetitions.front(); ++i) {
        feed(kUpright, Vector3(0.0f, 0.0f, sine(i, 0.5f, 60)), kLevelAngles);
    }
    ASSERT_EQ(recorder.samplesWith(kVertical), (std::vector<int>{kVerticalRepetitions.front()}));

    const int firstSwing = recorder.sample;
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    feed(kMiddle, Vector3(0.0f, 1.0f, 0.0f), kLevelAngles);
    const int secondSwing = recorder.sample;
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);

    EXPECT_EQ(recorder.codesWhere(isSwingFamily),
              (std::vector<int>{kVertical, kSwing, kSwingAfterVertical, kSwing}));
    EXPECT_EQ(recorder.samplesWith(kSwingAfterVertical), (std::vector<int>{firstSwing}));
    EXPECT_EQ(recorder.samplesWith(kSwing), (std::vector<int>{firstSwing, secondSwing}));
}

TEST_F(MotionDetectorTest, StateAdvancesWithoutACallback) {
    detector.setEventCallback(nullptr);
    for (int i = 0; i <= kVerticalRepetitions.front(); ++i) {
        feed(kUpright, Vector3(0.0f, 0.0f, sine(i, 0.5f, 60)), kLevelAngles);
    }
    connect();
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    EXPECT_EQ(recorder.codesWhere(isSwingFamily), (std::vector<int>{kSwing, kSwingAfterVertical}));
}

TEST_F(MotionDetectorTest, PlankStateAdvancesWithoutACallback) {
    detector.setEventCallback(nullptr);
    feedRepeated(100, kUpright, kStill, kPlankAngles);
    connect();
    feedRepeated(61, kUpright, kStill, kLevelAngles);
    EXPECT_TRUE(recorder.events.empty());
    feed(kUpright, kStill, kLevelAngles);
    EXPECT_EQ(recorder.events, (Events{{161, kPlankEnd}}));
}

TEST_F(MotionDetectorTest, ContextReachesTheCallback) {
    MotionEventRecorder other;
    detector.setContext(&other);
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(other.events, (Events{{0, kSwing}}));
}

struct ReturnCase {
    const char* name;
    std::vector<int> postures;
    std::vector<int> returnsAt;
};

class ReturnToMiddleTest : public ::testing::TestWithParam<ReturnCase> {};

TEST_P(ReturnToMiddleTest, ReportsAReturnFromLyingOnlyAfterTheMiddlePosture) {
    MotionDetector detector;
    MotionEventRecorder recorder;
    recorder.attach(detector);
    const Quaternion byPosture[] = {kLying, kMiddle, kUpright};
    for (int posture : GetParam().postures) {
        detector.process(byPosture[posture], kStill, kLevelAngles, 30.0f);
        ++recorder.sample;
    }
    EXPECT_EQ(recorder.samplesWith(kReturn), GetParam().returnsAt);
    EXPECT_EQ(recorder.events.size(), GetParam().returnsAt.size());
}

INSTANTIATE_TEST_SUITE_P(Sequences, ReturnToMiddleTest,
                         ::testing::Values(ReturnCase{"MiddleLyingMiddle", {1, 0, 1}, {2}},
                                           ReturnCase{"UprightLyingMiddle", {2, 0, 1}, {}},
                                           ReturnCase{"LongerLying", {1, 0, 0, 0, 1, 1}, {4}},
                                           ReturnCase{"ThroughUpright", {1, 2, 0, 1}, {}},
                                           ReturnCase{"FreshLyingMiddle", {0, 1}, {}},
                                           ReturnCase{"Twice", {1, 0, 1, 0, 1}, {2, 4}}),
                         [](const ::testing::TestParamInfo<ReturnCase>& testCase) {
                             return testCase.param.name;
                         });

TEST(MotionDetectorSwingOverReturn, ASwingTakesPrecedenceOverTheReturn) {
    MotionDetector detector;
    MotionEventRecorder recorder;
    recorder.attach(detector);
    detector.process(kMiddle, kStill, kLevelAngles, 30.0f);
    detector.process(kLying, kStill, kLevelAngles, 30.0f);
    detector.process(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles, 30.0f);
    EXPECT_EQ(recorder.codesWhere(isSwingFamily), (std::vector<int>{kSwing}));
}

// ---- posture -----------------------------------------------------------------------------

struct PostureCase {
    double verticalZ;
    int posture;
};

class PostureTest : public ::testing::TestWithParam<PostureCase> {};

TEST_P(PostureTest, FollowsTheRotatedVerticalAxis) {
    // A rotation by theta about x turns the vertical axis to z = cos(theta).
    const double theta = std::acos(GetParam().verticalZ);
    const Quaternion q(static_cast<float>(std::sin(theta / 2)), 0.0f, 0.0f,
                       static_cast<float>(std::cos(theta / 2)));
    EXPECT_EQ(MotionDetector::postureOf(q), GetParam().posture);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, PostureTest,
                         ::testing::Values(PostureCase{1.0, 2}, PostureCase{0.7, 2},
                                           PostureCase{0.6, 1}, PostureCase{0.0, 1},
                                           PostureCase{-0.6, 1}, PostureCase{-0.7, 0},
                                           PostureCase{-1.0, 0}));

TEST(MotionDetectorPosture, ZeroQuaternionIsTheMiddlePosture) {
    EXPECT_EQ(MotionDetector::postureOf(Quaternion()), 1);
}

// The posture limits are held in double precision, where the float nearest 0.65
// (0.64999998) lies inside the middle band. With w = 1 and x = 0.591607988 the rotated
// vertical axis has z = 1 - x^2 = 0.64999998 in single precision, one step lower down
// (x = 0.591607928) it is 0.65000010; swapping w and x negates z.
struct PostureLimitCase {
    const char* name;
    Quaternion q;
    int posture;
};
class PostureLimitTest : public ::testing::TestWithParam<PostureLimitCase> {};
TEST_P(PostureLimitTest, ComparesTheRotatedAxisInDoublePrecision) {
    EXPECT_EQ(MotionDetector::postureOf(GetParam().q), GetParam().posture);
}
INSTANTIATE_TEST_SUITE_P(
    Limits, PostureLimitTest,
    ::testing::Values(
        PostureLimitCase{"FloatNearestUpperLimit", {0.5916079878807068f, 0, 0, 1}, 1},
        PostureLimitCase{"AboveUpperLimit", {0.591607928276062f, 0, 0, 1}, 2},
        PostureLimitCase{"FloatNearestLowerLimit", {1, 0, 0, 0.5916079878807068f}, 1},
        PostureLimitCase{"BelowLowerLimit", {1, 0, 0, 0.591607928276062f}, 0}),
    [](const ::testing::TestParamInfo<PostureLimitCase>& testCase) {
        return testCase.param.name;
    });

// The arming and firing levels are held in double precision too: the float nearest 0.8
// (0.80000001) is above 0.8 and arms; -1 itself does not fire.
struct PeakLevelCase {
    float value;
    int32_t level;
};
class PeakLevelTest : public ::testing::TestWithParam<PeakLevelCase> {};
TEST_P(PeakLevelTest, ClassifiesInDoublePrecision) {
    EXPECT_EQ(AccelerationPeakDetector::classify(1, GetParam().value), GetParam().level);
}
INSTANTIATE_TEST_SUITE_P(Levels, PeakLevelTest,
                         ::testing::Values(PeakLevelCase{0.8f, 1},
                                           PeakLevelCase{0.79999995f, 2},
                                           PeakLevelCase{0.0f, 2}, PeakLevelCase{-1.0f, 2},
                                           PeakLevelCase{-1.0000001f, 0}));

TEST_F(MotionDetectorTest, TheFloatNearest08ArmsASwing) {
    feed(kMiddle, Vector3(0.0f, -1.5f, 0.0f), kLevelAngles);  // the armed start fires
    feed(kMiddle, Vector3(0.0f, 0.8f, 0.0f), kLevelAngles);   // re-arms
    feed(kMiddle, Vector3(0.0f, -1.0f, 0.0f), kLevelAngles);  // -1 is not below -1
    feed(kMiddle, Vector3(0.0f, -1.0000001f, 0.0f), kLevelAngles);
    EXPECT_EQ(recorder.samplesWith(kSwing), (std::vector<int>{0, 3}));
}

}  // namespace
}  // namespace Tenvik
