// Reassembly cost of the link layers: protocol-3 packages through PackageProcessor, and
// protocol-4 gzip messages through V4Communicator beside bare zlib inflating the same stream.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "../tests/support/LinkFrames.h"
#include "BareZlib.h"
#include "link/IBLECommunication.h"
#include "link/PackageProcessor.h"
#include "link/V4Communicator.h"

namespace {

using TenvikTest::Bytes;

constexpr std::size_t ChunkSize = 244;

// Text resembling a device log: compresses the way real payloads do.
Bytes sampleText(std::size_t length) {
    Bytes text;
    uint32_t state = 1;
    while (text.size() < length) {
        state = state * 1103515245u + 12345u;
        const std::string line = "t=" + std::to_string(text.size()) +
                                 " ecg=" + std::to_string(static_cast<int>(state >> 20) - 2048) +
                                 " resp=" + std::to_string((state >> 8) & 0x3FF) + "\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    text.resize(length);
    return text;
}

class CountingLink : public IBLECommunication {
public:
    void send(const std::vector<uint8_t>&) override {}
    void notifyReady() override {}
    void didReceivePackage(const std::vector<uint8_t>& payload, uint16_t,
                           uint64_t) override {
        bytes += payload.size();
        benchmark::DoNotOptimize(payload.data());
    }
    void didReceiveError(uint8_t) override { ++errors; }
    std::size_t bytes = 0;
    std::size_t errors = 0;
};

void BM_ProtocolThreeReassembly(benchmark::State& state) {
    const auto payloadSize = static_cast<std::size_t>(state.range(0));
    const auto chunks = TenvikTest::inChunks(TenvikTest::v3Message(sampleText(payloadSize), 3), ChunkSize);
    Tenvik::PackageProcessor processor;
    for (auto _ : state) {
        for (const auto& chunk : chunks) {
            if (processor.process(chunk.data(), static_cast<uint16_t>(chunk.size())) &&
                processor.isComplete()) {
                uint16_t size = 0;
                benchmark::DoNotOptimize(processor.getData(&size));
                benchmark::DoNotOptimize(size);
                processor.reset();
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payloadSize));
}
BENCHMARK(BM_ProtocolThreeReassembly)->Arg(64)->Arg(1024)->Arg(3100);

struct GzipMessage {
    explicit GzipMessage(std::size_t inflatedSize)
        : original(sampleText(inflatedSize)),
          stream(TenvikTest::gzipStream(original)),
          chunks(TenvikTest::inChunks(TenvikTest::v4Message(stream, 7, 0, 0x02), ChunkSize)) {}
    Bytes original;
    Bytes stream;
    std::vector<Bytes> chunks;
};

void BM_ProtocolFourGzipReassembly(benchmark::State& state) {
    const GzipMessage message(static_cast<std::size_t>(state.range(0)));
    CountingLink link;
    Tenvik::V4Communicator communicator(&link);
    for (auto _ : state) {
        for (const auto& chunk : message.chunks) {
            communicator.processChunk(chunk);
        }
    }
    if (link.errors != 0 || link.bytes != state.iterations() * message.original.size()) {
        state.SkipWithError("message not delivered");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * message.original.size()));
    state.counters["chunks"] = static_cast<double>(message.chunks.size());
}
BENCHMARK(BM_ProtocolFourGzipReassembly)->Arg(2048)->Arg(16384)->Arg(65535);

void BM_BareZlibInflate(benchmark::State& state) {
    const GzipMessage message(static_cast<std::size_t>(state.range(0)));
    Bytes output(message.original.size() + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bareInflate(message.stream, output));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * message.original.size()));
}
BENCHMARK(BM_BareZlibInflate)->Arg(2048)->Arg(16384)->Arg(65535);

// Both paths over the same stream in the same run; the counter is the link layer's time over
// zlib's.
void BM_ProtocolFourOverBareZlib(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const GzipMessage message(static_cast<std::size_t>(state.range(0)));
    CountingLink link;
    Tenvik::V4Communicator communicator(&link);
    Bytes output(message.original.size() + 1);
    Clock::duration linkTime{};
    Clock::duration zlibTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const auto& chunk : message.chunks) {
            communicator.processChunk(chunk);
        }
        const auto middle = Clock::now();
        benchmark::DoNotOptimize(bareInflate(message.stream, output));
        const auto end = Clock::now();
        linkTime += middle - start;
        zlibTime += end - middle;
    }
    if (link.errors != 0) {
        state.SkipWithError("message not delivered");
    }
    state.counters["ratio"] =
        zlibTime.count() > 0 ? static_cast<double>(linkTime.count()) /
                                   static_cast<double>(zlibTime.count())
                             : 0.0;
}
BENCHMARK(BM_ProtocolFourOverBareZlib)->Arg(2048)->Arg(16384)->Arg(65535);

}  // namespace
