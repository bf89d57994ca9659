// Cost per sample of the signal processor's per-sample operations and of the motion detector.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "signal/SignalProcessor.h"

namespace {

std::array<float, 1024> slowWave(double amplitude) {
    std::array<float, 1024> samples{};
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(amplitude * std::sin(static_cast<double>(i) * 0.05));
    }
    return samples;
}

// Feeds one sample of a replayed slow wave per iteration to a fresh processor.
template <typename Feed>
void runPerSample(benchmark::State& state, double amplitude, Feed feed) {
    const auto samples = slowWave(amplitude);
    auto processor = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    size_t index = 0;
    uint64_t time = 0;
    for (auto _ : state) {
        feed(*processor, samples[index], ++time);
        index = (index + 1) % samples.size();
    }
    state.SetItemsProcessed(state.iterations());
}

// Includes the peak count over the whole window that every 7500th sample runs.
void BM_RespirationPerSample(benchmark::State& state) {
    runPerSample(state, 0.01, [](Tenvik::SignalProcessor& processor, float x, uint64_t time) {
        benchmark::DoNotOptimize(processor.processRespiration(x, time));
    });
}

// Sums the 600-sample window on every sample.
void BM_EcgLeadOffPerSample(benchmark::State& state) {
    runPerSample(state, 0.5, [](Tenvik::SignalProcessor& processor, float x, uint64_t) {
        benchmark::DoNotOptimize(processor.detectLeadOff(x));
    });
}

void BM_MotionPerSample(benchmark::State& state) {
    const Tenvik::Vector3 angles(0.0f, 30.0f, 0.0f);
    runPerSample(state, 1.0, [&angles](Tenvik::SignalProcessor& processor, float a, uint64_t) {
        processor.processMotion(1.0f, 0.0f, 0.0f, 0.0f, 0.1f * a, a, 1.0f + 0.5f * a, angles);
    });
}

void BM_BodyTemperaturePerReading(benchmark::State& state) {
    runPerSample(state, 1.0, [](Tenvik::SignalProcessor& processor, float x, uint64_t) {
        benchmark::DoNotOptimize(processor.estimateBodyTemperature(34.0f + x, 22.0f));
    });
}

}  // namespace

BENCHMARK(BM_RespirationPerSample);
BENCHMARK(BM_EcgLeadOffPerSample);
BENCHMARK(BM_MotionPerSample);
BENCHMARK(BM_BodyTemperaturePerReading);
