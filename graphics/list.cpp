// Context lists and item pools. A list node is the caller's block with one
// link word placed just before it, so the node pointer is the block pointer.
#include <cstring>

#include "gdl/driver.h"
#include "gdl/memory.h"
#include "gdl/result.h"
#include "gdl/support.h"

namespace {

// The link sits in a pointer-sized word before the block; the block itself
// keeps the allocator's alignment.
constexpr size_t kLinkSize = alignof(std::max_align_t) > sizeof(void*) ? alignof(std::max_align_t)
                                                                       : sizeof(void*);

void*& link(void* node) {
    return *reinterpret_cast<void**>(static_cast<uint8_t*>(node) - kLinkSize);
}

// A node's address lies past its links. The sentinels carry no payload but
// get one byte all the same, so that their address lies inside their block:
// a leak checker does not take an address one past a block as a reference.
void* allocNode(size_t size) {
    const size_t payload = size ? size : 1;
    uint8_t* raw = static_cast<uint8_t*>(GDL_calloc(1, payload + kLinkSize));
    return raw ? raw + kLinkSize : nullptr;
}

void freeNode(void* node) {
    if (node) GDL_free(static_cast<uint8_t*>(node) - kLinkSize);
}

} // namespace

GdlList* GDL_listCreate() {
    GdlList* list = static_cast<GdlList*>(GDL_calloc(1, sizeof(GdlList)));
    void* head = list ? allocNode(0) : nullptr;
    void* tail = head ? allocNode(0) : nullptr;
    if (!tail) {
        freeNode(head);
        GDL_free(list);
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    list->count = 0;
    list->head = head;
    list->tail = tail;
    link(head) = tail;
    link(tail) = tail;
    return list;
}

void* GDL_listNewNode(size_t size) {
    void* node = allocNode(size);
    if (!node) GDL_setResult(GDL_NO_MEMORY);
    return node;
}

void GDL_listFreeNode(void* node) {
    freeNode(node);
}

void GDL_listInsertAfter(GdlList* list, void* node, void* previous) {
    link(node) = link(previous);
    link(previous) = node;
    ++list->count;
}

void* GDL_listDeleteNext(GdlList* list, void* previous) {
    void* node = link(previous);
    if (node == list->tail) return nullptr;
    link(previous) = link(node);
    --list->count;
    return node;
}

void* GDL_listFirst(const GdlList* list) {
    void* first = link(list->head);
    return first == list->tail ? nullptr : first;
}

void* GDL_listNext(const GdlList* list, void* node) {
    void* next = link(node);
    return next == list->tail ? nullptr : next;
}

void* GDL_listFindPrevious(const GdlList* list, void* node) {
    void* previous = list->head;
    while (link(previous) != list->tail) {
        if (link(previous) == node) return previous;
        previous = link(previous);
    }
    return nullptr;
}

void GDL_listDestroy(GdlList* list, void (*freeNodeFunc)(void* node)) {
    if (!list) return;
    void* node = link(list->head);
    while (node != list->tail) {
        void* next = link(node);
        if (freeNodeFunc) freeNodeFunc(node);
        node = next;
    }
    freeNode(list->head);
    freeNode(list->tail);
    GDL_free(list);
}

// --- Pools -------------------------------------------------------------------------
// A block's first word links blocks; items follow, chained through their first
// word. Items hold at least a pointer, so the chain never overlaps its neighbour.

namespace {
size_t itemStride(const GdlPool* pool) {
    size_t size = size_t(pool->itemSize);
    return size < sizeof(void*) ? sizeof(void*) : size;
}
} // namespace

void GDL_poolCreate(GdlPool* pool, int32_t count, int32_t itemSize) {
    pool->firstBlock = nullptr;
    pool->blockCount = 0;
    pool->itemsPerBlock = count;
    pool->itemSize = itemSize;
    size_t bytes = size_t(count) * itemStride(pool) + sizeof(void*);
    void* block = GDL_calloc(1, bytes);
    if (!block) GDL_fatalError("Not enough memory to create memory pool!");
    pool->firstBlock = block;
    pool->blockCount = 1;
}

void* GDL_poolChain(GdlPool* pool) {
    if (!pool->firstBlock || pool->itemsPerBlock <= 0) return nullptr;
    uint8_t* items = static_cast<uint8_t*>(pool->firstBlock) + sizeof(void*);
    size_t stride = itemStride(pool);
    for (int32_t i = 0; i < pool->itemsPerBlock; ++i) {
        void* next = (i + 1 < pool->itemsPerBlock) ? items + (i + 1) * stride : nullptr;
        std::memcpy(items + i * stride, &next, sizeof(next));
    }
    return items;
}

void GDL_poolDestroy(GdlPool* pool) {
    void* block = pool->firstBlock;
    while (block) {
        void* next;
        std::memcpy(&next, block, sizeof(next));
        GDL_free(block);
        block = next;
    }
    pool->firstBlock = nullptr;
    pool->blockCount = 0;
}
