#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "MotionEventRecorder.h"
#include "signal/EcgLeadOffDetector.h"
#include "signal/OrientationFilter.h"
#include "signal/RespirationFilterChain.h"
#include "signal/RespirationRateEstimator.h"
#include "signal/SignalProcessor.h"

namespace Tenvik {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Pair;

// Keeps every result of the signal chain.
class ResultRecorder final : public ISignalProcessor {
public:
    void didCalculateHeartRate(uint32_t value, uint64_t timestamp) override {
        heartRates.emplace_back(value, timestamp);
    }
    void didCalculateRespirationRate(uint32_t value, uint64_t timestamp) override {
        respirationRates.emplace_back(value, timestamp);
    }

    std::vector<std::pair<uint32_t, uint64_t>> heartRates;
    std::vector<std::pair<uint32_t, uint64_t>> respirationRates;
};

// A breathing signal sampled at 500 per second.
float breath(int index, int breathsPerMinute, float amplitude = 0.01f, float offset = 0.0f) {
    const double period = 500.0 * 60.0 / breathsPerMinute;
    return static_cast<float>(offset +
                              amplitude * std::sin(2.0 * std::numbers::pi * index / period));
}

constexpr uint64_t kStartTime = 1700000000000ull;

// ---- respiration rate --------------------------------------------------------------------

struct BreathingCase {
    int breathsPerMinute;
    float offset;
    std::vector<uint32_t> counts;  // at samples 7500, 15000, 22500, 30000, 37500
};

class RespirationRateTest : public ::testing::TestWithParam<BreathingCase> {};

// The counts were computed independently from the filter designs and the peak count. Until
// the window is full the zero-filled rest adds nothing, so the count grows by a quarter of the
// rate per report; once full, the window holds one minute of breathing. The window is read
// from its start whatever the write position, so the seam of the oldest and newest samples
// can add a peak (the fifth report).
TEST_P(RespirationRateTest, CountsBreathsOfASyntheticSignal) {
    const BreathingCase& c = GetParam();
    ResultRecorder results;
    auto processor = std::make_unique<SignalProcessor>(&results);
    for (int i = 0; i < 37500; ++i) {
        processor->processRespiration(breath(i, c.breathsPerMinute, 0.01f, c.offset),
                                      kStartTime + static_cast<uint64_t>(i));
    }
    ASSERT_EQ(results.respirationRates.size(), 5u);
    for (size_t report = 0; report < 5; ++report) {
        SCOPED_TRACE(report);
        EXPECT_EQ(results.respirationRates[report].first, c.counts[report]);
        // The timestamp of the sample that completed the count.
        EXPECT_EQ(results.respirationRates[report].second, kStartTime + 7500 * (report + 1) - 1);
    }
    EXPECT_TRUE(results.heartRates.empty());
}

INSTANTIATE_TEST_SUITE_P(Rates, RespirationRateTest,
                         ::testing::Values(BreathingCase{12, 0.0f, {3, 6, 9, 12, 13}},
                                           BreathingCase{15, 0.0f, {4, 8, 12, 15, 15}},
                                           BreathingCase{20, 0.0f, {5, 10, 15, 20, 21}},
                                           BreathingCase{15, 0.5f, {3, 7, 11, 14, 16}}));

TEST(SignalProcessorRespiration, ReturnsTheFilteredSample) {
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    RespirationFilterChain reference;
    for (int i = 0; i < 2000; ++i) {
        const float sample = breath(i, 15, 0.01f, 0.2f);
        ASSERT_EQ(processor->processRespiration(sample, 0), reference.process(sample)) << i;
    }
}

TEST(SignalProcessorRespiration, ASilentSignalHasNoBreaths) {
    ResultRecorder results;
    auto processor = std::make_unique<SignalProcessor>(&results);
    for (int i = 0; i < 15000; ++i) {
        processor->processRespiration(0.0f, static_cast<uint64_t>(i));
    }
    EXPECT_THAT(results.respirationRates, ElementsAre(Pair(0u, 7499u), Pair(0u, 14999u)));
}

TEST(SignalProcessorHeartRate, IsForwardedToTheDelegate) {
    ResultRecorder results;
    auto processor = std::make_unique<SignalProcessor>(&results);
    processor->didCalculateHeartRate(61, 42);
    processor->didCalculateRespirationRate(14, 43);
    EXPECT_THAT(results.heartRates, ElementsAre(Pair(61u, 42u)));
    EXPECT_THAT(results.respirationRates, ElementsAre(Pair(14u, 43u)));
}

class RespirationRateEstimatorTest : public ::testing::Test {
protected:
    void push(int count, double value) {
        for (int i = 0; i < count; ++i) {
            estimator->pushRespirationSample(value, ++time);
        }
    }

