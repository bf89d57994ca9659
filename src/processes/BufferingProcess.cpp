#include "processes/BufferingProcess.h"

#include <algorithm>
#include <charconv>

#include "processes/ProcessManagerDelegate.h"

namespace Tenvik {

void BufferingProcess::append(const uint8_t* data, uint16_t size) {
    if (size > 0) {
        buffer.append(reinterpret_cast<const char*>(data), size);
    }
}

void BufferingProcess::emitWithTerminator(std::string_view name, bool (*drop)(uint8_t)) {
    if (delegate == nullptr) {
        clearBuffer();
        return;
    }
    buffer.push_back('\0');
    if (drop != nullptr) {
        std::erase_if(buffer, [drop](char byte) { return drop(static_cast<uint8_t>(byte)); });
    }
    emitBuffer(name);
}

// Messages reach a process only through the link, which holds back a chunk fed from inside the
// payload callback until this one is done, so the buffer stays as it is while the host reads it.
void BufferingProcess::emitBuffer(std::string_view name) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, buffer);
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

void BufferingProcess::emit(std::string_view name, std::string_view payload) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, payload);
    }
}

}  // namespace Tenvik
