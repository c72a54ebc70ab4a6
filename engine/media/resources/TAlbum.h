// A picture album (ALB): a directory of entries, each a strip of equally
// sized frames, one shared palette and the pixels, stored or packed. The
// header and tables are read once; frames are read one at a time and
// described as the graphics library's bitmap record, so that a frame draws
// like any picture. Also the base of pixel fonts.
#pragma once

#include "gdl/bitmap.h"
#include "gdl/pixelformat.h"
#include "media/resources/TPictureRes.h"

#include <cstdint>

class TAlbum : public virtual TResource, public virtual TPictureRes {
public:
    static constexpr int32_t kHeaderSize = 255;
    static constexpr int32_t kEntrySize = 64;
    static constexpr uint32_t kLoaded = 1;
    static constexpr uint32_t kFrameHeld = 2;
    // Zeroed bytes behind every frame the album allocates, so that a reader
    // of `width` pixels on the last row of a frame whose width is not a
    // multiple of 4 stays inside the block.
    static constexpr int32_t kSlack = 16;

    TAlbum();
    explicit TAlbum(const char* name);
    ~TAlbum() override;

    // Reading the header and tables is the album's update.
    uint32_t Update() override;
    int Load() override;
    // Counted: the first open holds the whole file in memory.
    int Open() override;
    int Close() override;
    int Release() override { return TAlbum::Close(); }

    virtual int ReadPicture(int32_t frame, int32_t entry);
    virtual void FreePicture();
    virtual int32_t GetWidthOf(int32_t frame, int32_t entry);
    virtual int32_t GetWidth();
    virtual int32_t GetHeightOf(int32_t frame, int32_t entry);
    virtual int32_t GetHeight();

    int32_t GetFrameCount(int32_t entry);
    bool IsLoaded();
    uint32_t AlbumFlags() const { return albumFlags_; }
    const GdlBitmap& Picture() const { return picture_; }
    const uint8_t* MemoryImage() const { return image_; }
    int32_t EntryCount() const;
    int32_t BitsPerPixel() const { return header_[4] ? header_[4] : 8; }
    const uint8_t* Header() const { return header_; }
    // The entry's 64-byte directory record, or null.
    const uint8_t* EntryRecord(int32_t entry) const;
    const GdlPaletteEntry* PaletteTable() const { return palette_; }

protected:
    void FreeTables();
    bool ReadTables();
    bool CheckEntries();
    bool ReadPalette(int32_t offset, int32_t size);
    uint8_t* ReadStored(int32_t frame, int32_t entry);
    uint8_t* ReadPacked(int32_t frame, int32_t entry);
    bool DecodeFrame(const uint8_t* packed, int32_t count, const uint8_t* record, uint8_t* out,
                     int32_t capacity);
    uint8_t* NewFrame(int64_t bytes);
    void Corrupt(int32_t line);
    int64_t RowSpan(const uint8_t* record) const;
    // Loaded, or a frame held: path, kind and tables stay until given back.
    bool InUse() const { return loadCount_ > 0 || frame_ != nullptr; }

    uint32_t albumFlags_ = 0;
    uint8_t header_[kHeaderSize] = {};
    int32_t dataStart_ = 0;
    int32_t fileSize_ = 0;
    uint8_t* directory_ = nullptr;
    GdlPaletteEntry* palette_ = nullptr;
    uint8_t* offsets_ = nullptr;
    int32_t offsetCount_ = 0;
    uint8_t* image_ = nullptr;
    uint8_t* frame_ = nullptr;
    bool frameIsBuffer_ = false; // the frame is the swap file's buffer
    GdlBitmap picture_{};
    GdlPixelFormat format_{};
};
