#pragma once

#include "processes/BufferingProcess.h"

namespace Tenvik {

// The device's log process: the collected text as "Log" as soon as it holds a line feed (the
// whole text, not split at it), and what is left when the instance ends.
class Log final : public BufferingProcess {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override;
};

}  // namespace Tenvik
