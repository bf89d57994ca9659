#pragma once

// Replaces the global allocation functions of a test program with ones that count every
// allocation made on the calling thread. Include this from exactly one source file of the
// program; the program's other files include AllocationCounter.h for AllocationScope.

#include <cstddef>
#include <cstdlib>
#include <new>

#include "AllocationCounter.h"

namespace TenvikTest::detail {

inline thread_local size_t allocationsOnThisThread = 0;
// Allocations on this thread fail once the count reaches this limit.
inline thread_local size_t failingFromAllocation = static_cast<size_t>(-1);

// Out of line, so that the compiler does not pair a replaced operator delete with the malloc
// inside a replaced operator new.
[[gnu::noinline]] inline void* countedAllocate(std::size_t size) {
    if (allocationsOnThisThread >= failingFromAllocation) {
        throw std::bad_alloc();
    }
    ++allocationsOnThisThread;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

[[gnu::noinline]] inline void countedRelease(void* block) noexcept { std::free(block); }

inline void* countedAllocateNoThrow(std::size_t size) noexcept {
    try {
        return countedAllocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace TenvikTest::detail

size_t TenvikTest::allocationCount() { return detail::allocationsOnThisThread; }

namespace TenvikTest {

// While it lives, the allowed-th and every later allocation on this thread fails.
class AllocationFailure {
public:
    explicit AllocationFailure(size_t allowed) {
        detail::failingFromAllocation = detail::allocationsOnThisThread + allowed;
    }
    ~AllocationFailure() { detail::failingFromAllocation = static_cast<size_t>(-1); }
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
};

}  // namespace TenvikTest

void* operator new(std::size_t size) { return TenvikTest::detail::countedAllocate(size); }
void* operator new[](std::size_t size) { return TenvikTest::detail::countedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return TenvikTest::detail::countedAllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return TenvikTest::detail::countedAllocateNoThrow(size);
}
void operator delete(void* block) noexcept { TenvikTest::detail::countedRelease(block); }
void operator delete[](void* block) noexcept { TenvikTest::detail::countedRelease(block); }
void operator delete(void* block, std::size_t) noexcept {
    TenvikTest::detail::countedRelease(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    TenvikTest::detail::countedRelease(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    TenvikTest::detail::countedRelease(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    TenvikTest::detail::countedRelease(block);
}
