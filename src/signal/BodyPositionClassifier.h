#pragma once

#include <cstdint>

namespace Tenvik {

// Maps the orientation angles to a body position 0 to 4 and adopts a new position only on
// the 132nd consecutive sample that differs from the current one.
class BodyPositionClassifier {
public:
    BodyPositionClassifier() = default;

    // `first` is not used.
    int32_t classify(float first, float second, float third);

private:
    static int32_t positionOf(float second, float third);

    int32_t current = 0;
    int32_t count = 0;  // consecutive samples differing from `current`
    int32_t hold = 33;
};

}  // namespace Tenvik
