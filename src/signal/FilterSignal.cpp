#include "signal/FilterSignal.h"

#include <algorithm>

namespace Tenvik {
namespace {

double coefficient(const std::vector<double>& values, size_t index) {
    return index < values.size() ? values[index] : 0.0;
}

}  // namespace

std::vector<double> filterSignal(const std::vector<double>& b, const std::vector<double>& a,
                                 const std::vector<double>& x) {
    const size_t length = std::max(a.size(), b.size());
    std::vector<double> y(x.size(), 0.0);
    for (size_t i = 0; i < x.size(); ++i) {
        double value = coefficient(b, 0) * x[i];
        const size_t taps = length == 0 ? 0 : std::min(i, length - 1);
        for (size_t m = 1; m <= taps; ++m) {
            value += coefficient(b, m) * x[i - m] - coefficient(a, m) * y[i - m];
        }
        y[i] = value;
    }
    return y;
}

}  // namespace Tenvik
