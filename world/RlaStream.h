// The seekable byte stream that RLA containers read and write through.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class RlaStream : public TObject {
public:
    ~RlaStream() override = default;
    virtual void Close() = 0;
    // Whole blocks only: the result is `count` when the block was transferred, else 0.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    virtual uint32_t Write(const void* buffer, uint32_t count) = 0;
    virtual int64_t Size() = 0; // -1 when unknown
    virtual int64_t Tell() = 0; // -1 when unknown
    virtual bool Seek(int64_t position) = 0;
};
