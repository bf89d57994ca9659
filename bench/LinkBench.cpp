// Reassembly throughput of the device link through the C interface: protocol-4 gzip messages
// in 244-byte chunks next to bare zlib inflating the same streams, and protocols 2 and 3.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BareZlib.h"
#include "tenvik_sdk.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t ChunkSize = 244;

void appendLe16(Bytes& out, size_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// A plausible device answer: a JSON-like text with varying numbers, so that it compresses
// like real traffic rather than like a run of one byte.
Bytes samplePayload(size_t size, unsigned seed) {
    Bytes text;
    unsigned value = seed * 2654435761u;
    while (text.size() < size) {
        value = value * 1103515245u + 12345u;
        const std::string record =
            "{\"t\":" + std::to_string(value % 100000) + ",\"v\":" + std::to_string(value % 977) + "},";
        text.insert(text.end(), record.begin(), record.end());
    }
    text.resize(size);
    return text;
}

Bytes gzipOf(const Bytes& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

Bytes v4Message(uint16_t pid, const Bytes& carried) {
    // 04 0A 00 length16 pid16 options64 flags crc, three zero bytes: gzip, no CRC.
    uint8_t framing[20] = {0x04, 0x0A, 0x00};
    framing[3] = static_cast<uint8_t>(carried.size());
    framing[4] = static_cast<uint8_t>(carried.size() >> 8);
    framing[5] = static_cast<uint8_t>(pid);
    framing[6] = static_cast<uint8_t>(pid >> 8);
    framing[15] = 0x02;
    Bytes message(framing, framing + sizeof framing);
    message.insert(message.end(), carried.begin(), carried.end());
    return message;
}

Bytes v3Packet(uint16_t pid, const Bytes& payload) {
    Bytes packet{0x03, 0x0A, 0x63};
    appendLe16(packet, payload.size() + 7);
    appendLe16(packet, pid);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

Bytes v2Packet(uint8_t type, const Bytes& payload) {
    Bytes packet{0x02, 0x0A, type};
    appendLe16(packet, payload.size() + 5);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

struct Instance {
    explicit Instance(const char* revision)
        : sdk(TenvikSDK_create(revision, static_cast<int>(std::strlen(revision)))) {
        TenvikSDK_set_payload_callback(
            [](void*, const char*, const uint8_t* data, size_t size) {
                benchmark::DoNotOptimize(data);
                benchmark::DoNotOptimize(size);
            },
            sdk);
    }
    ~Instance() { TenvikSDK_destroy(sdk); }
    void feed(const Bytes& message, size_t chunkSize) const {
        for (size_t offset = 0; offset < message.size(); offset += chunkSize) {
            const size_t length = std::min(chunkSize, message.size() - offset);
            TenvikSDK_process_ble_chunk(message.data() + offset, static_cast<int>(length), sdk);
        }
    }
    TenvikSDK* sdk;
};

struct GzipTraffic {
    std::vector<Bytes> streams;
    std::vector<Bytes> messages;
    size_t inflatedBytes = 0;
};

GzipTraffic gzipTraffic(size_t payloadSize) {
    GzipTraffic traffic;
    for (unsigned i = 0; i < 16; ++i) {
        const Bytes payload = samplePayload(payloadSize, i + 1);
        traffic.inflatedBytes += payload.size();
        traffic.streams.push_back(gzipOf(payload));
        traffic.messages.push_back(v4Message(static_cast<uint16_t>(i + 1), traffic.streams.back()));
    }
    return traffic;
}

// Both in the same run: each iteration feeds the messages through the library and inflates the
// same streams with zlib alone; "ratio" is library time over zlib time.
void BM_V4GzipChunksVersusZlib(benchmark::State& state) {
    const GzipTraffic traffic = gzipTraffic(static_cast<size_t>(state.range(0)));
    const Instance instance("4.0.0");
    Bytes out(static_cast<size_t>(state.range(0)));
    double libraryNs = 0;
    double zlibNs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const Bytes& message : traffic.messages) {
            instance.feed(message, ChunkSize);
        }
        const auto middle = std::chrono::steady_clock::now();
        for (const Bytes& stream : traffic.streams) {
            benchmark::DoNotOptimize(bareInflate(stream, out));
        }
        const auto end = std::chrono::steady_clock::now();
        libraryNs += std::chrono::duration<double, std::nano>(middle - start).count();
        zlibNs += std::chrono::duration<double, std::nano>(end - middle).count();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["library_ns"] = libraryNs / iterations;
    state.counters["zlib_ns"] = zlibNs / iterations;
    state.counters["ratio"] = zlibNs > 0 ? libraryNs / zlibNs : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(traffic.inflatedBytes));
}
BENCHMARK(BM_V4GzipChunksVersusZlib)->Arg(1024)->Arg(16384)->Arg(60000);

void BM_V4GzipChunks(benchmark::State& state) {
    const GzipTraffic traffic = gzipTraffic(static_cast<size_t>(state.range(0)));
    const Instance instance("4.0.0");
    for (auto _ : state) {
        for (const Bytes& message : traffic.messages) {
            instance.feed(message, ChunkSize);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(traffic.inflatedBytes));
}
BENCHMARK(BM_V4GzipChunks)->Arg(1024)->Arg(16384);

void BM_ZlibInflate(benchmark::State& state) {
    const GzipTraffic traffic = gzipTraffic(static_cast<size_t>(state.range(0)));
    Bytes out(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (const Bytes& stream : traffic.streams) {
            benchmark::DoNotOptimize(bareInflate(stream, out));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(traffic.inflatedBytes));
}
BENCHMARK(BM_ZlibInflate)->Arg(1024)->Arg(16384);

// Protocol 3: packages of up to the 3100-byte maximum in 244-byte chunks.
void BM_V3Reassembly(benchmark::State& state) {
    const Instance instance("3.6.70");
    const Bytes packet = v3Packet(5, samplePayload(static_cast<size_t>(state.range(0)), 7));
    for (auto _ : state) {
        instance.feed(packet, ChunkSize);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(packet.size()));
}
BENCHMARK(BM_V3Reassembly)->Arg(64)->Arg(1000)->Arg(3100);

// Protocol 2: a byte stream of packets in 20-byte chunks, each answer a named payload.
void BM_V2Reassembly(benchmark::State& state) {
    const Instance instance("2.2.15");
    Bytes stream;
    for (unsigned i = 0; i < 16; ++i) {
        const Bytes packet = v2Packet(1, samplePayload(static_cast<size_t>(state.range(0)), i));
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    for (auto _ : state) {
        instance.feed(stream, 20);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_V2Reassembly)->Arg(16)->Arg(200)->Arg(2000);

}  // namespace
