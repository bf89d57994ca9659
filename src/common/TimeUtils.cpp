#include "common/TimeUtils.h"

#include <charconv>
#include <chrono>

#include "common/Platform.h"

namespace Tenvik {
namespace {

// Fills a timestamp buffer from the front; what would not fit before the terminating NUL is
// dropped.
class TimestampWriter {
public:
    explicit TimestampWriter(char (&text)[kTimestampTextSize])
        : at(text), end(text + kTimestampTextSize - 1) {}
    ~TimestampWriter() { *at = '\0'; }
    TimestampWriter(const TimestampWriter&) = delete;
    TimestampWriter& operator=(const TimestampWriter&) = delete;

    // `value` in decimal, zero-padded to at least `width` digits, then `separator` if given.
    void number(uint64_t value, int width, char separator = '\0') {
        char digits[24];
        const char* last = std::to_chars(digits, digits + sizeof digits, value).ptr;
        for (auto length = last - digits; length < width; ++length) {
            put('0');
        }
        for (const char* digit = digits; digit < last; ++digit) {
            put(*digit);
        }
        if (separator != '\0') {
            put(separator);
        }
    }

private:
    void put(char c) {
        if (at < end) {
            *at++ = c;
        }
    }

    char* at;
    char* end;
};

}  // namespace

uint64_t nowMs() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

const char* formatTimestamp(uint64_t ms, bool local, char (&text)[kTimestampTextSize]) {
    const uint64_t seconds = ms / 1000;
    CalendarTime time;
    bool converted = true;
    if (local) {
        // A local year lies at most a day before 1970, never before year 1.
        converted = localCalendarTime(seconds, time) && time.year > 0;
    } else {
        time = utcCalendarTime(seconds);
    }
    TimestampWriter out(text);
    if (!converted) {
        out.number(ms, 1);
        return text;
    }
    // The fields one by one rather than through strftime, whose "%F" not every C runtime knows.
    out.number(static_cast<uint64_t>(time.year), 4, '-');
    out.number(static_cast<uint64_t>(time.month), 2, '-');
    out.number(static_cast<uint64_t>(time.day), 2, ' ');
    out.number(static_cast<uint64_t>(time.hour), 2, ':');
    out.number(static_cast<uint64_t>(time.minute), 2, ':');
    out.number(static_cast<uint64_t>(time.second), 2, '.');
    out.number(ms % 1000, 3);
    return text;
}

}  // namespace Tenvik
