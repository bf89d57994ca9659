#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "InternalLogRecorder.h"
#include "link/Receiver.h"
#include "link/Sender.h"
#include "link/LegacyITenvikSDK.h"

namespace Tenvik {
namespace {

using Bytes = std::vector<uint8_t>;

struct Piece {
    Bytes bytes;
    uint16_t pid;
    bool operator==(const Piece&) const = default;
};

class RecordingSdk : public Legacy::ITenvikSDK {
public:
    void receiveMessage(const char* data, uint32_t length, uint16_t pid) override {
        const auto* bytes = reinterpret_cast<const uint8_t*>(data);
        pieces.push_back({Bytes(bytes, bytes + length), pid});
    }
    std::vector<Piece> pieces;
};

Bytes sequence(uint8_t first, size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class LegacyReceiver : public ::testing::Test {
protected:
    // As the SDK object configures it for firmware from 2.2.15 to 2.2.18.
    void configure(uint8_t version, uint32_t size) {
        receiver.setProtocolVersion(version);
        receiver.setCmdPackageSize(size);
    }
    // Each chunk in its own allocation of exactly its size, so that a read past it is caught
    // by the address sanitizer.
    void feed(const Bytes& chunk) {
        auto exact = std::make_unique<uint8_t[]>(chunk.size());
        std::copy(chunk.begin(), chunk.end(), exact.get());
        receiver.process(exact.get(), static_cast<uint32_t>(chunk.size()));
    }
    RecordingSdk sdk;
    Receiver receiver{&sdk};
};

TEST_F(LegacyReceiver, ConfigurationSizesTheBufferFromTheTemplate) {
    configure(2, 18);
    EXPECT_EQ(receiver.getBuffer(), Bytes(18, 0));
    EXPECT_EQ(receiver.getHeaderSize(), 5);
    EXPECT_EQ(receiver.getProtocolVersion(), 2);
    EXPECT_TRUE(receiver.isIdle());
}

TEST_F(LegacyReceiver, ShortMessageIsDeliveredFromItsHeaderChunk) {
    configure(2, 18);
    feed(concat({0x02, 0x0A, 0x00, 0x0C, 0x00}, sequence(0xA0, 7)));
    EXPECT_EQ(sdk.pieces, (std::vector<Piece>{{sequence(0xA0, 7), 0}}));
}

TEST_F(LegacyReceiver, LongMessageArrivesInPiecesOfThePackageSize) {
    configure(2, 18);
    feed(concat({0x02, 0x0A, 0x00, 40, 0x00}, sequence(0x00, 13)));
    EXPECT_TRUE(sdk.pieces.empty());
    EXPECT_FALSE(receiver.isIdle());
    feed(sequence(0x20, 18));
    ASSERT_EQ(sdk.pieces.size(), 1u);
    EXPECT_EQ(sdk.pieces[0].bytes, concat(sequence(0x00, 13), sequence(0x20, 5)));
    feed(sequence(0x40, 4));
    ASSERT_EQ(sdk.pieces.size(), 2u);
    EXPECT_EQ(sdk.pieces[1].bytes, concat(sequence(0x25, 13), sequence(0x40, 4)));
    EXPECT_TRUE(receiver.isIdle());
}

TEST_F(LegacyReceiver, ContinuationReadsOnlyTheBytesOfItsChunk) {
    configure(2, 18);
    feed(concat({0x02, 0x0A, 0x00, 40, 0x00}, sequence(0x00, 13)));
    feed(sequence(0x20, 3));  // far fewer than the 22 bytes still announced
    EXPECT_TRUE(sdk.pieces.empty());
    feed(sequence(0x30, 2));  // fills the 18-byte piece
    ASSERT_EQ(sdk.pieces.size(), 1u);
    EXPECT_EQ(sdk.pieces[0].bytes,
              concat(concat(sequence(0x00, 13), sequence(0x20, 3)), sequence(0x30, 2)));
    feed(sequence(0x40, 17));  // the 17 bytes that end the message
    ASSERT_EQ(sdk.pieces.size(), 2u);
    EXPECT_EQ(sdk.pieces[1].bytes, sequence(0x40, 17));
    EXPECT_TRUE(receiver.isIdle());
}

TEST_F(LegacyReceiver, SmallerPackageSizeMidMessageStartsAFreshPiece) {
    configure(2, 18);
    feed(concat({0x02, 0x0A, 0x00, 40, 0x00}, sequence(0x00, 13)));  // 13 held, 22 to come
    receiver.setCmdPackageSize(10);
    feed(sequence(0x20, 10));
    EXPECT_EQ(sdk.pieces, (std::vector<Piece>{{sequence(0x20, 10), 0}}));
}

TEST_F(LegacyReceiver, HeaderChunkTooShortForALengthIsDropped) {
    configure(2, 18);
    feed({0x02, 0x0A, 0x00});
    feed({0x02, 0x0A});
    feed({});
    EXPECT_TRUE(sdk.pieces.empty());
    EXPECT_TRUE(receiver.isIdle());
}

TEST_F(LegacyReceiver, VersionThreeHeaderCarriesThePid) {
    configure(3, 18);
    feed(concat({0x03, 0x0A, 0x01, 0x0A, 0x00, 0x34, 0x12}, {0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(sdk.pieces, (std::vector<Piece>{{{0xAA, 0xBB, 0xCC}, 0x1234}}));
}

TEST_F(LegacyReceiver, ChunkBeyondTheLimitIsRefused) {
    configure(2, 18);
    TenvikTest::InternalLogRecorder log;
    feed(concat({0x02, 0x0A, 0x00, 0x1E, 0x00}, Bytes(26, 0x11)));  // 31 bytes
    EXPECT_TRUE(log.contains(LogWarning,
                             "Receiver::process - packet too large! Size: 31, max allowed: 30"));
    EXPECT_TRUE(sdk.pieces.empty());
    feed(concat({0x02, 0x0A, 0x00, 0x0C, 0x00}, Bytes(25, 0x11)));  // 30 bytes
    EXPECT_TRUE(log.contains(LogInfo, "Receiver::process called with size: 30, cmdPackageSize: 18"));
    ASSERT_EQ(sdk.pieces.size(), 1u);
    EXPECT_EQ(sdk.pieces[0].bytes, Bytes(13, 0x11));
}

TEST_F(LegacyReceiver, MismatchedHeaderChunkIsDroppedSilently) {
    configure(2, 18);
    TenvikTest::InternalLogRecorder log;
    feed({0x02, 0x0B, 0x00, 0x0C, 0x00, 0x01});
    EXPECT_TRUE(sdk.pieces.empty());
    EXPECT_EQ(log.lines().size(), 1u);  // only the call line
}

struct VariableCase {
    const char* label;
    Bytes chunk;
    std::vector<Piece> pieces;
    const char* logLine;  // level-2 line, or null
};

class LegacyReceiverVariableMode : public ::testing::TestWithParam<VariableCase> {};

TEST_P(LegacyReceiverVariableMode, OneMessagePerChunk) {
    RecordingSdk sdk;
    Receiver receiver(&sdk);  // package size 0, template version 3
    TenvikTest::InternalLogRecorder log;
    auto exact = std::make_unique<uint8_t[]>(GetParam().chunk.size());
    std::copy(GetParam().chunk.begin(), GetParam().chunk.end(), exact.get());
    receiver.process(exact.get(), static_cast<uint32_t>(GetParam().chunk.size()));
    EXPECT_EQ(sdk.pieces, GetParam().pieces);
    if (GetParam().logLine != nullptr) {
        EXPECT_TRUE(log.contains(LogWarning, GetParam().logLine));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, LegacyReceiverVariableMode,
    ::testing::Values(
        VariableCase{"LengthMatchesChunk",
                     {0x03, 0x0A, 0x01, 0x0A, 0x00, 0x05, 0x00, 0xAA, 0xBB, 0xCC},
                     {{{0xAA, 0xBB, 0xCC}, 5}},
                     nullptr},
        VariableCase{"TrailingBytesBeyondTheLength",
                     {0x03, 0x0A, 0x63, 0x09, 0x00, 0x05, 0x00, 0xAA, 0xBB, 0xCC},
                     {{{0xAA, 0xBB}, 5}},
                     nullptr},
        VariableCase{"LengthBeyondTheChunk",
                     {0x03, 0x0A, 0x00, 0x40, 0x00, 0x05, 0x00, 0xAA},
                     {{{0xAA}, 0}},  // the pid is read from chunks of nine bytes or more
                     nullptr},
        VariableCase{"HeaderOnlyHasNoRoomForMore",
                     {0x03, 0x0A, 0x00, 0x07, 0x00, 0x05, 0x00},
                     {{{}, 0}},
                     nullptr},
        VariableCase{"ShorterThanTheHeader",
                     {0x03, 0x0A, 0x00, 0x07, 0x00, 0x05},
                     {},
                     "Receiver::process - packet smaller than header size (variable mode)"},
        VariableCase{"WrongTag",
                     {0x03, 0x0B, 0x00, 0x08, 0x00, 0x05, 0x00, 0x01},
                     {},
                     "Receiver::process - header validation failed (variable mode)"}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.label); });

// ---- Sender ------------------------------------------------------------------------------------

Bytes packetOf(const uint8_t* bytes, const Sender& sender) {
    if (bytes == nullptr) {
        return {};
    }
    return sender.getPacket();
}

TEST(LegacySender, FramesSystemAndProcessDataBehindTheHeader) {
    Sender sender;
    const Bytes payload = sequence(0x01, 17);
    const uint8_t* built = sender.makePacket(payload, 0x1234);
    EXPECT_EQ(packetOf(built, sender),
              concat({0x03, 0x0A, 0x00, 0x18, 0x00, 0x34, 0x12}, payload));
    built = sender.makePacket(payload.data(), 17, 0x1234);
    EXPECT_EQ(packetOf(built, sender),
              concat({0x03, 0x0A, 0x01, 0x18, 0x00, 0x34, 0x12}, payload));
}

TEST(LegacySender, OlderHeaderVersions) {
    Sender sender;
    sender.setProtocolVersion(1);
    EXPECT_EQ(packetOf(sender.makePacket(Bytes{0xAA, 0xBB}, 9), sender),
              (Bytes{0x01, 0x0A, 0x63, 0x07, 0x00, 0xAA, 0xBB}));
    sender.setProtocolVersion(2);
    const uint8_t payload[] = {0xAA, 0xBB};
    EXPECT_EQ(packetOf(sender.makePacket(payload, 2, 9), sender),
              (Bytes{0x02, 0x0A, 0x01, 0x07, 0x00, 0xAA, 0xBB}));
}

TEST(LegacySender, PayloadThatDoesNotFitIsRefusedNotCut) {
    Sender sender;
    TenvikTest::InternalLogRecorder log;
    const Bytes payload = sequence(0x01, 25);
    EXPECT_EQ(sender.makePacket(payload, 1), nullptr);
    EXPECT_TRUE(sender.getPacket().empty());
    EXPECT_EQ(sender.makePacket(sequence(0x01, 18), 1), nullptr);
    EXPECT_EQ(log.lines().size(), 2u);

    sender.setMode(2);  // uncapped, up to what the one-byte count carries
    EXPECT_EQ(packetOf(sender.makePacket(payload, 1), sender),
              concat({0x03, 0x0A, 0x00, 0x20, 0x00, 0x01, 0x00}, payload));
    EXPECT_NE(sender.makePacket(Bytes(255, 0x22), 1), nullptr);
    EXPECT_EQ(sender.makePacket(Bytes(256, 0x22), 1), nullptr);
    // The pointer form counts the whole length, not its low 16 bits.
    const Bytes big(65536 + 4, 0x33);
    EXPECT_EQ(sender.makePacket(big.data(), static_cast<uint32_t>(big.size()), 1), nullptr);
}

}  // namespace
}  // namespace Tenvik
