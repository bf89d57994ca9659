#pragma once

#include <cstdint>

#include "processes/Process.h"

namespace Tenvik {

// The collect process: every message is a serialized session, read and handed on at once.
class Collect final : public Process {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override {}

    // The session format of the firmware: 15 signals for kind 0, 16 for kind 1, 18 otherwise.
    void setSignalCount(int32_t signalCountKind);
    int32_t getSignalCount() const { return signalCount; }

private:
    int32_t signalCount = 0;
};

}  // namespace Tenvik
