#include "signal/BodyPositionClassifier.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace Tenvik {
namespace {

constexpr int kAdoptAfter = 132;

// Feeds `times` samples of (second, third) and returns the last answer.
int32_t feed(BodyPositionClassifier& classifier, int times, float second, float third) {
    int32_t result = -1;
    for (int i = 0; i < times; ++i) {
        result = classifier.classify(12345.0f, second, third);
    }
    return result;
}

struct PositionCase {
    float second;
    float third;
    int32_t expected;
};
class BodyPositionClass : public ::testing::TestWithParam<PositionCase> {};
TEST_P(BodyPositionClass, AdoptedOnThe132ndDifferingSample) {
    const auto& c = GetParam();
    // Start from a class other than the expected one (0 fresh, or 2 after adopting it).
    BodyPositionClassifier classifier;
    int32_t base = 0;
    if (c.expected == 0) {
        base = feed(classifier, kAdoptAfter, 300.0f, 0.0f);
        ASSERT_EQ(base, 2);
    }
    EXPECT_EQ(feed(classifier, kAdoptAfter - 1, c.second, c.third), base);
    EXPECT_EQ(feed(classifier, 1, c.second, c.third), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Thresholds, BodyPositionClass,
    ::testing::Values(PositionCase{241.0f, 0.0f, 2}, PositionCase{240.0f, 0.0f, 0},
                      PositionCase{300.0f, 0.0f, 2}, PositionCase{-60.0f, 0.0f, 0},
                      PositionCase{-61.0f, 0.0f, 2}, PositionCase{-215.0f, 0.0f, 2},
                      PositionCase{-215.5f, 0.0f, 1}, PositionCase{-400.0f, 0.0f, 1},
                      PositionCase{40.0f, 0.0f, 0}, PositionCase{40.1f, 0.0f, 1},
                      PositionCase{100.0f, 0.0f, 1}, PositionCase{119.9f, 0.0f, 1},
                      PositionCase{120.0f, 0.0f, 0}, PositionCase{0.0f, 0.0f, 0},
                      // The third angle overrides the second.
                      PositionCase{100.0f, -30.1f, 4}, PositionCase{100.0f, -30.0f, 1},
                      PositionCase{100.0f, -29.9f, 1}, PositionCase{100.0f, -84.9f, 4},
                      PositionCase{100.0f, -85.0f, 1}, PositionCase{0.0f, 30.1f, 3},
                      PositionCase{0.0f, 30.0f, 0}, PositionCase{0.0f, 84.9f, 3},
                      PositionCase{0.0f, 85.0f, 0}, PositionCase{300.0f, 50.0f, 3},
                      PositionCase{-300.0f, -50.0f, 4}));

TEST(BodyPositionClassifier, FreshClassifierNeeds132Samples) {
    BodyPositionClassifier classifier;
    for (int i = 1; i <= 131; ++i) {
        ASSERT_EQ(classifier.classify(0.0f, 100.0f, 0.0f), 0) << i;
    }
    EXPECT_EQ(classifier.classify(0.0f, 100.0f, 0.0f), 1);
    EXPECT_EQ(classifier.classify(0.0f, 100.0f, 0.0f), 1);
}

TEST(BodyPositionClassifier, DifferingSamplesNeedNotAgreeAndTheLastOneWins) {
    BodyPositionClassifier classifier;
    for (int i = 0; i < 131; ++i) {
        ASSERT_EQ(classifier.classify(0.0f, i % 2 == 0 ? 100.0f : 300.0f, 0.0f), 0);
    }
    EXPECT_EQ(classifier.classify(0.0f, 0.0f, 50.0f), 3);
}

TEST(BodyPositionClassifier, ASampleOfTheCurrentClassRestartsTheCount) {
    BodyPositionClassifier classifier;
    EXPECT_EQ(feed(classifier, 131, 100.0f, 0.0f), 0);
    EXPECT_EQ(classifier.classify(0.0f, 0.0f, 0.0f), 0);
    EXPECT_EQ(feed(classifier, 131, 100.0f, 0.0f), 0);
    EXPECT_EQ(feed(classifier, 1, 100.0f, 0.0f), 1);
}

}  // namespace
}  // namespace Tenvik
