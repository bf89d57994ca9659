#pragma once

#include <cstddef>
#include <cstdint>

namespace TenvikTest {

// Number of allocations (operator new, and malloc where counted) on this thread so far. Defined, with the replacement of the
// global allocation functions, by one source file of the test program that uses it.
size_t allocationCount();

// Bytes this thread holds through operator new: what it allocated less what it released (so
// it may go below 0 when it frees blocks of another thread). Defined with `allocationCount`.
int64_t heapBytesInUse();
// The most `heapBytesInUse` has been since the last `resetHeapPeak`.
int64_t heapPeak();
void resetHeapPeak();

// Counts the allocations made between construction and `count()`.
class AllocationScope {
public:
    AllocationScope() : start(allocationCount()) {}
    size_t count() const { return allocationCount() - start; }

private:
    size_t start;
};

}  // namespace TenvikTest
