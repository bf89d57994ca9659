// Replaces the global allocation functions of the signal allocation program to count
// allocations, and checks that the per-sample operations allocate nothing.
#include <gtest/gtest.h>

#include "CountingAllocator.h"
#include "signal/Biquad.h"
#include "signal/BodyPositionClassifier.h"
#include "signal/DelayedHighPass.h"
#include "signal/EcgFilterChain.h"
#include "signal/Filter.h"
#include "signal/FloatBiquad.h"
#include "signal/FrequencyCalculator.h"
#include "signal/MedianFilter.h"
#include "signal/MinMaxNormalizer.h"
#include "signal/MovingAverage.h"
#include "signal/OrientationFilter.h"
#include "signal/PressureLeadOffDetector.h"
#include "signal/RespirationFilterChain.h"

namespace Tenvik {
namespace {

class IgnoredLeadOff final : public IPressureLeadOff {
public:
    void didChangePressureLeadOff(int32_t) override {}
};

TEST(SteadyStateAllocations, CounterSeesAnAllocation) {
    const TenvikTest::AllocationScope scope;
    auto* value = new int(3);
    delete value;
    EXPECT_EQ(scope.count(), 1u);
}

TEST(SteadyStateAllocations, FiltersChainsAndClassifiersAllocateNothingPerSample) {
    EcgFilterChain ecg;
    RespirationFilterChain respiration;
    Filter filter({1.0, -0.5, 0.25}, {0.5, 0.3, 0.2}, 2);
    Biquad biquad(Biquad::Notch, 0.1, 4, 5.0);
    FloatBiquad floatBiquad(1.0f, 60, FloatBiquad::LowPass, 2.0f);
    MedianFilter median(15);
    MovingAverage average(8);
    MinMaxNormalizer normalizer(20, true);
    DelayedHighPass highPass(10, 0.01, 2);
    FrequencyCalculator frequency(1000.0f, 2);
    OrientationQuaternion orientation;
    IgnoredLeadOff leadOff;
    PressureLeadOffDetector pressure(&leadOff);
    BodyPositionClassifier bodyPosition;

    const TenvikTest::AllocationScope scope;
    for (int i = 0; i < 200; ++i) {
        const float x = static_cast<float>(i % 17) * 0.125f - 1.0f;
        ecg.process(x);
        respiration.process(x);
        filter.process(x);
        biquad.process(x);
        floatBiquad.process(x);
        median.push(x);
        average.push(x);
        normalizer.push(x);
        highPass.process(x);
        frequency.update(i, static_cast<uint64_t>(1000 + 100 * i));
        pressure.update(i % 3 == 0 ? 0 : 200);
        bodyPosition.classify(0.0f, x * 200.0f, x * 60.0f);
        updateOrientation(orientation, x, 0.1f, -x, 0.2f, x, 0.9f, 0.3f, -0.4f, x);
    }
    EXPECT_EQ(scope.count(), 0u);
}

}  // namespace
}  // namespace Tenvik
