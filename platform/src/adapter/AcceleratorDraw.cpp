// The accelerator's own drawing, written apart from the library's packed
// renderers so that the two can be set against each other: rectangles and
// spans are half-open, lines take the packed line's pixel count and
// sub-pixel start, patterns are anchored to the screen, and every pixel
// keeps inside the clip rectangle and video memory.
#include "AccelInternal.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace platform::adapter {

namespace {

uint32_t readPixel(const uint8_t* at, int bytes) {
    uint32_t v = 0;
    std::memcpy(&v, at, size_t(bytes));
    return v;
}

void writePixel(uint8_t* at, int bytes, uint32_t v) {
    std::memcpy(at, &v, size_t(bytes));
}

// The byte of pixel (x, y) over `origin`, or null outside video memory.
uint8_t* pixelAt(const AccelSurface& s, uint32_t origin, int x, int y) {
    if (x < 0 || y < 0) return nullptr;
    const uint64_t at = uint64_t(origin) + uint64_t(y) * s.pitch + uint64_t(x) * uint64_t(s.bytes);
    if (at + uint64_t(s.bytes) > s.size) return nullptr;
    return s.base + at;
}

bool inClip(const AccelSurface& s, int x, int y) {
    return x >= s.clip[0] && x <= s.clip[2] && y >= s.clip[1] && y <= s.clip[3];
}

void plot(const AccelSurface& s, uint32_t origin, int x, int y, uint32_t colour, int mix) {
    if (!inClip(s, x, y)) return;
    if (uint8_t* p = pixelAt(s, origin, x, y))
        writePixel(p, s.bytes, AccelMix(readPixel(p, s.bytes), colour, mix));
}

} // namespace

uint32_t AccelMix(uint32_t dst, uint32_t src, int mix) {
    switch (mix) {
        case 0: return src;
        case 1: return dst & src;
        case 2: return dst | src;
        case 3: return dst ^ src;
        default: return dst; // 4: leave the pixel
    }
}

void AccelFill(const AccelSurface& s, uint32_t origin, int x, int y, int w, int h,
               int64_t (*colourAt)(const void* data, int x, int y), const void* data, int mix) {
    const int left = std::max(x, s.clip[0]),
              right = std::min(int64_t(x) + w, int64_t(s.clip[2]) + 1);
    const int top = std::max(y, s.clip[1]),
              bottom = std::min(int64_t(y) + h, int64_t(s.clip[3]) + 1);
    for (int row = top; row < bottom; ++row)
        for (int col = left; col < right; ++col) {
            const int64_t c = colourAt(data, col, row);
            if (c < 0) continue; // a pattern's transparent bit
            if (uint8_t* p = pixelAt(s, origin, col, row))
                writePixel(p, s.bytes, AccelMix(readPixel(p, s.bytes), uint32_t(c), mix));
        }
}

