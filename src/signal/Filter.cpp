#include "signal/Filter.h"

#include <algorithm>

namespace {

std::vector<double> paddedCopy(const std::vector<double>& coefficients, size_t size) {
    std::vector<double> copy = coefficients;
    if (copy.size() < size) {
        copy.resize(size, 0.0);
    }
    return copy;
}

}  // namespace

Filter::Filter(const std::vector<double>& aCoefficients, const std::vector<double>& bCoefficients,
               int filterOrder)
    : order(std::max(filterOrder, 0)),
      a(paddedCopy(aCoefficients, static_cast<size_t>(order) + 1)),
      b(paddedCopy(bCoefficients, static_cast<size_t>(order) + 1)),
      input(static_cast<size_t>(order) + 1, 0.0),
      output(static_cast<size_t>(order) + 1, 0.0) {}

double Filter::process(double x) {
    const auto n = static_cast<size_t>(order);
    if (n >= 1) {
        std::copy(input.begin() + 1, input.end(), input.begin());
        std::copy(output.begin() + 1, output.end(), output.begin());
    }
    double y = b[0] * x;
    for (size_t k = 1; k <= n; ++k) {
        y += b[k] * input[n - k] - a[k] * output[n - k];
    }
    output[n] = y;
    input[n] = x;
    return y;
}

