// The replaceable allocator and the fill and copy helpers.
#include "gdl/memory.h"

#include <cstdlib>
#include <cstring>

namespace {

void* defaultAlloc(size_t size) {
    return std::malloc(size);
}
void defaultFree(void* block) {
    std::free(block);
}

GdlAllocFunc g_alloc = defaultAlloc;
GdlFreeFunc g_free = defaultFree;

} // namespace

void* GDL_malloc(size_t size) {
    return g_alloc(size);
}

void GDL_free(void* block) {
    if (block) g_free(block);
}

void* GDL_calloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    size_t total = count * size;
    void* block = g_alloc(total);
    if (block) std::memset(block, 0, total);
    return block;
}

void GDL_setMemoryFuncs(GdlAllocFunc allocate, GdlFreeFunc release) {
    g_alloc = allocate ? allocate : defaultAlloc;
    g_free = release ? release : defaultFree;
}

void GDL_resetMemoryFuncs() {
    g_alloc = defaultAlloc;
    g_free = defaultFree;
}

void GDL_memset(void* dest, int value, size_t count) {
    GDL_memset8(dest, value, count);
}

void GDL_memset8(void* dest, int value, size_t count) {
    std::memset(dest, value, count);
}

void GDL_memset16(void* dest, uint16_t value, size_t count) {
    uint8_t* out = static_cast<uint8_t*>(dest);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(out + 2 * i, &value, 2);
}

void GDL_memset32(void* dest, uint32_t value, size_t count) {
    uint8_t* out = static_cast<uint8_t*>(dest);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(out + 4 * i, &value, 4);
}

// The alignment variants existed for speed on old processors; the result is
// the same byte copy.
void GDL_memcpy(void* dest, const void* src, size_t count) {
    if (count) std::memcpy(dest, src, count);
}
void GDL_memcpyAlignSrc(void* dest, const void* src, size_t count) {
    GDL_memcpy(dest, src, count);
}
void GDL_memcpyAlignDst(void* dest, const void* src, size_t count) {
    GDL_memcpy(dest, src, count);
}
