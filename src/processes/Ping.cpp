#include "processes/Ping.h"

namespace Tenvik {

void Ping::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    append(data, size);
}

void Ping::onKilled() { emitWithTerminator("Ping"); }

}  // namespace Tenvik
