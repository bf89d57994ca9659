#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace TenvikTest {

// Sets TZ for the life of the object, and the C runtime's zone with it; restores both
// afterwards. The Windows C runtime takes a zone's name and its offset from TZ ("XYZ-3": three
// hours east of UTC), never the daylight-saving rules a POSIX runtime also reads.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved = old;
        }
        set(zone);
    }
    ~ScopedTimeZone() { set(saved ? saved->c_str() : nullptr); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    // A null zone removes TZ.
    static void set(const char* zone) {
#if defined(_WIN32)
        _putenv_s("TZ", zone != nullptr ? zone : "");
        _tzset();
#else
        if (zone != nullptr) {
            setenv("TZ", zone, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }

    std::optional<std::string> saved;
};

}  // namespace TenvikTest