    ResultRecorder owner;
    std::unique_ptr<RespirationRateEstimator> estimator =
        std::make_unique<RespirationRateEstimator>(&owner);
    uint64_t time = 0;
};

TEST_F(RespirationRateEstimatorTest, ReportsEveryQuarterWindowCountingTheWholeBuffer) {
    EXPECT_EQ(estimator->lastRespirationRate(), -1);
    // Three peaks, the first rising from a trough of 0.5.
    estimator->pushRespirationSample(0.5, ++time);
    estimator->pushRespirationSample(1.0, ++time);
    estimator->pushRespirationSample(0.5, ++time);
    push(100, 0.0);
    // Zeros never become the trough, so these peaks rise from the trough of 0.5 and 0.6.
    estimator->pushRespirationSample(0.6, ++time);
    estimator->pushRespirationSample(0.9, ++time);
    estimator->pushRespirationSample(0.6, ++time);
    estimator->pushRespirationSample(0.8, ++time);
    estimator->pushRespirationSample(0.1, ++time);
    push(7500 - 108 - 1, 0.0);
    EXPECT_TRUE(owner.respirationRates.empty());
    push(1, 0.0);
    EXPECT_THAT(owner.respirationRates, ElementsAre(Pair(3u, 7500u)));
    EXPECT_EQ(estimator->lastRespirationRate(), 3);

    // Nothing new in the next three quarters: the same peaks, still in the buffer.
    push(22500, 0.0);
    ASSERT_EQ(owner.respirationRates.size(), 4u);
    EXPECT_THAT(owner.respirationRates.back(), Pair(3u, 30000u));

    // The window wraps: the next quarter overwrites the start, peaks included.
    push(7500, 0.0);
    EXPECT_THAT(owner.respirationRates.back(), Pair(0u, 37500u));
    EXPECT_EQ(estimator->lastRespirationRate(), 0);
}

struct PeakCase {
    const char* name;
    std::vector<double> values;
    uint32_t peaks;
};

class CountPeaksTest : public ::testing::TestWithParam<PeakCase> {};

TEST_P(CountPeaksTest, CountsProminentMaxima) {
    const PeakCase& c = GetParam();
    EXPECT_EQ(countPeaks(c.values.data(), 7e-7, static_cast<int32_t>(c.values.size())), c.peaks);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CountPeaksTest,
    ::testing::Values(PeakCase{"Empty", {}, 0}, PeakCase{"Single", {1.0}, 0},
                      PeakCase{"OnePeak", {1.0, 2.0, 1.0}, 1},
                      PeakCase{"RiseFromZero", {0.0, 1.0, 0.0}, 1},
                      PeakCase{"PeakAtZeroNeverCounts", {-1.0, 0.0, -1.0}, 0},
                      PeakCase{"StartsFalling", {2.0, 1.0, 2.0, 1.0}, 1},
                      PeakCase{"PlateauCountsOnce", {1.0, 2.0, 2.0, 2.0, 1.0}, 1},
                      PeakCase{"PlateauThenRiseCountsOnce", {1.0, 2.0, 2.0, 3.0, 1.0}, 1},
                      PeakCase{"PlateauAtTheEndDoesNotCount", {1.0, 2.0, 2.0}, 0},
                      PeakCase{"RiseAtTheEndDoesNotCount", {1.0, 2.0}, 0},
                      PeakCase{"BelowProminence", {1.0, 1.0000005, 1.0}, 0},
                      PeakCase{"AboveProminence", {1.0, 1.000001, 1.0}, 1},
                      PeakCase{"ShallowDipDoesNotSplitAPeak", {0.1, 0.5, 0.4999999, 0.5, 0.1}, 1},
                      PeakCase{"TwoPeaks", {0.1, 0.5, 0.2, 0.6, 0.1}, 2},
                      PeakCase{"NotANumberBreaksTheRun", {1.0, 2.0, std::nan(""), 1.0}, 0},
                      PeakCase{"NotANumberCountsAsARise", {1.0, 2.0, std::nan(""), 3.0, 1.0}, 1},
                      PeakCase{"AllZero", {0.0, 0.0, 0.0, 0.0}, 0}),
    [](const ::testing::TestParamInfo<PeakCase>& testCase) { return testCase.param.name; });

// ---- ECG lead-off ------------------------------------------------------------------------

TEST(EcgLeadOff, StartsLeadOffAndClearsOnThe502ndQuietSample) {
    EcgLeadOffDetector detector;
    for (int i = 0; i < 501; ++i) {
        ASSERT_TRUE(detector.update(0.0f)) << i;
    }
    EXPECT_FALSE(detector.update(0.0f));
}

TEST(EcgLeadOff, ADriftingMeanSetsLeadOffAfterTheSameHold) {
    EcgLeadOffDetector detector;
    for (int i = 0; i < 502; ++i) {
        detector.update(0.0f);
    }
    // 24 samples of 1.0 give a mean of exactly 0.04, not above it; the 25th is the first that
    // disagrees, the 526th the 502nd in a row.
    for (int i = 1; i < 526; ++i) {
        ASSERT_FALSE(detector.update(1.0f)) << i;
    }
    EXPECT_TRUE(detector.update(1.0f));
}

TEST(EcgLeadOff, AnAgreeingSampleRestartsTheHold) {
    EcgLeadOffDetector detector;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(detector.update(0.0f));
    }
    EXPECT_TRUE(detector.update(25.0f));   // mean 0.0417: agrees with lead off
    EXPECT_TRUE(detector.update(-25.0f));  // mean 0 again: first of a new run
    for (int i = 1; i < 501; ++i) {
        ASSERT_TRUE(detector.update(0.0f)) << i;
    }
    EXPECT_FALSE(detector.update(0.0f));
}

