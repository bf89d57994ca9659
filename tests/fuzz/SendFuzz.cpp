// Host commands under every link protocol. Input layout:
//   byte 0        firmware revision (and so the protocol), from the table below
//   bytes 1..4    the pid, a signed 32-bit little-endian value
//   the rest      the command bytes; a 0xFF byte splits them into several commands, and after
//                 each command a protocol-2 answer of the process-data kind comes back
//
// Instances are pooled, one per revision, and fed input after input (FuzzInstances.h says
// when and why): commands still waiting for their answer carry over to the next input. A
// replay of input files gives every input a new instance.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FirmwareTraits.h"
#include "FuzzHost.h"
#include "FuzzInstances.h"
#include "FuzzReach.h"
#include "tenvik_sdk.h"

namespace {

const char* const revisions[] = {"2.2.14", "2.2.15", "3.0.0", "4.0.0", "2.2.17", "4.0", "1.0.0"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

// What a command reached: framed and handed to the link (under which protocol), or refused.
void judgeSend(const FirmwareTraits& firmware, const FuzzHost::Tally& delta) {
    const std::string protocol = std::to_string(firmware.protocol());
    if (delta.calls[FuzzHost::Send] > 0) {
        FuzzReach::mark("send.framed.protocol" + protocol);
    }
    if (delta.calls[FuzzHost::Send] > 0 && delta.calls[FuzzHost::Ready] > 0) {
        FuzzReach::mark("send.ready.protocol" + protocol);
    }
    if (delta.calls[FuzzHost::Send] == 0 && delta.calls[FuzzHost::Payload] > 0) {
        FuzzReach::mark("send.refused.protocol" + protocol);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzInstances::configure(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    FuzzInstances::beginInput(data, size);
    const std::string revision = revisions[data[0] % revisionCount];
    uint32_t rawPid = 0;
    std::memcpy(&rawPid, data + 1, sizeof rawPid);
    const auto pid = static_cast<int>(rawPid);

    TenvikSDK* sdk = FuzzInstances::acquire(revision);
    if (sdk == nullptr) {
        return 0;
    }
    FuzzHost::registerEverything(sdk);
    TenvikSDK_set_log_callback(FuzzHost::onLog, nullptr);
    const FirmwareTraits firmware(revision);

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
        const FuzzHost::Tally before = FuzzHost::tally;
        TenvikSDK_send(exact.empty() ? nullptr : exact.data(), static_cast<int>(exact.size()), pid,
                       sdk);
        if (FuzzReach::enabled()) {
            judgeSend(firmware, FuzzHost::tally.since(before));
        }
        TenvikSDK_process_ble_chunk(answer, sizeof answer, sdk);
        if (split == nullptr) {
            break;
        }
        command = split + 1;
    }
    FuzzInstances::release(sdk);
    return 0;
}

void fuzzReplayHistory(const char* path, int (*run)(const uint8_t*, size_t)) {
    FuzzInstances::replayHistory(path, run);
}
