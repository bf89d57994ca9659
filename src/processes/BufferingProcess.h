#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "processes/Process.h"

namespace Tenvik {

// A process that collects the messages of its instance in one buffer and hands the host a
// named payload from it.
//
// Memory: the buffer starts at `InitialCapacity` and grows by half its capacity whenever a
// message does not fit, so a long answer holds at most 1.5 bytes of heap per byte collected
// (and, for the moment of a growth step, the old buffer beside the new one). It always keeps
// room for the terminator, so ending an instance never grows it. After each hand-over it keeps
// its capacity when that is at most `RetainedCapacity` — short answers then cost no allocation
// from the second instance on — and releases it otherwise, so a long answer pins nothing once
// the host has it; the next answer starts a buffer again.
class BufferingProcess : public Process {
public:
    static constexpr size_t InitialCapacity = 256;
    static constexpr size_t RetainedCapacity = 4096;
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
    // Empties the buffer, releasing a capacity beyond `RetainedCapacity`.
    void clearBuffer();
    // A short text written into `out`: the texts, each but the last followed by the next of the
    // unsigned numbers in decimal. What would not fit in `out` is left out.
    static std::string_view joinText(std::span<char> out,
                                     std::initializer_list<std::string_view> texts,
                                     std::initializer_list<uint64_t> numbers);

    std::vector<uint8_t> buffer;
};

}  // namespace Tenvik
