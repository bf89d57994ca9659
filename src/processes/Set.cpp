#include "processes/Set.h"

#include "common/Log.h"
#include "common/ByteOrder.h"

namespace Tenvik {

namespace {
constexpr size_t StatusBodySize = 16;
}  // namespace

void Set::process(const uint8_t* data, uint16_t size, uint64_t messageOptions) {
    options = messageOptions;
    append(data, size);
}

void Set::onKilled() {
    if (delegate == nullptr) {
        clearBuffer();
        return;
    }
    if (options == StatusOptions) {
        options = 0;
        emitStatus();
        return;
    }
    emitWithTerminator("Set");
}

// A body too short for both values is reported and dropped, never read past its end.
void Set::emitStatus() {
    if (buffer.size() < StatusBodySize) {
        logLine(LogInfo, "Set::onKilled wrong size ", buffer.size());
        clearBuffer();
        return;
    }
    const uint64_t time = loadLe64(buffer.data());
    const uint64_t ecg = loadLe64(buffer.data() + 8);
    clearBuffer();
    char text[ShortTextCapacity];
    emit("Stat", joinText(text, {R"({ "time": )", R"(, "ecg": )", " }"}, {time, ecg}));
}

}  // namespace Tenvik
