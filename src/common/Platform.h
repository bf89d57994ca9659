#pragma once

// What the library takes from the system it runs on, in one place: calendar conversion of a
// time, one object per thread, and letting thread cancellation unwind through a catch-all.
// The rest of the library is plain standard C++ and builds the same for Linux and Windows.

#include <cstdint>

#if defined(__GLIBC__) && defined(__GLIBCXX__)
#include <cxxabi.h>
// glibc ends a cancelled thread (pthread_cancel, pthread_exit) by unwinding its stack with an
// exception of its own. A catch-all that swallows it aborts the process, so it must go on.
#define TENVIK_FORCED_UNWIND 1
#else
// No forced unwinding here: a thread that is ended does not unwind through C++ handlers.
#define TENVIK_FORCED_UNWIND 0
#endif

#if TENVIK_FORCED_UNWIND
// A handler, placed before `catch (...)`, that lets thread cancellation unwind on.
#define TENVIK_PASS_THREAD_CANCELLATION \
    catch (abi::__forced_unwind&) {     \
        throw;                          \
    }
// For the function that holds such a handler: the runtime binds the handler's reference to no
// object, which the sanitizer's null-reference check would report; the handler reads nothing.
// Out of line, so that the exemption stays with the function.
#define TENVIK_CATCHES_THREAD_CANCELLATION __attribute__((no_sanitize("null"), noinline))
#else
#define TENVIK_PASS_THREAD_CANCELLATION
#define TENVIK_CATCHES_THREAD_CANCELLATION
#endif

// MinGW's compilers emulate thread_local: a thread's copy of each such object is allocated on
// the thread's first use of it, and the process aborts when that allocation fails. Code that
// must survive running out of memory makes its thread's objects early (see
// prepareThreadExceptionState).
#if defined(__MINGW32__)
#define TENVIK_EMULATED_THREAD_LOCAL 1
#else
#define TENVIK_EMULATED_THREAD_LOCAL 0
#endif

// Marks a function that takes a printf format and its arguments, for the compiler's checks.
// MinGW's "printf" means the formats of msvcrt.dll; this build formats with the C99 printf of
// MinGW-w64 (__USE_MINGW_ANSI_STDIO), which "gnu_printf" describes.
#if defined(__MINGW32__)
#define TENVIK_PRINTF_FORMAT(formatIndex, firstArgument) \
    __attribute__((__format__(gnu_printf, formatIndex, firstArgument)))
#else
#define TENVIK_PRINTF_FORMAT(formatIndex, firstArgument) \
    __attribute__((__format__(printf, formatIndex, firstArgument)))
#endif

namespace Tenvik {

// A date and time on the proleptic Gregorian calendar.
struct CalendarTime {
    int64_t year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1970-01-01 00:00:00 UTC as a UTC date and time. Worked out here rather than
// by the C runtime, so every value converts and converts alike everywhere.
CalendarTime utcCalendarTime(uint64_t seconds);

// The same time in the C runtime's local time zone (TZ, else the system's zone). False when
// the runtime cannot convert it: past its time_t, or, on Windows, after the year 3000.
bool localCalendarTime(uint64_t seconds, CalendarTime& local);

// Makes the C++ runtime's per-thread exception state now. Under emulated thread_local the
// runtime would make it for the first exception the thread throws, which is most likely a
// bad_alloc once memory has run out: the throw would then abort the process. Does nothing
// where thread_local is the system's own.
void prepareThreadExceptionState() noexcept;

// This thread's T, made on the thread's first call and destroyed when the thread ends.
// C++ thread_local serves both platforms: on Windows the runtime keeps the DLL loaded while
// a thread still holds an object that the DLL must destroy.
template <typename T>
T& threadInstance() {
    static thread_local T instance;
    return instance;
}

}  // namespace Tenvik
