#include "signal/RespirationFilterChain.h"

#include <algorithm>

namespace Tenvik {

RespirationFilterChain::RespirationFilterChain()
    : notch1(Biquad(Biquad::Notch, 0.1, 4, 5.0)),
      notch2(Biquad(Biquad::Notch, 0.25, 2, 4.0)),
      highPass(Biquad(Biquad::HighPass, 0.12 / 1000.0, 2, 0.707)),
      lowPass(Biquad(Biquad::LowPass, 0.0024, 2, 0.354)) {}

float RespirationFilterChain::process(float x) {
    float y = 0.0f;
    processBlock(&x, &y, 1);
    return y;
}

void RespirationFilterChain::processBlock(const float* in, float* out, std::size_t count) {
    count = std::min(count, MaxBlock);
    double values[MaxBlock];
    std::copy_n(in, count, values);
    notch1.process(values, count);
    notch2.process(values, count);
    highPass.process(values, count);
    lowPass.process(values, count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<float>(values[i]);
    }
}

}  // namespace Tenvik