TEST(EcgLeadOff, NegativeMeansCountAsLeadOff) {
    EcgLeadOffDetector detector;
    EXPECT_FALSE(detector.updateUndebounced(-24.0f));
    EXPECT_TRUE(detector.updateUndebounced(-1.0f));
}

TEST(EcgLeadOff, UndebouncedTestFollowsTheMeanAtOnce) {
    EcgLeadOffDetector detector;
    for (int i = 0; i < 24; ++i) {
        ASSERT_FALSE(detector.updateUndebounced(1.0f)) << i;
    }
    EXPECT_TRUE(detector.updateUndebounced(1.0f));
    // The rest of the window fills with zeros; then the position wraps and the first zero
    // written over a one brings the mean back to 0.04.
    for (int i = 25; i < 600; ++i) {
        ASSERT_TRUE(detector.updateUndebounced(0.0f)) << i;
    }
    EXPECT_FALSE(detector.updateUndebounced(0.0f));
}

TEST(EcgLeadOff, TheMeanIsRoundedToFloatBeforeTheTest) {
    EcgLeadOffDetector detector;
    EXPECT_FALSE(detector.updateUndebounced(24.0f));  // mean exactly 0.04
    // Sum 24.0000005: the mean 0.0400000008 lies above 0.04 but rounds to the float below it.
    EXPECT_FALSE(detector.updateUndebounced(5e-7f));
    // Sum 24.0000015: the mean rounds to the float 0.0400000028, above the limit.
    EXPECT_TRUE(detector.updateUndebounced(1e-6f));
}

