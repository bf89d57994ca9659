#include "processes/Dump.h"

namespace Tenvik {

bool isNonAscii(uint8_t byte) { return (byte & 0x80) != 0; }

void Dump::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    append(data, size);
}

void Dump::onKilled() { emitWithTerminator("Dump", &isNonAscii); }

}  // namespace Tenvik
