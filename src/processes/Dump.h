#pragma once

#include <cstdint>

#include "processes/BufferingProcess.h"

namespace Tenvik {

// Whether the byte lies outside 7-bit ASCII.
bool isNonAscii(uint8_t byte);

// The dump process: its text, collected until the instance ends, as "Dump", with every byte
// outside 7-bit ASCII removed.
class Dump final : public BufferingProcess {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override;
};

}  // namespace Tenvik
