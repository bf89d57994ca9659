#pragma once

#include <cstddef>

namespace TenvikTest {

// Number of allocations (operator new, and malloc where counted) on this thread so far. Defined, with the replacement of the
// global allocation functions, by one source file of the test program that uses it.
size_t allocationCount();

// Counts the allocations made between construction and `count()`.
class AllocationScope {
public:
    AllocationScope() : start(allocationCount()) {}
    size_t count() const { return allocationCount() - start; }

private:
    size_t start;
};

}  // namespace TenvikTest
