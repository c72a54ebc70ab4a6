// The library's replaceable allocator and its small fill and copy helpers.
// Every block the library allocates goes through the hooks, so the engine can
// route them through its own allocator (which frees cached data when short).
#pragma once

#include <cstddef>
#include <cstdint>

typedef void* (*GdlAllocFunc)(size_t size);
typedef void (*GdlFreeFunc)(void* block);

void* GDL_malloc(size_t size);
void GDL_free(void* block);
// count x size bytes zeroed; null when the product overflows or allocation fails.
void* GDL_calloc(size_t count, size_t size);
// Installs an allocator pair; a null member keeps the default for that side.
void GDL_setMemoryFuncs(GdlAllocFunc allocate, GdlFreeFunc release);
void GDL_resetMemoryFuncs();

// Byte, 16-bit and 32-bit cell fills; `count` is in cells. Destinations need
// no alignment.
void GDL_memset(void* dest, int value, size_t count);
void GDL_memset8(void* dest, int value, size_t count);
void GDL_memset16(void* dest, uint16_t value, size_t count);
void GDL_memset32(void* dest, uint32_t value, size_t count);
// Non-overlapping byte copies.
void GDL_memcpy(void* dest, const void* src, size_t count);
void GDL_memcpyAlignSrc(void* dest, const void* src, size_t count);
void GDL_memcpyAlignDst(void* dest, const void* src, size_t count);
