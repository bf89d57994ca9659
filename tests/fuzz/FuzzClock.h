#pragma once

#include <cstdint>

// The clock the library reads in the fuzz targets and their replay programs: a fixed moment
// plus whatever the input advanced it by. The library's own timing (the respiration rate at
// most every 15 s, the two-second windows of the synchronisation rate meter, the device times
// joined to the host clock) then depends on the input alone, so that an input replays the
// same way and a script can let minutes pass in one call.
//
// FuzzClock.cpp puts it in place of std::chrono::system_clock::now for the calls that come from
// the library's shared object; every other caller (libFuzzer among them) keeps the real time.
class FuzzClock {
public:
    static constexpr uint64_t start = 1700000000000;  // 2023-11-14 22:13:20 UTC

    static uint64_t nowMs() { return start + offset; }
    static void advance(uint64_t ms) { offset += ms; }
    static void reset() { offset = 0; }

private:
    static inline uint64_t offset = 0;
};
