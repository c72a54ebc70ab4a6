// The 16-colour planar render set: pixel (x, y) is bit 7 - x mod 8 of the
// byte at y x bytes per line + x / 8 in each of the four planes, plane p
// holding bit p of the colour. Video memory is reached only through the
// adapter's access calls; the graphics controller's set/reset, bit mask,
// function select and latches do the work eight pixels at a time, and every
// routine leaves the controller in its default state.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "gdl/defaultdraw.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/vga.h"
#include "line_walker.h"
#include "planar.h"
#include "platform/Vga.h"
#include "row_pixels.h"

namespace {

GdlDeviceContext& S() {
    return GDL_stateBlock;
}

void gc(uint8_t index, uint8_t value) {
    VGA_wrinx(0x3CE, index, value);
}

// Floor division, so a negative x stays in its own byte.
int32_t floorDiv8(int32_t x) {
    return x >= 0 ? x / 8 : -((7 - x) / 8);
}

uint8_t* addressOf(const GdlDeviceContext& dc, int32_t x, int32_t y) {
    return dc.surface + int64_t(y) * dc.mode.bytesPerLine + floorDiv8(x);
}

uint8_t bitOf(int32_t x) {
    return uint8_t(0x80 >> (x & 7));
}

void restoreGC() {
    gc(0, 0x00);
    gc(1, 0x00);
    gc(3, 0x00);
    gc(5, 0x00);
    gc(7, 0x0F);
    gc(8, 0xFF);
}

// Write mode 2: the low four bits of the written byte are the colour of the
// pixels the bit mask selects, combined with the latches by the function.
void beginColourWrites(int32_t op) {
    gc(3, uint8_t((op & 3) << 3));
    gc(5, 0x02);
}

// Runs of one colour: write mode 0 with set/reset supplying the colour to all
// four planes; the written byte does not matter.
void beginRuns(uint8_t colour, int32_t op) {
    gc(0, colour);
    gc(1, 0x0F);
    gc(3, uint8_t((op & 3) << 3));
}

// One byte of a run under `mask`. Replace with a full mask needs no latches.
void runByte(uint8_t* p, uint8_t mask, int32_t op, uint8_t& current) {
    if (!mask) return;
    if (mask != current) gc(8, current = mask);
    if (op == 0 && mask == 0xFF)
        platform::VgaWrite(p, 0xFF);
    else
        platform::VgaLatchWrite(p, 0xFF);
}

// The pixels x1..x2 (inclusive) of row y under the pattern byte (FFh solid),
// in the colour the set-up holds.
void runBytes(const GdlDeviceContext& s, int32_t y, int32_t x1, int32_t x2, int32_t op,
              uint8_t pattern, uint8_t& current) {
    uint8_t* left = addressOf(s, x1, y);
    uint8_t* right = addressOf(s, x2, y);
    const uint8_t lm = uint8_t(0xFF >> (x1 & 7)), rm = uint8_t(0xFF << (7 - (x2 & 7)));
    for (uint8_t* p = left; p <= right; ++p) {
        uint8_t m = pattern;
        if (p == left) m &= lm;
        if (p == right) m &= rm;
        runByte(p, m, op, current);
    }
}

// The four plane bytes at an address, plane 0 first.
void readPlanes(const uint8_t* p, uint8_t planes[4]) {
    for (int plane = 0; plane < 4; ++plane) {
        gc(4, uint8_t(plane));
        planes[plane] = platform::VgaRead(p);
    }
    gc(4, 0);
}

uint32_t colourAt(const uint8_t planes[4], int32_t x) {
    const int shift = 7 - (x & 7);
    uint32_t v = 0;
    for (int plane = 3; plane >= 0; --plane)
        v = v << 1 | ((planes[plane] >> shift) & 1u);
    return v;
}

uint32_t getPixel(int32_t x, int32_t y) {
    uint8_t planes[4];
    readPlanes(addressOf(S(), x, y), planes);
    return colourAt(planes, x);
}

void putPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = S();
    beginColourWrites(s.attr.writeMode);
    gc(8, bitOf(x));
    platform::VgaLatchWrite(addressOf(s, x, y), uint8_t(s.packedColor & 0x0F));
    restoreGC();
}

