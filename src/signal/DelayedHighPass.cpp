#include "signal/DelayedHighPass.h"

#include <algorithm>

namespace Tenvik {

DelayedHighPass::DelayedHighPass(int delaySize, double normalisedFrequency, int sections)
    : lowPass(Biquad::LowPass, normalisedFrequency, sections, 0.707),
      size(std::max(delaySize, 1)),
      ring(static_cast<size_t>(size), 0.0),
      writePosition(size - 1) {}

double DelayedHighPass::process(double x) {
    ring[static_cast<size_t>(writePosition)] = x;
    const double delayed = ring[static_cast<size_t>(readPosition)];
    const double low = lowPass.process(x);
    advance();
    return delayed - low;
}

void DelayedHighPass::advance() {
    readPosition = (readPosition + 1) % size;
    writePosition = (writePosition + 1) % size;
}

}  // namespace Tenvik
