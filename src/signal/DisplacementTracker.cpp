#include "signal/DisplacementTracker.h"

namespace Tenvik {

float DisplacementTracker::update(float acceleration, float rate) {
    velocity += acceleration / rate;
    position += highPass.process(velocity) / rate;
    return position - lowPass.process(position);
}

}  // namespace Tenvik
