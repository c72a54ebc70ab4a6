// The root of every engine class and the engine's allocator. Running out of
// memory is answered in one place: the allocator asks the handle cache to
// drop cached data and tries once more; callers test for null and report
// error 9 themselves. Nothing here throws.
#pragma once

#include <cstddef>

// Raw engine heap: null for size 0; on failure the handle cache is asked to
// make room (mode 1, no excluded handle) and the allocation is tried once more.
void* EngineAlloc(size_t size) noexcept;
void EngineFree(void* block) noexcept;

// The heap beneath EngineAlloc and beneath the cache's trial allocations. A
// test replaces it to simulate exhaustion; null restores the runtime heap.
using EngineHeapFn = void* (*)(size_t size);
void EngineSetHeapForTests(EngineHeapFn heap);
void* EngineHeapTry(size_t size) noexcept; // one attempt, no make-room

class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;

    // Class-level and noexcept, so a failed `new` yields null (and skips the
    // constructor) instead of throwing.
    static void* operator new(size_t size) noexcept { return EngineAlloc(size); }
    static void* operator new[](size_t size) noexcept { return EngineAlloc(size); }
    static void* operator new(size_t, void* where) noexcept { return where; }
    static void operator delete(void* block) noexcept { EngineFree(block); }
    static void operator delete[](void* block) noexcept { EngineFree(block); }
    static void operator delete(void*, void*) noexcept {}
};
