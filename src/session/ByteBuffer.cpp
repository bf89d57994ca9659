#include "session/ByteBuffer.h"

#include <cstring>

namespace Tenvik {

ByteBuffer::ByteBuffer(uint8_t* bytes, uint16_t capacity) : size(capacity), storage(bytes) {}

ByteBuffer::ByteBuffer(const ByteBuffer& other, uint8_t* bytes)
    : used(other.used), size(other.size), storage(bytes) {
    if (used > 0) {
        std::memcpy(storage, other.storage, used);
    }
}

bool ByteBuffer::append(const void* bytes, uint16_t n) {
    if (n > size - used) {
        return false;
    }
    if (n > 0) {
        std::memcpy(storage + used, bytes, n);
        used = static_cast<uint16_t>(used + n);
    }
    return true;
}

void ByteBuffer::clear() {
    if (size > 0) {
        std::memset(storage, 0, size);
    }
    used = 0;
}

}  // namespace Tenvik
