#pragma once

#include <cstdint>
#include <vector>

#include "processes/ISyncProcess.h"

namespace TenvikTest {

// A stand-in for the synchronisation process in ProcessManager unit tests: records what the
// manager configures, forwards and routes to it.
class RecordingSyncProcess final : public Tenvik::ISyncProcess {
public:
    struct Configuration {
        uint8_t headerSize = 0;
        uint32_t packetSize = 0;
        uint32_t dataVersion = 0;
        Tenvik::FirmwareVersion firmware;
        uint32_t syncMode = 0;
        uint32_t sessionFormatKind = 0;
    };
    struct Message {
        std::vector<uint8_t> bytes;
        uint64_t options;
    };

    void process(const uint8_t* data, uint16_t size, uint64_t options) override {
        messages.push_back({std::vector<uint8_t>(data, data + size), options});
    }
    void onKilled() override { ++killed; }
    void configure(uint8_t headerSize, uint32_t packetSize, uint32_t dataVersion,
                   const Tenvik::FirmwareVersion& firmware, uint32_t syncMode,
                   uint32_t sessionFormatKind) override {
        configurations.push_back(
            {headerSize, packetSize, dataVersion, firmware, syncMode, sessionFormatKind});
    }
    void setContext(void* hostContext) override { context = hostContext; }
    void setSyncStateCallback(TenvikSDK_IntCallback callback) override { syncState = callback; }
    void setSyncProgressCallback(TenvikSDK_ProgressCallback callback) override {
        syncProgress = callback;
    }
    void setPastEcgCallback(TenvikSDK_TimedFloatCallback callback) override { pastEcg = callback; }
    void setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback) override {
        pastRespiration = callback;
    }
    void setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback) override {
        pastTemperature = callback;
    }
    void setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback) override {
        pastHeartRate = callback;
    }
    void setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback) override {
        pastActivity = callback;
    }
    void setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback) override {
        pastRespirationRate = callback;
    }
    void setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback) override {
        pastSteps = callback;
    }

    std::vector<Configuration> configurations;
    std::vector<Message> messages;
    int killed = 0;
    void* context = nullptr;
    TenvikSDK_IntCallback syncState = nullptr;
    TenvikSDK_ProgressCallback syncProgress = nullptr;
    TenvikSDK_TimedFloatCallback pastEcg = nullptr;
    TenvikSDK_TimedFloatCallback pastRespiration = nullptr;
    TenvikSDK_TimedFloatCallback pastTemperature = nullptr;
    TenvikSDK_TimedUInt32Callback pastHeartRate = nullptr;
    TenvikSDK_TimedUInt32Callback pastActivity = nullptr;
    TenvikSDK_TimedUInt32Callback pastRespirationRate = nullptr;
    TenvikSDK_TimedUInt64Callback pastSteps = nullptr;
};

}  // namespace TenvikTest
