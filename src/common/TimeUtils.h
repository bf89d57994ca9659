#pragma once

#include <cstdint>
#include <string>

namespace Tenvik {

// Wall-clock milliseconds since 1970-01-01 00:00:00 UTC (not a monotonic clock).
uint64_t nowMs();

// "YYYY-MM-DD HH:MM:SS.mmm" in the local time zone when `local` is set, in UTC otherwise. A
// time the calendar conversion cannot represent comes back as its decimal millisecond count.
std::string formatTimestamp(uint64_t ms, bool local);

}  // namespace Tenvik
