#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tenvik_sdk.h"

// The host side shared by the fuzz targets: every callback reads all it is given, so that a bad
// pointer or length handed to the host shows under the sanitizers.
namespace FuzzHost {

inline volatile uint8_t sink;

inline void touch(const uint8_t* data, size_t size) {
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i) {
        sum = static_cast<uint8_t>(sum + data[i]);
    }
    sink = sum;
}

inline void onPayload(void*, const char* name, const uint8_t* data, size_t size) {
    touch(reinterpret_cast<const uint8_t*>(name), std::strlen(name));
    touch(data, size);
}
inline void onSend(void*, const uint8_t* data, int length) {
    touch(data, length > 0 ? static_cast<size_t>(length) : 0);
}
inline void onReady(void*) {}
inline void onLog(void*, int, const char* text) {
    touch(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// The synchronisation callbacks: some decoders of recordings run only while theirs is set.
inline void onState(void*, int state) { sink = static_cast<uint8_t>(state); }
inline void onProgress(void*, uint32_t count, float) { sink = static_cast<uint8_t>(count); }
inline void onFloat(void*, uint64_t t, float) { sink = static_cast<uint8_t>(t); }
inline void onUInt8(void*, uint64_t t, uint8_t v) { sink = static_cast<uint8_t>(t + v); }
inline void onUInt16(void*, uint64_t t, uint16_t v) { sink = static_cast<uint8_t>(t + v); }
inline void onUInt32(void*, uint64_t t, uint32_t v) { sink = static_cast<uint8_t>(t + v); }
inline void onUInt64(void*, uint64_t t, uint64_t v) { sink = static_cast<uint8_t>(t + v); }
inline void onTime(void*, uint64_t t) { sink = static_cast<uint8_t>(t); }
inline void onVector(void*, uint64_t t, float, float, float) { sink = static_cast<uint8_t>(t); }
inline void onQuaternion(void*, uint64_t t, float, float, float, float) {
    sink = static_cast<uint8_t>(t);
}
inline void onGps(void*, uint64_t t, float, float, float, float, float, float) {
    sink = static_cast<uint8_t>(t);
}

inline void registerSynchronization(TenvikSDK* sdk) {
    TenvikSDK_init_synchronization_callbacks(
        onState, onProgress, onFloat, onFloat, onFloat, onUInt32, onUInt32, onUInt32, onUInt32,
        onUInt64, onTime, onUInt16, onUInt32, onVector, onVector, onQuaternion, onVector,
        onVector, onUInt32, onUInt8, sdk);
    TenvikSDK_set_past_eda_callback(onFloat, sdk);
    TenvikSDK_set_past_gps_callback(onGps, sdk);
}

// An instance of the revision with every link callback, the synchronisation callbacks and the
// log callback set.
inline TenvikSDK* create(const char* revision) {
    TenvikSDK* sdk = TenvikSDK_create(revision, static_cast<int>(std::strlen(revision)));
    if (sdk != nullptr) {
        TenvikSDK_set_payload_callback(onPayload, sdk);
        TenvikSDK_set_ble_send_callback(onSend, sdk);
        TenvikSDK_set_ble_ready_callback(onReady, sdk);
        registerSynchronization(sdk);
        TenvikSDK_set_log_callback(onLog, nullptr);
    }
    return sdk;
}

}  // namespace FuzzHost
