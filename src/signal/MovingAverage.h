#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tenvik {

// Mean of the last `maxSize` samples (fewer until that many have arrived). A size below 1 is
// 1. The window is reserved at construction, so pushing allocates nothing.
class MovingAverage {
public:
    explicit MovingAverage(int maxSize);

    double push(double x);

private:
    int32_t maxSize;
    std::vector<double> window;  // ring, `count` values from `oldest` on
    size_t oldest = 0;
    size_t count = 0;
};

}  // namespace Tenvik
