#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "tenvik_sdk.h"

namespace Tenvik {

// Severity of a diagnostic line, as the host receives it.
enum LogLevel : int {
    LogDebug = 0,
    LogInfo = 1,
    LogWarning = 2,
    LogError = 3,
};

using LogCallback = TenvikSDK_LogCallback;

// The one process-wide log pair. Shared by every instance; null switches logging off. The
// callback and its context are published together: a line logged on one thread while another
// sets the pair receives either the old pair or the new one, never a mix.
void setLogCallback(LogCallback callback, void* context) noexcept;
void clearLogCallback() noexcept;
// Whether a line logged now would reach a callback: one is set, and the line's source is not
// silenced (see LogScope).
bool logEnabled() noexcept;

// Makes this thread's logging state now where thread_local is emulated (see Platform.h): the
// first line logged after memory has run out is then dropped instead of aborting the process.
void prepareThreadLogState() noexcept;

// Copies the text into this thread's buffer and hands it to the log callback. Safe to call
// without a callback set (the line is then dropped), but callers test `logEnabled()` first
// so that a disabled log costs nothing beyond building the text.
void logMessage(int level, std::string_view text);

namespace detail {

// This thread's buffer for the next line, emptied; its capacity stays from line to line, so a
// line costs no allocation once the longest has been seen. A line logged from inside the log
// callback (a host that calls back into the library) gets a buffer of its own, so the text the
// outer callback holds stays intact.
std::string& beginLogLine();
// Hands the line built in the buffer of beginLogLine to the log callback, if one is set.
void endLogLine(int level);

inline void appendLogPart(std::string& out, std::string_view part) { out.append(part); }
inline void appendLogPart(std::string& out, const char* part) { out.append(part); }
inline void appendLogPart(std::string& out, const std::string& part) { out.append(part); }
inline void appendLogPart(std::string& out, char part) { out.push_back(part); }

template <typename Int>
    requires(std::is_integral_v<Int> && !std::is_same_v<Int, char> && !std::is_same_v<Int, bool>)
void appendLogPart(std::string& out, Int value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

}  // namespace detail

// Builds a line from its parts (texts and integers, integers in plain decimal) in this thread's
// log buffer and logs it, only when a log callback is set: with logging off nothing is built.
template <typename... Parts>
void logLine(int level, const Parts&... parts) {
    if (!logEnabled()) {
        return;
    }
    std::string& text = detail::beginLogLine();
    (detail::appendLogPart(text, parts), ...);
    detail::endLogLine(level);
}

}  // namespace Tenvik
