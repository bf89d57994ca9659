#include "processes/BufferingProcess.h"

#include <algorithm>

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

void BufferingProcess::emitBuffer(const std::string& name) {
    // The host reads the bytes from a string of their own: a payload callback that feeds this
    // process more data appends to a fresh buffer, never to the bytes being delivered, and what
    // it appended stays for the next payload.
    std::string payload;
    payload.swap(buffer);
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, payload);
    }
    if (buffer.empty()) {
        payload.clear();
        buffer.swap(payload);
    }
}

void BufferingProcess::emit(const std::string& name, const std::string& payload) {
    if (delegate != nullptr) {
        delegate->didReceivePayload(name, payload);
    }
}

}  // namespace Tenvik
