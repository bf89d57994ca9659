#include "signal/OrientationFilter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Tenvik {
namespace {

// Reference values: the published gradient-descent filter evaluated independently, the
// nine-axis step from the Jacobian form of its objective (with the earth-field reference at
// the half scale the published filter uses), with the same fast inverse root.
constexpr float kTolerance = 2e-6f;

void expectNear(const OrientationQuaternion& q, double q0, double q1, double q2, double q3) {
    EXPECT_NEAR(q.q0, q0, kTolerance);
    EXPECT_NEAR(q.q1, q1, kTolerance);
    EXPECT_NEAR(q.q2, q2, kTolerance);
    EXPECT_NEAR(q.q3, q3, kTolerance);
}

TEST(InverseSqrt, IsWithinATenthOfAPercent) {
    for (const float x : {4.0f, 1.0f, 2.0f, 100.0f, 0.01f, 1e6f}) {
        EXPECT_NEAR(inverseSqrt(x) * std::sqrt(x), 1.0f, 1e-3f) << x;
    }
    EXPECT_NEAR(inverseSqrt(4.0f), 0.5000593662261963f, 1e-7f);
}

TEST(OrientationImu, StartsAtTheIdentityAndStaysThereWhenLevelAndStill) {
    OrientationQuaternion q;
    expectNear(q, 1, 0, 0, 0);
    updateOrientationImu(q, 0, 0, 0, 0, 0, 1);
    EXPECT_EQ(q.q1, 0.0f);
    EXPECT_EQ(q.q2, 0.0f);
    EXPECT_EQ(q.q3, 0.0f);
    EXPECT_NEAR(q.q0, 1.0f, 2e-4f);  // renormalised with the approximate root
}

TEST(OrientationImu, IntegratesTheAngularRateWithoutAcceleration) {
    OrientationQuaternion q;
    updateOrientationImu(q, 0, 0, 1, 0, 0, 0);
    expectNear(q, 0.999983132, 0, 0, 0.0166663864);
}

TEST(OrientationImu, TurnsTowardsTheMeasuredGravity) {
    OrientationQuaternion q;
    for (int i = 0; i < 30; ++i) {
        updateOrientationImu(q, 0, 0, 0, 1, 0, 0);
    }
    expectNear(q, 0.98099459, 0, -0.194907448, 0);
}

TEST(OrientationImu, CombinesRateAndGravity) {
    OrientationQuaternion q;
    for (int i = 0; i < 10; ++i) {
        updateOrientationImu(q, 0.1f, -0.2f, 0.3f, 0.2f, 0.1f, 0.9f);
    }
    expectNear(q, 0.993582228, 0.0477291695, -0.0914608842, 0.0495374293);
}

TEST(OrientationMarg, UsesTheMagneticField) {
    OrientationQuaternion q;
    for (int i = 0; i < 10; ++i) {
        updateOrientation(q, 0.1f, -0.2f, 0.3f, 0.2f, 0.1f, 0.9f, 0.3f, -0.4f, 0.5f);
    }
    expectNear(q, 0.992765695, -0.00207353763, -0.0519389671, 0.109661477);
}

TEST(OrientationMarg, IntegratesOnlyTheRateWithoutAcceleration) {
    OrientationQuaternion q;
    for (int i = 0; i < 10; ++i) {
        updateOrientation(q, 0.1f, -0.2f, 0.3f, 0, 0, 0, 0.3f, -0.4f, 0.5f);
    }
    expectNear(q, 0.998178139, 0.0166576859, -0.0333153718, 0.0499730576);
}

TEST(OrientationMarg, FallsBackToSixAxesWithoutAField) {
    OrientationQuaternion marg;
    OrientationQuaternion imu;
    for (int i = 0; i < 10; ++i) {
        updateOrientation(marg, 0.1f, -0.2f, 0.3f, 0.2f, 0.1f, 0.9f, 0, 0, 0);
        updateOrientationImu(imu, 0.1f, -0.2f, 0.3f, 0.2f, 0.1f, 0.9f);
    }
    EXPECT_EQ(marg.q0, imu.q0);
    EXPECT_EQ(marg.q1, imu.q1);
    EXPECT_EQ(marg.q2, imu.q2);
    EXPECT_EQ(marg.q3, imu.q3);
}

}  // namespace
}  // namespace Tenvik
