#pragma once

#include <cstdint>
#include <vector>

namespace Tenvik {

// Scales each sample into the range of the last `size` samples: [min, max], or [-m, m] with m
// the larger magnitude when symmetric. A size below 1 is 1.
class MinMaxNormalizer {
public:
    MinMaxNormalizer(int size, bool symmetric);

    void write(double x);
    void updateRange();
    // (x - lo) / (hi - lo), or 0 when the range is empty.
    double push(double x);

private:
    bool symmetric;
    std::vector<double> window;
    int32_t size;
    int32_t writePosition = 0;
    double lo = 0.0;
    double hi = 1.0;
};

}  // namespace Tenvik