// Rows in the library's 4-bit row form: the left pixel in the high nibble,
// the first in the low nibble when bit 0 of `start` is set.
void getRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest, int32_t start,
            int32_t op) {
    uint8_t* row = static_cast<uint8_t*>(dest);
    const int32_t first = start & 1;
    uint8_t planes[4];
    const uint8_t* loaded = nullptr;
    for (int32_t i = 0; i < x2 - x1; ++i) {
        const uint8_t* p = addressOf(*dc, x1 + i, y);
        if (p != loaded) readPlanes(loaded = p, planes);
        const uint32_t d = gdl_rows::load(row, first + i, 4);
        gdl_rows::store(row, first + i, 4, gdl_rows::combine(d, colourAt(planes, x1 + i), op));
    }
}

void putRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src, int32_t start,
            int32_t op) {
    if (x2 <= x1) return;
    const uint8_t* row = static_cast<const uint8_t*>(src);
    const int32_t first = start & 1;
    beginColourWrites(op);
    for (int32_t i = 0; i < x2 - x1; ++i) {
        gc(8, bitOf(x1 + i));
        platform::VgaLatchWrite(addressOf(*dc, x1 + i, y),
                                uint8_t(gdl_rows::load(row, first + i, 4)));
    }
    restoreGC();
}

void span(int32_t y, int32_t x1, int32_t x2) {
    GdlDeviceContext& s = S();
    if (!vga_internal::spanEnds(s, y, x1, x2)) return;
    const int32_t style = s.attr.fillStyle;
    const int32_t op = s.attr.writeMode;
    const uint8_t pattern = s.attr.monoPattern[y & 7];
    uint8_t current = 0xFF;
    // The opaque pattern's background goes under the clear bits only: laid
    // under the whole run, a logical mode would combine the set bits twice.
    if (style == 0) {
        beginRuns(uint8_t(s.packedColor & 0x0F), op);
        runBytes(s, y, x1, x2, op, 0xFF, current);
    } else {
        if (style == 1) {
            beginRuns(uint8_t(s.packedBackColor & 0x0F), op);
            runBytes(s, y, x1, x2, op, uint8_t(~pattern), current);
        }
        beginRuns(uint8_t(s.packedColor & 0x0F), op);
        runBytes(s, y, x1, x2, op, pattern, current);
    }
    restoreGC();
}

bool solidFill(const GdlDeviceContext& s) {
    return s.attr.fillStyle == 0 && s.attr.colorMapMode != 1;
}

void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GdlDeviceContext& s = S();
    if (!solidFill(s)) {
        for (int32_t y = top; y < bottom; ++y)
            s.v.current.span(y, left, right);
        return;
    }
    if (right <= left || bottom <= top) return;
    const int32_t op = s.attr.writeMode;
    uint8_t current = 0xFF;
    beginRuns(uint8_t(s.packedColor & 0x0F), op);
    for (int32_t y = top; y < bottom; ++y)
        runBytes(s, y, left, right - 1, op, 0xFF, current);
    restoreGC();
}

void spanList(int32_t firstRow, int32_t count, const GdlSpan16* list) {
    GdlDeviceContext& s = S();
    if (!solidFill(s)) {
        for (int32_t i = 0; i < count; ++i)
            s.v.current.span(firstRow + i, list[i].x1, list[i].x2);
        return;
    }
    const int32_t op = s.attr.writeMode;
    uint8_t current = 0xFF;
    beginRuns(uint8_t(s.packedColor & 0x0F), op);
    for (int32_t i = 0; i < count; ++i) {
        int32_t x1 = list[i].x1, x2 = list[i].x2;
        if (x1 > x2) std::swap(x1, x2);
        if (x1 != x2) runBytes(s, firstRow + i, x1, x2 - 1, op, 0xFF, current);
    }
    restoreGC();
}

