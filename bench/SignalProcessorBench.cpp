// Cost per sample of the signal processor's per-sample operations and of the motion detector.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <memory>

#include "signal/MotionDetector.h"
#include "signal/SignalProcessor.h"

namespace {

std::array<float, 1024> slowWave(double amplitude) {
    std::array<float, 1024> samples{};
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(amplitude * std::sin(static_cast<double>(i) * 0.05));
    }
    return samples;
}

// Includes the peak count over the whole window that every 7500th sample runs.
void BM_RespirationPerSample(benchmark::State& state) {
    const auto samples = slowWave(0.01);
    auto processor = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    size_t index = 0;
    uint64_t time = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(processor->processRespiration(samples[index], ++time));
        index = (index + 1) % samples.size();
    }
    state.SetItemsProcessed(state.iterations());
}

// Sums the 600-sample window on every sample.
void BM_EcgLeadOffPerSample(benchmark::State& state) {
    const auto samples = slowWave(0.5);
    auto processor = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    size_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(processor->detectLeadOff(samples[index]));
        index = (index + 1) % samples.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MotionPerSample(benchmark::State& state) {
    const auto samples = slowWave(1.0);
    auto processor = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    const Tenvik::Vector3 angles(0.0f, 30.0f, 0.0f);
    size_t index = 0;
    for (auto _ : state) {
        const float a = samples[index];
        processor->processMotion(1.0f, 0.0f, 0.0f, 0.0f, 0.1f * a, a, 1.0f + 0.5f * a, angles);
        index = (index + 1) % samples.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_BodyTemperaturePerReading(benchmark::State& state) {
    const auto samples = slowWave(1.0);
    auto processor = std::make_unique<Tenvik::SignalProcessor>(nullptr);
    size_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(processor->estimateBodyTemperature(34.0f + samples[index], 22.0f));
        index = (index + 1) % samples.size();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_RespirationPerSample);
BENCHMARK(BM_EcgLeadOffPerSample);
BENCHMARK(BM_MotionPerSample);
BENCHMARK(BM_BodyTemperaturePerReading);
