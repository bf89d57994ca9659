#pragma once

#include "tenvik_sdk.h"

namespace Tenvik {

// The 20 callbacks of TenvikSDK_init_synchronization_callbacks, in argument order.
struct SynchronizationCallbacks {
    TenvikSDK_IntCallback syncStateCallback = nullptr;
    TenvikSDK_ProgressCallback syncProgressCallback = nullptr;
    TenvikSDK_TimedFloatCallback pastEcgCallback = nullptr;
    TenvikSDK_TimedFloatCallback pastRespirationCallback = nullptr;
    TenvikSDK_TimedFloatCallback pastTemperatureCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastHeartRateCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastRrCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastActivityCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastRespirationRateCallback = nullptr;
    TenvikSDK_TimedUInt64Callback pastStepsCallback = nullptr;
    TenvikSDK_TimeCallback pastUserEventCallback = nullptr;
    TenvikSDK_TimedUInt16Callback pastSoundVolumeCallback = nullptr;
    TenvikSDK_TimedUInt32Callback pastPressureCallback = nullptr;
    TenvikSDK_TimedVector3Callback pastAccelerometerCallback = nullptr;
    TenvikSDK_TimedVector3Callback pastMotionVector2Callback = nullptr;
    TenvikSDK_TimedQuaternionCallback pastQuaternionCallback = nullptr;
    TenvikSDK_TimedVector3Callback pastOrientationCallback = nullptr;
    TenvikSDK_TimedVector3Callback pastMotionVector3Callback = nullptr;
    TenvikSDK_TimedUInt32Callback pastBodyPositionCallback = nullptr;
    TenvikSDK_TimedUInt8Callback pastSignal15Callback = nullptr;
};

}  // namespace Tenvik