namespace {

int64_t solidColour(const void* colour, int, int) {
    return *static_cast<const uint32_t*>(colour);
}

// Whether bytes [at, at + n) lie inside video memory.
bool inside(const AccelSurface& s, uint64_t at, uint64_t n) {
    return at <= s.size && n <= s.size - at;
}

// A plain copy cut by the clip, row by row with memmove: rows run bottom up
// when the destination lies below an overlapping source. False when a row
// would leave video memory (the pixel path then takes it).
bool copyRows(const AccelSurface& s, uint32_t srcOffset, uint32_t srcPitch, int sx, int sy, int w,
              int h, uint32_t dstOffset, int dx, int dy) {
    int64_t l = dx, t = dy, r = int64_t(dx) + w, b = int64_t(dy) + h;
    l = std::max<int64_t>(l, s.clip[0]), t = std::max<int64_t>(t, s.clip[1]);
    r = std::min<int64_t>(r, int64_t(s.clip[2]) + 1),
    b = std::min<int64_t>(b, int64_t(s.clip[3]) + 1);
    if (r <= l || b <= t) return true;
    const int64_t fromX = sx + (l - dx), fromY = sy + (t - dy);
    if (fromX < 0 || fromY < 0) return false;
    const uint64_t bytes = uint64_t(r - l) * uint64_t(s.bytes);
    const uint64_t firstSrc =
        srcOffset + uint64_t(fromY) * srcPitch + uint64_t(fromX) * uint64_t(s.bytes);
    const uint64_t firstDst = dstOffset + uint64_t(t) * s.pitch + uint64_t(l) * uint64_t(s.bytes);
    const uint64_t rows = uint64_t(b - t);
    if (!inside(s, firstSrc + (rows - 1) * srcPitch, bytes) ||
        !inside(s, firstDst + (rows - 1) * s.pitch, bytes))
        return false;
    // Whole rows back to back on both sides are one block: one move copies
    // it as a snapshot of the source, as the rows in order would.
    if (bytes == srcPitch && bytes == s.pitch) {
        std::memmove(s.base + firstDst, s.base + firstSrc, size_t(bytes * rows));
        return true;
    }
    // Bottom up only when the destination starts inside a source below it:
    // apart, the rows go top down as the memory's prefetch expects.
    const uint64_t srcEnd = firstSrc + (rows - 1) * srcPitch + bytes;
    const bool upward = firstDst > firstSrc && firstDst < srcEnd;
    for (uint64_t i = 0; i < rows; ++i) {
        const uint64_t row = upward ? rows - 1 - i : i;
        std::memmove(s.base + firstDst + row * s.pitch, s.base + firstSrc + row * srcPitch,
                     size_t(bytes));
    }
    return true;
}

// A pixel of 1, 2 or 4 bytes repeated over eight bytes.
uint64_t repeated(uint32_t colour, int bytes) {
    uint64_t word = bytes == 1 ? colour & 0xFFu : bytes == 2 ? colour & 0xFFFFu : colour;
    for (int width = bytes * 8; width < 64; width *= 2)
        word |= word << width;
    return word;
}

// `bytes` of a row from the word's first byte on. One byte repeated goes to
// memset, any other pattern of 1, 2 or 4 bytes to wmemset's 32-bit stores
// once the row is aligned for them (the library's widest stores).
void storeRow(uint8_t* p, size_t bytes, uint64_t word) {
    if (word == (word & 0xFF) * 0x0101010101010101ull) {
        std::memset(p, int(word & 0xFF), bytes);
        return;
    }
    const size_t head = std::min(bytes, size_t(-reinterpret_cast<uintptr_t>(p) & 3u));
    std::memcpy(p, &word, head);
    p += head, bytes -= head;
    if (head) word = word >> (8 * head) | word << (64 - 8 * head); // the pattern's phase
    static_assert(sizeof(wchar_t) == 4);
    std::wmemset(reinterpret_cast<wchar_t*>(p), wchar_t(uint32_t(word)), bytes / 4);
    std::memcpy(p + (bytes & ~size_t(3)), &word, bytes & 3);
}

} // namespace

void AccelFillSolid(const AccelSurface& s, uint32_t origin, int x, int y, int w, int h,
                    uint32_t colour, int mix) {
    const int64_t left = std::max<int64_t>(x, s.clip[0]),
                  right = std::min(int64_t(x) + w, int64_t(s.clip[2]) + 1);
    const int64_t top = std::max<int64_t>(y, s.clip[1]),
                  bottom = std::min(int64_t(y) + h, int64_t(s.clip[3]) + 1);
    if (right <= left || bottom <= top) return;
    const uint64_t bytes = uint64_t(right - left) * uint64_t(s.bytes);
    const uint64_t first = origin + uint64_t(top) * s.pitch + uint64_t(left) * uint64_t(s.bytes);
    const uint64_t rows = uint64_t(bottom - top);
    // Off the memory's start or past its end: pixel by pixel, each checked.
    if (left < 0 || top < 0 || !inside(s, first + (rows - 1) * s.pitch, bytes)) {
        AccelFill(s, origin, x, y, w, h, solidColour, &colour, mix);
        return;
    }
    if (mix == 0 && s.bytes != 3) {
        const uint64_t word = repeated(colour, s.bytes);
        for (uint64_t i = 0; i < rows; ++i)
            storeRow(s.base + first + i * s.pitch, size_t(bytes), word);
        return;
    }
    // One row laid out, then copied (replace) or combined (the logical mixes).
    std::vector<uint8_t> row(static_cast<size_t>(bytes));
    for (size_t at = 0; at < row.size(); at += size_t(s.bytes))
        writePixel(row.data() + at, s.bytes, colour);
    for (uint64_t i = 0; i < rows; ++i) {
        uint8_t* p = s.base + first + i * s.pitch;
        if (mix == 0) {
            std::memcpy(p, row.data(), row.size());
            continue;
        }
        if (mix > 3) return;
        for (size_t at = 0; at < row.size(); at += size_t(s.bytes))
            writePixel(p + at, s.bytes, AccelMix(readPixel(p + at, s.bytes), colour, mix));
    }
}

