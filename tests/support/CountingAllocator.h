#pragma once

// Replaces the global allocation functions of a test program with ones that count every
// allocation made on the calling thread: operator new and, so that what zlib and the C library
// allocate shows too, malloc, calloc and realloc. Blocks of operator new also carry their size,
// so that the bytes a thread holds through it can be read (`heapBytesInUse`). Include this from
// exactly one source file of the program; the program's other files include
// AllocationCounter.h for AllocationScope. Under AddressSanitizer the C functions stay the
// sanitizer's own, and only operator new is counted. On Windows the library's DLL carries its
// own operator new, which calls the C runtime's malloc: there WindowsAllocationHooks.cpp
// counts malloc, calloc and realloc in the import tables of the program and of the DLL
// instead.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "AllocationCounter.h"
#include "ThreadAllocations.h"

#if defined(_WIN32)
#define TENVIK_COUNT_MALLOC 0
#elif defined(__SANITIZE_ADDRESS__)
#define TENVIK_COUNT_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TENVIK_COUNT_MALLOC 0
#endif
#endif
#ifndef TENVIK_COUNT_MALLOC
#define TENVIK_COUNT_MALLOC 1
#endif

#if TENVIK_COUNT_MALLOC
// glibc's own allocator, behind the counting malloc below.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);
extern "C" void __libc_free(void* block);
#endif

namespace TenvikTest::detail {

#if !defined(_WIN32)
inline void* rawAllocate(std::size_t size) noexcept {
#if TENVIK_COUNT_MALLOC
    return __libc_malloc(size);
#else
    return std::malloc(size);
#endif
}

inline void rawRelease(void* block) noexcept {
#if TENVIK_COUNT_MALLOC
    __libc_free(block);
#else
    std::free(block);
#endif
}
#endif

// Each block of operator new starts with its size, in a header that keeps the block's alignment.
constexpr std::size_t blockHeader = alignof(std::max_align_t);

// Out of line, so that the compiler does not pair a replaced operator delete with the malloc
// inside a replaced operator new.
[[gnu::noinline]] inline void* countedAllocate(std::size_t size) {
    if (!countAllocation()) {
        throw std::bad_alloc();
    }
    auto* header = static_cast<unsigned char*>(rawAllocate(blockHeader + size));
    if (header == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(header, &size, sizeof size);
    ThreadAllocations& thread = threadAllocations();
    thread.heapBytes += static_cast<int64_t>(size);
    if (thread.heapBytes > thread.heapPeak) {
        thread.heapPeak = thread.heapBytes;
    }
    return header + blockHeader;
}

[[gnu::noinline]] inline void countedRelease(void* block) noexcept {
    if (block == nullptr) {
        return;
    }
    unsigned char* header = static_cast<unsigned char*>(block) - blockHeader;
    std::size_t size = 0;
    std::memcpy(&size, header, sizeof size);
    threadAllocations().heapBytes -= static_cast<int64_t>(size);
    rawRelease(header);
}

inline void* countedAllocateNoThrow(std::size_t size) noexcept {
    try {
        return countedAllocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace TenvikTest::detail

size_t TenvikTest::allocationCount() { return detail::threadAllocations().count; }
int64_t TenvikTest::heapBytesInUse() { return detail::threadAllocations().heapBytes; }
int64_t TenvikTest::heapPeak() { return detail::threadAllocations().heapPeak; }
void TenvikTest::resetHeapPeak() {
    detail::threadAllocations().heapPeak = detail::threadAllocations().heapBytes;
}

namespace TenvikTest {

// While it lives, the allowed-th and every later allocation on this thread fails.
class AllocationFailure {
public:
    explicit AllocationFailure(size_t allowed) {
        detail::threadAllocations().failingFrom = detail::threadAllocations().count + allowed;
    }
    ~AllocationFailure() { detail::threadAllocations().failingFrom = static_cast<size_t>(-1); }
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
};

}  // namespace TenvikTest

#if TENVIK_COUNT_MALLOC
extern "C" void* malloc(std::size_t size) noexcept {
    return TenvikTest::detail::countAllocation() ? __libc_malloc(size) : nullptr;
}
extern "C" void* calloc(std::size_t count, std::size_t size) noexcept {
    return TenvikTest::detail::countAllocation() ? __libc_calloc(count, size) : nullptr;
}
extern "C" void* realloc(void* block, std::size_t size) noexcept {
    return TenvikTest::detail::countAllocation() ? __libc_realloc(block, size) : nullptr;
}
extern "C" void free(void* block) noexcept { __libc_free(block); }
#endif

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
