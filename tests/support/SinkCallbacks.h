#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tenvik_sdk.h"

namespace TenvikTest {

// Host callbacks that only fold what they receive into a sink, so that nothing is optimised
// away and nothing is allocated: for allocation tests and benchmarks.
namespace Sink {

inline volatile uint64_t sink = 0;

inline void onFloat(void*, uint64_t t, float v) { sink = sink + t + static_cast<uint64_t>(v != 0); }
inline void onVector(void*, uint64_t t, float, float, float) { sink = sink + t; }
inline void onQuaternion(void*, uint64_t t, float, float, float, float) { sink = sink + t; }
inline void onGps(void*, uint64_t t, float, float, float, float, float, float) { sink = sink + t; }
inline void onUInt8(void*, uint8_t v) { sink = sink + v; }
inline void onTimedUInt8(void*, uint64_t t, uint8_t v) { sink = sink + t + v; }
inline void onTimedUInt16(void*, uint64_t t, uint16_t v) { sink = sink + t + v; }
inline void onTimedUInt32(void*, uint64_t t, uint32_t v) { sink = sink + t + v; }
inline void onTimedUInt64(void*, uint64_t t, uint64_t v) { sink = sink + t + v; }
inline void onUInt32(void*, uint32_t v) { sink = sink + v; }
inline void onInt(void*, int v) { sink = sink + static_cast<uint64_t>(v); }
inline void onTime(void*, uint64_t t) { sink = sink + t; }
inline void onPayload(void*, const char*, const uint8_t*, size_t size) { sink = sink + size; }

// Every data callback of the instance, the live EDA and GPS ones and the payload callback;
// `ecg` replaces the ECG callback when given.
inline void registerEverything(TenvikSDK* sdk, TenvikSDK_TimedFloatCallback ecg = nullptr) {
    static int context = 0;
    TenvikSDK_set_context(&context, sdk);
    TenvikSDK_init_callbacks(ecg != nullptr ? ecg : onFloat, onFloat, onFloat, onVector, onVector,
                             onVector, onUInt8, onTimedUInt32, onTimedUInt64, onVector,
                             onQuaternion, onTimedUInt32, onUInt32, onTimedUInt32, onTimedUInt32,
                             onTimedUInt16, onInt, onTime, onTimedUInt32, onInt, onTimedUInt32,
                             onTimedUInt8, sdk);
    TenvikSDK_set_eda_callback(onFloat, sdk);
    TenvikSDK_set_gps_callback(onGps, sdk);
    TenvikSDK_set_payload_callback(onPayload, sdk);
}

inline void onProgress(void*, uint32_t count, float) { sink = sink + count; }

// A log callback: counts the sessions' summary lines, keeps nothing of any line.
inline int summaryLines = 0;
inline void onLogLine(void*, int, const char* text) {
    constexpr std::string_view summary = "SessionProcessor.sessionProcess 20";
    if (std::string_view(text).starts_with(summary)) {
        ++summaryLines;
    }
}

// Every synchronisation callback, the past EDA and GPS ones included.
inline void registerSynchronization(TenvikSDK* sdk) {
    TenvikSDK_init_synchronization_callbacks(
        onInt, onProgress, onFloat, onFloat, onFloat, onTimedUInt32, onTimedUInt32,
        onTimedUInt32, onTimedUInt32, onTimedUInt64, onTime, onTimedUInt16, onTimedUInt32,
        onVector, onVector, onQuaternion, onVector, onVector, onTimedUInt32, onTimedUInt8, sdk);
    TenvikSDK_set_past_eda_callback(onFloat, sdk);
    TenvikSDK_set_past_gps_callback(onGps, sdk);
}

}  // namespace Sink
}  // namespace TenvikTest
