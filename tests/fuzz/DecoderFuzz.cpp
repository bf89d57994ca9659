// Hostile characteristic values: the first byte picks a firmware revision (and with it every
// decoder variant) and a characteristic export; the rest is the value, of any size. Inputs stay
// short (DecoderFuzz.options): every size check lies within the first few dozen bytes.
//
// Instances are pooled, one per revision, and fed input after input (FuzzInstances.h says
// when and why); a decoder's history of earlier values then carries over, as it does on a
// host. A replay of input files gives every input a new instance.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FirmwareTraits.h"
#include "FuzzHost.h"
#include "FuzzInstances.h"
#include "FuzzReach.h"
#include "ReachOracle.h"
#include "tenvik_sdk.h"

namespace {

const char* const revisions[] = {"2.0.0",  "2.1.9",  "2.2.5",  "2.2.14", "2.2.18",
                                 "2.3.23", "2.3.24", "3.2.25", "3.2.30", "3.3.34",
                                 "3.3.41", "3.4.53", "3.5.59", "4.0.0"};
constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];

// Feeds one value and lets the reach check judge what it reached.
void feed(TenvikSDK* sdk, const FirmwareTraits& firmware, FuzzHost::Characteristic which,
          const uint8_t* value, size_t length) {
    const FuzzHost::Tally before = FuzzHost::tally;
    FuzzHost::valueExports[which](value, static_cast<int>(length), sdk);
    if (FuzzReach::enabled()) {
        ReachOracle::afterValue(firmware, which, static_cast<int>(length),
                                FuzzHost::tally.since(before));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzInstances::configure(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    FuzzInstances::beginInput(data, size);
    const std::string revision = revisions[(data[0] >> 4) % revisionCount];
    const auto which =
        static_cast<FuzzHost::Characteristic>((data[0] & 0x0F) % FuzzHost::CharacteristicCount);
    TenvikSDK* sdk = FuzzInstances::acquire(revision);
    if (sdk == nullptr) {
        return 0;
    }
    FuzzHost::registerEverything(sdk);
    TenvikSDK_set_log_callback(FuzzHost::onLog, nullptr);
    const FirmwareTraits firmware(revision);
    // The value, and then the same bytes split at every packet size the decoders know.
    const uint8_t* value = data + 1;
    const size_t length = size - 1;
    feed(sdk, firmware, which, value, length);
    for (size_t offset = 0; offset + 20 <= length; offset += 20) {
        feed(sdk, firmware, which, value + offset, 20);
    }
    FuzzInstances::release(sdk);
    return 0;
}

void fuzzReplayHistory(const char* path, int (*run)(const uint8_t*, size_t)) {
    FuzzInstances::replayHistory(path, run);
}
