#pragma once

#include <cstdint>

#include "common/Log.h"

namespace Tenvik {

// Every fixed-size decoder starts here: exactly `expected` bytes, or one level-1 line
// ("Owner.decoder: size != expected, size = received") and nothing else. No bytes count as 0.
inline bool hasExactSize(const char* owner, const char* decoder, const uint8_t* data,
                         int64_t size, int64_t expected) {
    const int64_t received = data == nullptr ? 0 : size;
    if (received == expected) {
        return true;
    }
    logLine(LogInfo, owner, ".", decoder, ": size != ", expected, ", size = ", received);
    return false;
}

}  // namespace Tenvik
