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

// An instance of the revision with every link callback and the log callback set.
inline TenvikSDK* create(const char* revision) {
    TenvikSDK* sdk = TenvikSDK_create(revision, static_cast<int>(std::strlen(revision)));
    if (sdk != nullptr) {
        TenvikSDK_set_payload_callback(onPayload, sdk);
        TenvikSDK_set_ble_send_callback(onSend, sdk);
        TenvikSDK_set_ble_ready_callback(onReady, sdk);
        TenvikSDK_set_log_callback(onLog, nullptr);
    }
    return sdk;
}

}  // namespace FuzzHost
