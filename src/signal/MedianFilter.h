#pragma once

#include <cstdint>
#include <vector>

namespace Tenvik {

// Median of the last `size` samples; entries never written count as zeros. A size below 1
// is 1.
class MedianFilter {
public:
    explicit MedianFilter(int size);

    void write(double x);
    double push(double x);
    double median() const;

private:
    std::vector<double> window;
    std::vector<double> sorted;
    int32_t size;
    int32_t writePosition = 0;
};

}  // namespace Tenvik