TEST(EcgLeadOff, DebounceScalesTheHold) {
    EcgLeadOffDetector detector;
    for (int i = 0; i < 1001; ++i) {
        ASSERT_TRUE(detector.debounce(false, 2.0f)) << i;
    }
    EXPECT_FALSE(detector.debounce(false, 2.0f));
    EXPECT_FALSE(detector.debounce(false, 0.0f));
    EXPECT_FALSE(detector.debounce(true, 0.0f));
    EXPECT_TRUE(detector.debounce(true, 0.0f));
}

struct RangeCase {
    float amplitude;
    bool implausibleAfterSettling;
};

class EcgRangeTest : public ::testing::TestWithParam<RangeCase> {};

// A tone at a quarter of the sample rate passes the notch's complement unchanged, so the
// window's range settles at twice the amplitude (computed independently: 0.2, 2.0 and 3.0).
TEST_P(EcgRangeTest, TestsTheRangeOfTheNotchedOutPart) {
    EcgLeadOffDetector detector;
    const float a = GetParam().amplitude;
    const float tone[] = {a, 0.0f, -a, 0.0f};
    bool result = false;
    for (int i = 0; i < 2000; ++i) {
        result = detector.updateRange(tone[i % 4]);
    }
    EXPECT_EQ(result, GetParam().implausibleAfterSettling);
}

INSTANTIATE_TEST_SUITE_P(Amplitudes, EcgRangeTest,
                         ::testing::Values(RangeCase{0.1f, true}, RangeCase{1.0f, false},
                                           RangeCase{1.5f, true}));

TEST(EcgLeadOff, RangeOfAFreshWindowIsTooNarrow) {
    EcgLeadOffDetector detector;
    EXPECT_TRUE(detector.updateRange(0.0f));
}

TEST(EcgLeadOff, TwoDetectorsKeepTheirOwnRangePositions) {
    EcgLeadOffDetector first;
    EcgLeadOffDetector second;
    EcgLeadOffDetector alone;
    const float tone[] = {1.5f, 0.0f, -1.5f, 0.0f};
    for (int i = 0; i < 1200; ++i) {
        const bool expected = alone.updateRange(tone[i % 4]);
        ASSERT_EQ(first.updateRange(tone[i % 4]), expected) << i;
        second.updateRange(0.0f);
    }
}

TEST(SignalProcessorLeadOff, TestsRawSamples) {
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    for (int i = 0; i < 501; ++i) {
        ASSERT_TRUE(processor->detectLeadOff(0.0f)) << i;
    }
    EXPECT_FALSE(processor->detectLeadOff(0.0f));
}

// ---- two processors ----------------------------------------------------------------------

TEST(TwoSignalProcessors, LeadOffDetectionIsPerProcessor) {
    auto quiet = std::make_unique<SignalProcessor>(nullptr);
    auto detached = std::make_unique<SignalProcessor>(nullptr);
    for (int i = 0; i < 501; ++i) {
        ASSERT_TRUE(quiet->detectLeadOff(0.0f)) << i;
        ASSERT_TRUE(detached->detectLeadOff(1.0f)) << i;
    }
    EXPECT_FALSE(quiet->detectLeadOff(0.0f));
    EXPECT_TRUE(detached->detectLeadOff(1.0f));
    for (int i = 0; i < 1000; ++i) {
        ASSERT_FALSE(quiet->detectLeadOff(0.0f)) << i;
        ASSERT_TRUE(detached->detectLeadOff(1.0f)) << i;
    }
    // A third, new processor starts lead off whatever the others went through.
    auto fresh = std::make_unique<SignalProcessor>(nullptr);
    EXPECT_TRUE(fresh->detectLeadOff(0.0f));
}

TEST(TwoSignalProcessors, RespirationRatesArePerProcessor) {
    ResultRecorder breathingResults;
    ResultRecorder silentResults;
    auto breathing = std::make_unique<SignalProcessor>(&breathingResults);
    auto silent = std::make_unique<SignalProcessor>(&silentResults);
    for (int i = 0; i < 7500; ++i) {
        breathing->processRespiration(breath(i, 15), 1000 + static_cast<uint64_t>(i));
        silent->processRespiration(0.0f, 9000 + static_cast<uint64_t>(i));
    }
    EXPECT_THAT(breathingResults.respirationRates, ElementsAre(Pair(4u, 8499u)));
    EXPECT_THAT(silentResults.respirationRates, ElementsAre(Pair(0u, 16499u)));
}

