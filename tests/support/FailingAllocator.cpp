#include "FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

thread_local bool failing = false;
std::atomic<long> failures{0};

void* Allocate(std::size_t size) {
    if (failing) {
        ++failures;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* AllocateQuietly(std::size_t size) noexcept {
    if (failing) {
        ++failures;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

} // namespace

namespace testsupport {

void FailAllocations(bool on) {
    failing = on;
}

long FailedAllocations() {
    return failures.load();
}

} // namespace testsupport

// Aligned forms are left to the library: nothing under test asks for them.
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateQuietly(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateQuietly(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
