#include "signal/Filter.h"

#include <gtest/gtest.h>

#include <vector>

#include "FilterRun.h"
#include "signal/FilterSignal.h"

namespace Tenvik {
namespace {

using TenvikTest::expectSequenceNear;
using TenvikTest::processAll;

constexpr double kTolerance = 1e-15;

std::vector<double> impulse(size_t length) {
    std::vector<double> x(length, 0.0);
    x[0] = 1.0;
    return x;
}

TEST(Filter, OrderZeroScalesByB0) {
    Filter filter({1.0}, {0.25}, 0);
    EXPECT_EQ(filter.process(4.0), 1.0);
    EXPECT_EQ(filter.process(-8.0), -2.0);
}

TEST(Filter, FirstOrderHighPassStepResponse) {
    Filter filter({1.0, -0.9875}, {0.9938, -0.9938}, 1);
    // y[n] = 0.9938 (x[n] - x[n-1]) + 0.9875 y[n-1]
    expectSequenceNear(processAll(filter, {1, 1, 1, 1}),
                       {0.9938, 0.9813775, 0.96911028125, 0.956996402734375}, kTolerance);
}

TEST(Filter, SecondOrderImpulseResponseIgnoresA0) {
    // a[0] = 2 must not scale anything.
    Filter filter({2.0, -0.5, 0.25}, {0.5, 0.3, 0.2}, 2);
    expectSequenceNear(processAll(filter, impulse(6)),
                       {0.5, 0.55, 0.35, 0.0375, -0.06875, -0.04375}, kTolerance);
}

TEST(Filter, ShortCoefficientVectorsReadAsZeros) {
    Filter filter({}, {1.0}, 2);  // a pure pass-through of order 2
    expectSequenceNear(processAll(filter, {1, 2, 3}), {1, 2, 3}, kTolerance);
    Filter empty({}, {}, 1);
    EXPECT_EQ(empty.process(5.0), 0.0);
}

TEST(Filter, NegativeOrderActsAsOrderZero) {
    Filter filter({1.0}, {3.0}, -2);
    EXPECT_EQ(filter.process(2.0), 6.0);
    EXPECT_EQ(filter.process(1.0), 3.0);
}

TEST(FilterSignal, MatchesTheRecursionFromZeroState) {
    expectSequenceNear(filterSignal({0.5, 0.3, 0.2}, {1.0, -0.5, 0.25}, impulse(6)),
                       {0.5, 0.55, 0.35, 0.0375, -0.06875, -0.04375}, kTolerance);
}

TEST(FilterSignal, TheLongerVectorSetsTheLengthAndMissingCoefficientsAreZero) {
    expectSequenceNear(filterSignal({1.0}, {1.0, -0.5}, impulse(4)), {1, 0.5, 0.25, 0.125},
                       kTolerance);
    expectSequenceNear(filterSignal({1.0, 1.0}, {}, {1, 1, 1, 1}), {1, 2, 2, 2}, kTolerance);
    expectSequenceNear(filterSignal({}, {}, {1, 2}), {0, 0}, kTolerance);
    EXPECT_TRUE(filterSignal({1.0}, {1.0}, {}).empty());
}

}  // namespace
}  // namespace Tenvik
