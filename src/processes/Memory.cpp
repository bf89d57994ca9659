#include "processes/Memory.h"

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace Tenvik {

namespace {

constexpr size_t InformationBodySize = 12;
constexpr int32_t InformationKind = 1;


}  // namespace

void Memory::process(const uint8_t* data, uint16_t size, uint64_t options) {
    setMessageKind(options);
    append(data, size);
}

void Memory::setMessageKind(uint64_t options) {
    messageKind = options == 0 ? 0 : options == 1 ? 1 : 2;
}

void Memory::onKilled() {
    if (messageKind == InformationKind) {
        parseMemoryInfoMessage();
    } else {
        parseMemtestMessage();
    }
}

void Memory::parseMemoryInfoMessage() {
    if (buffer.size() != InformationBodySize) {
        logLine(LogInfo, "Memory::parseMemoryInfoMessage wrong size ", buffer.size());
        clearBuffer();
        return;
    }
    const uint8_t* body = buffer.data();
    const uint32_t flashSize = loadLe32(body);
    const uint32_t systemSize = loadLe32(body + 4);
    const uint32_t syncSize = loadLe32(body + 8);
    clearBuffer();
    if (delegate == nullptr) {
        return;
    }
    char text[ShortTextCapacity];
    emit("MemoryInfo", joinText(text,
                                {R"({ "flashSize": )", R"(, "systemSize": )",
                                 R"( , "syncSize": )", " }"},
                                {flashSize, systemSize, syncSize}));
}

void Memory::parseMemtestMessage() { emitWithTerminator("Memtest"); }

}  // namespace Tenvik