// 16.16 ends, x1 <= x2. Pixels of a row that share a byte go in one write
// under their combined bit mask.
void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = S();
    beginColourWrites(s.attr.writeMode);
    const uint8_t colour = uint8_t(s.packedColor & 0x0F);
    vga_internal::gatheredLine(
        x1, y1, x2, y2, [&](int32_t x, int32_t y) { return addressOf(s, x, y); }, bitOf,
        [&](uint8_t* p, uint8_t bits) {
            gc(8, bits);
            platform::VgaLatchWrite(p, colour);
        });
    restoreGC();
}

// The slot's flag is the patterned flag, not a clip flag.
void ellipse(const GdlRect* given, int32_t patterned) {
    const GdlRect box = vga_internal::orderedBox(*given);
    if (vga_internal::flatEllipse(box, patterned)) return;
    GdlDeviceContext& s = S();
    beginColourWrites(s.attr.writeMode);
    const uint8_t colour = uint8_t(s.packedColor & 0x0F);
    vga_internal::walkEllipse(box, s.clipDevice, [&](int32_t x, int32_t y) {
        gc(8, bitOf(x));
        platform::VgaLatchWrite(addressOf(s, x, y), colour);
    });
    restoreGC();
}

// --- Saved images: three 16-bit words (bytes per row, rows, offset of the
// top-left byte in the page), then the rows of planes 3, 2, 1 and 0.

int32_t rowBytesOf(int32_t left, int32_t right) {
    return right > left ? (right - 1) / 8 - left / 8 + 1 : 0;
}

int32_t saveSize(GdlDeviceContext*, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return rowBytesOf(left, right) * std::max(bottom - top, 0) * 4 + 18;
}

void putWord(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
uint32_t getWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

// True when `rows` rows of `rowBytes` from `offset` lie in the window.
bool inWindow(const GdlDeviceContext* dc, uint32_t offset, int32_t rowBytes, int32_t rows) {
    if (rows <= 0 || rowBytes <= 0) return false;
    const int64_t start = (dc->surface - VGA_videoMemory()) + int64_t(offset);
    const int64_t end = start + int64_t(rows - 1) * dc->mode.bytesPerLine + rowBytes;
    return start >= 0 && end <= int64_t(platform::kVgaWindowSize);
}

void saveRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
              void* buffer) {
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const int32_t rowBytes = rowBytesOf(left, right), rows = std::max(bottom - top, 0);
    const uint32_t offset =
        rows && rowBytes ? uint32_t(int64_t(top) * dc->mode.bytesPerLine + left / 8) : 0;
    const bool inside = inWindow(dc, offset, rowBytes, rows);
    putWord(out, inside ? uint32_t(rowBytes) : 0);
    putWord(out + 2, inside ? uint32_t(rows) : 0);
    putWord(out + 4, offset);
    if (!inside) return;
    out += 6;
    for (int plane = 3; plane >= 0; --plane) {
        gc(4, uint8_t(plane));
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t i = 0; i < rowBytes; ++i)
                *out++ = platform::VgaRead(dc->surface + offset +
                                           int64_t(r) * dc->mode.bytesPerLine + i);
    }
    gc(4, 0);
}

void restoreRect(GdlDeviceContext* dc, const void* buffer) {
    const uint8_t* in = static_cast<const uint8_t*>(buffer);
    const int32_t rowBytes = int32_t(getWord(in)), rows = int32_t(getWord(in + 2));
    const uint32_t offset = getWord(in + 4);
    if (!inWindow(dc, offset, rowBytes, rows)) return;
    in += 6;
    for (int plane = 3; plane >= 0; --plane) {
        VGA_wrinx(0x3C4, 2, uint8_t(1 << plane));
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t i = 0; i < rowBytes; ++i)
                platform::VgaWrite(dc->surface + offset + int64_t(r) * dc->mode.bytesPerLine + i,
                                   *in++);
    }
    VGA_wrinx(0x3C4, 2, 0x0F);
}

// --- Copies within the screen ---------------------------------------------------------

