#include "signal/BatchSignalAnalyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BatchRecording.h"
#include "FilterRun.h"

namespace Tenvik {
namespace {

using TenvikTest::BatchRecording;
using TenvikTest::batchSegment;
using TenvikTest::batchSegments;
using TenvikTest::batchWhole;
using TenvikTest::expectSequenceNear;

// ---- The window steps ----

struct MaximumCase {
    std::vector<double> x;
    int32_t window;
    std::vector<double> maxima;
};

TEST(BatchMovingMax, TakesTheMaximumOverTheMirroredWindow) {
    const MaximumCase cases[] = {
        {{1, 5, 2, 4}, 2, {5, 5, 5, 4}},  // the value before x[0] is x[1]
        {{3, 1, 4, 1, 5, 9, 2, 6}, 4, {4, 4, 4, 5, 9, 9, 9, 9}},
        // Only the mirror brings x[3] into the first window.
        {{0, 0, 0, 9, 0, 0, 0, 0}, 6, {9, 9, 9, 9, 9, 9, 9, 0}},
        {{2, 7, 1}, 1, {2, 7, 1}},  // half a window of 0: the input
    };
    for (const MaximumCase& c : cases) {
        EXPECT_EQ(BatchSignalAnalyzer::movingMax(c.x, c.window), c.maxima) << "window "
                                                                           << c.window;
    }
}

TEST(BatchMovingMax, ASignalShorterThanTheWindowRepeatsItsEnds) {
    EXPECT_EQ(BatchSignalAnalyzer::movingMax({4, 2}, 60), (std::vector<double>{4, 4}));
    EXPECT_TRUE(BatchSignalAnalyzer::movingMax({}, 6).empty());
}

TEST(BatchRunLengths, ReplacesEachSetFlagByTheLengthOfItsRun) {
    const std::vector<std::pair<std::vector<uint8_t>, std::vector<double>>> cases = {
        {{1, 1, 0, 1}, {2, 2, 0, 1}},  // a run at the end is written too
        {{1, 1, 0}, {2, 2, 0}},
        {{0, 1, 1, 1, 0, 0, 1, 1}, {0, 3, 3, 3, 0, 0, 2, 2}},
        {{0, 0}, {0, 0}},
        {{}, {}},
    };
    for (const auto& [flags, runs] : cases) {
        EXPECT_EQ(BatchSignalAnalyzer::runLengths(flags), runs);
    }
}

TEST(BatchMovingMean, AveragesOverTheZeroPaddedWindow) {
    expectSequenceNear(BatchSignalAnalyzer::movingMean({1, 1, 1}, 3), {2.0 / 3, 1, 2.0 / 3},
                       1e-15);
    expectSequenceNear(BatchSignalAnalyzer::movingMean(std::vector<double>(11, 1.0), 21),
                       std::vector<double>(11, 11.0 / 21), 1e-15);
    // An even window has one value more than its input.
    expectSequenceNear(BatchSignalAnalyzer::movingMean({1, 2, 3, 4}, 2), {0.5, 1.5, 2.5, 3.5, 2},
                       1e-15);
    EXPECT_EQ(BatchSignalAnalyzer::movingMean({1, 2}, 1), (std::vector<double>{1, 2}));
    EXPECT_TRUE(BatchSignalAnalyzer::movingMean({1, 2}, 0).empty());
}

TEST(BatchTeagerEnergy, OfTheSquaresAt30HzIsConstant) {
    // f[i] = 30·((i + 2)² − i²) = 120·(i + 1); f[i + 1]² − f[i]·f[i + 2] = 120².
    std::vector<double> squares;
    for (int i = 0; i < 9; ++i) {
        squares.push_back(i * i);
    }
    expectSequenceNear(BatchSignalAnalyzer::teagerEnergy(squares, 30),
                       std::vector<double>(9, 14400.0), 1e-6);
}

TEST(BatchTeagerEnergy, RepeatsTheOuterEnergiesAtEachEnd) {
    // Cubes: f = 30·{8, 26, 56, 98, 152}; energies 780² − 240·1680, 1680² − 780·2940,
    // 2940² − 1680·4560.
    expectSequenceNear(BatchSignalAnalyzer::teagerEnergy({0, 1, 8, 27, 64, 125, 216}, 30),
                       {205200, 205200, 205200, 529200, 982800, 982800, 982800}, 1e-6);
    // f = 30·{0, 1, 0, 1, 0, 1}: energies alternate ±900.
    expectSequenceNear(BatchSignalAnalyzer::teagerEnergy({0, 1, 0, 2, 0, 3, 0, 4}, 30),
                       {900, 900, 900, -900, 900, -900, -900, -900}, 1e-9);
    EXPECT_EQ(BatchSignalAnalyzer::teagerEnergy({1, 4, 9, 16}, 30),
              (std::vector<double>{0, 0, 0, 0}));  // no energy from four values
}

TEST(BatchSumOfSquares, IsTheSquaredMagnitude) {
    EXPECT_EQ(BatchSignalAnalyzer::sumOfSquares({1, -2}, {3, 4}, {5, 6}),
              (std::vector<double>{35, 56}));
}

TEST(BatchCrossingRate, CountsSignChangesWithZeroAsNotPositive) {
    // A pass-through filter: signs + − − + 0 +, after the 0 in front: changes 1 1 0 1 1 1.
    const BatchSignalAnalyzer::FilterCoefficients passThrough{{1.0}, {1.0}};
    expectSequenceNear(
        BatchSignalAnalyzer::crossingRate({1, -1, -1, 2, 0, 3}, passThrough, 1),
        {2.0 / 3, 2.0 / 3, 2.0 / 3, 2.0 / 3, 1, 2.0 / 3}, 1e-15);
}

TEST(BatchCrossingRate, FiltersFirst) {
    // y[i] = x[i] − x[i − 1]: a constant gives one positive value, then zeros.
    const BatchSignalAnalyzer::FilterCoefficients difference{{1.0, -1.0}, {1.0, 0.0}};
    expectSequenceNear(BatchSignalAnalyzer::crossingRate({5, 5, 5, 5, 5}, difference, 1),
                       {2.0 / 3, 2.0 / 3, 1.0 / 3, 0, 0}, 1e-15);
}

// ---- The two high-pass designs ----

// Second-order Butterworth high-pass filters from the bilinear transform with prewarping, at
// fs = 30 Hz: H(s) = s² / (s² + √2·ωc·s + ωc²), ωc = 2·fs·tan(π·fc / fs), and
// s = 2·fs·(1 − z⁻¹) / (1 + z⁻¹); numerator and denominator multiplied by (1 + z⁻¹)², expanded
// in powers of z⁻¹ and divided by the constant term of the denominator (a short script).
TEST(BatchHighPassDesign, MatchesTheButterworthFilters) {
    const BatchSignalAnalyzer analyzer;
    struct Design {
        const char* name;
        const BatchSignalAnalyzer::FilterCoefficients& actual;
        std::vector<double> b;
        std::vector<double> a;
    };
    const Design designs[] = {
        {"fc = 1 Hz", analyzer.firstHighPassCoefficients(),
         {0.8623018351482373, -1.7246036702964747, 0.8623018351482373},
         {1.0, -1.7055521455440839, 0.7436551950488657}},
        {"fc = 0.5 Hz", analyzer.secondHighPassCoefficients(),
         {0.9286237778565042, -1.8572475557130084, 0.9286237778565042},
         {1.0, -1.852146485395936, 0.862348626030081}},
    };
    for (const Design& d : designs) {
        SCOPED_TRACE(d.name);
        // Kept rounded to eight decimals.
        expectSequenceNear(d.actual.b, d.b, 5e-9);
        expectSequenceNear(d.actual.a, d.a, 5e-9);
    }
}

// ---- Resampling ----

// Grid point j lies at the integer part of j·1000 / 30, plus 1 ms.
constexpr double gridTime(int j) { return (j * 1000) / 30 + 1; }

AnalysisSegment linearSegment(int64_t start, int64_t end) {
    // 1000 axis values 30 ms apart and 500 power values 60 ms apart over 30 s; each signal
    // equals a multiple of its own sample time, so the resampled values are the grid times.
    AnalysisSegment s;
    for (int i = 0; i < 1000; ++i) {
        s.axisX.push_back(30.0 * i);
        s.axisY.push_back(60.0 * i);
        s.axisZ.push_back(-30.0 * i);
    }
    for (int i = 0; i < 500; ++i) {
        s.power.push_back(60.0 * i);
    }
    s.startTime = start;
    s.endTime = end;
    return s;
}

TEST(BatchResample, PutsEverySignalOnTheGridOfTheLastPowerTime) {
    const int64_t wrapping = (int64_t{5} << 32) - 10000;  // the low 32 bits wrap inside
    for (const int64_t start : {int64_t{1700000000000}, wrapping}) {
        SCOPED_TRACE(start);
        AnalysisSegment s = linearSegment(start, start + 30000);
        BatchSignalAnalyzer::resample(s, 30);
        // The last power value lies at 29940 ms: 29940 · 30 / 1000 = 898.2 grid points.
        ASSERT_EQ(s.axisX.size(), 898u);
        ASSERT_EQ(s.axisY.size(), 898u);
        ASSERT_EQ(s.axisZ.size(), 898u);
        ASSERT_EQ(s.power.size(), 898u);
        for (const int j : {0, 1, 2, 3, 449, 896, 897}) {
            EXPECT_DOUBLE_EQ(s.axisX[j], gridTime(j)) << j;
            EXPECT_DOUBLE_EQ(s.axisY[j], 2 * gridTime(j)) << j;
            EXPECT_DOUBLE_EQ(s.axisZ[j], -gridTime(j)) << j;
            EXPECT_DOUBLE_EQ(s.power[j], gridTime(j)) << j;
        }
        EXPECT_EQ(s.axisX[3], 101.0);
        EXPECT_EQ(s.axisX[897], 29901.0);  // before 29940: the step is 33.33 ms, not 33
    }
}

TEST(BatchResample, ContinuesTheLastIntervalPastTheLastAxisTime) {
    // Axes 300 ms apart end at 29700 ms; power 30 ms apart ends at 29970 ms, so the grid runs
    // to 29934 ms (899 points). X rises 1 per ms, in its last interval 2 per ms.
    AnalysisSegment s;
    for (int i = 0; i < 100; ++i) {
        s.axisX.push_back(i < 99 ? 300.0 * i : 29400.0 + 600.0);
        s.axisY.push_back(1.0);
        s.axisZ.push_back(0.0);
    }
    for (int i = 0; i < 1000; ++i) {
        s.power.push_back(4.0);
    }
    s.startTime = 1700000000000;
    s.endTime = s.startTime + 30000;
    BatchSignalAnalyzer::resample(s, 30);
    ASSERT_EQ(s.axisX.size(), 899u);
    EXPECT_DOUBLE_EQ(s.axisX[880], 29334.0);  // grid 29334, inside the slope-1 part
    EXPECT_DOUBLE_EQ(s.axisX[882], 29400.0 + (29401 - 29400) * 2.0);
    EXPECT_DOUBLE_EQ(s.axisX[891], 29400.0 + (29701 - 29400) * 2.0);  // past the last axis time
    EXPECT_DOUBLE_EQ(s.axisX[898], 29400.0 + (29934 - 29400) * 2.0);
    EXPECT_DOUBLE_EQ(s.axisY[898], 1.0);
    EXPECT_DOUBLE_EQ(s.power[898], 4.0);
}

TEST(BatchResample, AZeroWidthLastIntervalHoldsItsValue) {
    // At 1000 Hz the grid reaches 2999 ms, where the last two of 7000 axis values over 3 s
    // both lie (2999.14 and 2999.57 ms).
    AnalysisSegment s;
    for (int i = 0; i < 7000; ++i) {
        s.axisX.push_back(i);
        s.axisY.push_back(0.0);
        s.axisZ.push_back(0.0);
    }
    s.power.assign(3000, 1.0);
    s.startTime = 1700000000000;
    s.endTime = s.startTime + 3000;
    BatchSignalAnalyzer::resample(s, 1000);
    ASSERT_EQ(s.axisX.size(), 2999u);
    EXPECT_EQ(s.axisX.back(), 6998.0);
}

// ---- Onsets of synthetic recordings ----

std::vector<size_t> onsetPositions(const std::vector<double>& onsets) {
    std::vector<size_t> positions;
    for (size_t i = 0; i < onsets.size(); ++i) {
        if (onsets[i] == 1.0) {
            positions.push_back(i);
        } else {
            EXPECT_EQ(onsets[i], 0.0) << i;
        }
    }
    return positions;
}

// Hands the analyzer every segment; all but the last must return 0.
int32_t countOnsets(BatchSignalAnalyzer& analyzer, const std::vector<AnalysisSegment>& segments) {
    for (size_t k = 0; k + 1 < segments.size(); ++k) {
        EXPECT_EQ(analyzer.addSegment(segments[k]), 0) << "segment " << k;
    }
    return analyzer.addSegment(segments.back());
}

BatchRecording withBursts(std::vector<size_t> bursts) {
    BatchRecording r;
    r.bursts = std::move(bursts);
    return r;
}

struct DetectionCase {
    const char* name;
    std::function<void(BatchRecording&)> change;
    std::vector<size_t> onsets;  // grid points after which an onset starts
};

// Each burst starts one onset; breaking one condition of the conjunction in the bursts removes
// them all. Positions worked out with a script of the analysis's formulas.
TEST(BatchDetection, CountsOneOnsetPerBurstWithinEveryLimit) {
    const DetectionCase cases[] = {
        {"bursts", [](BatchRecording&) {}, {99, 399, 699}},
        {"no bursts", [](BatchRecording& r) { r.bursts.clear(); }, {}},
        {"power burst longer than the run limit",
         [](BatchRecording& r) {
             r.burstAmplitude = 9000.0;
             r.powerBurstLength = 12;
         },
         {}},
        {"power above the run level in short bursts",
         [](BatchRecording& r) { r.burstAmplitude = 9000.0; }, {99, 399, 699}},
        {"energy burst longer than the run limit",
         [](BatchRecording& r) { r.energyBurstLength = 20; }, {}},
        {"power burst too weak", [](BatchRecording& r) { r.burstAmplitude = 4000.0; }, {}},
        {"power burst above the long limit", [](BatchRecording& r) { r.burstAmplitude = 45000.0; },
         {}},
        {"energy burst too weak", [](BatchRecording& r) { r.burstOscillation = 0.7; }, {}},
        {"energy burst above the long limit", [](BatchRecording& r) { r.burstOscillation = 1.6; },
         {}},
        {"X without oscillation", [](BatchRecording& r) { r.oscillationOnX = false; }, {}},
        {"power without sign changes", [](BatchRecording& r) { r.powerAlternates = false; }, {}},
        {"power at 60 values a second", [](BatchRecording& r) { r.powerValuesPerSegment = 180; },
         {99, 399, 699}},
        // The grid runs past the last axis time; the analysis still reads only what is there.
        {"axes at 10 values a second",
         [](BatchRecording& r) {
             r.axisValuesPerSegment = 30;
             r.bursts = {15, 130, 230};
         },
         {}},
    };
    for (const DetectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRecording recording;
        c.change(recording);
        const BatchSignalAnalyzer analyzer;
        EXPECT_EQ(onsetPositions(analyzer.detectOnsets(batchWhole(recording))), c.onsets);

        BatchSignalAnalyzer batch;
        EXPECT_EQ(countOnsets(batch, batchSegments(recording)),
                  static_cast<int32_t>(c.onsets.size()));
    }
}

TEST(BatchWindow, AnalysesTheLastTenSegmentsFromTheTenthOn) {
    // Bursts in segments 0, 4, 7 and 11: segments 0-9 hold three, 1-10 two, 2-11 three.
    BatchRecording recording = withBursts({45, 400, 700, 1010});
    recording.segments = 12;
    const std::vector<AnalysisSegment> segments = batchSegments(recording);
    BatchSignalAnalyzer analyzer;
    for (size_t k = 0; k < 9; ++k) {
        EXPECT_EQ(analyzer.addSegment(segments[k]), 0) << k;
    }
    EXPECT_EQ(analyzer.addSegment(segments[9]), 3);
    EXPECT_EQ(analyzer.addSegment(segments[10]), 2);  // segment 0 dropped
    EXPECT_EQ(analyzer.addSegment(segments[11]), 3);  // segment 1 dropped
}

TEST(BatchWindow, AnalysesTheJoinedSegments) {
    BatchRecording recording = withBursts({45, 400, 700, 1010});
    recording.segments = 12;
    const BatchSignalAnalyzer analyzer;
    EXPECT_EQ(onsetPositions(analyzer.detectOnsets(batchSegment(recording, 1, 10))),
              (std::vector<size_t>{309, 609}));
    EXPECT_EQ(onsetPositions(analyzer.detectOnsets(batchSegment(recording, 2, 10))),
              (std::vector<size_t>{219, 519, 830}));
}

TEST(BatchWindow, IgnoresSegmentsWithoutValuesOrTimes) {
    const std::vector<std::pair<const char*, std::function<void(AnalysisSegment&)>>> flaws = {
        {"no X values", [](AnalysisSegment& s) { s.axisX.clear(); }},
        {"no power values", [](AnalysisSegment& s) { s.power.clear(); }},
        {"start time 0", [](AnalysisSegment& s) { s.startTime = 0; }},
        {"end time 0", [](AnalysisSegment& s) { s.endTime = 0; }},
    };
    // The burst of segment 0 is counted only while segment 0 is the oldest of ten.
    const std::vector<AnalysisSegment> segments = batchSegments(withBursts({45, 400, 700}));
    for (const auto& [name, flaw] : flaws) {
        SCOPED_TRACE(name);
        BatchSignalAnalyzer analyzer;
        for (size_t k = 0; k < 9; ++k) {
            ASSERT_EQ(analyzer.addSegment(segments[k]), 0);
        }
        AnalysisSegment flawed = segments[9];
        flaw(flawed);
        EXPECT_EQ(analyzer.addSegment(flawed), 0);
        EXPECT_EQ(analyzer.addSegment(segments[9]), 3);
    }
}

// ---- Segments the analysis refuses ----

TEST(BatchRefusal, ReturnsASingleZeroForWhatCannotBeAnalysed) {
    const std::vector<std::pair<const char*, std::function<void(AnalysisSegment&)>>> flaws = {
        {"Y shorter than X", [](AnalysisSegment& s) { s.axisY.pop_back(); }},
        {"Z shorter than X", [](AnalysisSegment& s) { s.axisZ.pop_back(); }},
        {"Z longer than X", [](AnalysisSegment& s) { s.axisZ.push_back(0.0); }},
        {"six axis values",
         [](AnalysisSegment& s) {
             s.axisX.resize(6);
             s.axisY.resize(6);
             s.axisZ.resize(6);
         }},
        {"one power value", [](AnalysisSegment& s) { s.power.resize(1); }},
        {"start at the end", [](AnalysisSegment& s) { s.startTime = s.endTime; }},
        {"start after the end", [](AnalysisSegment& s) { std::swap(s.startTime, s.endTime); }},
        {"start after the end in the low 32 bits",
         [](AnalysisSegment& s) { s.startTime = s.endTime + (int64_t{1} << 32) - 30000; }},
        {"2^31 ms longer than 30 s, negative in 32 bits",
         [](AnalysisSegment& s) { s.endTime += int64_t{1} << 31; }},
        // The last power value at 1996 ms: 59 grid points.
        {"under two seconds", [](AnalysisSegment& s) { s.endTime = s.startTime + 1999; }},
    };
    const AnalysisSegment recording = batchWhole(BatchRecording{});
    const BatchSignalAnalyzer analyzer;
    for (const auto& [name, flaw] : flaws) {
        SCOPED_TRACE(name);
        AnalysisSegment flawed = recording;
        flaw(flawed);
        EXPECT_EQ(analyzer.detectOnsets(flawed), (std::vector<double>{0.0}));
    }
}

TEST(BatchRefusal, NeedsSixtyGridPoints) {
    // Two power values: the last lies at half the duration, 2000 ms (60 points) or 1999 ms (59).
    AnalysisSegment s;
    s.axisX.assign(7, 1.0);
    s.axisY.assign(7, 0.0);
    s.axisZ.assign(7, 0.0);
    s.power = {1.0, 1.0};
    s.startTime = 1700000000000;
    const BatchSignalAnalyzer analyzer;
    s.endTime = s.startTime + 4000;
    EXPECT_EQ(analyzer.detectOnsets(s), std::vector<double>(59, 0.0));
    s.endTime = s.startTime + 3999;
    EXPECT_EQ(analyzer.detectOnsets(s), (std::vector<double>{0.0}));
}

TEST(BatchRefusal, TenFlawedSegmentsCountNothing) {
    using Flaw = std::function<void(AnalysisSegment&, int64_t)>;
    const std::vector<std::pair<const char*, Flaw>> flaws = {
        // 150 ms apart: the ten cover 1.5 s, a grid of 44 points.
        {"under two seconds",
         [](AnalysisSegment& s, int64_t k) {
             s.startTime = TenvikTest::batchRecordingStart + 150 * k;
             s.endTime = s.startTime + 150;
         }},
        {"Y shorter than X", [](AnalysisSegment& s, int64_t) { s.axisY.pop_back(); }},
        {"Z shorter than X", [](AnalysisSegment& s, int64_t) { s.axisZ.pop_back(); }},
    };
    for (const auto& [name, flaw] : flaws) {
        SCOPED_TRACE(name);
        std::vector<AnalysisSegment> segments = batchSegments(BatchRecording{});
        for (size_t k = 0; k < segments.size(); ++k) {
            flaw(segments[k], static_cast<int64_t>(k));
        }
        BatchSignalAnalyzer analyzer;
        EXPECT_EQ(countOnsets(analyzer, segments), 0);
    }
}

}  // namespace
}  // namespace Tenvik
