#pragma once

#include "processes/Process.h"

namespace Tenvik {

// The update process: every message at once as "Update"; nothing is kept.
class Update final : public Process {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override {}
};

}  // namespace Tenvik
