#include "processes/Collect.h"

#include "processes/ProcessManagerDelegate.h"
#include "session/Session.h"

namespace Tenvik {

void Collect::setSignalCount(int32_t signalCountKind) {
    signalCount = signalCountKind == 0 ? 15 : signalCountKind == 1 ? 16 : 18;
}

// The session lives on this call's stack: no heap, and nobody keeps it past the call.
void Collect::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    const Session session(data, size, static_cast<uint8_t>(signalCount));
    if (delegate != nullptr) {
        delegate->didReceiveSession(session);
    }
}

}  // namespace Tenvik
