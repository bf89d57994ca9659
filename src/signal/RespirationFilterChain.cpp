#include "signal/RespirationFilterChain.h"

namespace Tenvik {

RespirationFilterChain::RespirationFilterChain()
    : notch1(Biquad::Notch, 0.1, 4, 5.0),
      notch2(Biquad::Notch, 0.25, 2, 4.0),
      highPass(Biquad::HighPass, 0.12 / 1000.0, 2, 0.707),
      lowPass(Biquad::LowPass, 0.0024, 2, 0.354) {}

float RespirationFilterChain::process(float x) {
    double value = x;
    value = notch1.process(value);
    value = notch2.process(value);
    value = highPass.process(value);
    value = lowPass.process(value);
    return static_cast<float>(value);
}

}  // namespace Tenvik
