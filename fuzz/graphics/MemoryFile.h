// File hooks over one block of memory, so a fuzzer hands its input to a reader
// as if it were a file. Every name opens the same block.
#pragma once

#include "gdl/bitmap.h"

#include <cstdint>
#include <algorithm>
#include <cstring>

namespace fuzzfile {

struct MemoryFile {
    const uint8_t* data = nullptr;
    size_t size = 0;
    long pos = 0;
};

inline MemoryFile& Current() {
    static MemoryFile file;
    return file;
}

inline void* Open(const char*, const char*) {
    static MemoryFile stream;
    stream = Current();
    stream.pos = 0;
    return &stream;
}
inline int Close(void*) {
    return 0;
}
inline int Seek(void* s, long offset, int origin) {
    auto* f = static_cast<MemoryFile*>(s);
    long base = origin == 0 ? 0 : origin == 1 ? f->pos : static_cast<long>(f->size);
    if (origin < 0 || origin > 2 || offset < -base) return -1;
    f->pos = base + offset;
    return 0;
}
inline long Tell(void* s) {
    return static_cast<MemoryFile*>(s)->pos;
}
inline size_t Read(void* buffer, size_t size, size_t count, void* s) {
    auto* f = static_cast<MemoryFile*>(s);
    if (size == 0 || f->pos >= static_cast<long>(f->size)) return 0;
    size_t items = std::min(count, (f->size - static_cast<size_t>(f->pos)) / size);
    std::memcpy(buffer, f->data + f->pos, items * size);
    f->pos += static_cast<long>(items * size);
    return items;
}
inline size_t Write(const void*, size_t, size_t, void*) {
    return 0;
}

// Points the library's file hooks at `data`.
inline void Use(const uint8_t* data, size_t size) {
    Current() = MemoryFile{data, size, 0};
    GDL_fileHooks = GdlFileHooks{Open, Close, Seek, Tell, Read, Write};
}

} // namespace fuzzfile
