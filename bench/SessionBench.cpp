// Cost of replaying full 18-signal sessions (every block at its largest whole-record size):
// read and replayed by a session processor directly, with and without the motion analysis.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "SessionRecords.h"
#include "SilentSessionDelegate.h"
#include "session/Session.h"
#include "session/SessionProcessor.h"

namespace {

using namespace TenvikTest::SessionRecords;

constexpr uint64_t Start = 1000000000000;

void onMotionEvent(void*, int event) { benchmark::DoNotOptimize(event); }

void replayDirectly(benchmark::State& state, int skipMotionAnalysis) {
    const Bytes payload = serialized(Start, Start + 60000, 2, fullBlocks());
    TenvikTest::SilentSessionDelegate delegate;
    auto processor = std::make_unique<Tenvik::SessionProcessor>(&delegate, skipMotionAnalysis);
    processor->setMotionEventCallback(&onMotionEvent);
    for (auto _ : state) {
        const Tenvik::Session session(payload.data(), static_cast<uint16_t>(payload.size()), 18);
        processor->sessionProcess(session, "online");
        benchmark::DoNotOptimize(delegate.checksum);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(payload.size()));
    state.counters["samples/session"] =
        static_cast<double>(delegate.samples) / static_cast<double>(state.iterations());
}

void BM_SessionReplayWithMotionAnalysis(benchmark::State& state) { replayDirectly(state, 0); }
void BM_SessionReplayWithoutMotionAnalysis(benchmark::State& state) { replayDirectly(state, 1); }

}  // namespace

BENCHMARK(BM_SessionReplayWithMotionAnalysis);
BENCHMARK(BM_SessionReplayWithoutMotionAnalysis);
