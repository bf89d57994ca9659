// Reassembly throughput of the device link through the C interface: protocol-4 gzip messages
// in 244-byte chunks beside bare zlib inflating the same streams, and protocols 2 and 3. Rates
// are wire bytes per second of the library's own time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/support/DeviceFrames.h"
#include "../tests/support/LinkFrames.h"
#include "BareZlib.h"
#include "SideBySide.h"
#include "tenvik_sdk.h"

namespace {

using TenvikTest::Bytes;
using TenvikTest::DeviceFrames::v2Packet;

constexpr size_t ChunkSize = 244;

// A plausible device answer: a JSON-like text with varying numbers, so that it compresses
// like real traffic rather than like a run of one byte.
Bytes samplePayload(size_t size, unsigned seed) {
    Bytes text;
    unsigned value = seed * 2654435761u;
    while (text.size() < size) {
        value = value * 1103515245u + 12345u;
        const std::string record = "{\"t\":" + std::to_string(value % 100000) +
                                   ",\"v\":" + std::to_string(value % 977) + "},";
        text.insert(text.end(), record.begin(), record.end());
    }
    text.resize(size);
    return text;
}

// An instance that counts what it delivers: named payloads, and the protocol-4 messages the
// link hands on (told by the link's own log line, the one trace a delivered message leaves
// before the process layer).
struct Instance {
    explicit Instance(const char* revision)
        : sdk(TenvikSDK_create(revision, static_cast<int>(std::strlen(revision)))) {
        TenvikSDK_set_context(this, sdk);
        TenvikSDK_set_payload_callback(
            [](void* context, const char*, const uint8_t* data, size_t size) {
                benchmark::DoNotOptimize(data);
                benchmark::DoNotOptimize(size);
                ++static_cast<Instance*>(context)->payloads;
            },
            sdk);
    }
    ~Instance() {
        TenvikSDK_set_log_callback(nullptr, nullptr);
        TenvikSDK_destroy(sdk);
    }
    void countDeliveredMessages() {
        TenvikSDK_set_log_callback(
            [](void* context, int, const char* text) {
                if (std::strncmp(text, "didReceivePackage: size=", 24) == 0) {
                    ++static_cast<Instance*>(context)->messages;
                }
            },
            this);
    }
    void feed(const Bytes& message, size_t chunkSize) const {
        for (size_t offset = 0; offset < message.size(); offset += chunkSize) {
            const size_t length = std::min(chunkSize, message.size() - offset);
            TenvikSDK_process_ble_chunk(message.data() + offset, static_cast<int>(length), sdk);
        }
    }
    TenvikSDK* sdk;
    long payloads = 0;
    long messages = 0;
};

struct GzipTraffic {
    std::vector<Bytes> streams;
    std::vector<Bytes> messages;
    size_t wireBytes = 0;
};

GzipTraffic gzipTraffic(size_t payloadSize) {
    GzipTraffic traffic;
    for (unsigned i = 0; i < 16; ++i) {
        traffic.streams.push_back(TenvikTest::gzipStream(samplePayload(payloadSize, i + 1)));
        traffic.messages.push_back(TenvikTest::v4Message(traffic.streams.back(),
                                                         static_cast<uint16_t>(i + 1), 0, 0x02));
        traffic.wireBytes += traffic.messages.back().size();
    }
    return traffic;
}

// Each iteration feeds the messages through the library and then inflates the same streams
// with zlib alone; "zlib_over_library" is zlib's time over the library's (1 would be as fast
// as zlib itself), the rates are of the library's time.
void BM_V4GzipChunksBesideZlib(benchmark::State& state) {
    const GzipTraffic traffic = gzipTraffic(static_cast<size_t>(state.range(0)));
    Instance instance("4.0.0");
    instance.countDeliveredMessages();
    Bytes out(static_cast<size_t>(state.range(0)) + 1);
    runSideBySide(
        state,
        [&] {
            for (const Bytes& message : traffic.messages) {
                instance.feed(message, ChunkSize);
            }
        },
        [&] {
            for (const Bytes& stream : traffic.streams) {
                benchmark::DoNotOptimize(bareInflate(stream, out));
            }
        },
        "zlib_over_library", true);
    if (instance.messages != static_cast<long>(state.iterations() * traffic.messages.size())) {
        state.SkipWithError("a message was not delivered");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(traffic.wireBytes));
    reportLinkCeilingMultiple(state, static_cast<double>(traffic.wireBytes));
}
BENCHMARK(BM_V4GzipChunksBesideZlib)->Arg(1024)->Arg(10000)->Arg(16384)->Arg(60000)->UseManualTime();

// Protocol 4 without compression.
void BM_V4PlainChunks(benchmark::State& state) {
    Instance instance("4.0.0");
    instance.countDeliveredMessages();
    const Bytes message =
        TenvikTest::v4Message(samplePayload(static_cast<size_t>(state.range(0)), 3), 5);
    for (auto _ : state) {
        instance.feed(message, ChunkSize);
    }
    if (instance.messages != static_cast<long>(state.iterations())) {
        state.SkipWithError("a message was not delivered");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * message.size()));
    reportLinkCeilingMultiple(state, static_cast<double>(message.size()));
}
BENCHMARK(BM_V4PlainChunks)->Arg(1000)->Arg(60000);

