// Cost of one onset analysis of ten segments: the join, the resampling onto the 30 Hz grid and
// every feature of the conjunction.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "signal/AnalysisSegment.h"
#include "signal/BatchSignalAnalyzer.h"

namespace {

// A segment of `seconds` at 30 values a second: a 5 Hz oscillation on X over gravity on Y, an
// alternating power, and a short burst of both in the middle.
Tenvik::AnalysisSegment syntheticSegment(int64_t seconds) {
    Tenvik::AnalysisSegment s;
    const auto values = static_cast<size_t>(seconds * 30);
    for (size_t i = 0; i < values; ++i) {
        const bool burst = i >= values / 2 && i < values / 2 + 6;
        const double wave =
            (burst ? 1.2 : 0.5) * std::sin(std::numbers::pi * static_cast<double>(i) / 3.0 + 0.5);
        const double root = i % 2 == 0 ? (burst ? 7000.0 : 1000.0) : 0.0;
        s.axisX.push_back(wave);
        s.axisY.push_back(1.0);
        s.axisZ.push_back(0.0);
        s.power.push_back(root * root);
    }
    return s;
}

// Each iteration hands over the tenth segment, analyses the ten and drops the oldest, leaving
// nine for the next one. The times move on so that the segments stay in order.
void BM_BatchAnalysisOfTenSegments(benchmark::State& state) {
    const int64_t seconds = state.range(0);
    const int64_t segmentMs = seconds * 1000;
    Tenvik::AnalysisSegment segment = syntheticSegment(seconds);
    Tenvik::BatchSignalAnalyzer analyzer;
    int64_t start = 1700000000000;
    const auto add = [&] {
        segment.startTime = start;
        segment.endTime = start + segmentMs;
        start += segmentMs;
        return analyzer.addSegment(segment);
    };
    for (int k = 0; k < 9; ++k) {
        add();
    }
    int64_t onsets = 0;
    for (auto _ : state) {
        onsets += add();
    }
    benchmark::DoNotOptimize(onsets);
    state.counters["onsets"] = benchmark::Counter(static_cast<double>(onsets),
                                                  benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * 10 * seconds * 30);  // values analysed
}

}  // namespace

BENCHMARK(BM_BatchAnalysisOfTenSegments)->Arg(3)->Arg(30)->Unit(benchmark::kMicrosecond);
