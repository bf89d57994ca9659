#include "signal/EcgFilterChain.h"

namespace Tenvik {
namespace {

constexpr int kNotchSections = 2;
constexpr double kNotchQ = 4.0;

// The notch frequencies are single-precision values widened to double.
constexpr double widened(float value) { return static_cast<double>(value); }

}  // namespace

EcgFilterChain::EcgFilterChain()
    : highPassA{1.0, -0.9875},
      highPassB{0.9938, -0.9938},
      lowPassA{1.0, -0.5914},
      lowPassB{0.2043, 0.2043},
      notch1(Biquad::Notch, widened(0.1f), kNotchSections, kNotchQ),
      notch2(Biquad::Notch, widened(0.12f), kNotchSections, kNotchQ),
      notch3(Biquad::Notch, widened(0.2f), kNotchSections, kNotchQ),
      notch4(Biquad::Notch, 0.25, kNotchSections, kNotchQ),
      highPass(highPassA, highPassB, 1),
      lowPass(lowPassA, lowPassB, 1) {}

EcgFilterChain::~EcgFilterChain() = default;

float EcgFilterChain::process(float x) {
    float value = x;
    value = static_cast<float>(notch1.process(value));
    value = static_cast<float>(notch2.process(value));
    value = static_cast<float>(notch3.process(value));
    value = static_cast<float>(notch4.process(value));
    value = static_cast<float>(highPass.process(value));
    return static_cast<float>(lowPass.process(value));
}

}  // namespace Tenvik
