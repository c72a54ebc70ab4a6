// Delta animations ("dla"), the engine's own format: frames stored as per-row
// differences of 32-bit words against the previous frame, each frame a byte
// count and its encoded rows, and a 68-byte trailer at the end of the file
// with the pixel format, rate, size, depth and frame count. Read frame after
// frame for playback; written frame by frame by the screen capture.
#pragma once

#include "foundation/TFile.h"
#include "gdl/pixelformat.h"
#include "media/animation/TAniRes.h"

#include <cstdint>

class TDeltaAni : public virtual TAniRes {
public:
    static constexpr int32_t kTrailerSize = 68;
    static constexpr int32_t kMaxSide = 32767;

    TDeltaAni();
    ~TDeltaAni() override;

    using TResource::Open;
    // Only the first open of a resource with a path succeeds; 1 reads the
    // trailer and prepares the buffers, 2 creates the file.
    int Open(int32_t mode);
    // Writes the trailer of a recording, closes the file (it stays on disk)
    // and frees the buffers.
    int Close() override;
    // Index 0 starts again from the first frame; any other reads the next.
    int ReadFrame(int32_t index);
    // Stores the base's picture; index 0 (or the first frame written) as a
    // full frame, which also fixes the size of the recording.
    int WriteFrame(int32_t index);

    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    int32_t GetFrameCount() const { return count_; }
    void SetRate(float fps) {
        if (fps != rate_) rate_ = fps;
    }
    float GetRate() const { return rate_; }
    bool IsOpenDelta() const { return file_ != nullptr; }

    // Reads size, depth, rate and count from the trailer of the file at the
    // resource's path without reporting anything (while closed only).
    void ReadHeader();

protected:
    struct Trailer {
        GdlPixelFormat format{};
        float rate = 0.0f;
        int32_t width = 0, height = 0, bits = 0, count = 0;
    };
    // False for a trailer no frame of this format can come from.
    static bool ParseTrailer(const uint8_t* bytes, Trailer* out);
    void TakeTrailer(const Trailer& t);
    bool OpenRead();
    bool Allocate(bool forReading);
    void FreeBuffers();
    void Corrupt(int32_t line);
    void Describe();
    bool TakeSize(const GdlBitmap& picture);
    bool SameSize(const GdlBitmap& picture) const;
    int32_t RowBytes() const;

    TFile* file_ = nullptr;
    int32_t openMode_ = 0;
    uint8_t* frame_ = nullptr;
    uint32_t* previous_ = nullptr;
    uint8_t* rows_ = nullptr;
    int64_t rowsCapacity_ = 0;
    int64_t encodedSize_ = 0;
    int32_t words_ = 0;
    int32_t current_ = 0;
    int32_t count_ = 0;
    float rate_ = 0.0f;
    int32_t width_ = 0, height_ = 0, bits_ = 0;
    GdlPixelFormat format_{};
    GdlBitmap record_{};
    int64_t dataEnd_ = 0;  // where the frames end and the trailer begins
    int64_t framePos_ = 0; // file position of the next frame
};
