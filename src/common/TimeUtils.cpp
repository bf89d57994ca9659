#include "common/TimeUtils.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>

namespace Tenvik {
namespace {

bool toCalendar(uint64_t seconds, bool local, std::tm& calendar) {
    if (seconds > static_cast<uint64_t>(std::numeric_limits<std::time_t>::max())) {
        return false;
    }
    const auto time = static_cast<std::time_t>(seconds);
    return (local ? localtime_r(&time, &calendar) : gmtime_r(&time, &calendar)) != nullptr;
}

}  // namespace

uint64_t nowMs() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

std::string formatTimestamp(uint64_t ms, bool local) {
    std::tm calendar{};
    char text[64];
    const size_t length = toCalendar(ms / 1000, local, calendar)
                              ? std::strftime(text, sizeof text, "%F %H:%M:%S", &calendar)
                              : 0;
    if (length == 0) {
        return std::to_string(ms);
    }
    std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(ms % 1000));
    return text;
}

}  // namespace Tenvik
