// A RIFF file read through the swap file: finds the first "RIFF" (bytes may
// precede it) and locates chunks, walking them by their sizes, with a byte
// scan for an id as the fallback.
#pragma once

#include "foundation/TResource.h"

#include <cstdint>

class TRiffFile : public TResource {
public:
    struct Chunk {
        int64_t offset = -1; // first byte after the size; -1 when not found
        uint32_t size = 0;
        bool Found() const { return offset >= 0; }
    };

    TRiffFile() = default;
    explicit TRiffFile(const char* name) : TResource(name) {}

    // Scans from `offset` for "RIFF", then reads the size and the form type;
    // `offset` ends after the form type. False when the file ends first.
    bool FindRiff(int64_t& offset);
    // Scans from `offset` byte by byte for `id`, then reads the chunk size;
    // `offset` ends after the size.
    bool Descend(const char* id, int64_t& offset);
    // Walks the chunks from `offset` to the file's end by their sizes (odd
    // sizes padded), remembering the first chunk of each of `ids`.
    void WalkChunks(int64_t offset, const char* const* ids, Chunk* found, int count);
    uint32_t GetChunkSize() const { return chunkSize_; }
    uint32_t GetFormType() const { return formType_; }

    // Reads `count` bytes at `offset`; the bytes read.
    int32_t ReadAt(int64_t offset, void* out, int32_t count);

protected:
    bool ScanFor(const char* id, int64_t& offset);

    uint32_t chunkId_ = 0;
    uint32_t chunkSize_ = 0;
    uint32_t formType_ = 0;
};

uint32_t FourCC(const char* id);
