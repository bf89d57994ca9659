// Replaying a session allocates nothing: the session lives on the stack, the processor decodes
// straight from its buffers and the SDK object forwards every sample to the host callbacks.
// The counting allocation functions are defined once for this test program.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "CountingAllocator.h"
#include "LinkFrames.h"
#include "SessionRecords.h"
#include "SilentSessionDelegate.h"
#include "SinkCallbacks.h"
#include "common/HostCallbacks.h"
#include "common/Log.h"
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

HostCallbacks sinkCallbacks() {
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
    return callbacks;
}

std::unique_ptr<TenvikSDK> listeningInstance(const char* revision) {
    auto sdk = std::make_unique<TenvikSDK>(FirmwareVersion::fromText(revision));
    sdk->initCallbacks(sinkCallbacks());
    sdk->setEdaCallback(&onFloat);
    sdk->setGpsCallback(&onGps);
    return sdk;
}

TEST(SessionAllocations, SdkObjectForwardsSessionsWithoutAllocating) {
    const std::vector<Bytes> payloads = sessions();
    auto sdk = listeningInstance("3.7.86");

    const TenvikTest::AllocationScope scope;
    for (int round = 0; round < 20; ++round) {
        for (const Bytes& payload : payloads) {
            sdk->didReceiveSession(
                Session(payload.data(), static_cast<uint16_t>(payload.size()), 18));
        }
    }
    EXPECT_EQ(scope.count(), 0u);
}

int ecgSamples = 0;
void countEcg(void*, uint64_t, float) { ++ecgSamples; }

// From the notification chunks on: the collect process's sessions over protocol 4, once a first
// session has sized the link's buffers; with a log callback set too, which receives each
// session's summary line with its times.
TEST(SessionAllocations, CollectSessionsOverProtocolFourAllocateNothingOnceWarm) {
    constexpr uint16_t collectPid = 0x21;
    std::vector<std::vector<Bytes>> messages;
    for (const Bytes& payload : sessions()) {
        messages.push_back(TenvikTest::inChunks(TenvikTest::v4Message(payload, collectPid), 244));
    }
    for (const bool logging : {false, true}) {
        SCOPED_TRACE(logging ? "with a log callback" : "without a log callback");
        auto sdk = listeningInstance("4.1.0");
        HostCallbacks callbacks = sinkCallbacks();
        callbacks.ecgCallback = &countEcg;
        sdk->initCallbacks(callbacks);
        if (logging) {
            setLogCallback(&onLogLine, nullptr);
        }
        const auto feed = [&sdk](const std::vector<Bytes>& chunks) {
            for (const Bytes& chunk : chunks) {
                sdk->processBLEChunk(chunk.data(), static_cast<int>(chunk.size()));
            }
        };
        feed({TenvikTest::v4Message({0x00, collectPid, 0x00, 0x08}, 0)});
        feed(messages.front());

        ecgSamples = 0;
        summaryLines = 0;
        size_t allocations = 0;
        {
            const TenvikTest::AllocationScope scope;
            for (int round = 0; round < 10; ++round) {
                for (const auto& message : messages) {
                    feed(message);
                }
            }
            allocations = scope.count();
        }
        clearLogCallback();
        EXPECT_EQ(allocations, 0u);
        // 333 records in each of the three sessions that are not skipped.
        EXPECT_EQ(ecgSamples, 10 * 3 * 333);
        EXPECT_EQ(summaryLines, logging ? 10 * 3 : 0);
    }
}

}  // namespace
}  // namespace Tenvik