void AccelBlit(const AccelSurface& s, uint32_t srcOffset, uint32_t srcPitch, int sx, int sy, int w,
               int h, uint32_t dstOffset, int dx, int dy, int mix, int keyMode, uint32_t key) {
    if (w <= 0 || h <= 0) return;
    if (mix == 0 && keyMode == 0 &&
        copyRows(s, srcOffset, srcPitch, sx, sy, w, h, dstOffset, dx, dy))
        return;
    // Copy the source first, so an overlapping blit reads what was there.
    AccelSurface src = s;
    src.pitch = srcPitch;
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    std::vector<uint8_t> valid(pixels.size());
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            if (const uint8_t* p = pixelAt(src, srcOffset, sx + col, sy + row)) {
                pixels[size_t(row) * size_t(w) + size_t(col)] = readPixel(p, s.bytes);
                valid[size_t(row) * size_t(w) + size_t(col)] = 1;
            }
    const uint32_t mask = s.bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * s.bytes)) - 1;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const size_t i = size_t(row) * size_t(w) + size_t(col);
            if (!valid[i] || !inClip(s, dx + col, dy + row)) continue;
            uint8_t* p = pixelAt(s, dstOffset, dx + col, dy + row);
            if (!p) continue;
            const uint32_t was = readPixel(p, s.bytes);
            if (keyMode == 1 && (pixels[i] & mask) == (key & mask)) continue;
            if (keyMode == 2 && (was & mask) != (key & mask)) continue;
            writePixel(p, s.bytes, AccelMix(was, pixels[i], mix));
        }
}

namespace {

int32_t nearestPixel(int64_t fixed) {
    return int32_t((fixed + 0x8000) >> 16);
}

// The pixels of a 16.16 line as the library's packed renderers set them:
// from the left end (a vertical line from its top), one pixel a whole step
// of the major axis plus the first, the minor axis chosen by a decision term
// that starts from the end point's sub-pixel offset and steps also on a tie
// when `tie` is set; the minor coordinate never leaves the rows (columns) of
// the rounded ends, and a vertical line covers the rows of its rounded ends.
// Returns the number of pixels.
template <class Plot>
int64_t walkLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, bool tie, Plot&& plot) {
    if (x2 < x1) std::swap(x1, x2), std::swap(y1, y2);
    if (x1 == x2) {
        const int32_t x = nearestPixel(x1);
        const int32_t from = nearestPixel(std::min(y1, y2)), to = nearestPixel(std::max(y1, y2));
        for (int32_t y = from; y <= to; ++y)
            plot(x, y);
        return int64_t(to) - from + 1;
    }
    const int dir = y2 < y1 ? -1 : 1;
    const int64_t run = x2 - x1, rise = dir * (y2 - y1);
    const bool flat = run >= rise;
    const int64_t major = flat ? run : rise, minor = flat ? rise : run;
    int32_t x = nearestPixel(x1), y = nearestPixel(y1);
    const int32_t xLast = nearestPixel(x2), yLast = nearestPixel(y2);
    const int32_t yLow = std::min(y, yLast), yHigh = std::max(y, yLast);
    // Offsets of the first pixel's centre from the exact start, in 16.16,
    // along x and along the line's y direction.
    const int64_t offX = int64_t(x) * 65536 - x1, offY = (int64_t(y) * 65536 - y1) * dir;
    const auto scaled = [](int64_t a, int64_t b) { return (a * b + 0x8000) >> 16; };
    int64_t decision = 2 * minor - major + scaled(2 * minor, flat ? offX : offY) -
                       scaled(2 * major, flat ? offY : offX);
    const int64_t pixels = (major >> 16) + 1;
    for (int64_t i = 0; i < pixels; ++i) {
        if (flat)
            plot(x, std::clamp(y, yLow, yHigh));
        else
            plot(std::min(x, xLast), y);
        const bool across = tie ? decision >= 0 : decision > 0;
        if (flat)
            x += 1, y += across ? dir : 0;
        else
            y += dir, x += across ? 1 : 0;
        decision += 2 * minor - (across ? 2 * major : 0);
    }
    return pixels;
}

} // namespace

// A stipple draws the pixels whose bit of the 16-bit pattern is set, bit 0
// first, from the bit at its position (bit 0 when no set bit lies there or
// above) and again from bit 0 once no set bit is left above. The logical
// mixes step the minor axis on a tie, as the library's logical-mode line.
void AccelLine(const AccelSurface& s, uint32_t origin, uint32_t colour, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2, int mix, const AccelStipple* stipple) {
    const uint32_t bits = stipple ? stipple->pattern & 0xFFFF : 0;
    uint32_t bit = stipple ? stipple->position & 15 : 0;
    if ((bits >> bit) == 0) bit = 0;
    walkLine(x1, y1, x2, y2, mix != 0, [&](int32_t x, int32_t y) {
        if (!stipple) return plot(s, origin, x, y, colour, mix);
        if (bits >> bit & 1) plot(s, origin, x, y, colour, mix);
        bit = (bits >> (bit + 1)) == 0 ? 0 : bit + 1;
    });
}

int64_t AccelLinePixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return walkLine(x1, y1, x2, y2, false, [](int32_t, int32_t) {});
}

} // namespace platform::adapter
