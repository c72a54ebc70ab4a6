// The picture interface every picture resource offers whatever its format:
// lock a frame of an entry, read sizes, unlock.
#pragma once

#include <cstdint>

class TPicture {
public:
    virtual ~TPicture() = default;
    virtual int Lock(int32_t frame, int32_t entry) = 0;
    virtual int Unlock() = 0;
    virtual int32_t GetWidthOf(int32_t frame, int32_t entry) = 0;
    virtual int32_t GetWidth() = 0;
    virtual int32_t GetHeightOf(int32_t frame, int32_t entry) = 0;
    virtual int32_t GetHeight() = 0;
};
