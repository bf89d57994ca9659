// Hostile characteristic values: the first byte picks a firmware revision (and with it every
// decoder variant) and a characteristic export; the rest is the value, of any size. Inputs stay
// short (DecoderFuzz.options): every size check lies within the first few dozen bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tenvik_sdk.h"

namespace {

using Export = void (*)(const uint8_t*, int, TenvikSDK*);

const char* const revisions[] = {"2.0.0",  "2.1.9",  "2.2.5",  "2.2.14", "2.2.18",
                                 "2.3.23", "2.3.24", "3.2.25", "3.2.30", "3.3.34",
                                 "3.3.41", "3.4.53", "3.5.59", "4.0.0"};

const Export exports[] = {TenvikSDK_process_battery_package,
                          processECGPackage,
                          processRespirationPackage,
                          processTemperaturePackage,
                          processMotionPackage,
                          processActivityPackage,
                          processStepsPackage,
                          processOrientationPackage,
                          processHeartRatePackage,
                          processHealthThermometerPackage,
                          processSoundVolumePackage,
                          processNasalCannulaPackage};

constexpr size_t revisionCount = sizeof revisions / sizeof revisions[0];
constexpr size_t exportCount = sizeof exports / sizeof exports[0];

void onFloat(void*, uint64_t, float) {}
void onVector(void*, uint64_t, float, float, float) {}
void onQuaternion(void*, uint64_t, float, float, float, float) {}
void onUInt8(void*, uint8_t) {}
void onTimedUInt8(void*, uint64_t, uint8_t) {}
void onTimedUInt16(void*, uint64_t, uint16_t) {}
void onTimedUInt32(void*, uint64_t, uint32_t) {}
void onTimedUInt64(void*, uint64_t, uint64_t) {}
void onUInt32(void*, uint32_t) {}
void onInt(void*, int) {}
void onTime(void*, uint64_t) {}
void onLog(void*, int, const char*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const char* revision = revisions[(data[0] >> 4) % revisionCount];
    const Export entry = exports[(data[0] & 0x0F) % exportCount];
    TenvikSDK* sdk = TenvikSDK_create(revision, static_cast<int>(std::strlen(revision)));
    if (sdk == nullptr) {
        return 0;
    }
    TenvikSDK_init_callbacks(onFloat, onFloat, onFloat, onVector, onVector, onVector, onUInt8,
                             onTimedUInt32, onTimedUInt64, onVector, onQuaternion, onTimedUInt32,
                             onUInt32, onTimedUInt32, onTimedUInt32, onTimedUInt16, onInt, onTime,
                             onTimedUInt32, onInt, onTimedUInt32, onTimedUInt8, sdk);
    TenvikSDK_set_log_callback(onLog, nullptr);
    // The value, and then the same bytes split at every packet size the decoders know.
    const uint8_t* value = data + 1;
    const size_t length = size - 1;
    entry(value, static_cast<int>(length), sdk);
    for (size_t offset = 0; offset + 20 <= length; offset += 20) {
        entry(value + offset, 20, sdk);
    }
    TenvikSDK_destroy(sdk);
    return 0;
}
