#include "signal/MedianFilter.h"

#include <algorithm>

namespace Tenvik {

MedianFilter::MedianFilter(int windowSize)
    : window(static_cast<size_t>(std::max(windowSize, 1)), 0.0),
      sorted(window.size(), 0.0),
      size(std::max(windowSize, 1)) {}

void MedianFilter::write(double x) {
    window[static_cast<size_t>(writePosition)] = x;
    writePosition = (writePosition + 1) % size;
}

double MedianFilter::push(double x) {
    write(x);
    std::copy(window.begin(), window.end(), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    return median();
}

double MedianFilter::median() const {
    const auto middle = static_cast<size_t>(size / 2);
    if (size % 2 != 0) {
        return sorted[middle];
    }
    return (sorted[middle - 1] + sorted[middle]) / 2.0;
}

}  // namespace Tenvik
