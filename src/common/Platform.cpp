#include "common/Platform.h"

#include <ctime>
#include <limits>

#if TENVIK_EMULATED_THREAD_LOCAL
#include <cxxabi.h>
#endif

namespace Tenvik {
namespace {

constexpr uint64_t kSecondsPerDay = 86400;

// The civil date of a day count since 1970-01-01, on 400-year cycles of 146097 days that
// start on 1 March, so that the leap day falls at the end of each cycle year.
void civilFromDays(uint64_t daysSince1970, CalendarTime& date) {
    constexpr uint64_t daysFromCycleStartTo1970 = 719468;  // 0000-03-01 to 1970-01-01
    const uint64_t days = daysSince1970 + daysFromCycleStartTo1970;
    const uint64_t cycle = days / 146097;
    const uint64_t dayOfCycle = days % 146097;
    const uint64_t yearOfCycle =
        (dayOfCycle - dayOfCycle / 1460 + dayOfCycle / 36524 - dayOfCycle / 146096) / 365;
    const uint64_t dayOfYear =
        dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);
    const uint64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    date.year = static_cast<int64_t>(cycle * 400 + yearOfCycle + (date.month <= 2 ? 1 : 0));
}

bool runtimeLocalTime(std::time_t time, std::tm& calendar) {
#if defined(_WIN32)
    return localtime_s(&calendar, &time) == 0;
#else
    return localtime_r(&time, &calendar) != nullptr;
#endif
}

}  // namespace

void prepareThreadExceptionState() noexcept {
#if TENVIK_EMULATED_THREAD_LOCAL
    // Declared without side effects: the result is kept so that the call is made.
    abi::__cxa_eh_globals* volatile state = abi::__cxa_get_globals();
    static_cast<void>(state);
#endif
}

CalendarTime utcCalendarTime(uint64_t seconds) {
    CalendarTime utc;
    civilFromDays(seconds / kSecondsPerDay, utc);
    const uint64_t secondOfDay = seconds % kSecondsPerDay;
    utc.hour = static_cast<int>(secondOfDay / 3600);
    utc.minute = static_cast<int>(secondOfDay / 60 % 60);
    utc.second = static_cast<int>(secondOfDay % 60);
    return utc;
}

bool localCalendarTime(uint64_t seconds, CalendarTime& local) {
    if (seconds > static_cast<uint64_t>(std::numeric_limits<std::time_t>::max())) {
        return false;
    }
    std::tm calendar{};
    if (!runtimeLocalTime(static_cast<std::time_t>(seconds), calendar)) {
        return false;
    }
    local.year = static_cast<int64_t>(calendar.tm_year) + 1900;
    local.month = calendar.tm_mon + 1;
    local.day = calendar.tm_mday;
    local.hour = calendar.tm_hour;
    local.minute = calendar.tm_min;
    local.second = calendar.tm_sec;
    return true;
}

}  // namespace Tenvik
