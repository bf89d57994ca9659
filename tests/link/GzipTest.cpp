#include "link/Gzip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LinkFrames.h"

namespace Tenvik {
namespace {

using TenvikTest::Bytes;
using TenvikTest::concat;

Bytes text(const std::string& value) { return {value.begin(), value.end()}; }

// gzip of "hello tenvik" (no name, time 0).
const Bytes HelloGzip{0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0xCB,
                      0x48, 0xCD, 0xC9, 0xC9, 0x57, 0x28, 0x49, 0xCD, 0x2B, 0xCB, 0xCC,
                      0x06, 0x00, 0x20, 0xB0, 0x49, 0xE7, 0x0C, 0x00, 0x00, 0x00};
// The same text in a zlib wrapper instead of gzip.
const Bytes HelloZlib{0x78, 0x9C, 0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x57, 0x28, 0x49,
                      0xCD, 0x2B, 0xCB, 0xCC, 0x06, 0x00, 0x1E, 0xA7, 0x04, 0xC6};
// gzip of "second".
const Bytes SecondGzip{0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x2B, 0x4E, 0x4D,
                       0xCE, 0xCF, 0x4B, 0x01, 0x00, 0x69, 0x11, 0x1F, 0xB6, 0x06, 0x00, 0x00, 0x00};

TEST(DecompressGzip, InflatesAGzipStream) {
    Bytes data = HelloGzip;
    EXPECT_TRUE(decompressGzip(data));
    EXPECT_EQ(data, text("hello tenvik"));
}

TEST(DecompressGzip, IgnoresInputAfterTheFirstMember) {
    Bytes data = concat(HelloGzip, SecondGzip);
    EXPECT_TRUE(decompressGzip(data));
    EXPECT_EQ(data, text("hello tenvik"));
}

struct Refused {
    const char* name;
    Bytes data;
};

class DecompressGzipRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(DecompressGzipRefuses, AndLeavesTheDataUnchanged) {
    Bytes data = GetParam().data;
    EXPECT_FALSE(decompressGzip(data));
    EXPECT_EQ(data, GetParam().data);
}

Bytes corrupted(Bytes data, std::size_t at) {
    data[at] ^= 0xFF;
    return data;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecompressGzipRefuses,
    ::testing::Values(Refused{"Empty", {}},
                      Refused{"Truncated", Bytes(HelloGzip.begin(), HelloGzip.end() - 5)},
                      Refused{"HeaderOnly", Bytes(HelloGzip.begin(), HelloGzip.begin() + 10)},
                      Refused{"ZlibWrapper", HelloZlib},
                      Refused{"WrongChecksum", corrupted(HelloGzip, 24)},
                      Refused{"NotCompressed", text("hello tenvik, plain")}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(DecompressGzip, AcceptsExactlyTheLargestMessage) {
    const Bytes largest(MaxDecompressedSize, 0x5A);
    Bytes data = TenvikTest::gzipStream(largest);
    EXPECT_TRUE(decompressGzip(data));
    EXPECT_EQ(data, largest);
}

TEST(DecompressGzip, RefusesAStreamInflatingBeyondTheLargestMessage) {
    const Bytes stream = TenvikTest::gzipStream(Bytes(MaxDecompressedSize + 1, 0x5A));
    Bytes data = stream;
    EXPECT_FALSE(decompressGzip(data));
    EXPECT_EQ(data, stream);
}

TEST(DecompressGzip, RefusesABombWhoseTrailerUnderstatesItsSize) {
    // 32 MiB of zeros fit in a few tens of kilobytes; the trailer is made to claim 12 bytes.
    Bytes bomb = TenvikTest::gzipStream(Bytes(32u << 20, 0x00));
    ASSERT_LT(bomb.size(), 65535u);
    bomb[bomb.size() - 4] = 12;
    bomb[bomb.size() - 3] = 0;
    bomb[bomb.size() - 2] = 0;
    bomb[bomb.size() - 1] = 0;
    Bytes data = bomb;
    EXPECT_FALSE(decompressGzip(data));
    EXPECT_EQ(data.size(), bomb.size());
}

TEST(CompressGzip, UsesDefaultLevelSmallWindowAndMemoryLevelFive) {
    // Reference stream made with zlib's own parameters: level -1, deflate, window bits 27,
    // memory level 5, default strategy.
    Bytes data;
    for (int i = 0; i < 60; ++i) {
        const auto part = text("sample " + std::to_string(i) + ";");
        data.insert(data.end(), part.begin(), part.end());
    }
    ASSERT_EQ(data.size(), 590u);
    Bytes expected{
        0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x45, 0xD1, 0x39, 0x0A, 0x42,
        0x41, 0x14, 0x45, 0xC1, 0xAD, 0xB8, 0x04, 0xDF, 0xE4, 0x80, 0xAB, 0x31, 0x30, 0x53, 0x10,
        0xFE, 0xFE, 0xC1, 0x40, 0xBA, 0x3A, 0x3B, 0xD1, 0xAD, 0xA6, 0xDF, 0xF1, 0xFC, 0x7C, 0xDF,
        0xAF, 0xD3, 0xF9, 0x71, 0xFC, 0x23, 0x56, 0xE4, 0x8A, 0x5A, 0xD1, 0x2B, 0x66, 0xC5, 0x65,
        0xC5, 0x75, 0xC5, 0x6D, 0xC5, 0xDD, 0xE0, 0x9E, 0xB6, 0x1D, 0xC6, 0xC3, 0x7A, 0x98, 0x0F,
        0xFB, 0x01, 0x08, 0x42, 0x20, 0x82, 0x91, 0x8C, 0xDC, 0xEF, 0x67, 0x24, 0x23, 0x19, 0xC9,
        0x48, 0x46, 0x32, 0x92, 0x91, 0x8C, 0x62, 0x14, 0xA3, 0xF6, 0x27, 0x31, 0x8A, 0x51, 0x8C,
        0x62, 0x14, 0xA3, 0x18, 0xC5, 0x68, 0x46, 0x33, 0x9A, 0xD1, 0xFB, 0x12, 0x8C, 0x66, 0x34,
        0xA3, 0x19, 0xCD, 0x68, 0xC6, 0x30, 0x86, 0x31, 0x8C, 0x61, 0xCC, 0x3E, 0x37, 0x63, 0x18,
        0xC3, 0x18, 0xC6, 0xDC, 0x1F, 0x3F, 0xD2, 0xC4, 0x9B, 0x4A, 0x4E, 0x02, 0x00, 0x00};
#if defined(_WIN32)
    // The header's operating-system byte is zlib's own: 3 where it is built for Unix, 10 for
    // Windows.
    expected[9] = 0x0A;
#endif
    EXPECT_TRUE(compressGzip(data));
    EXPECT_EQ(data, expected);
}

TEST(CompressGzip, WindowDoesNotReachBackTwoKilobytes) {
    // A 3000-byte block of noise repeated: a 32 KiB window would encode the second copy as one
    // back-reference, a 2 KiB window cannot see it.
    const Bytes block = TenvikTest::pseudoRandomBytes(3000, 12345);
    const Bytes original = concat(block, block);
    Bytes data = original;
    EXPECT_TRUE(compressGzip(data));
    EXPECT_GT(data.size(), 2 * block.size());
    EXPECT_LT(TenvikTest::gzipStream(original).size(), block.size() + 200);
    EXPECT_EQ(TenvikTest::gunzipStream(data), original);
}

TEST(CompressGzip, EmptyInputGivesAnEmptyGzipMember) {
    Bytes data;
    EXPECT_TRUE(compressGzip(data));
    EXPECT_TRUE(TenvikTest::gunzipStream(data).empty());
    EXPECT_TRUE(decompressGzip(data));
    EXPECT_TRUE(data.empty());
}

TEST(CompressGzip, OutputLongerThanOneStepIsComplete) {
    const Bytes noise = TenvikTest::pseudoRandomBytes(20000, 7);
    Bytes data = noise;
    EXPECT_TRUE(compressGzip(data));
    EXPECT_GT(data.size(), 4096u);
    EXPECT_EQ(TenvikTest::gunzipStream(data), noise);
}

}  // namespace
}  // namespace Tenvik
