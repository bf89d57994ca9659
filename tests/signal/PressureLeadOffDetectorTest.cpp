#include "signal/PressureLeadOffDetector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace Tenvik {
namespace {

// Records each report with the number (from 1) of the sample that caused it.
class ReportRecorder final : public IPressureLeadOff {
public:
    void didChangePressureLeadOff(int32_t state) override { reports.emplace_back(samples, state); }
    int samples = 0;
    std::vector<std::pair<int, int32_t>> reports;
};

class PressureLeadOffTest : public ::testing::Test {
protected:
    void feed(int32_t sample) {
        ++recorder.samples;
        detector.update(sample);
    }
    // `count` samples alternating low, high, low, ... continuing the phase of the sample
    // number: odd samples low, even samples high.
    void alternate(int count, int32_t low, int32_t high) {
        for (int i = 0; i < count; ++i) {
            feed((recorder.samples + 1) % 2 == 0 ? high : low);
        }
    }
    void constant(int count, int32_t value) {
        for (int i = 0; i < count; ++i) {
            feed(value);
        }
    }
    using Reports = std::vector<std::pair<int, int32_t>>;

    ReportRecorder recorder;
    PressureLeadOffDetector detector{&recorder};
};

TEST_F(PressureLeadOffTest, FirstSampleReportsNoContact) {
    constant(100, 500);
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}}));
}

TEST_F(PressureLeadOffTest, ALargeFirstSampleStartsVariationButStillReportsNoContact) {
    feed(100);  // spread against the zero-filled ring
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}}));
    constant(40, 100);  // the zeros stay in the ring for 29 more samples: no confirmation
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}}));
}

TEST_F(PressureLeadOffTest, ContactIsConfirmedOnTheFortySecondSampleWithVariation) {
    alternate(42, 0, 100);  // variation from sample 2 on
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}}));
    alternate(1, 0, 100);
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}, {43, 0}}));
    alternate(200, 0, 100);
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}, {43, 0}}));
}

TEST_F(PressureLeadOffTest, ContactIsLostOnTheFiftySecondSampleWithoutVariation) {
    alternate(100, 0, 100);
    // Samples 99 (0) and 100 (100) stay in the ring up to sample 128; sample 129 is the first
    // without variation, and the 52nd such sample is 180.
    constant(79, 50);
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}, {43, 0}}));
    constant(1, 50);
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}, {43, 0}, {180, 3}}));
}

TEST_F(PressureLeadOffTest, VariationReturningBeforeTheHoldKeepsContact) {
    alternate(100, 0, 100);
    constant(40, 50);        // no variation from sample 129 to 140
    alternate(200, 0, 100);  // variation again from sample 142
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}, {43, 0}}));
}

TEST_F(PressureLeadOffTest, VariationEndingBeforeConfirmationStartsOver) {
    alternate(10, 0, 100);  // the last 100 (sample 10) leaves the ring after sample 39
    constant(30, 0);        // sample 40 has no variation
    alternate(42, 0, 100);  // variation again from sample 42: confirmed with sample 83
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}}));
    alternate(1, 0, 100);
    EXPECT_EQ(recorder.reports, (Reports{{1, 3}, {83, 0}}));
}

struct SpreadCase {
    int32_t low;      // odd samples, the first one among them
    int32_t high;     // even samples
    int confirmedAt;  // the sample that reports contact, 0 for none
};
class PressureSpread : public ::testing::TestWithParam<SpreadCase> {};
TEST_P(PressureSpread, OnlyASpreadAbove80IsVariation) {
    ReportRecorder recorder;
    PressureLeadOffDetector detector(&recorder);
    for (int i = 1; i <= 200; ++i) {
        ++recorder.samples;
        detector.update(i % 2 == 0 ? GetParam().high : GetParam().low);
    }
    std::vector<std::pair<int, int32_t>> expected = {{1, 3}};
    if (GetParam().confirmedAt != 0) {
        expected.emplace_back(GetParam().confirmedAt, 0);
    }
    EXPECT_EQ(recorder.reports, expected);
}
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
INSTANTIATE_TEST_SUITE_P(
    Cases, PressureSpread,
    ::testing::Values(SpreadCase{0, 80, 0}, SpreadCase{0, 81, 43}, SpreadCase{-40, 40, 0},
                      SpreadCase{-40, 41, 43},
                      // Against the zero-filled ring only: variation ends with sample 31.
                      SpreadCase{1000000, 1000080, 0},
                      // Spreads that only fit in 64 bits; a first sample of large magnitude
                      // is variation already.
                      SpreadCase{kMin, kMax, 42}, SpreadCase{kMin, 0, 42}, SpreadCase{0, kMax, 43},
                      SpreadCase{-1, kMax, 43}));

TEST_F(PressureLeadOffTest, SetReportedReportsOnlyAChange) {
    detector.setReported(0);
    detector.setReported(0);
    detector.setReported(3);
    EXPECT_EQ(recorder.reports, (Reports{{0, 0}, {0, 3}}));
    constant(10, 0);  // 3 was the last value reported
    EXPECT_EQ(recorder.reports, (Reports{{0, 0}, {0, 3}}));
}

}  // namespace
}  // namespace Tenvik
