#pragma once

#include <array>
#include <cstddef>

#include "signal/Biquad.h"

namespace Tenvik {

// The respiration chain: two notches, a high-pass against drift and a low-pass that keeps
// the breathing band, all in double precision; only the result is rounded to float. Ten
// second-order sections in all (4 + 2 + 2 + 2), with their coefficients and state inline.
class RespirationFilterChain {
public:
    // The most samples one call of processBlock takes.
    static constexpr std::size_t MaxBlock = 72;

    RespirationFilterChain();

    float process(float x);

    // Filters `count` samples (at most MaxBlock) in order, as `count` calls of process would,
    // to the bit: each section sees the samples in order with the same operations. The
    // sections run as a wavefront (at each step section k takes the sample that section k - 1
    // finished the step before), so the ten sections work side by side instead of each sample
    // waiting for the previous one to leave the last section.
    void processBlock(const float* in, float* out, std::size_t count);

private:
    static constexpr std::size_t Sections = 10;

    void addSections(const Biquad& design, std::size_t count, std::size_t& next);

    std::array<double, Sections> b0{};
    std::array<double, Sections> b1{};
    std::array<double, Sections> b2{};
    std::array<double, Sections> a1{};
    std::array<double, Sections> a2{};
    std::array<double, Sections> z1{};
    std::array<double, Sections> z2{};
};

}  // namespace Tenvik
