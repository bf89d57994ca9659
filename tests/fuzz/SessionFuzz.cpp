// Session::deserialize on its own. Input layout:
//   byte 0     the signal count the reader is told
//   the rest   the serialized session (at most 65535 bytes, as a carrier's size allows)
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzHost.h"
#include "common/Log.h"
#include "session/Session.h"

namespace {

// Reads every byte a session claims to hold, so a length or pointer that strays from its
// storage shows under the sanitizers.
void touchSession(const Tenvik::Session& session) {
    for (size_t i = 0; i < Tenvik::Session::SignalCount; ++i) {
        const Tenvik::ByteBuffer& signal = session.signal(i);
        if (signal.length() > signal.capacity()) {
            __builtin_trap();
        }
        FuzzHost::touch(signal.data(), signal.length());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    Tenvik::setLogCallback(FuzzHost::onLog, nullptr);
    const uint8_t signalCount = data[0];
    const size_t payloadSize = size - 1 > 65535 ? 65535 : size - 1;
    // The payload in an allocation of exactly its size, so a read past it is caught.
    std::vector<uint8_t> payload(data + 1, data + 1 + payloadSize);
    payload.shrink_to_fit();
    const Tenvik::Session session(payloadSize > 0 ? payload.data() : nullptr,
                                  static_cast<uint16_t>(payloadSize), signalCount);
    touchSession(session);
    const Tenvik::Session copy(session);
    touchSession(copy);
    if (copy.serializedSize() != session.serializedSize() ||
        session.serializedSize() > 17 + 2 * Tenvik::Session::SignalCount +
                                       Tenvik::Session::StorageSize) {
        __builtin_trap();
    }
    return 0;
}
