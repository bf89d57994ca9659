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

void BufferingProcess::emitWithTerminator(const std::string& name, bool (*drop)(uint8_t)) {
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
void BufferingProcess::emitBuffer(const std::string& name) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, buffer);
    }
    buffer.clear();
}

std::string BufferingProcess::joinText(std::initializer_list<std::string_view> texts,
                                       std::initializer_list<uint64_t> numbers) {
    std::string text;
    size_t length = 0;
    for (const std::string_view part : texts) {
        length += part.size();
    }
    text.reserve(length + numbers.size() * 20);
    auto number = numbers.begin();
    for (const std::string_view part : texts) {
        text.append(part);
        if (number != numbers.end()) {
            char digits[20];
            const auto written = std::to_chars(digits, digits + sizeof digits, *number++);
            text.append(digits, written.ptr);
        }
    }
    return text;
}

void BufferingProcess::emit(const std::string& name, const std::string& payload) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, payload);
    }
}

}  // namespace Tenvik
