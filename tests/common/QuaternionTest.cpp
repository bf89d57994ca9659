#include "common/Quaternion.h"

#include <gtest/gtest.h>

#include "common/Vector3.h"

namespace Tenvik {
namespace {

void expectVector(const Vector3& v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

void expectQuaternion(const Quaternion& q, float x, float y, float z, float w) {
    EXPECT_EQ(q.x, x);
    EXPECT_EQ(q.y, y);
    EXPECT_EQ(q.z, z);
    EXPECT_EQ(q.w, w);
}

TEST(Quaternion, DefaultsToZeroNotIdentity) {
    expectQuaternion(Quaternion(), 0, 0, 0, 0);
    expectQuaternion(Quaternion(1, 2, 3, 4), 1, 2, 3, 4);
    expectVector(Vector3(), 0, 0, 0);
}

struct RotateCase {
    Quaternion q;
    Vector3 expected;
};
class RotateZ : public ::testing::TestWithParam<RotateCase> {};
TEST_P(RotateZ, RotatesTheUnitZWithoutNormalising) {
    const auto& c = GetParam();
    expectVector(Quaternion::rotateZ(c.q), c.expected.x, c.expected.y, c.expected.z);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RotateZ,
    ::testing::Values(RotateCase{{0, 0, 0, 0}, {0, 0, 0}}, RotateCase{{0, 0, 0, 1}, {0, 0, 1}},
                      RotateCase{{1, 0, 0, 0}, {0, 0, -1}}, RotateCase{{0, 0, 0, 2}, {0, 0, 4}},
                      // A quarter turn about y, scaled by |q|^2 = 0.5: z goes to x.
                      RotateCase{{0, 0.5f, 0, 0.5f}, {0.5f, 0, 0}},
                      // (2(xz + wy), 2(yz - wx), w^2 - x^2 - y^2 + z^2) of (1, 2, 3, 4).
                      RotateCase{{1, 2, 3, 4}, {22, 4, 20}}));

TEST(QuaternionProduct, FollowsTheHamiltonRules) {
    Quaternion i(1, 0, 0, 0);
    i *= Quaternion(0, 1, 0, 0);
    expectQuaternion(i, 0, 0, 1, 0);  // i j = k

    Quaternion j(0, 1, 0, 0);
    j *= Quaternion(1, 0, 0, 0);
    expectQuaternion(j, 0, 0, -1, 0);  // j i = -k

    Quaternion q(1, 2, 3, 4);
    q *= Quaternion(5, 6, 7, 8);
    expectQuaternion(q, 24, 48, 48, -6);
}

TEST(QuaternionProduct, SquaringInPlaceReadsOnlyOldValues) {
    Quaternion q(1, 2, 3, 4);
    q *= q;
    expectQuaternion(q, 8, 16, 24, 2);
}

TEST(Vector3, LengthIsEuclidean) {
    EXPECT_EQ(Vector3(3, 4, 12).length(), 13.0f);
    EXPECT_EQ(Vector3(0, -5, 0).length(), 5.0f);
    EXPECT_EQ(Vector3().length(), 0.0f);
}

}  // namespace
}  // namespace Tenvik