// Whole bytes of all four planes through the latches (write mode 1), in the
// order that keeps an overlapping copy's unread source intact.
void latchCopy(int32_t leftByte, int32_t top, int32_t bytes, int32_t rows, int32_t destByte,
               int32_t destY, bool leftToRight, bool topToBottom) {
    GdlDeviceContext& s = S();
    gc(5, 0x01);
    for (int32_t n = 0; n < rows; ++n) {
        const int32_t r = topToBottom ? n : rows - 1 - n;
        uint8_t* src = s.surface + int64_t(top + r) * s.mode.bytesPerLine + leftByte;
        uint8_t* dst = s.surface + int64_t(destY + r) * s.mode.bytesPerLine + destByte;
        for (int32_t k = 0; k < bytes; ++k) {
            const int32_t i = leftToRight ? k : bytes - 1 - k;
            platform::VgaRead(src + i);
            platform::VgaWrite(dst + i, 0);
        }
    }
    gc(5, 0x00);
}

// Bands: the reader lines the source up with the destination's position in
// its byte, so the writer only masks the two end bytes. The band copy hands
// the reader nothing but the source rectangle, so the copy leaves that
// position here first (drawing runs on one thread).
int32_t g_bandDestBit = 0;

// Band buffer: bytes per row and rows (16-bit), the left and right edge
// masks, then for planes 3, 2, 1, 0 each row's destination-aligned bytes.
constexpr int32_t kBandHeader = 6;

int32_t bandBytes(int32_t destBit, int32_t width) {
    return (destBit + width - 1) / 8 + 1;
}

void getBand(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
             uint8_t* buffer) {
    const int32_t first = g_bandDestBit & 7, width = right - left, rows = bottom - top;
    const int32_t n = bandBytes(first, width);
    putWord(buffer, uint32_t(n));
    putWord(buffer + 2, uint32_t(rows));
    buffer[4] = uint8_t(0xFF >> first);
    buffer[5] = uint8_t(0xFF << (7 - ((first + width - 1) & 7)));
    uint8_t* out = buffer + kBandHeader;
    // Destination byte k starts at source pixel left - first + 8k; bytes
    // outside the source columns read as 0 (the edge masks drop them).
    const int32_t start = left - first, column = floorDiv8(start), shift = start - 8 * column;
    const int32_t firstColumn = floorDiv8(left), lastColumn = floorDiv8(right - 1);
    for (int plane = 3; plane >= 0; --plane) {
        gc(4, uint8_t(plane));
        for (int32_t r = 0; r < rows; ++r) {
            const uint8_t* row = dc->surface + int64_t(top + r) * dc->mode.bytesPerLine;
            auto fetch = [&](int32_t c) {
                return c < firstColumn || c > lastColumn ? uint32_t(0)
                                                         : uint32_t(platform::VgaRead(row + c));
            };
            uint32_t high = fetch(column);
            for (int32_t k = 0; k < n; ++k) {
                const uint32_t low = fetch(column + k + 1);
                *out++ = uint8_t(((high << 8 | low) << shift) >> 8);
                high = low;
            }
        }
    }
    gc(4, 0);
}

// Each plane alone (map mask) in write mode 0 with the function select: a
// latch read, then the byte under the edge mask.
void putBand(GdlDeviceContext* dc, int32_t destX, int32_t destY, const uint8_t* buffer,
             intptr_t op) {
    const int32_t n = int32_t(getWord(buffer)), rows = int32_t(getWord(buffer + 2));
    const uint8_t leftMask = buffer[4], rightMask = buffer[5];
    const uint8_t* in = buffer + kBandHeader;
    gc(3, uint8_t((op & 3) << 3));
    gc(5, 0x08);
    gc(7, 0x00);
    uint8_t current = 0xFF;
    gc(8, current);
    for (int plane = 3; plane >= 0; --plane) {
        VGA_wrinx(0x3C4, 2, uint8_t(1 << plane));
        for (int32_t r = 0; r < rows; ++r) {
            uint8_t* p = addressOf(*dc, destX, destY + r);
            for (int32_t k = 0; k < n; ++k) {
                uint8_t mask = 0xFF;
                if (k == 0) mask &= leftMask;
                if (k == n - 1) mask &= rightMask;
                if (mask != current) gc(8, current = mask);
                platform::VgaLatchWrite(p + k, *in++);
            }
        }
    }
    VGA_wrinx(0x3C4, 2, 0x0F);
    restoreGC();
}

