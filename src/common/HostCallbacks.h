#pragma once

#include "tenvik_sdk.h"

namespace Tenvik {

// The 22 callbacks of TenvikSDK_init_callbacks, in argument order (#0 .. #21).
struct HostCallbacks {
    TenvikSDK_TimedFloatCallback ecgCallback = nullptr;
    TenvikSDK_TimedFloatCallback respirationCallback = nullptr;
    TenvikSDK_TimedFloatCallback temperatureCallback = nullptr;
    TenvikSDK_TimedVector3Callback accelerometerCallback = nullptr;
    TenvikSDK_TimedVector3Callback motionVector2Callback = nullptr;
    TenvikSDK_TimedVector3Callback motionVector3Callback = nullptr;
    TenvikSDK_UInt8Callback batteryCallback = nullptr;
    TenvikSDK_TimedUInt32Callback activityCallback = nullptr;
    TenvikSDK_TimedUInt64Callback stepsCallback = nullptr;
    TenvikSDK_TimedVector3Callback orientationCallback = nullptr;
    TenvikSDK_TimedQuaternionCallback quaternionCallback = nullptr;
    TenvikSDK_TimedUInt32Callback respirationRateCallback = nullptr;
    TenvikSDK_UInt32Callback wearStateCallback = nullptr;
    TenvikSDK_TimedUInt32Callback heartRateCallback = nullptr;
    TenvikSDK_TimedUInt32Callback rrCallback = nullptr;
    TenvikSDK_TimedUInt16Callback soundVolumeCallback = nullptr;
    TenvikSDK_IntCallback motionEventCallback = nullptr;
    TenvikSDK_TimeCallback userEventCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pressureCallback = nullptr;
    TenvikSDK_IntCallback pressureLeadOffCallback = nullptr;
    TenvikSDK_TimedUInt32Callback bodyPositionCallback = nullptr;
    TenvikSDK_TimedUInt8Callback signal15Callback = nullptr;
};

}  // namespace Tenvik
