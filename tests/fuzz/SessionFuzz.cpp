// Session::deserialize on its own. Input layout:
//   byte 0     the signal count the reader is told
//   the rest   the serialized session (at most 65535 bytes, as a carrier's size allows)
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzHost.h"
#include "FuzzReach.h"
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
        if (FuzzReach::enabled() && signal.length() > 0) {
            FuzzReach::mark("session.signal" + std::to_string(i));
        }
    }
}

// The reach check records each problem the reader reports, by the words of its message before
// the first number or detail: "deserialize.invalid timestampStart", for example.
void onLog(void* context, int level, const char* text) {
    FuzzHost::onLog(context, level, text);
    constexpr std::string_view prefix = "Session::deserialize: ";
    const std::string_view line = text;
    if (FuzzReach::enabled() && line.substr(0, prefix.size()) == prefix) {
        std::string_view words = line.substr(prefix.size());
        words = words.substr(0, words.find_first_of(":(0123456789"));
        while (!words.empty() && words.back() == ' ') {
            words.remove_suffix(1);
        }
        FuzzReach::mark("deserialize." + std::string(words));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    Tenvik::setLogCallback(onLog, nullptr);
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
