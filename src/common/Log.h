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

// The one process-wide log pair. Shared by every instance; null switches logging off.
void setLogCallback(LogCallback callback, void* context) noexcept;
void clearLogCallback() noexcept;
bool logEnabled() noexcept;

// Copies the text into this thread's buffer and hands it to the log callback. Safe to call
// without a callback set (the line is then dropped), but callers test `logEnabled()` first
// so that a disabled log costs nothing beyond building the text.
void logMessage(int level, const std::string& text);

namespace detail {

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

// Builds a line from its parts (texts and integers, integers in plain decimal) and logs it,
// only when a log callback is set: with logging off nothing is built or allocated.
template <typename... Parts>
void logLine(int level, const Parts&... parts) {
    if (!logEnabled()) {
        return;
    }
    std::string text;
    (detail::appendLogPart(text, parts), ...);
    logMessage(level, text);
}

}  // namespace Tenvik
