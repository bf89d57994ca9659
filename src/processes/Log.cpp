#include "processes/Log.h"

#include <cstring>

namespace Tenvik {

void Log::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    append(data, size);
    // A line feed empties the buffer at once, so the earlier bytes hold none: only the new
    // ones are searched, and a long line costs no more than its length.
    if (size > 0 && std::memchr(data, '\n', size) != nullptr) {
        emitBuffer("Log");
    }
}

void Log::onKilled() { emitWithTerminator("Log"); }

}  // namespace Tenvik
