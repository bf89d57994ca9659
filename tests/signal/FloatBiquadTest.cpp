#include "signal/FloatBiquad.h"

#include <gtest/gtest.h>

#include <vector>

namespace Tenvik {
namespace {

// Reference values: the design and the recursion evaluated with every operation rounded to
// single precision, the tangent in double.
TEST(FloatBiquad, HighPassDesignAndImpulse) {
    FloatBiquad highPass(1.0f, 500, FloatBiquad::HighPass, 2.0f);
    EXPECT_EQ(highPass.b0, 0.9875509142875671f);
    EXPECT_EQ(highPass.b1, -1.9751018285751343f);
    EXPECT_EQ(highPass.b2, 0.9875509142875671f);
    EXPECT_EQ(highPass.a1, -1.975023865699768f);
    EXPECT_EQ(highPass.a2, 0.9751797318458557f);
    const std::vector<float> expected = {0.9875509142875671f,    -0.024665236473083496f,
                                         -0.024203181266784668f, -0.023748820647597313f,
                                         -0.02330203726887703f,  -0.022862711921334267f};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(highPass.process(i == 0 ? 1.0f : 0.0f), expected[i]) << i;
    }
}

TEST(FloatBiquad, LowPassDesignAndStep) {
    FloatBiquad lowPass(1.0f, 60, FloatBiquad::LowPass, 2.0f);
    EXPECT_EQ(lowPass.b0, 0.002479839138686657f);
    EXPECT_EQ(lowPass.b1, 0.004959678277373314f);
    EXPECT_EQ(lowPass.b2, 0.002479839138686657f);
    EXPECT_EQ(lowPass.a1, -1.800808072090149f);
    EXPECT_EQ(lowPass.a2, 0.8107274174690247f);
    std::vector<float> y;
    for (int i = 0; i < 200; ++i) {
        y.push_back(lowPass.process(1.0f));
    }
    EXPECT_FLOAT_EQ(y[0], 0.002479839138686657f);
    EXPECT_FLOAT_EQ(y[1], 0.011905232444405556f);
    EXPECT_FLOAT_EQ(y[59], 0.9858794212341309f);
    EXPECT_FLOAT_EQ(y[199], 1.0000064373016357f);
}

TEST(FloatBiquad, KindsAreNumberedTheOtherWayRoundFromBiquad) {
    // Kind 0 is the high-pass here: a constant dies out.
    FloatBiquad zero(1.0f, 500, 0, 2.0f);
    EXPECT_EQ(zero.b1, -2.0f * zero.b0);
    FloatBiquad one(1.0f, 60, 1, 2.0f);
    EXPECT_EQ(one.b1, 2.0f * one.b0);
}

TEST(FloatBiquad, AnUnknownKindAlwaysOutputsZero) {
    for (const int kind : {2, 3, -1}) {
        FloatBiquad filter(1.0f, 60, kind, 2.0f);
        EXPECT_EQ(filter.process(1.0f), 0.0f);
        EXPECT_EQ(filter.process(-7.0f), 0.0f);
    }
}

}  // namespace
}  // namespace Tenvik
