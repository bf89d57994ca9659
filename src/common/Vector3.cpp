#include "common/Vector3.h"

#include <cmath>

namespace Tenvik {

float Vector3::length() const { return std::sqrt(x * x + y * y + z * z); }

}  // namespace Tenvik
