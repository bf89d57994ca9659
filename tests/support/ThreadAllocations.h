#pragma once

// The per-thread state behind the counting allocation functions of CountingAllocator.h.

#include <cstddef>
#include <cstdint>

namespace TenvikTest::detail {

struct ThreadAllocations {
    // Allocations made on this thread so far.
    size_t count = 0;
    // Allocations on this thread fail once the count reaches this limit.
    size_t failingFrom = static_cast<size_t>(-1);
    // Bytes held through operator new, and the most held since the last reset.
    int64_t heapBytes = 0;
    int64_t heapPeak = 0;
};

#if defined(_WIN32)
// In Windows' own thread-local storage (WindowsAllocationHooks.cpp): the compiler's emulated
// thread_local allocates on a thread's first use, which would come back here.
ThreadAllocations& threadAllocations() noexcept;
// Memory for the replaced operator new, from the process heap: the C runtime's malloc is the
// counted one there.
void* rawAllocate(std::size_t size) noexcept;
void rawRelease(void* block) noexcept;
#else
inline ThreadAllocations& threadAllocations() noexcept {
    thread_local ThreadAllocations state;
    return state;
}
#endif

// Counts one allocation; false when it is to fail.
inline bool countAllocation() noexcept {
    ThreadAllocations& thread = threadAllocations();
    if (thread.count >= thread.failingFrom) {
        return false;
    }
    ++thread.count;
    return true;
}

}  // namespace TenvikTest::detail
