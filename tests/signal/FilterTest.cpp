#include "signal/Filter.h"

#include <gtest/gtest.h>

#include <vector>

#include "signal/FilterSignal.h"

namespace Tenvik {
namespace {

std::vector<double> impulse(size_t length) {
    std::vector<double> x(length, 0.0);
    x[0] = 1.0;
    return x;
}

void expectSequence(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-15) << "sample " << i;
    }
}

std::vector<double> run(Filter& filter, const std::vector<double>& x) {
    std::vector<double> y;
    for (const double value : x) {
        y.push_back(filter.process(value));
    }
    return y;
}

TEST(Filter, OrderZeroScalesByB0) {
    Filter filter({1.0}, {0.25}, 0);
    EXPECT_EQ(filter.process(4.0), 1.0);
    EXPECT_EQ(filter.process(-8.0), -2.0);
}

TEST(Filter, FirstOrderHighPassStepResponse) {
    Filter filter({1.0, -0.9875}, {0.9938, -0.9938}, 1);
    // y[n] = 0.9938 (x[n] - x[n-1]) + 0.9875 y[n-1]
    expectSequence(run(filter, {1, 1, 1, 1}),
                   {0.9938, 0.9813775, 0.96911028125, 0.956996402734375});
}

TEST(Filter, SecondOrderImpulseResponseIgnoresA0) {
    // a[0] = 2 must not scale anything.
    Filter filter({2.0, -0.5, 0.25}, {0.5, 0.3, 0.2}, 2);
    expectSequence(run(filter, impulse(6)), {0.5, 0.55, 0.35, 0.0375, -0.06875, -0.04375});
}

TEST(Filter, ShortCoefficientVectorsReadAsZeros) {
    Filter filter({}, {1.0}, 2);  // a pure pass-through of order 2
    expectSequence(run(filter, {1, 2, 3}), {1, 2, 3});
    Filter empty({}, {}, 1);
    EXPECT_EQ(empty.process(5.0), 0.0);
}

TEST(Filter, NegativeOrderActsAsOrderZero) {
    Filter filter({1.0}, {3.0}, -2);
    EXPECT_EQ(filter.process(2.0), 6.0);
    EXPECT_EQ(filter.process(1.0), 3.0);
}

TEST(FilterSignal, MatchesTheRecursionFromZeroState) {
    expectSequence(filterSignal({0.5, 0.3, 0.2}, {1.0, -0.5, 0.25}, impulse(6)),
                   {0.5, 0.55, 0.35, 0.0375, -0.06875, -0.04375});
}

TEST(FilterSignal, TheLongerVectorSetsTheLengthAndMissingCoefficientsAreZero) {
    expectSequence(filterSignal({1.0}, {1.0, -0.5}, impulse(4)), {1, 0.5, 0.25, 0.125});
    expectSequence(filterSignal({1.0, 1.0}, {}, {1, 1, 1, 1}), {1, 2, 2, 2});
    expectSequence(filterSignal({}, {}, {1, 2}), {0, 0});
    EXPECT_TRUE(filterSignal({1.0}, {1.0}, {}).empty());
}

}  // namespace
}  // namespace Tenvik
