// Makes the global operator new of a test program throw std::bad_alloc, so a
// test can check that an allocation failure never leaves a library call as an
// exception. Linking this file replaces operator new for the whole program.
#pragma once

namespace testsupport {

// While on, every operator new of the calling thread throws std::bad_alloc.
void FailAllocations(bool on);
// How many allocations failed since the program started.
long FailedAllocations();

// Turns failing on for one scope.
struct AllocationsFail {
    AllocationsFail() { FailAllocations(true); }
    ~AllocationsFail() { FailAllocations(false); }
    AllocationsFail(const AllocationsFail&) = delete;
    AllocationsFail& operator=(const AllocationsFail&) = delete;
};

} // namespace testsupport
