#include "signal/MinMaxNormalizer.h"

#include <algorithm>
#include <cmath>

namespace Tenvik {

MinMaxNormalizer::MinMaxNormalizer(int windowSize, bool isSymmetric)
    : symmetric(isSymmetric),
      window(static_cast<size_t>(std::max(windowSize, 1)), 0.0),
      size(std::max(windowSize, 1)) {}

void MinMaxNormalizer::write(double x) {
    window[static_cast<size_t>(writePosition)] = x;
    writePosition = (writePosition + 1) % size;
}

void MinMaxNormalizer::updateRange() {
    const auto [minimum, maximum] = std::minmax_element(window.begin(), window.end());
    if (symmetric) {
        const double magnitude = std::max(std::fabs(*minimum), std::fabs(*maximum));
        lo = -magnitude;
        hi = magnitude;
    } else {
        lo = *minimum;
        hi = *maximum;
    }
}

double MinMaxNormalizer::push(double x) {
    write(x);
    updateRange();
    const double range = hi - lo;
    return range == 0.0 ? 0.0 : (x - lo) / range;
}

}  // namespace Tenvik
