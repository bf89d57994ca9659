// The device processes through the C interface, over protocol 4 in 244-byte chunks: ping answers
// collected until their instance ends, long dumps, log lines handed on at each line feed, and
// full 18-signal sessions of the collect process.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tenvik_sdk.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t ChunkSize = 244;
constexpr uint16_t PingPid = 17;
constexpr uint16_t LogPid = 18;
constexpr uint16_t CollectPid = 19;

void appendLe(Bytes& out, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// 04 0A 00 length16 pid16 options64 flags crc, three zero bytes, payload: neither gzip nor CRC.
Bytes v4Message(uint16_t pid, const Bytes& payload) {
    Bytes message{0x04, 0x0A, 0x00};
    appendLe(message, payload.size(), 2);
    appendLe(message, pid, 2);
    appendLe(message, 0, 8);
    message.insert(message.end(), 5, 0x00);
    message.insert(message.end(), payload.begin(), payload.end());
    return message;
}

// A system-process report: kind, PID, process type.
Bytes report(uint8_t kind, uint16_t pid, uint8_t type) {
    return v4Message(0, {kind, static_cast<uint8_t>(pid), static_cast<uint8_t>(pid >> 8), type});
}

Bytes textOf(size_t length, char last) {
    Bytes text(length, 'a');
    for (size_t i = 0; i < length; ++i) {
        text[i] = static_cast<uint8_t>('a' + i % 26);
    }
    if (length > 0) {
        text.back() = static_cast<uint8_t>(last);
    }
    return text;
}

// Every one of the 18 blocks at its capacity: 3689 bytes.
Bytes fullSession() {
    static const uint16_t capacities[] = {1000, 150, 10, 10, 10, 50, 100, 504, 900,
                                          700,  10,  10, 2,  16, 10, 2,   120, 32};
    Bytes session;
    appendLe(session, 1700000000000, 8);
    appendLe(session, 1700000010000, 8);
    session.push_back(1);
    for (size_t i = 0; i < 18; ++i) {
        appendLe(session, capacities[i], 2);
        for (uint16_t k = 0; k < capacities[i]; ++k) {
            session.push_back(static_cast<uint8_t>(i * 7 + k));
        }
    }
    return session;
}

struct Instance {
    Instance() : sdk(TenvikSDK_create("4.0.0", 5)) {
        TenvikSDK_set_payload_callback(
            [](void*, const char* name, const uint8_t* data, size_t size) {
                benchmark::DoNotOptimize(name);
                benchmark::DoNotOptimize(data);
                benchmark::DoNotOptimize(size);
            },
            sdk);
    }
    ~Instance() { TenvikSDK_destroy(sdk); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void feed(const Bytes& message) const {
        for (size_t offset = 0; offset < message.size(); offset += ChunkSize) {
            const size_t length = std::min(ChunkSize, message.size() - offset);
            TenvikSDK_process_ble_chunk(message.data() + offset, static_cast<int>(length), sdk);
        }
    }
    TenvikSDK* sdk;
};

// One ping instance per iteration: created, eight answers of the given size, ended.
void BM_PingAnswers(benchmark::State& state) {
    const Instance instance;
    const Bytes create = report(0x00, PingPid, 2);
    const Bytes kill = report(0x02, PingPid, 2);
    const Bytes answer = v4Message(PingPid, textOf(static_cast<size_t>(state.range(0)), 'z'));
    for (auto _ : state) {
        instance.feed(create);
        for (int i = 0; i < 8; ++i) {
            instance.feed(answer);
        }
        instance.feed(kill);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 8);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 8 * state.range(0));
}
BENCHMARK(BM_PingAnswers)->Arg(16)->Arg(200)->Arg(2000);

// One dump instance per iteration, the given number of bytes in 2000-byte messages: the cost
// per byte of collecting a long answer, its growth steps and its hand-over included.
void BM_DumpInstance(benchmark::State& state) {
    constexpr uint16_t DumpPid = 20;
    const Instance instance;
    const Bytes create = report(0x00, DumpPid, 5);
    const Bytes kill = report(0x02, DumpPid, 5);
    const Bytes part = v4Message(DumpPid, textOf(2000, 'x'));
    const int64_t parts = state.range(0) / 2000;
    for (auto _ : state) {
        instance.feed(create);
        for (int64_t i = 0; i < parts; ++i) {
            instance.feed(part);
        }
        instance.feed(kill);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * parts * 2000);
}
BENCHMARK(BM_DumpInstance)->Arg(64000)->Arg(1000000)->Arg(16000000);

// Log lines of the given length, one message each.
void BM_LogLines(benchmark::State& state) {
    const Instance instance;
    instance.feed(report(0x00, LogPid, 6));
    const Bytes line = v4Message(LogPid, textOf(static_cast<size_t>(state.range(0)), '\n'));
    for (auto _ : state) {
        instance.feed(line);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_LogLines)->Arg(32)->Arg(240)->Arg(2000);

// One long log line arriving in many 100-byte messages: the cost per byte stays the same
// however long the line grows before its line feed.
void BM_LogLongLine(benchmark::State& state) {
    const Instance instance;
    instance.feed(report(0x00, LogPid, 6));
    const Bytes part = v4Message(LogPid, textOf(100, 'x'));
    const Bytes end = v4Message(LogPid, textOf(100, '\n'));
    const int64_t parts = state.range(0);
    for (auto _ : state) {
        for (int64_t i = 0; i < parts; ++i) {
            instance.feed(part);
        }
        instance.feed(end);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (parts + 1) * 100);
}
BENCHMARK(BM_LogLongLine)->Arg(10)->Arg(100)->Arg(600);

// A full 18-signal session of the collect process, in 244-byte chunks.
void BM_CollectSession(benchmark::State& state) {
    const Instance instance;
    instance.feed(report(0x00, CollectPid, 8));
    const Bytes session = fullSession();
    const Bytes message = v4Message(CollectPid, session);
    for (auto _ : state) {
        instance.feed(message);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(session.size()));
}
BENCHMARK(BM_CollectSession);

}  // namespace
