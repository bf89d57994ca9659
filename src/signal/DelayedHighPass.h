#pragma once

#include <cstdint>
#include <vector>

#include "signal/Biquad.h"

namespace Tenvik {

// High-pass built from a low-pass: the input of size - 1 samples earlier minus the low-pass
// of the current input. A size below 1 is 1 (no delay).
class DelayedHighPass {
public:
    DelayedHighPass(int size, double normalisedFrequency, int sections);

    double process(double x);
    // Moves both positions on by one without writing.
    void advance();

private:
    Biquad lowPass;
    int32_t size;
    std::vector<double> ring;
    int32_t readPosition = 0;
    int32_t writePosition;
};

}  // namespace Tenvik
