// The replaceable allocator and the fill and copy helpers.
#include "gdl/memory.h"
#include "library_state.h"

#include <cstdlib>
#include <cstring>

namespace gdl_internal {

void* defaultAlloc(size_t size) {
    return std::malloc(size);
}
void defaultFree(void* block) {
    std::free(block);
}

} // namespace gdl_internal

using gdl_internal::defaultAlloc;
using gdl_internal::defaultFree;

void* GDL_malloc(size_t size) {
    return gdl_internal::state().alloc(size);
}

void GDL_free(void* block) {
    if (block) gdl_internal::state().release(block);
}

void* GDL_calloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    size_t total = count * size;
    void* block = gdl_internal::state().alloc(total);
    if (block) std::memset(block, 0, total);
    return block;
}

void GDL_setMemoryFuncs(GdlAllocFunc allocate, GdlFreeFunc release) {
    gdl_internal::state().alloc = allocate ? allocate : defaultAlloc;
    gdl_internal::state().release = release ? release : defaultFree;
}

void GDL_resetMemoryFuncs() {
    gdl_internal::state().alloc = defaultAlloc;
    gdl_internal::state().release = defaultFree;
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