// A processor whose motion events are recorded.
struct RecordedProcessor {
    RecordedProcessor() { events.attach(processor->motionDetector()); }
    RecordedProcessor(const RecordedProcessor&) = delete;
    RecordedProcessor& operator=(const RecordedProcessor&) = delete;

    std::unique_ptr<SignalProcessor> processor = std::make_unique<SignalProcessor>(nullptr);
    MotionEventRecorder events;
};

TEST(TwoSignalProcessors, MotionEventsArePerProcessor) {
    RecordedProcessor holding;
    RecordedProcessor moving;
    const Vector3 plankAngles(0.0f, 60.0f, 0.0f);
    const Vector3 levelAngles(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 100; ++i) {
        holding.events.sample = moving.events.sample = i;
        holding.processor->processMotion(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, plankAngles);
        moving.processor->processMotion(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, levelAngles);
    }
    EXPECT_EQ(holding.events.events, (std::vector<std::pair<int, int>>{{61, 6}}));
    EXPECT_TRUE(moving.events.events.empty());
}

// ---- motion path -------------------------------------------------------------------------

TEST(SignalProcessorMotion, QuaternionArrivesScalarFirstAndGravityIsRemoved) {
    // Upright and still: the identity (scalar 1 first) and 1 g straight up leave no linear
    // acceleration, so a plank at the plank angles is confirmed with the 62nd sample. Read
    // vector part first, the same numbers would be a half turn with 2 g of acceleration left.
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    MotionEventRecorder events;
    events.attach(processor->motionDetector());
    for (int i = 0; i < 62; ++i) {
        events.sample = i;
        processor->processMotion(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                                 Vector3(0.0f, 60.0f, 0.0f));
    }
    EXPECT_EQ(events.events, (std::vector<std::pair<int, int>>{{61, 6}}));
}

