#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

// Two paths timed one after the other in every iteration of one run, so that both see the same
// machine state. The benchmark's own time, and with it every rate it reports, is that of the
// measured path alone (register it with UseManualTime); the reference's time is a counter, and
// `ratioName` holds the reference's time over the measured one's when `referenceOverMeasured`,
// else the measured one's over the reference's.
template <typename Measured, typename Reference>
void runSideBySide(benchmark::State& state, Measured&& measured, Reference&& reference,
                   const char* ratioName, bool referenceOverMeasured) {
    using Clock = std::chrono::steady_clock;
    double measuredSeconds = 0.0;
    double referenceSeconds = 0.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        measured();
        const auto middle = Clock::now();
        reference();
        const auto end = Clock::now();
        const double measuredTime = std::chrono::duration<double>(middle - start).count();
        measuredSeconds += measuredTime;
        referenceSeconds += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(measuredTime);
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["measured_us"] = 1e6 * measuredSeconds / iterations;
    state.counters["reference_us"] = 1e6 * referenceSeconds / iterations;
    const double ratio = referenceOverMeasured ? referenceSeconds / measuredSeconds
                                               : measuredSeconds / referenceSeconds;
    state.counters[ratioName] = ratio;
}

// The link's ceiling, about 175 kB/s: what a path handles per second of its own time, in
// multiples of it, is the counter "x_link_ceiling".
inline constexpr double LinkCeilingBytesPerSecond = 175000.0;

inline void reportLinkCeilingMultiple(benchmark::State& state, double bytesPerIteration) {
    state.counters["x_link_ceiling"] =
        benchmark::Counter(bytesPerIteration * static_cast<double>(state.iterations()) /
                               LinkCeilingBytesPerSecond,
                           benchmark::Counter::kIsRate);
}