// Protocol 3: packages of up to the 3100-byte maximum in 244-byte chunks.
void BM_V3Reassembly(benchmark::State& state) {
    const Instance instance("3.6.70");
    const Bytes packet =
        TenvikTest::v3Message(samplePayload(static_cast<size_t>(state.range(0)), 7), 5);
    for (auto _ : state) {
        instance.feed(packet, ChunkSize);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet.size()));
    reportLinkCeilingMultiple(state, static_cast<double>(packet.size()));
}
BENCHMARK(BM_V3Reassembly)->Arg(64)->Arg(1000)->Arg(3100);

// Protocol 2: a byte stream of packets in 20-byte chunks, each answer a named payload.
void BM_V2Reassembly(benchmark::State& state) {
    Instance instance("2.2.15");
    Bytes stream;
    for (unsigned i = 0; i < 16; ++i) {
        const Bytes packet = v2Packet(1, samplePayload(static_cast<size_t>(state.range(0)), i));
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    for (auto _ : state) {
        instance.feed(stream, 20);
    }
    if (instance.payloads != static_cast<long>(state.iterations() * 16)) {
        state.SkipWithError("a payload was not delivered");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    reportLinkCeilingMultiple(state, static_cast<double>(stream.size()));
}
BENCHMARK(BM_V2Reassembly)->Arg(16)->Arg(200)->Arg(2000);

// Framed sends of every protocol that sends.
void BM_Send(benchmark::State& state, const char* revision) {
    Instance instance(revision);
    TenvikSDK_set_ble_send_callback(
        [](void*, const uint8_t* data, int length) {
            benchmark::DoNotOptimize(data);
            benchmark::DoNotOptimize(length);
        },
        instance.sdk);
    const Bytes payload = samplePayload(static_cast<size_t>(state.range(0)), 9);
    for (auto _ : state) {
        TenvikSDK_send(payload.data(), static_cast<int>(payload.size()), 5, instance.sdk);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.size()));
    reportLinkCeilingMultiple(state, static_cast<double>(payload.size()));
}
BENCHMARK_CAPTURE(BM_Send, v2, "2.2.16")->Arg(20)->Arg(2000);
BENCHMARK_CAPTURE(BM_Send, v3, "3.0.0")->Arg(20)->Arg(2000);
BENCHMARK_CAPTURE(BM_Send, v4, "4.0.0")->Arg(20)->Arg(2000)->Arg(60000);

}  // namespace
