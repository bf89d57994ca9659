// Per-sample paths of the detectors and the signal chain allocate nothing. The counting
// allocation functions are defined once for this test program (AllocationCounter.h).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "AllocationCounter.h"
#include "signal/MotionDetector.h"
#include "signal/SignalProcessor.h"

namespace Tenvik {
namespace {

void ignoreEvent(void*, int) {}

TEST(SignalAllocations, SignalProcessorAllocatesNothingPerSample) {
    auto processor = std::make_unique<SignalProcessor>(nullptr);
    processor->motionDetector().setEventCallback(&ignoreEvent);

    const TenvikTest::AllocationScope scope;
    // Long enough for two rate reports and full temperature windows.
    for (int i = 0; i < 15000; ++i) {
        const float x = static_cast<float>(std::sin(i * 0.01));
        processor->processRespiration(x * 0.01f, static_cast<uint64_t>(i));
        processor->processEcg(x, true, 0);
        processor->detectLeadOff(x);
        if (i % 10 == 0) {
            processor->processMotion(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, x, 1.0f + x,
                                     Vector3(0.0f, 60.0f * x, 0.0f));
            processor->estimateBodyTemperature(34.0f + x, 22.0f);
        }
    }
    EXPECT_EQ(scope.count(), 0u);
}

TEST(SignalAllocations, MotionDetectorAllocatesNothingPerSample) {
    MotionDetector detector;
    detector.setEventCallback(&ignoreEvent);
    const Quaternion postures[] = {{0, 0, 0, 1}, {0.70710677f, 0, 0, 0.70710677f}, {1, 0, 0, 0}};

    const TenvikTest::AllocationScope scope;
    for (int i = 0; i < 3000; ++i) {
        const float x = static_cast<float>(std::sin(i * 0.2));
        detector.process(postures[(i / 100) % 3], Vector3(0.1f * x, 1.5f * x, x),
                         Vector3(0.0f, 60.0f, 0.0f), 30.0f);
    }
    EXPECT_EQ(scope.count(), 0u);
}

}  // namespace
}  // namespace Tenvik
