#pragma once

#include <cstdint>

namespace Tenvik {

// Results of the signal chain that are not returned directly.
class ISignalProcessor {
public:
    virtual void didCalculateHeartRate(uint32_t value, uint64_t timestamp) = 0;
    // value: the breaths counted in the estimator's window; timestamp: of the sample that
    // completed the count.
    virtual void didCalculateRespirationRate(uint32_t value, uint64_t timestamp) = 0;

protected:
    // Never deleted through this interface.
    ~ISignalProcessor() = default;
};

}  // namespace Tenvik
