#include "media/sound/TRiffFile.h"

#include "platform/ByteStream.h"

#include <cstring>

uint32_t FourCC(const char* id) {
    return platform::ByteReader(id, 4).U32();
}

int32_t TRiffFile::ReadAt(int64_t offset, void* out, int32_t count) {
    if (offset < 0 || offset > INT32_MAX) return 0;
    if (Seek(static_cast<int32_t>(offset), 0) < 0) return 0;
    const int32_t n = Read(out, count);
    return n > 0 ? n : 0;
}

bool TRiffFile::ScanFor(const char* id, int64_t& offset) {
    uint8_t window[4096];
    for (int64_t at = offset;;) {
        const int32_t n = ReadAt(at, window, sizeof window);
        if (n < 4) return false;
        for (int32_t i = 0; i + 4 <= n; ++i)
            if (std::memcmp(window + i, id, 4) == 0) {
                offset = at + i + 4;
                return true;
            }
        at += n - 3;
    }
}

bool TRiffFile::FindRiff(int64_t& offset) {
    if (!ScanFor("RIFF", offset)) return false;
    uint8_t header[8];
    if (ReadAt(offset, header, 8) < 8) return false;
    platform::ByteReader r(header, 8);
    chunkId_ = FourCC("RIFF");
    chunkSize_ = r.U32();
    formType_ = r.U32();
    offset += 8;
    return true;
}

bool TRiffFile::Descend(const char* id, int64_t& offset) {
    if (!ScanFor(id, offset)) return false;
    uint8_t size[4];
    if (ReadAt(offset, size, 4) < 4) return false;
    chunkId_ = FourCC(id);
    chunkSize_ = platform::ByteReader(size, 4).U32();
    offset += 4;
    return true;
}

void TRiffFile::WalkChunks(int64_t offset, const char* const* ids, Chunk* found, int count) {
    const int64_t end = GetSize();
    while (offset + 8 <= end) {
        uint8_t header[8];
        if (ReadAt(offset, header, 8) < 8) return;
        platform::ByteReader r(header, 8);
        const uint32_t id = r.U32(), size = r.U32();
        for (int i = 0; i < count; ++i)
            if (!found[i].Found() && id == FourCC(ids[i])) found[i] = Chunk{offset + 8, size};
        offset += 8 + int64_t{size} + (size & 1);
    }
}
