#include "signal/PressureLeadOffDetector.h"

#include <algorithm>

namespace Tenvik {

PressureLeadOffDetector::PressureLeadOffDetector(IPressureLeadOff* leadOffDelegate)
    : delegate(leadOffDelegate) {}

void PressureLeadOffDetector::update(int32_t sample) {
    ring[count % kRingSize] = sample;
    advanceState(hasVariation());
    ++count;
    const bool contact = state == VariationConfirmed || state == VariationLost;
    setReported(contact ? kContact : kNoContact);
}

void PressureLeadOffDetector::setReported(int32_t value) {
    if (value == reported) {
        return;
    }
    reported = value;
    if (delegate != nullptr) {
        delegate->didChangePressureLeadOff(value);
    }
}

// The spread of raw 32-bit samples needs 64 bits: INT32_MAX - INT32_MIN does not fit in 32.
bool PressureLeadOffDetector::hasVariation() const {
    const auto [minimum, maximum] = std::minmax_element(ring.begin(), ring.end());
    return static_cast<int64_t>(*maximum) - static_cast<int64_t>(*minimum) > kVariationSpread;
}

// `count` is still the number of samples before this one.
void PressureLeadOffDetector::advanceState(bool variation) {
    switch (state) {
        case Quiet:
            if (variation) {
                state = VariationSeen;
                start = count;
            }
            break;
        case VariationSeen:
            if (!variation) {
                state = Quiet;
            } else if (count - start > kVariationHold) {
                state = VariationConfirmed;
            }
            break;
        case VariationConfirmed:
            if (!variation) {
                state = VariationLost;
                start = count;
            }
            break;
        case VariationLost:
            if (variation) {
                state = VariationConfirmed;
            } else if (count - start > kQuietHold) {
                state = Quiet;
            }
            break;
        default:
            break;
    }
}

}  // namespace Tenvik
