#pragma once

#include <gtest/gtest.h>

#include <vector>

namespace TenvikTest {

// Runs every sample through `filter.process` and collects the outputs.
template <typename FilterType>
std::vector<double> processAll(FilterType& filter, const std::vector<double>& x) {
    std::vector<double> y;
    y.reserve(x.size());
    for (const double value : x) {
        y.push_back(filter.process(value));
    }
    return y;
}

inline void expectSequenceNear(const std::vector<double>& actual,
                               const std::vector<double>& expected, double tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "sample " << i;
    }
}

}  // namespace TenvikTest
