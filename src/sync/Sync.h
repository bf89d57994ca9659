#pragma once

#include <cstdint>

#include "common/FirmwareVersion.h"
#include "processes/ISyncProcess.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// The synchronisation process: downloads the recordings stored on the device. For now it keeps
// what it is configured and given, and takes no traffic.
class Sync final : public ISyncProcess {
public:
    void process(const uint8_t* data, uint16_t size, uint64_t options) override;
    void onKilled() override;

    void configure(uint8_t headerSize, uint32_t packetSize, uint32_t dataVersion,
                   const FirmwareVersion& firmware, uint32_t syncMode,
                   uint32_t sessionFormatKind) override;
    void setContext(void* hostContext) override { context = hostContext; }

    void setSyncStateCallback(TenvikSDK_IntCallback callback) override {
        syncStateCallback = callback;
    }
    void setSyncProgressCallback(TenvikSDK_ProgressCallback callback) override {
        syncProgressCallback = callback;
    }
    void setPastEcgCallback(TenvikSDK_TimedFloatCallback callback) override {
        pastEcgCallback = callback;
    }
    void setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback) override {
        pastRespirationCallback = callback;
    }
    void setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback) override {
        pastTemperatureCallback = callback;
    }
    void setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback) override {
        pastHeartRateCallback = callback;
    }
    void setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback) override {
        pastActivityCallback = callback;
    }
    void setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback) override {
        pastRespirationRateCallback = callback;
    }
    void setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback) override {
        pastStepsCallback = callback;
    }

    uint8_t getHeaderSize() const { return headerSize; }
    uint32_t getPacketSize() const { return packetSize; }
    uint32_t getDataVersion() const { return dataVersion; }
    const FirmwareVersion& getFirmwareVersion() const { return firmwareVersion; }
    int getMode() const { return mode; }
    int getSignalCount() const { return signalCount; }
    void* getContext() const { return context; }
    TenvikSDK_IntCallback getSyncStateCallback() const { return syncStateCallback; }
    TenvikSDK_ProgressCallback getSyncProgressCallback() const { return syncProgressCallback; }
    TenvikSDK_TimedFloatCallback getPastEcgCallback() const { return pastEcgCallback; }
    TenvikSDK_TimedFloatCallback getPastRespirationCallback() const {
        return pastRespirationCallback;
    }
    TenvikSDK_TimedFloatCallback getPastTemperatureCallback() const {
        return pastTemperatureCallback;
    }
    TenvikSDK_TimedUInt32Callback getPastHeartRateCallback() const { return pastHeartRateCallback; }
    TenvikSDK_TimedUInt32Callback getPastActivityCallback() const { return pastActivityCallback; }
    TenvikSDK_TimedUInt32Callback getPastRespirationRateCallback() const {
        return pastRespirationRateCallback;
    }
    TenvikSDK_TimedUInt64Callback getPastStepsCallback() const { return pastStepsCallback; }

private:
    uint8_t headerSize = 0;
    uint32_t packetSize = 0;
    uint32_t dataVersion = 8;
    FirmwareVersion firmwareVersion;
    int mode = 1;
    int signalCount = 0;
    void* context = nullptr;

    TenvikSDK_IntCallback syncStateCallback = nullptr;
    TenvikSDK_ProgressCallback syncProgressCallback = nullptr;
    TenvikSDK_TimedFloatCallback pastEcgCallback = nullptr;
    TenvikSDK_TimedFloatCallback pastRespirationCallback = nullptr;
    TenvikSDK_TimedFloatCallback pastTemperatureCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastHeartRateCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastActivityCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastRespirationRateCallback = nullptr;
    TenvikSDK_TimedUInt64Callback pastStepsCallback = nullptr;
};

}  // namespace Tenvik
