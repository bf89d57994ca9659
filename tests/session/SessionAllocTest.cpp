// Replaying a session allocates nothing: the session lives on the stack, the processor decodes
// straight from its buffers and the SDK object forwards every sample to the host callbacks.
// The counting allocation functions are defined once for this test program.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "CountingAllocator.h"
#include "SessionRecords.h"
#include "SilentSessionDelegate.h"
#include "SinkCallbacks.h"
#include "common/HostCallbacks.h"
#include "sdk/TenvikSDK.h"
#include "session/Session.h"
#include "session/SessionProcessor.h"

namespace Tenvik {
namespace {

using namespace TenvikTest::SessionRecords;

constexpr uint64_t Start = 1000000000000;

// Full sessions, then one whose end lies before its start and one that is skipped.
std::vector<Bytes> sessions() {
    return {serialized(Start, Start + 60000, 2, fullBlocks()),
            serialized(Start + 60000, Start + 120000, 0, fullBlocks()),
            serialized(Start + 5000, Start, 1, fullBlocks()),
            serialized(0, Start, 1, fullBlocks())};
}

TEST(SessionAllocations, SessionProcessorAllocatesNothingPerSession) {
    const std::vector<Bytes> payloads = sessions();
    TenvikTest::SilentSessionDelegate delegate;
    auto processor = std::make_unique<SessionProcessor>(&delegate, 0);
    processor->setMotionEventCallback(&TenvikTest::Sink::onInt);

    const TenvikTest::AllocationScope scope;
    for (int round = 0; round < 20; ++round) {
        for (const Bytes& payload : payloads) {
            const Session session(payload.data(), static_cast<uint16_t>(payload.size()), 18);
            processor->sessionProcess(session, "online");
        }
    }
    EXPECT_EQ(scope.count(), 0u);
    // Every record of the three delivered sessions, each time.
    EXPECT_GT(delegate.samples, 20u * 3u * 700u);
}

using namespace TenvikTest::Sink;

TEST(SessionAllocations, SdkObjectForwardsSessionsWithoutAllocating) {
    const std::vector<Bytes> payloads = sessions();
    auto sdk = std::make_unique<TenvikSDK>(FirmwareVersion::fromText("3.7.86"));
    HostCallbacks callbacks;
    callbacks.ecgCallback = callbacks.respirationCallback = callbacks.temperatureCallback =
        &onFloat;
    callbacks.accelerometerCallback = callbacks.motionVector2Callback =
        callbacks.motionVector3Callback = callbacks.orientationCallback = &onVector;
    callbacks.quaternionCallback = &onQuaternion;
    callbacks.activityCallback = callbacks.respirationRateCallback = callbacks.heartRateCallback =
        callbacks.rrCallback = callbacks.pressureCallback = callbacks.bodyPositionCallback =
            &onTimedUInt32;
    callbacks.stepsCallback = &onTimedUInt64;
    callbacks.soundVolumeCallback = &onTimedUInt16;
    callbacks.signal15Callback = &onTimedUInt8;
    callbacks.wearStateCallback = &onUInt32;
    callbacks.motionEventCallback = callbacks.pressureLeadOffCallback = &onInt;
    callbacks.userEventCallback = &onTime;
    sdk->initCallbacks(callbacks);
    sdk->setEdaCallback(&onFloat);
    sdk->setGpsCallback(&onGps);

    const TenvikTest::AllocationScope scope;
    for (int round = 0; round < 20; ++round) {
        for (const Bytes& payload : payloads) {
            sdk->didReceiveSession(
                Session(payload.data(), static_cast<uint16_t>(payload.size()), 18));
        }
    }
    EXPECT_EQ(scope.count(), 0u);
}

}  // namespace
}  // namespace Tenvik
