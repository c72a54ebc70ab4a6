// Copies rectangles between device contexts while changing the brightness of
// every pixel by a level (256 unchanged, lower darker, higher brighter), one
// table lookup per channel or per 15/16-bit pixel.
#pragma once

#include "foundation/TNamedObj.h"
#include "gdl/dc.h"

#include <cstdint>

class TImgAdj : public TNamedObj {
public:
    TImgAdj();
    ~TImgAdj() override;

    void SetLevel(int32_t level) { level_ = level; }
    int32_t Level() const { return level_; }

    // Copies (left, top)-(right, bottom) of `source` to (x, y) of `dest`,
    // clipped to both contexts.
    void Blit(GdlDeviceContext* dest, GdlDeviceContext* source, int32_t left, int32_t top,
              int32_t right, int32_t bottom, int32_t x, int32_t y);
    // Rebuilds the tables when level, depth or pixel format changed.
    virtual void Rebuild();

    bool TablesValid() const { return valid_ != 0; }
    const uint16_t* PixelTable() const { return pixelTable_; }
    const uint8_t* ChannelTable() const { return channelTable_; }

private:
    void Refresh(int32_t depth, const GdlPixelFormat& format);
    void Copy(GdlDeviceContext* dest, GdlDeviceContext* source, int32_t left, int32_t top,
              int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t depth);

    int32_t level_ = 256;
    int32_t builtLevel_ = 256;
    int32_t builtDepth_ = 0;
    GdlPixelFormat builtFormat_{};
    uint16_t* pixelTable_ = nullptr;
    uint8_t* channelTable_ = nullptr;
    uint32_t valid_ = 0;
    // 15/16-bit pixels are worked out in vector lanes instead of looked up.
    bool lanes_ = false;
};
