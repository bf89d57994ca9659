// Cost of replaying full 18-signal sessions (every block at its largest whole-record size):
// end to end as protocol-4 messages of the collect process in 244-byte notification chunks
// through the C interface, and read and replayed by a session processor directly, with and
// without the motion analysis.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LinkFrames.h"
#include "SessionRecords.h"
#include "SilentSessionDelegate.h"
#include "SinkCallbacks.h"
#include "session/Session.h"
#include "session/SessionProcessor.h"
#include "tenvik_sdk.h"

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

uint64_t ecgSamples = 0;

void onEcg(void*, uint64_t, float) { ++ecgSamples; }

void feed(TenvikSDK* sdk, const std::vector<Bytes>& chunks) {
    for (const Bytes& chunk : chunks) {
        TenvikSDK_process_ble_chunk(chunk.data(), static_cast<int>(chunk.size()), sdk);
    }
}

void BM_SessionReplayThroughChunks(benchmark::State& state) {
    constexpr uint16_t collectPid = 0x21;
    ecgSamples = 0;
    const std::string revision = "4.1.0";
    TenvikSDK* sdk = TenvikSDK_create(revision.data(), static_cast<int>(revision.size()));
    TenvikTest::Sink::registerEverything(sdk, onEcg);
    // The system process reports the collect process created.
    feed(sdk, {TenvikTest::v4Message({0x00, collectPid, 0x00, 0x08}, 0)});
    const Bytes message =
        TenvikTest::v4Message(serialized(Start, Start + 60000, 2, fullBlocks()), collectPid);
    const std::vector<Bytes> chunks = TenvikTest::inChunks(message, 244);
    for (auto _ : state) {
        feed(sdk, chunks);
    }
    TenvikSDK_destroy(sdk);
    // 333 when every session reached the host.
    state.counters["ecg/session"] =
        static_cast<double>(ecgSamples) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(message.size()));
}

void BM_SessionReplayWithMotionAnalysis(benchmark::State& state) { replayDirectly(state, 0); }
void BM_SessionReplayWithoutMotionAnalysis(benchmark::State& state) { replayDirectly(state, 1); }

}  // namespace

BENCHMARK(BM_SessionReplayThroughChunks);
BENCHMARK(BM_SessionReplayWithMotionAnalysis);
BENCHMARK(BM_SessionReplayWithoutMotionAnalysis);