// Columns left..right of the rows to destX through the band pair, in bands
// that fit the scratch buffer.
void bandCopy(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
              int32_t destY, int32_t op, int32_t downward) {
    if (right <= left) return;
    GdlDeviceContext& s = S();
    g_bandDestBit = destX & 7;
    DRV_convertInBands(&s, left, top, right, bottom, destX, destY, downward,
                       4 * bandBytes(g_bandDestBit, right - left), op, getBand, putBand);
}

// Source and destination at the same position within a byte: the whole bytes
// by latch copy, the edge columns by bands; parts go in the order that moves
// away from the unread source. Logical modes (the latch copy cannot combine)
// and other alignments go by bands whole.
void copyWithin(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                int32_t destY, int32_t op, int32_t downward) {
    if (right <= left || bottom <= top) return;
    const int32_t a = (left + 7) & ~7, b = right & ~7;
    if (op != 0 || (left & 7) != (destX & 7) || b <= a) {
        bandCopy(left, top, right, bottom, destX, destY, op, downward);
        return;
    }
    const bool leftToRight = destX <= left;
    auto edge = [&](int32_t x1, int32_t x2) {
        bandCopy(x1, top, x2, bottom, destX + (x1 - left), destY, 0, downward);
    };
    if (leftToRight)
        edge(left, a);
    else
        edge(b, right);
    latchCopy(a / 8, top, (b - a) / 8, bottom - top, (destX + (a - left)) / 8, destY, leftToRight,
              downward != 0);
    if (leftToRight)
        edge(b, right);
    else
        edge(left, a);
}

// --- 1-bit images: write mode 3, the written byte selecting the pixels that take the
// set/reset colour -----------------------------------------------------------------------

void putMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerRow, int32_t height,
                  const uint8_t* bits) {
    GdlDeviceContext& s = S();
    // Another context is made current by the library's routine first.
    if (dc != &s && !GDL_isCurrentDC(dc)) {
        DRV_putMonoImage(dc, x, y, bytesPerRow, height, bits);
        return;
    }
    if (!bits || bytesPerRow <= 0 || height <= 0) return;
    const GdlRect& c = s.clipDevice;
    const int64_t right = int64_t(x) + 8 * int64_t(bytesPerRow);
    const int32_t x0 = int32_t(std::max<int64_t>(x, c.left));
    const int32_t x1 = int32_t(std::min<int64_t>(right, c.right));
    const int32_t r0 = int32_t(std::max<int64_t>(0, int64_t(c.top) - y));
    const int32_t r1 = int32_t(std::min<int64_t>(height, int64_t(c.bottom) - y));
    if (x0 >= x1 || r0 >= r1) return;
    gc(0, uint8_t(s.packedColor & 0x0F));
    gc(3, uint8_t((s.attr.writeMode & 3) << 3));
    gc(5, 0x03);
    const int32_t firstColumn = floorDiv8(x0), lastColumn = floorDiv8(x1 - 1);
    // Destination byte D takes the source bits from 8D - x on, across two
    // source bytes; the clipped ends are masked off.
    const int32_t start = 8 * firstColumn - x, column = floorDiv8(start);
    const int32_t shift = start - 8 * column;
    const uint8_t leftMask = uint8_t(0xFF >> (x0 - 8 * firstColumn));
    const uint8_t rightMask = uint8_t(0xFF << (8 * lastColumn + 7 - (x1 - 1)));
    for (int32_t r = r0; r < r1; ++r) {
        const uint8_t* src = bits + int64_t(r) * bytesPerRow;
        auto fetch = [&](int32_t i) { return i < 0 || i >= bytesPerRow ? 0u : uint32_t(src[i]); };
        uint8_t* p = addressOf(s, 8 * firstColumn, y + r);
        uint32_t high = fetch(column);
        for (int32_t d = 0; d <= lastColumn - firstColumn; ++d) {
            const uint32_t low = fetch(column + d + 1);
            uint8_t data = uint8_t(((high << 8 | low) << shift) >> 8);
            high = low;
            if (d == 0) data &= leftMask;
            if (d == lastColumn - firstColumn) data &= rightMask;
            if (data) platform::VgaLatchWrite(p + d, data);
        }
    }
    restoreGC();
}

