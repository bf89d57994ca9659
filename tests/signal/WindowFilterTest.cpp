#include <gtest/gtest.h>

#include <vector>

#include "signal/Biquad.h"
#include "signal/DelayedHighPass.h"
#include "signal/MedianFilter.h"
#include "signal/MinMaxNormalizer.h"
#include "signal/MovingAverage.h"

namespace Tenvik {
namespace {

template <typename WindowFilter>
std::vector<double> pushAll(WindowFilter& filter, const std::vector<double>& x) {
    std::vector<double> y;
    for (const double value : x) {
        y.push_back(filter.push(value));
    }
    return y;
}

TEST(MedianFilter, OddWindowCountsUnwrittenEntriesAsZeros) {
    MedianFilter filter(3);
    EXPECT_EQ(pushAll(filter, {5, 1, 3, 10, 9}), (std::vector<double>{0, 1, 3, 3, 9}));
}

TEST(MedianFilter, EvenWindowAveragesTheTwoMiddles) {
    MedianFilter filter(4);
    EXPECT_EQ(pushAll(filter, {4, 8, 2, 6, 1}), (std::vector<double>{0, 2, 3, 5, 4}));
}

TEST(MedianFilter, WriteStoresWithoutSorting) {
    MedianFilter filter(3);
    filter.write(9);
    filter.write(9);
    EXPECT_EQ(filter.median(), 0.0);  // nothing sorted yet
    EXPECT_EQ(filter.push(1), 9.0);
}

TEST(MovingAverage, MeanOfTheLastValues) {
    MovingAverage filter(3);
    EXPECT_EQ(pushAll(filter, {3, 5, 10, 1, 1}), (std::vector<double>{3, 4, 6, 16.0 / 3, 4}));
}

TEST(MinMaxNormalizer, ScalesIntoTheWindowRange) {
    MinMaxNormalizer filter(3, false);
    EXPECT_EQ(pushAll(filter, {2, -2, 1, 4}), (std::vector<double>{1, 0, 0.75, 1}));
}

TEST(MinMaxNormalizer, SymmetricRangeUsesTheLargerMagnitude) {
    MinMaxNormalizer filter(3, true);
    EXPECT_EQ(pushAll(filter, {2, -1, 0.5, -4}), (std::vector<double>{1, 0.25, 0.625, 0}));
}

TEST(MinMaxNormalizer, AnEmptyRangeGivesZero) {
    MinMaxNormalizer filter(2, false);
    EXPECT_EQ(filter.push(0), 0.0);
    EXPECT_EQ(filter.push(0), 0.0);
    MinMaxNormalizer symmetric(2, true);
    EXPECT_EQ(symmetric.push(0), 0.0);
}

TEST(DelayedHighPass, DelaysBySizeMinusOneAndSubtractsTheLowPass) {
    // Without sections the low-pass passes its input, leaving delayed - current.
    DelayedHighPass filter(3, 0.01, 0);
    std::vector<double> y;
    for (const double x : {1, 2, 3, 4, 5}) {
        y.push_back(filter.process(x));
    }
    EXPECT_EQ(y, (std::vector<double>{-1, -2, -2, -2, -2}));
}

TEST(DelayedHighPass, LowPassIsTheDesignedBiquad) {
    DelayedHighPass filter(2, 0.01, 2);
    Biquad reference(Biquad::LowPass, 0.01, 2, 0.707);
    double previous = 0.0;
    for (const double x : {1.0, 0.5, -0.25, 2.0, 0.0}) {
        EXPECT_DOUBLE_EQ(filter.process(x), previous - reference.process(x));
        previous = x;
    }
}

TEST(DelayedHighPass, AdvanceMovesBothPositionsWithoutWriting) {
    DelayedHighPass filter(3, 0.01, 0);
    EXPECT_EQ(filter.process(1), -1.0);  // delayed 0
    filter.advance();
    EXPECT_EQ(filter.process(5), 1.0 - 5.0);  // reads the 1 two places on
}

// A size below 1 behaves as a size of 1: no division by zero, no index -1.
class TinyWindow : public ::testing::TestWithParam<int> {};
TEST_P(TinyWindow, BehavesAsSizeOne) {
    const int size = GetParam();
    MedianFilter median(size);
    EXPECT_EQ(pushAll(median, {3, -2, 7}), (std::vector<double>{3, -2, 7}));
    MovingAverage average(size);
    EXPECT_EQ(pushAll(average, {7, 3, -1}), (std::vector<double>{7, 3, -1}));
    MinMaxNormalizer plain(size, false);
    EXPECT_EQ(pushAll(plain, {5, -3}), (std::vector<double>{0, 0}));
    MinMaxNormalizer symmetric(size, true);
    EXPECT_EQ(pushAll(symmetric, {5, -3}), (std::vector<double>{1, 0}));
    DelayedHighPass highPass(size, 0.01, 0);
    EXPECT_EQ(highPass.process(4), 0.0);  // no delay: x - x
    EXPECT_EQ(highPass.process(-2), 0.0);
}
INSTANTIATE_TEST_SUITE_P(Sizes, TinyWindow, ::testing::Values(1, 0, -1, -100));

}  // namespace
}  // namespace Tenvik
