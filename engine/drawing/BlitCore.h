// What both software blitters share: the background they read, clipping of
// the drawn area, the float sampling walk, and the resampling buffer that
// holds a picture scaled to the drawn size.
#pragma once

#include "drawing/PixelFormats.h"

#include <cstdint>
#include <cstring>

struct GdlDeviceContext;

namespace blitcore {

// The frame being composed, as the blitters read it.
struct TBackground {
    uint8_t* surface;
    int32_t pitch;
    int32_t width;
    int32_t height;
    int32_t depth;
};

// Null without a context or without a surface.
bool ReadBackground(GdlDeviceContext* dc, TBackground& out);

// The drawn part of a target of width x height placed at (x, y) on the
// background and at (dstX, dstY) in the destination, in target coordinates:
// target pixel (col, row) lands on background (x + col, y + row) and on
// destination (dstX + col, dstY + row). False when nothing is left.
struct TClip {
    int32_t col0;
    int32_t row0;
    int32_t cols;
    int32_t rows;
};
bool ClipTarget(int32_t width, int32_t height, int32_t x, int32_t y, const TBackground& bg,
                int32_t dstX, int32_t dstY, int32_t dstWidth, int32_t dstHeight, TClip& out);

// What every blit carries: destination, picture, target size and place,
// the background and the drawn part.
struct TBlitJob {
    uint8_t* dst;
    int32_t dstPitch, dstX, dstY;
    const uint8_t* src;
    int32_t srcPitch, srcWidth, srcHeight;
    int32_t width, height;
    TBackground bg;
    int32_t x, y; // the target's place on the background
    TClip clip;
    // The source and line reported when the resampling buffer cannot be had.
    const char* source;
    int32_t line;
};

// Fills the job (its reports name the canvas); false when there is nothing
// to draw (no background, null pixels, an empty picture, nothing left after
// clipping).
bool PrepareJob(TBlitJob& job, GdlDeviceContext* main, uint8_t* dst, const uint8_t* src,
                int32_t srcPitch, int32_t srcWidth, int32_t srcHeight, int32_t dstPitch,
                int32_t dstWidth, int32_t dstHeight, int32_t width, int32_t height, int32_t x,
                int32_t y, int32_t dstX, int32_t dstY);

// A resampling buffer of the whole target in a layout of `bytes` per pixel,
// its column map after it, or null after reporting error 9 with the job's
// source and line. Free it with TCanvasBlit::FreeBuffer.
struct TScaledBuffer {
    uint8_t* pixels;
    int32_t pitch;
    int32_t* columns;
};
bool AllocScaled(const TBlitJob& job, int32_t bytes, TScaledBuffer& out);

// Makes the context current and brackets direct pixel access; the context
// stays current afterwards.
class TPixelAccess {
public:
    explicit TPixelAccess(GdlDeviceContext* dc);
    ~TPixelAccess();
    TPixelAccess(const TPixelAccess&) = delete;
    TPixelAccess& operator=(const TPixelAccess&) = delete;
};

// A sampling position to a pixel index: add a double 0.5, truncate.
template <class Acc> inline int32_t Round(Acc acc) {
    return static_cast<int32_t>(static_cast<double>(acc) + 0.5);
}

inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// The two ways of building a resampling buffer: the alpha blitter's (whole
// runs then one run for the rest; rows run out when fewer than the factor
// remain) and the keyed blitter's (runs but the last, then one by one; rows
// run out when the factor reaches the end; a reduced direction of an
// enlargement sampled one by one).
enum class TScaleRule { Alpha, Keyed };

// The picture S scaled to width x height pixels of layout M in `buf`, rows
// `bufPitch` apart. Every row samples the same columns, so the column walk
// runs once into `columns` (width entries); every picture index is clamped
// to the picture. Acc is the accumulator's precision.
template <class Acc, class S, class M> class TScaler {
public:
    TScaler(const uint8_t* src, int32_t srcPitch, int32_t srcWidth, int32_t srcHeight,
            int32_t width, int32_t height, TScaleRule rule)
        : src_(src), srcPitch_(srcPitch), srcWidth_(srcWidth), srcHeight_(srcHeight), width_(width),
          height_(height), rule_(rule),
          xStep_(static_cast<float>(srcWidth) / static_cast<float>(width)),
          yStep_(static_cast<float>(srcHeight) / static_cast<float>(height)),
          kx_(static_cast<int32_t>(1.0f / xStep_)), ky_(static_cast<int32_t>(1.0f / yStep_)) {}

    void Build(uint8_t* buf, int32_t bufPitch, int32_t* columns) const {
        const bool runs = kx_ < 2 && ky_ < 2;
        if (!runs)
            RepeatColumns(columns);
        else if (rule_ == TScaleRule::Alpha)
            AlphaRunColumns(columns);
        else
            KeyedRunColumns(columns);
        for (int32_t x = 0; x < width_; ++x)
            columns[x] = Clamp(columns[x], 0, srcWidth_ - 1);
        if (runs)
            RowsOneByOne(buf, bufPitch, columns);
        else
            RepeatRows(buf, bufPitch, columns);
    }

private:
    // A whole number of steps in the accumulator's precision: a double walk
    // keeps 25 x 0.04f just below 1, so the walk rounds up and repeats once
    // more there.
    static Acc Times(int32_t count, float step) {
        return static_cast<Acc>(count) * static_cast<Acc>(step);
    }

    void Gather(uint8_t* out, Acc pos, const int32_t* columns) const {
        const uint8_t* row =
            src_ + static_cast<intptr_t>(Clamp(Round(pos), 0, srcHeight_ - 1)) * srcPitch_;
        for (int32_t x = 0; x < width_; ++x)
            M::Store(out + x * M::kBytes,
                     pixfmt::Convert<S, M>(
                         S::Load(row + static_cast<intptr_t>(columns[x]) * S::kBytes)));
    }

    // `count` consecutive picture columns from `col`.
    static void Run(int32_t* columns, int32_t x, int32_t col, int32_t count) {
        for (int32_t k = 0; k < count; ++k)
            columns[x + k] = col + k;
    }

    int32_t RunLength() const {
        return width_ == srcWidth_ ? width_ : width_ / (width_ - srcWidth_);
    }

    void AlphaRunColumns(int32_t* columns) const {
        const int32_t n = RunLength();
        Acc accX = 0;
        int32_t x = 0;
        for (int32_t k = width_ / n; k > 0; --k, x += n) {
            Run(columns, x, Round(accX), n);
            accX += static_cast<float>(n) * xStep_;
        }
        Run(columns, x, Round(accX), width_ % n);
    }

    void KeyedRunColumns(int32_t* columns) const {
        const int32_t q = RunLength();
        Acc accX = 0;
        int32_t x = 0;
        if (q > 0)
            for (int32_t k = width_ / q - 1; k > 0; --k, x += q) {
                Run(columns, x, Round(accX), q);
                accX += Times(q, xStep_);
            }
        for (; x < width_; ++x) {
            columns[x] = Round(accX);
            accX += xStep_;
        }
    }

    // Each picture column kx times, once more when the walk rounds up; never
    // past the row.
    void RepeatColumns(int32_t* columns) const {
        Acc accX = 0;
        int32_t x = 0;
        while (x < width_) {
            const int32_t col = Round(accX);
            if (kx_ == 0) { // a reduced direction: columns one by one
                columns[x++] = col;
                accX += xStep_;
                continue;
            }
            for (int32_t k = 0; k < kx_ && x < width_; ++k)
                columns[x++] = col;
            accX += Times(kx_, xStep_);
            if (static_cast<int32_t>(accX) < Round(accX)) {
                if (x < width_) columns[x++] = col;
                accX += xStep_;
            }
        }
    }

    void RowsOneByOne(uint8_t* buf, int32_t bufPitch, const int32_t* columns) const {
        Acc accY = 0;
        for (int32_t i = 0; i < height_; ++i) {
            Gather(buf + static_cast<intptr_t>(i) * bufPitch, accY, columns);
            accY += yStep_;
        }
    }

    void RepeatRow(uint8_t* buf, int32_t bufPitch, int32_t from, int32_t to) const {
        std::memcpy(buf + static_cast<intptr_t>(to) * bufPitch,
                    buf + static_cast<intptr_t>(from) * bufPitch,
                    static_cast<size_t>(width_) * M::kBytes);
    }

    // Each built row ky times, once more when the walk rounds up; never past
    // the buffer. Near the end the last built row fills the rest.
    void RepeatRows(uint8_t* buf, int32_t bufPitch, const int32_t* columns) const {
        Acc accY = 0;
        int32_t written = 0;
        while (written < height_) {
            const int32_t built = written;
            Gather(buf + static_cast<intptr_t>(built) * bufPitch, accY, columns);
            ++written;
            if (ky_ == 0) { // a reduced direction: rows one by one
                accY += yStep_;
                continue;
            }
            for (int32_t k = 1; k < ky_ && written < height_; ++k)
                RepeatRow(buf, bufPitch, built, written++);
            accY += Times(ky_, yStep_);
            if (static_cast<int32_t>(accY) < Round(accY)) {
                if (written < height_) RepeatRow(buf, bufPitch, built, written++);
                accY += yStep_;
            }
            const bool lastRows =
                rule_ == TScaleRule::Alpha ? height_ - written < ky_ : written + ky_ >= height_;
            if (lastRows)
                while (written < height_)
                    RepeatRow(buf, bufPitch, built, written++);
        }
    }

    const uint8_t* src_;
    int32_t srcPitch_, srcWidth_, srcHeight_, width_, height_;
    TScaleRule rule_;
    float xStep_, yStep_;
    int32_t kx_, ky_;
};

} // namespace blitcore
