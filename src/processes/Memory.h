#pragma once

#include <cstdint>

#include "processes/BufferingProcess.h"

namespace Tenvik {

// The memory process. Its answer is collected until the instance ends; when the last message
// came with options 1 it is an information body of three 32-bit sizes handed on as a JSON text
// "MemoryInfo", otherwise the memory-test text as "Memtest".
class Memory final : public BufferingProcess {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override;

    // 0 for options 0, 1 for options 1, 2 for any other options.
    void setMessageKind(uint64_t options);
    int32_t getMessageKind() const { return messageKind; }

    void parseMemoryInfoMessage();
    void parseMemtestMessage();

private:
    int32_t messageKind = 2;
};

}  // namespace Tenvik
