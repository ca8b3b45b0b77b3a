// Counting the allocations of a stretch of code. A test program that links
// tests/support/AllocationCount.cpp has its operators new replaced by ones
// that count while a TAllocationCount lives.
#pragma once

class TAllocationCount {
public:
    TAllocationCount();
    ~TAllocationCount();
    TAllocationCount(const TAllocationCount&) = delete;
    TAllocationCount& operator=(const TAllocationCount&) = delete;

    // The allocations since this counter was made.
    long Count() const;
};
