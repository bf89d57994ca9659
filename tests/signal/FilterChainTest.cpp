#include "signal/EcgFilterChain.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

#include "signal/Biquad.h"
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

// The chain as four Biquad cascades run one sample at a time through all ten sections. The
// block path must give the same floats to the bit, whatever the blocks' sizes.
TEST(RespirationFilterChain, BlocksGiveTheSameBitsAsOneSampleAtATime) {
    Biquad notch1(Biquad::Notch, 0.1, 4, 5.0);
    Biquad notch2(Biquad::Notch, 0.25, 2, 4.0);
    Biquad highPass(Biquad::HighPass, 0.12 / 1000.0, 2, 0.707);
    Biquad lowPass(Biquad::LowPass, 0.0024, 2, 0.354);
    RespirationFilterChain chain;
    std::mt19937 random(4);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    const size_t blockSizes[] = {1, 6, 24, 55, 60, 72, 13};
    for (int round = 0; round < 3000; ++round) {
        const size_t count = blockSizes[static_cast<size_t>(round) % std::size(blockSizes)];
        float in[RespirationFilterChain::MaxBlock];
        float out[RespirationFilterChain::MaxBlock];
        for (size_t i = 0; i < count; ++i) {
            in[i] = sample(random) + 0.2f * static_cast<float>(round % 50) / 50.0f;
        }
        chain.processBlock(in, out, count);
        for (size_t i = 0; i < count; ++i) {
            const double reference =
                lowPass.process(highPass.process(notch2.process(notch1.process(in[i]))));
            ASSERT_EQ(std::bit_cast<uint32_t>(out[i]),
                      std::bit_cast<uint32_t>(static_cast<float>(reference)))
                << "round " << round << " sample " << i;
        }
    }
}

}  // namespace
}  // namespace Tenvik
