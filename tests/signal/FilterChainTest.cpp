#include "signal/EcgFilterChain.h"

#include <gtest/gtest.h>

#include <vector>

#include "signal/RespirationFilterChain.h"

namespace Tenvik {
namespace {

// Reference values: the chains evaluated independently from their designs, the ECG chain
// rounding to float between stages, the respiration chain only at the end.

TEST(EcgFilterChain, ImpulseResponse) {
    EcgFilterChain chain;
    const std::vector<float> expected = {
        0.09436195343732834f, 0.09400682896375656f, 0.08231775462627411f, 0.14586511254310608f,
        0.09944964200258255f, 0.10201665014028549f, 0.14251910150051117f, 0.12634308636188507f};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(chain.process(i == 0 ? 1.0f : 0.0f), expected[i]) << i;
    }
}

TEST(EcgFilterChain, AConstantSettlesToZero) {
    EcgFilterChain chain;
    std::vector<float> y;
    for (int i = 0; i < 3000; ++i) {
        y.push_back(chain.process(0.5f));
    }
    EXPECT_FLOAT_EQ(y[0], 0.04718097671866417f);
    EXPECT_FLOAT_EQ(y[1], 0.09418439120054245f);
    EXPECT_NEAR(y[999], 1.8218914874523762e-06f, 1e-9f);
    EXPECT_NEAR(y[2999], 0.0f, 1e-12f);
}

TEST(RespirationFilterChain, StepResponse) {
    RespirationFilterChain chain;
    std::vector<float> y;
    for (int i = 0; i < 3000; ++i) {
        y.push_back(chain.process(1.0f));
    }
    EXPECT_FLOAT_EQ(y[0], 1.945961392024742e-09f);
    EXPECT_FLOAT_EQ(y[1], 1.664712101501209e-08f);
    EXPECT_FLOAT_EQ(y[99], 0.04287024959921837f);
    EXPECT_FLOAT_EQ(y[999], 0.07679574191570282f);
    EXPECT_FLOAT_EQ(y[2999], -0.16185125708580017f);
}

}  // namespace
}  // namespace Tenvik
