// DIB sections, compatible bitmaps, colour tables and GetDIBits.
#include "../kernel/OutOfMemory.h"
#include "GdiInternal.h"

#include "../window/WindowSurface.h"
#include "platform/WinG.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform::gdi {
namespace {

// Largest pixel buffer we hand out; far beyond any screen, small enough that
// no size computation overflows.
constexpr size_t kMaxBitmapBytes = size_t(1) << 30;

// The desktop's layout at `bpp` bits: the one the display setting in force
// carries, else 5:6:5 (5:5:5 when a test chose that) at 16 bits and red
// highest above.
void DesktopMasks(int bpp, uint32_t masks[3]) {
    DisplayMode mode{};
    GetCurrentDisplayMode(&mode);
    if (mode.bitsPerPixel == bpp && (mode.masks[0] | mode.masks[1] | mode.masks[2])) {
        std::memcpy(masks, mode.masks, 12);
        return;
    }
    DefaultMasks(bpp, masks);
    if (bpp == 16 && !Desktop16Layout555()) {
        masks[0] = 0xF800;
        masks[1] = 0x07E0;
    }
}

bool ValidDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Masks must be non-zero, contiguous and apart from each other; 24-bit
// pixels come in whole bytes, red first or blue first.
bool ValidMasks(const uint32_t masks[3], int bpp) {
    if (bpp == 24)
        return masks[1] == 0xFF00 && ((masks[0] == 0xFF && masks[2] == 0xFF0000) ||
                                      (masks[0] == 0xFF0000 && masks[2] == 0xFF));
    uint32_t seen = 0;
    for (int i = 0; i < 3; ++i) {
        uint32_t m = masks[i];
        if (!m || (seen & m)) return false;
        if (bpp == 16 && (m >> 16)) return false;
        seen |= m;
        while (!(m & 1u))
            m >>= 1;
        if (m & (m + 1)) return false; // a gap in the mask
    }
    return true;
}

std::unique_ptr<Bitmap> NewBitmap(int width, int height, int bpp, bool topDown) {
    if (width <= 0 || height <= 0 || !ValidDepth(bpp)) return nullptr;
    const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (stride > kMaxBitmapBytes / static_cast<size_t>(height)) return nullptr;
    auto b = std::make_unique<Bitmap>();
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->topDown = topDown;
    b->stride = static_cast<int>(stride);
    b->pixels.reset(new (std::nothrow) uint8_t[stride * height]());
    if (!b->pixels) return nullptr;
    DefaultMasks(bpp, b->masks);
    return b;
}

// The colours a bitmap of `bpp` bits gets when nobody gave it any: black and
// white, the sixteen VGA colours, or the system palette.
void DefaultColors(int bpp, RGBQUAD* out, int* count) {
    static const BYTE vga[16][3] = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
        {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    if (bpp == 1) {
        out[0] = {0, 0, 0, 0};
        out[1] = {255, 255, 255, 0};
        *count = 2;
    } else if (bpp == 4) {
        for (int i = 0; i < 16; ++i)
            out[i] = {vga[i][2], vga[i][1], vga[i][0], 0};
        *count = 16;
    } else {
        const PALETTEENTRY* sys = GetState().system;
        for (int i = 0; i < 256; ++i)
            out[i] = {sys[i].peBlue, sys[i].peGreen, sys[i].peRed, 0};
        *count = 256;
    }
}

// Reads masks and colour table that follow a header of `headerSize` bytes.
// Masks sit at byte 40 both after a plain header and inside the longer ones.
void ReadMasks(const BITMAPINFO* info, uint32_t masks[3]) {
    std::memcpy(masks, reinterpret_cast<const uint8_t*>(info) + 40, 12);
}

const uint8_t* ColorTableOf(const BITMAPINFO* info) {
    size_t offset = info->bmiHeader.biSize;
    if (info->bmiHeader.biSize == 40 && info->bmiHeader.biCompression == BI_BITFIELDS) offset += 12;
    return reinterpret_cast<const uint8_t*>(info) + offset;
}

// The header sizes Windows knows (info, and the later versions with masks and
// colour space); any other size is a damaged header, not a longer one.
bool KnownHeader(DWORD size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

int TableSize(const BITMAPINFOHEADER& h) {
    if (h.biBitCount > 8) return 0;
    const int full = 1 << h.biBitCount;
    return h.biClrUsed && static_cast<int>(h.biClrUsed) < full ? static_cast<int>(h.biClrUsed)
                                                               : full;
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

HBITMAP CreateDIBSection(HDC handle, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD) {
    return platform::OrOutOfMemory<HBITMAP>(nullptr, [&]() -> HBITMAP {
        if (bits) *bits = nullptr;
        if (!info || section || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
            return nullptr;
        const BITMAPINFOHEADER& h = info->bmiHeader;
        if (!KnownHeader(h.biSize) || h.biPlanes != 1 || h.biHeight == 0 || h.biWidth <= 0)
            return nullptr;
        // A 15-bit depth is how programs name 5:5:5 pixels; they are stored in 16 bits.
        const int bpp = h.biBitCount == 15 ? 16 : h.biBitCount;
        if (!ValidDepth(bpp)) return nullptr;
        // Unlike Windows, 24 bits may name their byte order through masks: a
        // blue-first display mode's memory context draws in its own layout.
        if (h.biCompression != BI_RGB &&
            !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 24 || bpp == 32)))
            return nullptr;

        std::lock_guard guard(GetState().lock);
        Dc* dc = AsDc(handle);
        if (usage == DIB_PAL_COLORS && !dc) return nullptr;
        const bool topDown = h.biHeight < 0;
        const int64_t height = topDown ? -int64_t(h.biHeight) : int64_t(h.biHeight);
        if (height > 0x7FFFFFFF) return nullptr;
        auto b = NewBitmap(h.biWidth, static_cast<int>(height), bpp, topDown);
        if (!b) return nullptr;
        b->dibSection = true;
        if (h.biCompression == BI_BITFIELDS) {
            uint32_t masks[3];
            ReadMasks(info, masks);
            if (!ValidMasks(masks, bpp)) return nullptr;
            std::memcpy(b->masks, masks, sizeof masks);
            b->bitfields = true;
        }
        if (bpp <= 8) {
            const int n = TableSize(h);
            const uint8_t* table = ColorTableOf(info);
            if (usage == DIB_RGB_COLORS) {
                std::memcpy(b->colors, table, sizeof(RGBQUAD) * n);
                for (int i = 0; i < n; ++i)
                    b->colors[i].rgbReserved = 0;
            } else {
                // Indexes into the palette selected into the DC.
                const std::vector<PALETTEENTRY>& pal = dc->palette->entries;
                for (int i = 0; i < n; ++i) {
                    const WORD idx = static_cast<WORD>(table[2 * i] | (table[2 * i + 1] << 8));
                    const PALETTEENTRY e = idx < pal.size() ? pal[idx] : PALETTEENTRY{0, 0, 0, 0};
                    b->colors[i] = {e.peBlue, e.peGreen, e.peRed, 0};
                }
            }
            b->colorCount = n;
        }
        if (bits) *bits = b->pixels.get();
        return reinterpret_cast<HBITMAP>(Adopt(std::move(b)));
    });
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
    return platform::OrOutOfMemory<HBITMAP>(nullptr, [&]() -> HBITMAP {
        std::lock_guard guard(GetState().lock);
        Dc* dc = AsDc(handle);
        if (!dc || width <= 0 || height <= 0) return nullptr;
        std::unique_ptr<Bitmap> b;
        if (dc->dcKind == DcKind::Memory && dc->bitmap) {
            const Bitmap& model = *dc->bitmap;
            b = NewBitmap(width, height, model.bpp, false);
            if (!b) return nullptr;
            std::memcpy(b->masks, model.masks, sizeof b->masks);
            b->bitfields = model.bitfields;
            std::memcpy(b->colors, model.colors, sizeof b->colors);
            b->colorCount = model.colorCount;
        } else {
            const int bpp = DesktopBitsPerPixel();
            b = NewBitmap(width, height, bpp, false);
            if (!b) return nullptr;
            if (bpp == 16 || bpp == 32) DesktopMasks(bpp, b->masks);
            b->bitfields = bpp == 16 || bpp == 32;
            if (bpp <= 8) DefaultColors(bpp, b->colors, &b->colorCount);
        }
        return reinterpret_cast<HBITMAP>(Adopt(std::move(b)));
    });
}

namespace {

Bitmap* SelectedDib(HDC handle) {
    Dc* dc = AsDc(handle);
    // Only DIB sections have a colour table a caller may read or change; a
    // compatible bitmap's colours belong to the device.
    if (!dc || dc->dcKind != DcKind::Memory || !dc->bitmap || dc->bitmap->bpp > 8 ||
        dc->bitmap->stock || !dc->bitmap->dibSection)
        return nullptr;
    return dc->bitmap;
}

} // namespace

UINT SetDIBColorTable(HDC handle, UINT start, UINT count, const RGBQUAD* colors) {
    std::lock_guard guard(GetState().lock);
    Bitmap* b = SelectedDib(handle);
    if (!b || !colors) return 0;
    const UINT size = 1u << b->bpp;
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    for (UINT i = 0; i < n; ++i) {
        b->colors[start + i] = colors[i];
        b->colors[start + i].rgbReserved = 0;
    }
    b->colorCount = std::max<int>(b->colorCount, static_cast<int>(start + n));
    return n;
}

UINT GetDIBColorTable(HDC handle, UINT start, UINT count, RGBQUAD* colors) {
    std::lock_guard guard(GetState().lock);
    Bitmap* b = SelectedDib(handle);
    if (!b || !colors || start >= static_cast<UINT>(b->colorCount)) return 0;
    const UINT n = std::min<UINT>(count, b->colorCount - start);
    std::memcpy(colors, b->colors + start, sizeof(RGBQUAD) * n);
    return n;
}

int GetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
    std::lock_guard guard(GetState().lock);
    Bitmap* b = As<Bitmap>(bitmap, Kind::Bitmap);
    if (!AsDc(handle) || !b || !info || !KnownHeader(info->bmiHeader.biSize) ||
        usage != DIB_RGB_COLORS)
        return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits && h.biBitCount == 0) {
        // Describe the bitmap itself.
        h.biWidth = b->width;
        h.biHeight = b->height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(b->bpp);
        h.biCompression = b->bitfields ? BI_BITFIELDS : BI_RGB;
        h.biSizeImage = static_cast<DWORD>(b->stride) * b->height;
        h.biClrUsed = 0;
        h.biClrImportant = 0;
        return 1;
    }
    const int bpp = h.biBitCount;
    // Asked for the masks of a 24-bit desktop bitmap: its layout (which way
    // round the bytes go), though 24-bit DIBs carry no masks themselves.
    if (!bits && bpp == 24 && b->bpp == 24 && h.biCompression == BI_BITFIELDS) {
        if (b->bitfields)
            std::memcpy(info->bmiColors, b->masks, 12);
        else
            DesktopMasks(24, reinterpret_cast<uint32_t*>(info->bmiColors));
        return 1;
    }
    // Widths past any bitmap we could hold are damaged headers.
    if (!ValidDepth(bpp) || h.biWidth <= 0 || h.biWidth > (1 << 24) || h.biHeight == 0) return 0;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
        return 0;
    const int stride = DibStride(h.biWidth, bpp);
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    h.biSizeImage = static_cast<DWORD>(std::min<int64_t>(int64_t(stride) * height, 0xFFFFFFFF));

    // The target layout: masks and colour table as the caller will read them.
    Surface target;
    target.bpp = bpp;
    target.width = h.biWidth;
    target.stride = stride;
    if (bpp == 16 || bpp == 32) {
        if (h.biCompression == BI_BITFIELDS) {
            uint32_t* masks = reinterpret_cast<uint32_t*>(info->bmiColors);
            if (!bits) {
                // Asked for the masks: those of the bitmap when the depth agrees.
                if (b->bpp == bpp)
                    std::memcpy(masks, b->masks, 12);
                else
                    DefaultMasks(bpp, masks);
                if (b->bpp != bpp) DesktopMasks(bpp, masks);
                return 1;
            }
            std::memcpy(target.masks, masks, 12);
            if (!ValidMasks(target.masks, bpp)) return 0;
        } else {
            DefaultMasks(bpp, target.masks);
        }
    }
    RGBQUAD table[256];
    if (bpp <= 8) {
        int n = 0;
        if (b->bpp == bpp && b->colorCount > 0) {
            n = b->colorCount;
            std::memcpy(table, b->colors, sizeof(RGBQUAD) * n);
        } else {
            DefaultColors(bpp, table, &n);
        }
        std::memcpy(info->bmiColors, table, sizeof(RGBQUAD) * n);
        target.colors = table;
        target.colorCount = n;
    }
    if (!bits) return 1;

    // Scan line i counts from the bottom for a bottom-up target.
    const Surface source = SurfaceOf(*b);
    const UINT first = std::min<UINT>(start, b->height);
    const UINT count = std::min<UINT>(lines, b->height - first);
    target.bits = static_cast<uint8_t*>(bits);
    target.height = static_cast<int>(count);
    target.topDown = true;
    std::vector<uint32_t> row(std::max(b->width, h.biWidth), 0u);
    NearestCache cache;
    const int width = std::min(b->width, static_cast<int>(h.biWidth));
    const bool bottomUp = h.biHeight > 0;
    for (UINT i = 0; i < count; ++i) {
        const int line = static_cast<int>(first + i);
        const int y = bottomUp ? b->height - 1 - line : line;
        ReadRow(source, y, 0, width, row.data());
        WriteRow(target, static_cast<int>(i), 0, width, row.data(), cache);
    }
    return static_cast<int>(count);
}
