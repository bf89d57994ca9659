#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "processes/Process.h"

namespace Tenvik {

// A process that collects the messages of its instance in one buffer and hands the host a
// named payload from it. The buffer keeps its capacity from one instance to the next.
class BufferingProcess : public Process {
protected:
    BufferingProcess() = default;
    ~BufferingProcess() = default;

    // Adds the message's bytes behind the earlier ones.
    void append(const uint8_t* data, uint16_t size);
    // Ends the instance's text: a zero terminator, the bytes for which `drop` holds removed,
    // then the whole buffer as one payload. The buffer is emptied also without a delegate.
    void emitWithTerminator(const std::string& name, bool (*drop)(uint8_t) = nullptr);
    // The whole buffer as one payload, then an empty buffer.
    void emitBuffer(const std::string& name);
    // A payload built apart from the buffer.
    void emit(const std::string& name, const std::string& payload);
    void clearBuffer() { buffer.clear(); }
    // A short text built in one allocation: the parts, texts and unsigned numbers in decimal.
    static std::string joinText(std::initializer_list<std::string_view> texts,
                                std::initializer_list<uint64_t> numbers);

    // Bytes, not text: a string, so that it is handed to the delegate without a copy.
    std::string buffer;
};

}  // namespace Tenvik
