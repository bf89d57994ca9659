// Cost per sample of the two filter chains that run on every ECG or respiration sample.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>

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

}  // namespace

BENCHMARK(BM_EcgFilterChainPerSample);
BENCHMARK(BM_RespirationFilterChainPerSample);
