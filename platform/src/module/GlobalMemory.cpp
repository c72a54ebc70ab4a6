// Global memory blocks. Fixed blocks are their own handles; movable ones get
// a record as handle, whose lock count GlobalLock and GlobalUnlock keep. The
// memory itself never moves. The mixer allocates from its timer thread too,
// so every call takes the table's lock.
#include "../kernel/OutOfMemory.h"
#include "platform/Module.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct Block {
    void* memory = nullptr;
    size_t size = 0;
    bool movable = false;
    int locks = 0;
};

struct Table {
    std::mutex lock;
    std::map<HGLOBAL, std::unique_ptr<Block>> byHandle;
    std::map<const void*, HGLOBAL> byPointer;
};

Table& GetTable() {
    static Table* table = new Table; // blocks may be freed from static destructors
    return *table;
}

Block* Find(Table& t, HGLOBAL handle) {
    auto it = t.byHandle.find(handle);
    return it == t.byHandle.end() ? nullptr : it->second.get();
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    return platform::OrOutOfMemory<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        auto block = std::make_unique<Block>();
        block->size = bytes;
        block->movable = (flags & GMEM_MOVEABLE) != 0;
        // A movable block of no bytes exists but has no memory, as a discarded
        // block has; everything else gets at least one byte.
        if (!(block->movable && bytes == 0)) {
            const size_t n = bytes ? bytes : 1;
            block->memory = (flags & GMEM_ZEROINIT) ? std::calloc(n, 1) : std::malloc(n);
            if (!block->memory) return nullptr;
        }
        HGLOBAL handle = block->movable ? static_cast<HGLOBAL>(block.get()) : block->memory;
        Table& t = GetTable();
        std::lock_guard guard(t.lock);
        if (block->memory) t.byPointer[block->memory] = handle;
        t.byHandle[handle] = std::move(block);
        return handle;
    });
}

LPVOID GlobalLock(HGLOBAL handle) {
    Table& t = GetTable();
    std::lock_guard guard(t.lock);
    Block* b = Find(t, handle);
    if (!b || !b->memory) return nullptr;
    if (b->movable && b->locks < 255) ++b->locks;
    return b->memory;
}

BOOL GlobalUnlock(HGLOBAL handle) {
    Table& t = GetTable();
    std::lock_guard guard(t.lock);
    Block* b = Find(t, handle);
    if (!b || !b->movable) return FALSE;
    if (b->locks > 0) --b->locks;
    return b->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalHandle(LPCVOID pointer) {
    Table& t = GetTable();
    std::lock_guard guard(t.lock);
    auto it = t.byPointer.find(pointer);
    return it == t.byPointer.end() ? nullptr : it->second;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    if (!handle) return nullptr;
    Table& t = GetTable();
    std::unique_ptr<Block> block;
    {
        std::lock_guard guard(t.lock);
        auto it = t.byHandle.find(handle);
        if (it == t.byHandle.end()) return handle;
        block = std::move(it->second);
        t.byHandle.erase(it);
        if (block->memory) t.byPointer.erase(block->memory);
    }
    std::free(block->memory);
    return nullptr;
}

size_t GlobalSize(HGLOBAL handle) {
    Table& t = GetTable();
    std::lock_guard guard(t.lock);
    Block* b = Find(t, handle);
    return b ? b->size : 0;
}
