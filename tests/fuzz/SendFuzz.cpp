// Host commands under every link protocol. Input layout:
//   byte 0        firmware revision (and so the protocol), from the table below
//   bytes 1..4    the pid, a signed 32-bit little-endian value
//   the rest      the command bytes; a 0xFF byte splits them into several commands, and after
//                 each command a protocol-2 answer of the process-data kind comes back
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzHost.h"
#include "tenvik_sdk.h"

namespace {

const char* const revisions[] = {"2.2.14", "2.2.15", "3.0.0", "4.0.0", "2.2.17", "4.0", "1.0.0"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    const char* revision = revisions[data[0] % revisionCount];
    uint32_t rawPid = 0;
    std::memcpy(&rawPid, data + 1, sizeof rawPid);
    const auto pid = static_cast<int>(rawPid);

    TenvikSDK* sdk = FuzzHost::create(revision);
    if (sdk == nullptr) {
        return 0;
    }

    const uint8_t answer[] = {0x02, 0x0A, 0x01, 0x06, 0x00, 0x2A};
    const uint8_t* command = data + 5;
    const uint8_t* end = data + size;
    std::vector<uint8_t> exact;
    while (true) {
        const auto* split = static_cast<const uint8_t*>(
            std::memchr(command, 0xFF, static_cast<size_t>(end - command)));
        const uint8_t* commandEnd = split != nullptr ? split : end;
        // Each command in its own allocation of exactly its size.
        exact.assign(command, commandEnd);
        exact.shrink_to_fit();
        TenvikSDK_send(exact.empty() ? nullptr : exact.data(), static_cast<int>(exact.size()), pid,
                       sdk);
        TenvikSDK_process_ble_chunk(answer, sizeof answer, sdk);
        if (split == nullptr) {
            break;
        }
        command = split + 1;
    }
    TenvikSDK_destroy(sdk);
    return 0;
}
