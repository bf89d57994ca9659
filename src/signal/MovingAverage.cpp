#include "signal/MovingAverage.h"

#include <algorithm>

namespace Tenvik {

MovingAverage::MovingAverage(int size)
    : maxSize(std::max(size, 1)), window(static_cast<size_t>(maxSize), 0.0) {}

double MovingAverage::push(double x) {
    const size_t capacity = window.size();
    if (count < capacity) {
        window[(oldest + count) % capacity] = x;
        ++count;
    } else {
        window[oldest] = x;
        oldest = (oldest + 1) % capacity;
    }
    double sum = 0.0;  // oldest first, in order of arrival
    for (size_t i = 0; i < count; ++i) {
        sum += window[(oldest + i) % capacity];
    }
    return sum / static_cast<double>(count);
}

}  // namespace Tenvik