// The sixteen standard colours of the library's palette, the rest black.
const GdlPaletteEntry* defaultPalette() {
    static const std::array<GdlPaletteEntry, 256> table = [] {
        std::array<GdlPaletteEntry, 256> t{};
        std::memcpy(t.data(), GDL_defaultPalette(), 16 * sizeof(GdlPaletteEntry));
        return t;
    }();
    return table.data();
}

// --- Flood-fill scans: colour compare in read mode 1 gives eight pixels a read --------

// The bits of the byte at (x, y)'s address whose pixels have `colour`, or the
// others when `complement`.
uint8_t matches(const uint8_t* p, bool complement) {
    const uint8_t v = platform::VgaRead(p);
    return complement ? uint8_t(~v) : v;
}

int32_t scan(int32_t x, int32_t y, uint32_t colour, bool right, bool complement) {
    GdlDeviceContext& s = S();
    const int32_t width = int32_t(s.mode.maxX) + 1;
    const int32_t end = right ? width : -1;
    if (y < 0 || y > int32_t(s.mode.maxY) || (right ? x >= width : x < 0)) return end;
    x = std::clamp(x, 0, width - 1);
    gc(2, uint8_t(colour & 0x0F));
    gc(5, 0x08);
    gc(7, 0x0F);
    int32_t found = end;
    const uint8_t* row = addressOf(s, 0, y);
    if (right) {
        uint8_t bits = uint8_t(matches(row + x / 8, complement) & (0xFF >> (x & 7)));
        for (int32_t column = x / 8;;) {
            if (bits) {
                int32_t bit = 0;
                while (!(bits & (0x80 >> bit)))
                    ++bit;
                found = std::min(column * 8 + bit, width);
                break;
            }
            if (++column >= (width + 7) / 8) break;
            bits = matches(row + column, complement);
        }
    } else {
        uint8_t bits = uint8_t(matches(row + x / 8, complement) & (0xFF << (7 - (x & 7))));
        for (int32_t column = x / 8;;) {
            if (bits) {
                int32_t bit = 7;
                while (!(bits & (0x80 >> bit)))
                    --bit;
                found = column * 8 + bit;
                break;
            }
            if (--column < 0) break;
            bits = matches(row + column, complement);
        }
    }
    gc(2, 0x00);
    gc(5, 0x00);
    return found;
}

int32_t scanRightTo(int32_t x, int32_t y, uint32_t colour) {
    return scan(x, y, colour, true, false);
}
int32_t scanLeftTo(int32_t x, int32_t y, uint32_t colour) {
    return scan(x, y, colour, false, false);
}
int32_t scanRightWhile(int32_t x, int32_t y, uint32_t colour) {
    return scan(x, y, colour, true, true);
}
int32_t scanLeftWhile(int32_t x, int32_t y, uint32_t colour) {
    return scan(x, y, colour, false, true);
}

} // namespace

void VGA4_setupVectors(GdlDeviceContext* dc) {
    VGA_installPlanarSet(
        dc, {getPixel, putPixel, getRow, putRow, line, span, fillRect, spanList, ellipse});
    GdlRenderVector& v = dc->v;
    v.getWinDC = GDL_returnZero;
    v.defaultPalette = defaultPalette;
    v.putMonoImage = putMonoImage;
    v.saveRectSize = saveSize;
    v.saveRect = saveRect;
    v.restoreRect = restoreRect;
    v.copyWithin = copyWithin;
    v.scanRightTo = scanRightTo;
    v.scanLeftTo = scanLeftTo;
    v.scanRightWhile = scanRightWhile;
    v.scanLeftWhile = scanLeftWhile;
}
