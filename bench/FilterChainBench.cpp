// Cost per sample of the two filter chains that run on every ECG or respiration sample.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>

#include "SideBySide.h"
#include "signal/Biquad.h"
#include "signal/EcgFilterChain.h"
#include "signal/RespirationFilterChain.h"

namespace {

// A second of a noisy synthetic trace, replayed in a loop.
std::array<float, 1024> syntheticSignal() {
    std::array<float, 1024> samples{};
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i);
        samples[i] = static_cast<float>(0.5 * std::sin(t * 0.05) + 0.1 * std::sin(t * 0.6) +
                                        0.01 * static_cast<double>(i % 7));
    }
    return samples;
}

template <typename Chain>
void runChain(benchmark::State& state) {
    const auto samples = syntheticSignal();
    Chain chain;
    size_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(chain.process(samples[index]));
        index = (index + 1) % samples.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_EcgFilterChainPerSample(benchmark::State& state) {
    runChain<Tenvik::EcgFilterChain>(state);
}
void BM_RespirationFilterChainPerSample(benchmark::State& state) {
    runChain<Tenvik::RespirationFilterChain>(state);
}

// A packet's 60 respiration points through the chain as a block, one section at a time, beside
// the same points through the four Biquad cascades one sample at a time (the chain as it was
// built before): "per_sample_over_block" is how many times faster the block is.
void BM_RespirationPacketBlockBesidePerSample(benchmark::State& state) {
    const auto samples = syntheticSignal();
    Tenvik::RespirationFilterChain chain;
    Tenvik::Biquad notch1(Tenvik::Biquad::Notch, 0.1, 4, 5.0);
    Tenvik::Biquad notch2(Tenvik::Biquad::Notch, 0.25, 2, 4.0);
    Tenvik::Biquad highPass(Tenvik::Biquad::HighPass, 0.12 / 1000.0, 2, 0.707);
    Tenvik::Biquad lowPass(Tenvik::Biquad::LowPass, 0.0024, 2, 0.354);
    constexpr size_t points = 60;
    size_t offset = 0;
    float out[points];
    runSideBySide(
        state,
        [&] {
            chain.processBlock(samples.data() + offset, out, points);
            benchmark::DoNotOptimize(out);
        },
        [&] {
            for (size_t i = 0; i < points; ++i) {
                const double y = lowPass.process(
                    highPass.process(notch2.process(notch1.process(samples[offset + i]))));
                benchmark::DoNotOptimize(y);
            }
            offset = (offset + points) % (samples.size() - points);
        },
        "per_sample_over_block", true);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points));
}

}  // namespace

BENCHMARK(BM_EcgFilterChainPerSample);
BENCHMARK(BM_RespirationFilterChainPerSample);
BENCHMARK(BM_RespirationPacketBlockBesidePerSample)->UseManualTime();
