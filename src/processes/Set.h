#pragma once

#include <cstdint>

#include "processes/BufferingProcess.h"

namespace Tenvik {

// The set process. Its answer is collected until the instance ends; when the last message came
// with options 2 it is a status body of two 64-bit values (time, ECG) handed on as a JSON text
// "Stat", otherwise the text itself as "Set".
class Set final : public BufferingProcess {
public:
    static constexpr uint64_t StatusOptions = 2;

    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override;

    uint64_t getOptions() const { return options; }

private:
    void emitStatus();

    uint64_t options = 0;
};

}  // namespace Tenvik
