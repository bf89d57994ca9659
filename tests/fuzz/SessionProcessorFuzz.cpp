// Hostile recorded sessions: the first byte is the signal count the carrier would give, the
// rest the serialized session, read and replayed by both kinds of session processor (with and
// without the motion analysis) with log lines on, so that every message is built.
#include <cstddef>
#include <cstdint>

#include "SilentSessionDelegate.h"
#include "common/Log.h"
#include "session/Session.h"
#include "session/SessionProcessor.h"

namespace {

void onLog(void*, int, const char*) {}
void onMotionEvent(void*, int) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    Tenvik::setLogCallback(onLog, nullptr);
    const uint8_t signalCount = data[0];
    // The carriers pass at most 65535 bytes on.
    const auto length = static_cast<uint16_t>(size - 1 > 65535 ? 65535 : size - 1);
    const Tenvik::Session session(data + 1, length, signalCount);

    TenvikTest::SilentSessionDelegate delegate;
    Tenvik::SessionProcessor online(&delegate, 0);
    Tenvik::SessionProcessor sync(&delegate, 1);
    online.setMotionEventCallback(onMotionEvent);
    online.sessionProcess(session, "online");
    sync.sessionProcess(session, "sync");
    // A second pass carries the activity, contact and motion state over.
    online.sessionProcess(session, "online");
    return 0;
}
