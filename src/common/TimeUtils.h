#pragma once

#include <cstddef>
#include <cstdint>

namespace Tenvik {

// Wall-clock milliseconds since 1970-01-01 00:00:00 UTC (not a monotonic clock).
uint64_t nowMs();

// Room for the longest text of formatTimestamp, its terminating NUL included.
inline constexpr size_t kTimestampTextSize = 32;

// Writes "YYYY-MM-DD HH:MM:SS.mmm" into `text`, in the local time zone when `local` is set,
// in UTC otherwise, and returns `text`. A year past 9999 takes as many digits as it needs. A
// local time the C runtime cannot convert comes out as its decimal millisecond count.
// Allocates nothing, so a log line that carries times costs no allocation either.
const char* formatTimestamp(uint64_t ms, bool local, char (&text)[kTimestampTextSize]);

}  // namespace Tenvik
