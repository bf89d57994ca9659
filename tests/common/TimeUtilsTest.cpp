#include "common/TimeUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

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

struct TimestampCase {
    uint64_t ms;
    std::string expected;
};
class FormatUtc : public ::testing::TestWithParam<TimestampCase> {};
TEST_P(FormatUtc, DateTimeAndMilliseconds) {
    EXPECT_EQ(formatTimestamp(GetParam().ms, false), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, FormatUtc,
                         ::testing::Values(TimestampCase{946684800123, "2000-01-01 00:00:00.123"},
                                           TimestampCase{946684800007, "2000-01-01 00:00:00.007"},
                                           TimestampCase{946684800000, "2000-01-01 00:00:00.000"},
                                           TimestampCase{0, "1970-01-01 00:00:00.000"},
                                           TimestampCase{1781234567089, "2026-06-12 03:22:47.089"},
                                           TimestampCase{4102444799999,
                                                         "2099-12-31 23:59:59.999"}));

// Sets TZ for the life of the object and restores it afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (saved) {
            setenv("TZ", saved->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> saved;
};

TEST(FormatLocal, UsesTheLocalTimeZone) {
    const ScopedTimeZone zone("XYZ-2");  // two hours east of UTC
    EXPECT_EQ(formatTimestamp(946684800123, true), "2000-01-01 02:00:00.123");
    EXPECT_EQ(formatTimestamp(946684800123, false), "2000-01-01 00:00:00.123");
    EXPECT_EQ(formatTimestamp(946681200005, true), "2000-01-01 01:00:00.005");
}

TEST(FormatUtc, TheLargestTimeStillGivesATextWithItsMilliseconds) {
    const std::string text = formatTimestamp(UINT64_MAX, false);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 4), ".615");
}

}  // namespace
}  // namespace Tenvik
