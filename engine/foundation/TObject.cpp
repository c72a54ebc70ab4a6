#include "foundation/TObject.h"

#include "foundation/TCache.h"
#include "foundation/TServices.h"

#include <atomic>
#include <cstdlib>

namespace {

void* RuntimeHeap(size_t size) {
    return std::malloc(size);
}

std::atomic<EngineHeapFn> heapFn{&RuntimeHeap};

} // namespace

void EngineSetHeapForTests(EngineHeapFn heap) {
    heapFn.store(heap ? heap : &RuntimeHeap);
}

void* EngineHeapTry(size_t size) noexcept {
    return heapFn.load()(size);
}

void* EngineAlloc(size_t size) noexcept {
    if (size == 0) return nullptr;
    if (void* block = EngineHeapTry(size)) return block;
    // Cached file data is the only memory the engine can give back on demand;
    // without an engine there is none to give.
    TCache* cache = Services().cache;
    if (!cache) return nullptr;
    int32_t want = size > 0x7fffffff ? 0x7fffffff : static_cast<int32_t>(size);
    cache->MakeRoom(want, 1, TCache::kNoHandle);
    return EngineHeapTry(size);
}

void EngineFree(void* block) noexcept {
    std::free(block);
}
