#pragma once

#include "processes/BufferingProcess.h"

namespace Tenvik {

// The ping process: its answer, collected until the instance ends, as "Ping".
class Ping final : public BufferingProcess {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override;
};

}  // namespace Tenvik
