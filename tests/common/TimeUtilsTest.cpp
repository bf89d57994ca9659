#include "common/TimeUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "ScopedTimeZone.h"

namespace Tenvik {
namespace {

uint64_t systemMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
}

TEST(NowMs, ReadsTheWallClockInMilliseconds) {
    const uint64_t before = systemMs();
    const uint64_t now = nowMs();
    const uint64_t after = systemMs();
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}

std::string formatted(uint64_t ms, bool local) {
    char text[kTimestampTextSize];
    return formatTimestamp(ms, local, text);
}

struct TimestampCase {
    uint64_t ms;
    std::string expected;
};
class FormatUtc : public ::testing::TestWithParam<TimestampCase> {};
TEST_P(FormatUtc, DateTimeAndMilliseconds) {
    EXPECT_EQ(formatted(GetParam().ms, false), GetParam().expected);
}
// Leap days (2000 has one, 2100 has none), years of five digits and more, up to the largest
// time: the calendar holds for every value.
INSTANTIATE_TEST_SUITE_P(Cases, FormatUtc,
                         ::testing::Values(TimestampCase{946684800123, "2000-01-01 00:00:00.123"},
                                           TimestampCase{946684800007, "2000-01-01 00:00:00.007"},
                                           TimestampCase{946684800000, "2000-01-01 00:00:00.000"},
                                           TimestampCase{0, "1970-01-01 00:00:00.000"},
                                           TimestampCase{1781234567089, "2026-06-12 03:22:47.089"},
                                           TimestampCase{4102444799999,
                                                         "2099-12-31 23:59:59.999"},
                                           TimestampCase{951782400000, "2000-02-29 00:00:00.000"},
                                           TimestampCase{4107542399999,
                                                         "2100-02-28 23:59:59.999"},
                                           TimestampCase{4107542400000,
                                                         "2100-03-01 00:00:00.000"},
                                           TimestampCase{253402300800000,
                                                         "10000-01-01 00:00:00.000"},
                                           TimestampCase{UINT64_MAX,
                                                         "584556019-04-03 14:25:51.615"}));

TEST(FormatLocal, UsesTheLocalTimeZone) {
    const TenvikTest::ScopedTimeZone zone("XYZ-2");  // two hours east of UTC
    EXPECT_EQ(formatted(946684800123, true), "2000-01-01 02:00:00.123");
    EXPECT_EQ(formatted(946684800123, false), "2000-01-01 00:00:00.123");
    EXPECT_EQ(formatted(946681200005, true), "2000-01-01 01:00:00.005");
}

TEST(FormatLocal, ALocalTimeMayFallBeforeTheEpoch) {
    const TenvikTest::ScopedTimeZone zone("XYZ+5");  // five hours west of UTC
    EXPECT_EQ(formatted(0, true), "1969-12-31 19:00:00.000");
}

}  // namespace
}  // namespace Tenvik
