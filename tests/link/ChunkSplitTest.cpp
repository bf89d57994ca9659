// Whatever way a message is cut into the chunks its protocol allows, the same package comes
// out: exhaustively for short messages, over every one and two cut points for longer ones.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "LinkEventRecorder.h"
#include "LinkFrames.h"
#include "ProtocolThreeReassembly.h"
#include "link/V4Communicator.h"

namespace Tenvik {
namespace {

using TenvikTest::Bytes;
using TenvikTest::concat;
using TenvikTest::LinkEvent;
using Cuts = std::vector<std::size_t>;  // chunk lengths, in order

// `length` bytes of `bytes` from `from` on.
Bytes part(const Bytes& bytes, std::size_t from, std::size_t length) {
    return TenvikTest::slice(bytes, from, from + length);
}

std::vector<Bytes> cut(const Bytes& message, const Cuts& lengths) {
    std::vector<Bytes> chunks;
    std::size_t at = 0;
    for (std::size_t length : lengths) {
        chunks.push_back(part(message, at, length));
        at += length;
    }
    return chunks;
}

// Every composition of `total` bytes into non-empty chunks.
void forEachComposition(std::size_t total, const std::function<void(const Cuts&)>& visit) {
    if (total == 0) {
        visit({});
        return;
    }
    for (uint64_t mask = 0; mask < (uint64_t{1} << (total - 1)); ++mask) {
        Cuts lengths;
        std::size_t run = 1;
        for (std::size_t bit = 0; bit + 1 < total; ++bit) {
            if ((mask >> bit) & 1) {
                lengths.push_back(run);
                run = 0;
            }
            ++run;
        }
        lengths.push_back(run);
        visit(lengths);
    }
}

// Every header chunk from `minFirst` bytes up to the whole message, the rest cut in every way.
void forEveryCut(std::size_t messageLength, std::size_t minFirst,
                 const std::function<void(const Cuts&)>& visit) {
    for (std::size_t first = minFirst; first <= messageLength; ++first) {
        forEachComposition(messageLength - first, [&](const Cuts& rest) {
            Cuts lengths{first};
            lengths.insert(lengths.end(), rest.begin(), rest.end());
            visit(lengths);
        });
    }
}

// Every header chunk from `minFirst` bytes, the rest in at most two further chunks.
void forEveryOneOrTwoCuts(std::size_t messageLength, std::size_t minFirst,
                          const std::function<void(const Cuts&)>& visit) {
    for (std::size_t first = minFirst; first <= messageLength; ++first) {
        const std::size_t rest = messageLength - first;
        visit(rest == 0 ? Cuts{first} : Cuts{first, rest});
        for (std::size_t second = 1; second < rest; ++second) {
            visit({first, second, rest - second});
        }
    }
}

std::string describe(const Cuts& lengths) {
    std::string text;
    for (std::size_t length : lengths) {
        text += std::to_string(length) + " ";
    }
    return text;
}

// --- protocol 3 ---

struct V3Case {
    Bytes message;
    std::size_t minFirst;
    TenvikTest::ReassembledPackage expected;
};

void expectEveryCutDelivers(const V3Case& test,
                            void (*enumerate)(std::size_t, std::size_t,
                                              const std::function<void(const Cuts&)>&)) {
    std::size_t runs = 0;
    enumerate(test.message.size(), test.minFirst, [&](const Cuts& lengths) {
        TenvikTest::ProtocolThreeReassembly reassembly;
        for (const auto& chunk : cut(test.message, lengths)) {
            ASSERT_TRUE(reassembly.feed(chunk)) << describe(lengths);
        }
        ASSERT_THAT(reassembly.packages, ::testing::ElementsAre(test.expected))
            << describe(lengths);
        ++runs;
    });
    EXPECT_GT(runs, 0u);
}

Bytes v31Message(const Bytes& payload, uint16_t pid, uint64_t options) {
    Bytes header{0x01, static_cast<uint8_t>(payload.size()),
                 static_cast<uint8_t>(payload.size() >> 8), 0x00, static_cast<uint8_t>(pid),
                 static_cast<uint8_t>(pid >> 8)};
    for (int i = 0; i < 8; ++i) {
        header.push_back(static_cast<uint8_t>(options >> (8 * i)));
    }
    return concat(header, payload);
}

TEST(ChunkSplit, ProtocolThreeShortMessageEveryComposition) {
    const Bytes payload = TenvikTest::pseudoRandomBytes(12, 1);
    expectEveryCutDelivers({TenvikTest::v3Message(payload, 0x0102), 7, {payload, 0x0102, 0}},
                           forEveryCut);
}

TEST(ChunkSplit, ProtocolThreeLongMessageOneOrTwoCuts) {
    const Bytes payload = TenvikTest::pseudoRandomBytes(3100, 2);
    // Header chunks from 7 bytes up to a few radio packets; the cut points cover the rest.
    const Bytes message = TenvikTest::v3Message(payload, 9);
    for (std::size_t first : {7u, 8u, 20u, 244u, 3106u, 3107u}) {
        const std::size_t rest = message.size() - first;
        for (std::size_t second = 0; second <= rest; ++second) {
            Cuts lengths{first};
            if (second > 0) lengths.push_back(second);
            if (rest - second > 0) lengths.push_back(rest - second);
            TenvikTest::ProtocolThreeReassembly reassembly;
            for (const auto& chunk : cut(message, lengths)) {
                ASSERT_TRUE(reassembly.feed(chunk)) << describe(lengths);
            }
            ASSERT_EQ(reassembly.packages.size(), 1u) << describe(lengths);
            ASSERT_EQ(reassembly.packages[0].payload, payload) << describe(lengths);
        }
    }
}

TEST(ChunkSplit, ProtocolThreeV31HeaderEveryCompositionOfThePayload) {
    const Bytes payload = TenvikTest::pseudoRandomBytes(13, 3);
    const Bytes message = v31Message(payload, 4, 0xA1B2C3D4E5F60718ULL);
    std::size_t runs = 0;
    forEachComposition(payload.size(), [&](const Cuts& rest) {
        Cuts lengths{14};
        lengths.insert(lengths.end(), rest.begin(), rest.end());
        TenvikTest::ProtocolThreeReassembly reassembly;
        for (const auto& chunk : cut(message, lengths)) {
            ASSERT_TRUE(reassembly.feed(chunk)) << describe(lengths);
        }
        ASSERT_THAT(reassembly.packages,
                    ::testing::ElementsAre(
                        TenvikTest::ReassembledPackage{payload, 4, 0xA1B2C3D4E5F60718ULL}))
            << describe(lengths);
        ++runs;
    });
    EXPECT_EQ(runs, 1u << 12);
}

TEST(ChunkSplit, ProtocolThreeMessagesInARowEachCutInTwo) {
    const Bytes first = TenvikTest::pseudoRandomBytes(10, 4);
    const Bytes second = TenvikTest::pseudoRandomBytes(5, 5);
    const Bytes a = TenvikTest::v3Message(first, 1);
    const Bytes b = TenvikTest::v3Message(second, 2);
    for (std::size_t cutA = 7; cutA <= a.size(); ++cutA) {
        for (std::size_t cutB = 7; cutB <= b.size(); ++cutB) {
            TenvikTest::ProtocolThreeReassembly reassembly;
            for (const Bytes& chunk : {part(a, 0, cutA), part(a, cutA, a.size() - cutA),
                                       part(b, 0, cutB), part(b, cutB, b.size() - cutB)}) {
                ASSERT_TRUE(chunk.empty() || reassembly.feed(chunk)) << cutA << " " << cutB;
            }
            ASSERT_THAT(reassembly.packages,
                        ::testing::ElementsAre(TenvikTest::ReassembledPackage{first, 1, 0},
                                               TenvikTest::ReassembledPackage{second, 2, 0}))
                << cutA << " " << cutB;
        }
    }
}

// --- protocol 4 ---

void expectV4EveryCutDelivers(const Bytes& message, const LinkEvent& expected,
                              void (*enumerate)(std::size_t, std::size_t,
                                                const std::function<void(const Cuts&)>&)) {
    std::size_t runs = 0;
    enumerate(message.size(), V4Communicator::FramingSize, [&](const Cuts& lengths) {
        TenvikTest::LinkEventRecorder link;
        V4Communicator communicator(&link);
        for (const auto& chunk : cut(message, lengths)) {
            communicator.processChunk(chunk);
        }
        // Only the package: no error, and no ready while receiving.
        ASSERT_THAT(link.events, ::testing::ElementsAre(expected)) << describe(lengths);
        ++runs;
    });
    EXPECT_GT(runs, 0u);
}

TEST(ChunkSplit, ProtocolFourShortMessageEveryComposition) {
    const Bytes payload = TenvikTest::pseudoRandomBytes(12, 6);
    expectV4EveryCutDelivers(TenvikTest::v4Message(payload, 0x0304, 99),
                             LinkEvent::package(payload, 0x0304, 99), forEveryCut);
}

TEST(ChunkSplit, ProtocolFourGzipWithCrcOneOrTwoCuts) {
    Bytes original;
    for (int i = 0; i < 40; ++i) {
        const std::string line = "ecg " + std::to_string(i * 37) + "\n";
        original.insert(original.end(), line.begin(), line.end());
    }
    const Bytes stream = TenvikTest::gzipStream(original);
    // CRC-8 of the inflated text, worked out bit by bit as the checksum is defined.
    uint8_t crc = 0;
    for (uint8_t byte : original) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
        }
    }
    expectV4EveryCutDelivers(TenvikTest::v4Message(stream, 5, 1, 0x03, crc),
                             LinkEvent::package(original, 5, 1), forEveryOneOrTwoCuts);
}

TEST(ChunkSplit, ProtocolFourMessagesInARowEachCutInTwo) {
    const Bytes first = TenvikTest::pseudoRandomBytes(8, 7);
    const Bytes a = TenvikTest::v4Message(first, 1);
    const Bytes b = TenvikTest::v4Message(TenvikTest::gzipStream(first), 2, 0, 0x02);
    for (std::size_t cutA = 20; cutA <= a.size(); ++cutA) {
        for (std::size_t cutB = 20; cutB <= b.size(); ++cutB) {
            TenvikTest::LinkEventRecorder link;
            V4Communicator communicator(&link);
            for (const Bytes& chunk : {part(a, 0, cutA), part(a, cutA, a.size() - cutA),
                                       part(b, 0, cutB), part(b, cutB, b.size() - cutB)}) {
                if (!chunk.empty()) {
                    communicator.processChunk(chunk);
                }
            }
            ASSERT_THAT(link.events, ::testing::ElementsAre(LinkEvent::package(first, 1),
                                                            LinkEvent::package(first, 2)))
                << cutA << " " << cutB;
        }
    }
}

}  // namespace
}  // namespace Tenvik
