#include "signal/StepInterpolation.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace Tenvik {
namespace {

constexpr float none = std::numeric_limits<float>::quiet_NaN();

struct Points {
    std::vector<float> out = std::vector<float>(16, 0.0f);
    int count = 0;
    std::vector<float> taken() const { return {out.begin(), out.begin() + count}; }
};

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "point " << i;
    }
}

TEST(StepsAwayFromReference, FirstSampleAloneThenSixPointsAwayFromIt) {
    float reference = none;
    Points run;
    appendStepsAwayFromReference(1.0f, 6, reference, run.out.data(), run.count);
    EXPECT_EQ(run.taken(), std::vector<float>{1.0f});
    EXPECT_EQ(reference, 1.0f);
    run.count = 0;
    appendStepsAwayFromReference(0.4f, 6, reference, run.out.data(), run.count);
    expectNear(run.taken(), {0.3f, 0.2f, 0.1f, 0.0f, -0.1f, -0.2f});
    // The reference stays the first sample: a later 0.4 steps the same way again.
    EXPECT_EQ(reference, 1.0f);
    run.count = 0;
    appendStepsAwayFromReference(0.4f, 6, reference, run.out.data(), run.count);
    expectNear(run.taken(), {0.3f, 0.2f, 0.1f, 0.0f, -0.1f, -0.2f});
}

TEST(StepsFromPrevious, EightPointsOnTheWayAndTheLastIsTheNextStart) {
    float previous = 0.0f;
    Points run;
    appendSteps(1.0f, 8, previous, run.out.data(), run.count);
    EXPECT_EQ(run.taken(), (std::vector<float>{0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f,
                                               0.875f, 1.0f}));
    EXPECT_EQ(previous, 1.0f);
    float fresh = none;
    run.count = 0;
    appendSteps(0.5f, 8, fresh, run.out.data(), run.count);
    EXPECT_EQ(run.taken(), std::vector<float>{0.5f});
    EXPECT_EQ(fresh, 0.5f);
}

}  // namespace
}  // namespace Tenvik
