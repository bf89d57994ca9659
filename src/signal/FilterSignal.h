#pragma once

#include <vector>

namespace Tenvik {

// Filters a whole signal with the recursive filter (b, a) from a zero state. a[0] is not
// used; a coefficient missing from the shorter vector counts as 0.
std::vector<double> filterSignal(const std::vector<double>& b, const std::vector<double>& a,
                                 const std::vector<double>& x);

}  // namespace Tenvik
