// A run-length sprite of 16-bit pixels, frame type 1 of the RLA container.
//
// Record after the tag: data size S, width, height, reserved, x, y (32-bit
// each), then S data bytes: one row-offset word per row (the distance from
// that word to the row's first run word), then the rows. A row is a run of
// 16-bit words: low byte pixels to skip, high byte n opaque pixels that
// follow the word; a word of 0 ends the row.
//
// The record is checked once when it loads, so that drawing walks it without
// any test: every row offset, run word and pixel lies in the data and no row
// passes the width.
#pragma once

#include "RlaFrame.h"

#include <cstdint>
#include <cstring>

class RleSprite16 : public RlaFrame {
public:
    static constexpr int32_t kType = 1;
    static constexpr uint32_t kTag = 0x00010001;
    static constexpr int32_t kHeaderSize = 24;
    static constexpr int32_t kMaxSide = 32767;

    RleSprite16() = default;
    ~RleSprite16() override;
    RleSprite16(const RleSprite16&) = delete;
    RleSprite16& operator=(const RleSprite16&) = delete;

    // The decoder of frame type 1: a new sprite, or null when the record is refused.
    static RlaFrame* Decode(RlaStream* stream, uint32_t version);

    // Converts the pixels to 5:5:5 when the display works with 5:5:5.
    bool Load(RlaStream* stream, uint32_t version) override;
    // False for a sprite converted to 5:5:5: the file format holds 5:6:5.
    bool Save(RlaStream* stream) override;
    uint32_t Tag() const override { return kTag; }

    // Whether `other` draws the same pixels at the same place: same offsets,
    // size and data (a frame repeated in an animation).
    bool SamePicture(const RleSprite16& other) const;
    // Whether pixel x of row y is opaque; y must lie inside the sprite.
    bool IsOpaqueAt(int32_t x, int32_t y) const;
    // The first run word of row y (valid rows only).
    const uint8_t* RowRuns(int32_t y) const {
        uint32_t offset;
        std::memcpy(&offset, data_ + 4 * static_cast<uint32_t>(y), 4);
        return data_ + 4 * static_cast<uint32_t>(y) + offset;
    }
    // The first row of the sprite's opaque lower part: that row and every
    // row below it are opaque across the whole width (the height when the
    // last row is not), so whatever lies behind them is never seen.
    int32_t OpaqueFrom() const { return opaqueFrom_; }
    const uint8_t* Data() const { return data_; }
    bool Is555() const { return is555_; }

    uint32_t dataSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t reserved = 0;
    int32_t x = 0;
    int32_t y = 0;

private:
    bool LoadRecord(RlaStream* stream);
    bool ReadHeader(RlaStream* stream);
    bool CheckRows(bool convert);
    void Free();

    uint8_t* data_ = nullptr;
    int32_t opaqueFrom_ = 0;
    bool is555_ = false;
};

// Reads one 16-bit little-endian word from anywhere (rows need not be aligned).
inline uint16_t LoadWord(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}
