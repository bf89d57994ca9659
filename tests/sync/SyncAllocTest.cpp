// A synchronisation allocates nothing in steady state: once the first transfer has sized the
// link's buffers and the temperature estimate's windows, legacy packets and status-based data
// messages pass through the exports without a single allocation, with every synchronisation
// callback set, with no log callback and, for status-based data, with one that receives each
// session's summary line.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CountingAllocator.h"
#include "SessionFrames.h"
#include "SinkCallbacks.h"
#include "SyncDevice.h"
#include "SyncFrames.h"
#include "tenvik_sdk.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace Frames = TenvikTest::SyncFrames;

constexpr uint64_t t0 = 1700000000000ull;

void registerEverything(TenvikSDK* sdk) {
    static int context = 0;
    TenvikSDK_set_context(&context, sdk);
    TenvikTest::Sink::registerSynchronization(sdk);
}

// The chunks of one transfer, framed before anything is counted.
class Collector {
public:
    explicit Collector(int linkProtocol) : protocol(linkProtocol) {}
    void message(const Bytes& payload, uint64_t options) {
        for (Bytes& chunk : TenvikTest::SyncDevice::frames(
                 protocol, payload, TenvikTest::SyncDevice::defaultSyncPid, options)) {
            chunks.push_back(std::move(chunk));
        }
    }
    std::vector<Bytes> chunks;

private:
    int protocol;
};

Bytes record(size_t length, int round) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 29 + static_cast<size_t>(round) * 7);
    }
    return bytes;
}

// Every record type of the legacy framing, state and progress headers, the acknowledgement and
// a short payload.
std::vector<Bytes> legacyTransfer(int round) {
    Collector out(3);
    const uint64_t t = t0 + static_cast<uint64_t>(round) * 1000;
    auto group = [&](uint8_t type, uint8_t length, size_t records) {
        for (const Bytes& packet : Frames::group(type, length, t, record(length * records, round))) {
            out.message(packet, 0);
        }
    };
    out.message(Frames::textPacket("start"), 0);
    group(0, 20, 10);
    group(1, 20, 10);
    group(2, 4, 4);
    group(3, 20, 2);
    group(4, 1, 20);
    group(6, 4, 8);
    group(7, 4, 2);
    out.message(Frames::statusPacket(4, 17), 0);
    out.message({'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D'}, 0);
    out.message({0x02, 0x00}, 0);
    out.message(Frames::textPacket("end"), 0);
    return out.chunks;
}

// States, progress and a data message whose session holds records of every signal.
std::vector<Bytes> statusBasedTransfer(int protocol, int round) {
    Collector out(protocol);
    auto status = [](uint64_t s, uint64_t count) { return (s << 32) | count; };
    TenvikTest::SessionFrame session(t0 + static_cast<uint64_t>(round) * 1000,
                                     t0 + static_cast<uint64_t>(round) * 1000 + 999, 1);
    const size_t blockSizes[18] = {300, 60, 10, 10, 10, 20, 40, 0, 180, 140, 10, 8, 2, 16,
                                   10, 2, 24, 32};
    for (const size_t size : blockSizes) {
        session.block(record(size, round));
    }
    out.message({}, status(0, 0));
    out.message({}, status(4, static_cast<uint64_t>(round)));
    out.message(session.data(), status(3, static_cast<uint64_t>(round)));
    out.message({'R', 'E', 'C', 'E', 'I', 'V', 'E', 'D'}, status(3, 0));
    out.message({}, status(9, 0));
    out.message({}, status(2, 0));
    return out.chunks;
}

struct Case {
    std::string revision;
    int protocol;
    bool legacy;
};

constexpr int warmUpRounds = 8;
constexpr int countedRounds = 40;

// Allocations while the counted rounds pass, after the warm-up rounds; with `running` false no
// synchronisation process runs, and the messages end at the process manager. With `logging`
// the log callback is set for the whole traffic.
size_t allocationsOfTraffic(const Case& c, bool running, uint64_t& delivered,
                            bool logging = false) {
    TenvikSDK* sdk = TenvikSDK_create(c.revision.data(), static_cast<int>(c.revision.size()));
    if (sdk == nullptr) {
        ADD_FAILURE() << c.revision;
        return 0;
    }
    registerEverything(sdk);
    if (logging) {
        TenvikSDK_set_log_callback(&TenvikTest::Sink::onLogLine, nullptr);
    }
    if (running) {
        TenvikTest::SyncDevice(sdk, c.protocol).createSync();
    }
    std::vector<std::vector<Bytes>> rounds;
    for (int round = 0; round < warmUpRounds + countedRounds; ++round) {
        rounds.push_back(c.legacy ? legacyTransfer(round) : statusBasedTransfer(c.protocol, round));
    }
    auto feed = [&](const std::vector<Bytes>& chunks) {
        for (const Bytes& chunk : chunks) {
            TenvikSDK_process_ble_chunk(chunk.empty() ? nullptr : chunk.data(),
                                        static_cast<int>(chunk.size()), sdk);
        }
    };
    for (int round = 0; round < warmUpRounds; ++round) {
        feed(rounds[static_cast<size_t>(round)]);
    }
    const uint64_t before = TenvikTest::Sink::sink;
    size_t count = 0;
    {
        const TenvikTest::AllocationScope scope;
        for (int round = warmUpRounds; round < warmUpRounds + countedRounds; ++round) {
            feed(rounds[static_cast<size_t>(round)]);
        }
        count = scope.count();
    }
    delivered = TenvikTest::Sink::sink - before;
    TenvikSDK_destroy(sdk);
    TenvikSDK_set_log_callback(nullptr, nullptr);
    return count;
}

class SyncAllocation : public ::testing::TestWithParam<Case> {};

// The synchronisation adds no allocation to what the link needs for the same messages (none
// under protocol 3).
TEST_P(SyncAllocation, NothingIsAllocatedInSteadyState) {
    const Case& c = GetParam();
    uint64_t delivered = 0;
    uint64_t deliveredWithoutSync = 0;
    const size_t link = allocationsOfTraffic(c, false, deliveredWithoutSync);
    const size_t withSync = allocationsOfTraffic(c, true, delivered);
    EXPECT_EQ(withSync, link) << c.revision;
    if (c.protocol == 3) {
        EXPECT_EQ(withSync, 0u) << c.revision;
    }
    EXPECT_NE(delivered, 0u);  // the callbacks ran
    EXPECT_EQ(deliveredWithoutSync, 0u);
    if (!c.legacy) {
        const size_t linkLogged = allocationsOfTraffic(c, false, deliveredWithoutSync, true);
        TenvikTest::Sink::summaryLines = 0;
        const size_t withSyncLogged = allocationsOfTraffic(c, true, delivered, true);
        EXPECT_EQ(withSyncLogged, linkLogged) << c.revision;
        if (c.protocol == 3) {
            EXPECT_EQ(withSyncLogged, 0u) << c.revision;
        }
        // One session in every round, warm-up rounds included.
        EXPECT_EQ(TenvikTest::Sink::summaryLines, warmUpRounds + countedRounds) << c.revision;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, SyncAllocation,
                         ::testing::Values(Case{"3.0.0", 3, true}, Case{"3.5.59", 3, true},
                                           Case{"3.6.62", 3, false}, Case{"4.0.0", 4, false}));

}  // namespace
