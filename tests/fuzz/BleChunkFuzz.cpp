// Notification chunks under every link protocol. Input layout:
//   byte 0        firmware revision (and so the protocol), from the table below
//   byte 1        how many chunk sizes follow (1 to 8)
//   next bytes    the chunk sizes, used in turn (0 gives an empty chunk)
//   the rest      the byte stream, cut into chunks of those sizes
//
// Instances are pooled, one per revision, and fed input after input (FuzzInstances.h says
// when and why): a message one input leaves half received, or a process it created, is then
// met by the next input, as on a host whose device keeps talking. A replay of input files
// gives every input a new instance.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FirmwareTraits.h"
#include "FuzzHost.h"
#include "FuzzInstances.h"
#include "FuzzReach.h"
#include "ReachOracle.h"
#include "tenvik_sdk.h"

namespace {

const char* const revisions[] = {"2.2.14", "2.2.15", "3.0.0",  "4.0.0",  "2.2.18", "4.0",
                                 "7",      "3.2.30", "3.3.34", "2.3.24", "3.5.60", "3.7.86"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzInstances::configure(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string revision = revisions[data[0] % revisionCount];
    const size_t sizeCount = static_cast<size_t>(data[1] % 8) + 1;
    if (size < 2 + sizeCount) {
        return 0;
    }
    FuzzInstances::beginInput(data, size);
    const uint8_t* sizes = data + 2;
    const uint8_t* stream = sizes + sizeCount;
    const size_t streamSize = size - 2 - sizeCount;

    TenvikSDK* sdk = FuzzInstances::acquire(revision);
    if (sdk == nullptr) {
        return 0;
    }
    FuzzHost::registerEverything(sdk);
    TenvikSDK_set_log_callback(FuzzHost::onLog, nullptr);
    const FirmwareTraits firmware(revision);

    size_t offset = 0;
    size_t turn = 0;
    // Each chunk in its own allocation of exactly its size, so a read past it is caught.
    std::vector<uint8_t> chunk;
    while (offset < streamSize) {
        size_t length = sizes[turn++ % sizeCount];
        if (length > streamSize - offset) {
            length = streamSize - offset;
        }
        chunk.assign(stream + offset, stream + offset + length);
        chunk.shrink_to_fit();
        const FuzzHost::Tally before = FuzzHost::tally;
        TenvikSDK_process_ble_chunk(length > 0 ? chunk.data() : nullptr, static_cast<int>(length),
                                    sdk);
        if (FuzzReach::enabled()) {
            ReachOracle::afterChunk(firmware, FuzzHost::tally.since(before));
        }
        offset += length;
        if (turn > 4 * streamSize + 16) {
            break;  // only empty chunks left in the size table
        }
    }
    FuzzInstances::release(sdk);
    return 0;
}

void fuzzReplayHistory(const char* path, int (*run)(const uint8_t*, size_t)) {
    FuzzInstances::replayHistory(path, run);
}
