// The warning about a record time with bit 63 set is limited to five per process, for all
// instances together: this program is its own process, so that no other test spends them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostCallbackRecorder.h"
#include "LogRecorder.h"
#include "SyncDevice.h"
#include "SyncFrames.h"

namespace {

using TenvikTest::HostCallbackRecorder;
using TenvikTest::LogRecorder;
namespace Frames = TenvikTest::SyncFrames;

constexpr uint64_t msb = uint64_t{1} << 63;
constexpr const char* firstWarning =
    "SyncReceiver: normalized epoch-ms timestamp with MSB set (raw=9223373736854775808 "
    "0x8000018BCFE56800 le=00 68 E5 CF 8B 01 00 80, masked=1700000000000 0x0000018BCFE56800 "
    "le=00 68 E5 CF 8B 01 00 00)";

std::vector<std::string> warnings(const LogRecorder& log) {
    std::vector<std::string> out;
    for (const auto& line : log.lines()) {
        if (line.level == 2 && line.text.rfind("SyncReceiver:", 0) == 0) {
            out.push_back(line.text);
        }
    }
    return out;
}

TEST(TimestampWarning, FiveLinesPerProcessWhateverTheInstanceOrTheLogCallback) {
    HostCallbackRecorder first;
    HostCallbackRecorder second;
    ASSERT_NE(first.create("3.0.0"), nullptr);
    ASSERT_NE(second.create("3.0.0"), nullptr);
    first.registerSynchronization();
    second.registerSynchronization();
    TenvikTest::SyncDevice firstDevice(first.handle(), 3);
    TenvikTest::SyncDevice secondDevice(second.handle(), 3);
    firstDevice.createSync();
    secondDevice.createSync();
    // Without a log callback a masked time still spends one of the five lines.
    for (uint64_t i = 0; i < 2; ++i) {
        firstDevice.send(Frames::groupStart(6, 18, 4, msb | (1600000000000ull + i), {1, 0, 0, 0}));
    }
    EXPECT_EQ(first.named("past_steps").back().timestamp, 1600000000001ull);
    LogRecorder log;
    log.install();

    // Bit 63 with a time before 2000 is not a time the device meant: unchanged, no line.
    firstDevice.send(Frames::groupStart(6, 18, 4, msb | 946684799999ull, {1, 0, 0, 0}));
    EXPECT_TRUE(warnings(log).empty());
    EXPECT_EQ(first.named("past_steps").back().timestamp, msb | 946684799999ull);

    for (uint64_t i = 0; i < 4; ++i) {
        const auto group = Frames::groupStart(6, 18, 4, msb | (1700000000000ull + i), {1, 0, 0, 0});
        firstDevice.send(group);
        secondDevice.send(group);
    }
    const std::vector<std::string> lines = warnings(log);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], firstWarning);
    // Every masked time is used, warned about or not.
    EXPECT_EQ(first.named("past_steps").back().timestamp, 1700000000003ull);
    EXPECT_EQ(second.named("past_steps").back().timestamp, 1700000000003ull);
    LogRecorder::uninstall();
}

}  // namespace