TEST(SignalProcessorMotion, SwingsFollowTheLinearAcceleration) {
    // Tilted a quarter turn about x: gravity lies along y, so a raw y reading of -0.5 g is a
    // linear acceleration of -1.5 g, a swing for a freshly armed detector.
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    MotionEventRecorder events;
    events.attach(processor->motionDetector());
    processor->processMotion(0.70710677f, 0.70710677f, 0.0f, 0.0f, 0.0f, -0.5f, 0.0f,
                             Vector3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(events.events, (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST(SignalProcessorMotion, ImuSamplesStepTheSharedOrientationAndGoOnAsMotionSamples) {
    // The shared orientation is wherever earlier code left it: each sample must step it as one
    // filter step would step a copy, and the motion detector must see exactly what a motion
    // sample with that orientation (scalar first) and the raw acceleration would give it.
    RecordedProcessor imu;
    RecordedProcessor motion;
    for (int i = 0; i < 300; ++i) {
        imu.events.sample = motion.events.sample = i;
        const float ay = 0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * i / 60));
        const float gx = i < 150 ? 1.5f : -1.5f;
        const Vector3 angles(0.0f, 10.0f, 0.0f);
        OrientationQuaternion expected = orientationQuaternion();
        updateOrientation(expected, gx, 0.0f, 0.0f, 0.0f, ay, 1.0f, 0.3f, 0.0f, 0.4f);
        imu.processor->processImu(gx, 0.0f, 0.0f, 0.0f, ay, 1.0f, 0.3f, 0.0f, 0.4f, angles);
        const OrientationQuaternion& shared = orientationQuaternion();
        ASSERT_EQ(shared.q0, expected.q0) << i;
        ASSERT_EQ(shared.q1, expected.q1) << i;
        ASSERT_EQ(shared.q2, expected.q2) << i;
        ASSERT_EQ(shared.q3, expected.q3) << i;
        motion.processor->processMotion(shared.q0, shared.q1, shared.q2, shared.q3, 0.0f, ay, 1.0f,
                                        angles);
    }
    EXPECT_FALSE(imu.events.events.empty());
    EXPECT_EQ(imu.events.events, motion.events.events);
}

// ---- ECG filter --------------------------------------------------------------------------

TEST(SignalProcessorEcg, UnfilteredSamplesPassUnchanged) {
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    for (const float sample : {0.0f, 0.37f, -1.25f, 1e-30f}) {
        EXPECT_EQ(processor->processEcg(sample, false, 0), sample);
    }
}

TEST(SignalProcessorEcg, FilteredConstantSettlesToZero) {
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    float output = 1.0f;
    for (int i = 0; i < 5000; ++i) {
        output = processor->processEcg(0.5f, true, 0);
    }
    EXPECT_NEAR(output, 0.0f, 1e-6f);
    EXPECT_NE(processor->processEcg(0.9f, true, 0), 0.9f);
}

// ---- body temperature --------------------------------------------------------------------

struct TemperatureCase {
    const char* name;
    std::vector<std::pair<float, float>> readings;  // (skin, ambient)
    float estimate;                                 // after the last reading
};

class BodyTemperatureTest : public ::testing::TestWithParam<TemperatureCase> {};

// Expected values computed independently in single precision from the estimate's formula.
TEST_P(BodyTemperatureTest, EstimatesFromTheWindowMeans) {
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    float estimate = 0.0f;
    for (const auto& [skin, ambient] : GetParam().readings) {
        estimate = processor->estimateBodyTemperature(skin, ambient);
    }
    EXPECT_EQ(estimate, GetParam().estimate);
}

std::vector<std::pair<float, float>> readings(std::vector<float> skins,
                                              std::vector<float> ambients) {
    std::vector<std::pair<float, float>> result;
    for (size_t i = 0; i < skins.size(); ++i) {
        result.emplace_back(skins[i], ambients[i]);
    }
    return result;
}

std::vector<float> repeated(size_t count, float value, std::vector<float> after = {}) {
    std::vector<float> values(count, value);
    values.insert(values.end(), after.begin(), after.end());
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Readings, BodyTemperatureTest,
    ::testing::Values(
        // k = 1.3174174, r = 37.80901, truncated to 378 tenths.
        TemperatureCase{"CoolSkin", readings({34.0f}, {22.0f}), 37.8f},
        TemperatureCase{"EqualMeansTruncate", readings({36.27f}, {36.27f}), 36.2f},
        // Above 35.833332 the gain grows with the skin temperature.
        TemperatureCase{"WarmSkin", readings({36.0f}, {20.0f}), 38.9f},
        // The skin mean covers the last five readings: (4 x 30 + 40) / 5 = 32.
        TemperatureCase{"SkinWindowOfFive",
                        readings(repeated(5, 30.0f, {40.0f}), repeated(6, 30.0f)), 32.9f},
        // The ambient mean covers the last twenty: the 10 is still in after 20 readings...
        TemperatureCase{"AmbientWindowStillFull",
                        readings(repeated(20, 30.0f), repeated(1, 10.0f, repeated(19, 30.0f))),
                        30.6f},
        // ... and gone after 21.
        TemperatureCase{"AmbientWindowOfTwenty",
                        readings(repeated(21, 30.0f), repeated(1, 10.0f, repeated(20, 30.0f))),
                        30.0f},
        // The gain limit is a single-precision value: a skin mean of exactly 35.833332f is
        // at it (held in double it would lie above), so the first gain applies; r = 44.700016
        // where the second gain would give 44.699963.
        TemperatureCase{"SkinAtTheGainLimit", readings({35.833332f}, {-12.2f}), 44.7f},
        // Truncation is toward zero below zero as well.
        TemperatureCase{"BelowZero", readings({-5.55f}, {-5.55f}), -5.5f}),
    [](const ::testing::TestParamInfo<TemperatureCase>& testCase) { return testCase.param.name; });

}  // namespace
}  // namespace Tenvik
