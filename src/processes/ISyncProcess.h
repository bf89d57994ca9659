#pragma once

#include <cstdint>

#include "common/FirmwareVersion.h"
#include "processes/Process.h"
#include "tenvik_sdk.h"

namespace Tenvik {

// What the ProcessManager needs of the synchronisation process, which lives in a layer above
// it: its configuration, the host context and the synchronisation callbacks that reach it
// through the ProcessManager.
class ISyncProcess : public Process {
public:
    virtual void configure(uint8_t headerSize, uint32_t packetSize, uint32_t dataVersion,
                           const FirmwareVersion& firmware, uint32_t syncMode,
                           uint32_t sessionFormatKind) = 0;
    virtual void setContext(void* context) = 0;

    virtual void setSyncStateCallback(TenvikSDK_IntCallback callback) = 0;
    virtual void setSyncProgressCallback(TenvikSDK_ProgressCallback callback) = 0;
    virtual void setPastEcgCallback(TenvikSDK_TimedFloatCallback callback) = 0;
    virtual void setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback) = 0;
    virtual void setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback) = 0;
    virtual void setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback) = 0;
    virtual void setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback) = 0;
    virtual void setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback) = 0;
    virtual void setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback) = 0;

protected:
    ~ISyncProcess() = default;
};

}  // namespace Tenvik
