#include "signal/BodyPositionClassifier.h"

namespace Tenvik {

int32_t BodyPositionClassifier::classify(float /*first*/, float second, float third) {
    const int32_t position = positionOf(second, third);
    if (position == current) {
        count = 0;
        return current;
    }
    count += 1;
    if (count < 4 * hold) {
        return current;
    }
    current = position;
    count = 0;
    return position;
}

int32_t BodyPositionClassifier::positionOf(float second, float third) {
    int32_t position;
    if (second > 240.0f) {
        position = 2;
    } else if (second < -60.0f) {
        position = second < -215.0f ? 1 : 2;
    } else {
        position = second > 40.0f && second < 120.0f ? 1 : 0;
    }
    if (third > -85.0f && third < -30.0f) {
        position = 4;
    } else if (third > 30.0f && third < 85.0f) {
        position = 3;
    }
    return position;
}

}  // namespace Tenvik
