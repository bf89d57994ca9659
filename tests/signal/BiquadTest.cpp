#include "signal/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FilterRun.h"

namespace Tenvik {
namespace {

using TenvikTest::expectSequenceNear;
using TenvikTest::processAll;

struct DesignCase {
    int kind;
    double frequency;
    double q;
    double b0, b1, b2, a1, a2;
};

// Reference coefficients from K = tan(pi f), d = K / q, norm = 1 / (1 + d + K^2).
class BiquadDesign : public ::testing::TestWithParam<DesignCase> {};
TEST_P(BiquadDesign, MatchesTheReferenceCoefficients) {
    const auto& c = GetParam();
    const Biquad filter(c.kind, c.frequency, 1, c.q);
    EXPECT_DOUBLE_EQ(filter.b0, c.b0);
    EXPECT_DOUBLE_EQ(filter.b1, c.b1);
    EXPECT_DOUBLE_EQ(filter.b2, c.b2);
    EXPECT_DOUBLE_EQ(filter.a1, c.a1);
    EXPECT_DOUBLE_EQ(filter.a2, c.a2);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, BiquadDesign,
    ::testing::Values(
        // The ECG notch at the float 0.1 widened to double.
        DesignCase{Biquad::Notch, static_cast<double>(0.1f), 4.0, 0.9315556639947775,
                   -1.507288716502873, 0.9315556639947775, -1.507288716502873, 0.863111327989555},
        // The respiration low-pass.
        DesignCase{Biquad::LowPass, 0.0024, 0.354, 5.566234054718746e-05, 0.00011132468109437492,
                   5.566234054718746e-05, -1.9580693997534004, 0.9582920491155889},
        // The respiration high-pass.
        DesignCase{Biquad::HighPass, 0.12 / 1000.0, 0.707, 0.9994669157070007, -1.9989338314140015,
                   0.9994669157070007, -1.9989335473208942, 0.9989341155071088},
        DesignCase{Biquad::BandPass, 0.05, 2.0, 0.07171403472725743, 0.0, -0.07171403472725743,
                   -1.765704832515957, 0.8565719305454852}));

TEST(BiquadResponse, TwoSectionNotchImpulse) {
    Biquad notch(Biquad::Notch, static_cast<double>(0.1f), 2, 4.0);
    std::vector<double> x(10, 0.0);
    x[0] = 1.0;
    expectSequenceNear(
        processAll(notch, x),
        {0.8677959551207508, -0.19220857950665698, -0.04148785668533023, 0.09309426337001253,
         0.1677253095806373, 0.16865686724440043, 0.11096988183837361, 0.027268752942978893,
         -0.047587422491243904, -0.08938882722985544},
        1e-15);
}

TEST(BiquadResponse, FirstOutputIsB0ToThePowerOfTheSectionCount) {
    for (const int sections : {1, 2, 3}) {
        Biquad notch(Biquad::Notch, static_cast<double>(0.1f), sections, 4.0);
        EXPECT_DOUBLE_EQ(notch.process(2.0), 2.0 * std::pow(0.9315556639947775, sections));
    }
}

TEST(BiquadResponse, SingleSectionBandPassImpulse) {
    Biquad bandPass(Biquad::BandPass, 0.05, 1, 2.0);
    expectSequenceNear(processAll(bandPass, {1, 0, 0, 0, 0}),
                       {0.07171403472725743, 0.1266258176771356, 0.09044155429301254,
                        0.05122896837082187, 0.012985540254867228},
                       1e-15);
}

TEST(BiquadResponse, LowPassStepSettlesAtOne) {
    Biquad lowPass(Biquad::LowPass, 0.0024, 2, 0.354);
    const std::vector<double> y = processAll(lowPass, std::vector<double>(2000, 1.0));
    EXPECT_NEAR(y[0], 3.098296155191069e-09, 1e-22);
    EXPECT_NEAR(y[99], 0.04709777314743296, 1e-14);
    EXPECT_NEAR(y[999], 0.9808198160763147, 1e-13);
    EXPECT_NEAR(y[1999], 0.9999296219936146, 1e-13);
}

TEST(BiquadResponse, HighPassStepDecays) {
    Biquad highPass(Biquad::HighPass, 0.12 / 1000.0, 2, 0.707);
    const std::vector<double> y = processAll(highPass, std::vector<double>(500, 1.0));
    EXPECT_NEAR(y[0], 0.9989341155928649, 1e-15);
    EXPECT_NEAR(y[1], 0.9968034836652166, 1e-15);
    EXPECT_NEAR(y[499], 0.19269502942693467, 1e-13);
}

TEST(Biquad, NoSectionsPassTheInputUnchanged) {
    Biquad none(Biquad::LowPass, 0.1, 0, 0.707);
    EXPECT_EQ(none.process(1.25), 1.25);
    EXPECT_EQ(none.process(-3.0), -3.0);
    Biquad negative(Biquad::Notch, 0.1, -4, 4.0);
    EXPECT_EQ(negative.process(2.5), 2.5);
}

TEST(Biquad, UnknownKindOutputsZero) {
    Biquad unknown(7, 0.1, 2, 1.0);
    EXPECT_EQ(unknown.process(1.0), 0.0);
    EXPECT_EQ(unknown.process(5.0), 0.0);
}

}  // namespace
}  // namespace Tenvik
