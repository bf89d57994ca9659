#pragma once

#include <cstdint>

namespace Tenvik {

// Receives the start and end of a plank hold. The count is the plank detector's sample count
// after the sample that caused the event.
class PlankDetectorDelegate {
public:
    virtual void didStartPlank(uint32_t count) = 0;
    virtual void didEndPlank(uint32_t count) = 0;

protected:
    // Never deleted through this interface.
    ~PlankDetectorDelegate() = default;
};

}  // namespace Tenvik
