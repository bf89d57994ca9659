// Notification chunks under every link protocol. Input layout:
//   byte 0        firmware revision (and so the protocol), from the table below
//   byte 1        how many chunk sizes follow (1 to 8)
//   next bytes    the chunk sizes, used in turn (0 gives an empty chunk)
//   the rest      the byte stream, cut into chunks of those sizes
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzHost.h"
#include "tenvik_sdk.h"

namespace {

const char* const revisions[] = {"2.2.14", "2.2.15", "3.0.0", "4.0.0", "2.2.18", "4.0", "7"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const char* revision = revisions[data[0] % revisionCount];
    const size_t sizeCount = static_cast<size_t>(data[1] % 8) + 1;
    if (size < 2 + sizeCount) {
        return 0;
    }
    const uint8_t* sizes = data + 2;
    const uint8_t* stream = sizes + sizeCount;
    const size_t streamSize = size - 2 - sizeCount;

    TenvikSDK* sdk = FuzzHost::create(revision);
    if (sdk == nullptr) {
        return 0;
    }

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
        TenvikSDK_process_ble_chunk(length > 0 ? chunk.data() : nullptr, static_cast<int>(length),
                                    sdk);
        offset += length;
        if (turn > 4 * streamSize + 16) {
            break;  // only empty chunks left in the size table
        }
    }
    TenvikSDK_destroy(sdk);
    return 0;
}
