#include "FuzzClock.h"

#include <link.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace {

// The library's executable segments. Plain storage: libFuzzer reads the clock while the
// program exits, after the destructors of ordinary statics have run.
struct LibraryCode {
    uintptr_t begin[8];
    uintptr_t end[8];
    int count;
};

int collectLibraryCode(dl_phdr_info* info, size_t, void* data) {
    if (info->dlpi_name == nullptr || std::strstr(info->dlpi_name, "libtenvik_sdk") == nullptr) {
        return 0;
    }
    auto* code = static_cast<LibraryCode*>(data);
    for (int i = 0; i < info->dlpi_phnum && code->count < 8; ++i) {
        const auto& header = info->dlpi_phdr[i];
        if (header.p_type == PT_LOAD && (header.p_flags & PF_X) != 0) {
            code->begin[code->count] = info->dlpi_addr + header.p_vaddr;
            code->end[code->count] = code->begin[code->count] + header.p_memsz;
            ++code->count;
        }
    }
    return 0;
}

// Whether the code at `address` belongs to the library's shared object.
bool inLibrary(const void* address) {
    static const LibraryCode code = [] {
        LibraryCode found{};
        dl_iterate_phdr(collectLibraryCode, &found);
        return found;
    }();
    const auto at = reinterpret_cast<uintptr_t>(address);
    for (int i = 0; i < code.count; ++i) {
        if (at >= code.begin[i] && at < code.end[i]) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The library reads the time through the standard library's system_clock::now; this
// definition in the program takes its place for every caller. Only calls from the library's
// own code get the fuzz clock: libFuzzer reads the same function for its time limits and
// statistics, and gets the real time.
std::chrono::system_clock::time_point std::chrono::system_clock::now() noexcept {
    if (inLibrary(__builtin_return_address(0))) {
        return time_point(std::chrono::duration_cast<duration>(
            std::chrono::milliseconds(static_cast<int64_t>(FuzzClock::nowMs()))));
    }
    timespec real{};
    clock_gettime(CLOCK_REALTIME, &real);
    const auto sinceEpoch =
        std::chrono::seconds(real.tv_sec) + std::chrono::nanoseconds(real.tv_nsec);
    return time_point(std::chrono::duration_cast<duration>(sinceEpoch));
}
