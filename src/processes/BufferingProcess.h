#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "processes/Process.h"

namespace Tenvik {

// A process that collects the messages of its instance in one buffer and hands the host a
// named payload from it. The buffer keeps its capacity from one instance to the next.
class BufferingProcess : public Process {
public:
    // Room for the longest text `joinText` builds, the memory sizes: 48 characters of text and
    // three numbers of at most 20 digits.
    static constexpr size_t ShortTextCapacity = 128;

protected:
    BufferingProcess() = default;
    ~BufferingProcess() = default;

    // Adds the message's bytes behind the earlier ones.
    void append(const uint8_t* data, uint16_t size);
    // Ends the instance's text: a zero terminator, the bytes for which `drop` holds removed,
    // then the whole buffer as one payload. The buffer is emptied also without a delegate.
    void emitWithTerminator(std::string_view name, bool (*drop)(uint8_t) = nullptr);
    // The whole buffer as one payload, then an empty buffer.
    void emitBuffer(std::string_view name);
    // A payload built apart from the buffer.
    void emit(std::string_view name, std::string_view payload);
    void clearBuffer() { buffer.clear(); }
    // A short text written into `out`: the texts, each but the last followed by the next of the
    // unsigned numbers in decimal. What would not fit in `out` is left out.
    static std::string_view joinText(std::span<char> out,
                                     std::initializer_list<std::string_view> texts,
                                     std::initializer_list<uint64_t> numbers);

    // Bytes, not text: a string, so that it is handed to the delegate without a copy.
    std::string buffer;
};

}  // namespace Tenvik
