#include "processes/BufferingProcess.h"

#include <algorithm>
#include <charconv>

#include "processes/ProcessManagerDelegate.h"

namespace Tenvik {

namespace {

std::string_view viewOf(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

// Growing by half rather than doubling bounds what a long answer holds at 1.5 bytes per byte
// and still copies each byte a bounded number of times, so appending stays amortised constant.
void BufferingProcess::append(const uint8_t* data, uint16_t size) {
    if (size == 0) {
        return;
    }
    const size_t needed = buffer.size() + size + 1;  // the terminator's room
    if (needed > buffer.capacity()) {
        const size_t grown = buffer.capacity() + buffer.capacity() / 2;
        buffer.reserve(std::max({needed, grown, InitialCapacity}));
    }
    buffer.insert(buffer.end(), data, data + size);
}

void BufferingProcess::emitWithTerminator(std::string_view name, bool (*drop)(uint8_t)) {
    if (delegate == nullptr) {
        clearBuffer();
        return;
    }
    if (buffer.empty()) {
        // Nothing collected: the terminator alone, without a buffer for it.
        emit(name, std::string_view("", 1));
        return;
    }
    buffer.push_back(0);  // never grows the buffer: appending keeps room for it
    if (drop != nullptr) {
        std::erase_if(buffer, drop);
    }
    emitBuffer(name);
}

// Messages reach a process only through the link, which holds back a chunk fed from inside the
// payload callback until this one is done, so the buffer stays as it is while the host reads it.
void BufferingProcess::emitBuffer(std::string_view name) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, viewOf(buffer));
    }
    clearBuffer();
}

void BufferingProcess::emit(std::string_view name, std::string_view payload) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, payload);
    }
}

void BufferingProcess::clearBuffer() {
    if (buffer.capacity() > RetainedCapacity) {
        std::vector<uint8_t>().swap(buffer);
        return;
    }
    buffer.clear();
}

std::string_view BufferingProcess::joinText(std::span<char> out,
                                            std::initializer_list<std::string_view> texts,
                                            std::initializer_list<uint64_t> numbers) {
    char* const begin = out.data();
    char* const end = begin + out.size();
    char* next = begin;
    auto number = numbers.begin();
    for (const std::string_view part : texts) {
        const size_t room = static_cast<size_t>(end - next);
        next = std::copy_n(part.data(), std::min(part.size(), room), next);
        if (number != numbers.end()) {
            const auto written = std::to_chars(next, end, *number++);
            if (written.ec == std::errc()) {
                next = written.ptr;
            }
        }
    }
    return {begin, static_cast<size_t>(next - begin)};
}

}  // namespace Tenvik
