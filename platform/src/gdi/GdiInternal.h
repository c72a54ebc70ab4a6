// The objects behind GDI handles, the one lock that guards them, and the
// pixel surfaces that blits, fills and text write through.
#pragma once

#include "platform/Gdi.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform::gdi {

enum class Kind : uint8_t { Dc, Bitmap, Palette, Brush, Font };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
};

struct Dc;

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    int bpp = 0;
    bool topDown = false;
    int stride = 0;
    std::unique_ptr<uint8_t[]> pixels;
    uint32_t masks[3] = {0, 0, 0}; // red, green, blue for 16 and 32 bits
    bool bitfields = false;        // created with BI_BITFIELDS
    bool dibSection = false;
    RGBQUAD colors[256] = {};
    int colorCount = 0;
    Dc* selectedIn = nullptr;
};

struct Palette : Object {
    Palette() : Object(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    COLORREF color = 0;
    bool hollow = false;
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTA log = {};
};

enum class DcKind : uint8_t { Memory, Window, Screen };

struct Dc : Object {
    Dc() : Object(Kind::Dc) {}
    DcKind dcKind = DcKind::Memory;
    HWND window = nullptr;
    Bitmap* bitmap = nullptr;
    Palette* palette = nullptr;
    bool paletteBackground = false;
    Font* font = nullptr;
    Brush* brush = nullptr;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    int stretchMode = BLACKONWHITE;
};

// Everything GDI keeps, under one recursive lock: objects are shared by the
// main thread and the cursor thread.
struct State {
    std::recursive_mutex lock;
    std::unordered_map<Object*, std::unique_ptr<Object>> live;
    Object* stock[18] = {};
    Bitmap* defaultBitmap = nullptr; // 1 x 1 monochrome of every new memory DC
    PALETTEENTRY system[256] = {};
    UINT systemUse = SYSPAL_STATIC;
    Palette* realized = nullptr; // palette last realised in the foreground
};
State& GetState();

// Registers a new object; the state owns it from then on.
template <typename T> T* Adopt(std::unique_ptr<T> object) {
    T* raw = object.get();
    GetState().live.emplace(raw, std::move(object));
    return raw;
}
void Destroy(Object* object);

// The live object behind a handle, or null when the handle is stale, null or
// of another kind. Call with the lock held.
Object* Lookup(const void* handle);
template <typename T> T* As(const void* handle, Kind kind) {
    Object* o = Lookup(handle);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline Dc* AsDc(HDC dc) {
    return As<Dc>(dc, Kind::Dc);
}

// The stock objects; created on first use.
void EnsureStock();
Palette* DefaultPalette();
Font* SystemFont();

// The twenty colours Windows keeps at 0-9 and 246-255 of the system palette.
extern const PALETTEENTRY kStaticColors[20];
bool DesktopIsPaletted();
int DesktopBitsPerPixel();

// --- Pixels ----------------------------------------------------------------------

// A rectangle of pixel memory in one of the DIB layouts. Colours travel as
// 0x00RRGGBB.
struct Surface {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int bpp = 0;
    bool topDown = true;
    uint32_t masks[3] = {0, 0, 0};
    const RGBQUAD* colors = nullptr;
    int colorCount = 0;

    uint8_t* Row(int y) const {
        return bits + static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
    }
};

// A 24-bit layout with red in the first byte of a pixel (masks FFh, FF00h,
// FF0000h); the plain 24-bit layout (zero masks, or red at FF0000h) has blue there.
inline bool RedFirst24(const Surface& s) {
    return s.bpp == 24 && s.masks[0] == 0xFF;
}

// Bytes of one row of a DIB: rows are padded to 32 bits.
inline int DibStride(int width, int bpp) {
    return ((width * bpp + 31) / 32) * 4;
}

Surface SurfaceOf(const Bitmap& bitmap);
// The default masks of 16 (5:5:5) and 32 bits (8:8:8).
void DefaultMasks(int bpp, uint32_t masks[3]);

// Nearest entry of a colour table, remembered per colour for one operation.
class NearestCache {
public:
    uint8_t Index(const Surface& s, uint32_t rgb);

private:
    std::unordered_map<uint32_t, uint8_t> memo_;
};

void ReadRow(const Surface& s, int y, int x, int count, uint32_t* out);
void WriteRow(const Surface& s, int y, int x, int count, const uint32_t* in, NearestCache& cache);
void FillSpan(const Surface& s, int y, int x, int count, uint32_t rgb, NearestCache& cache);
// Raw pixel values of an indexed surface (1, 4 or 8 bits), without the colour
// table: raster operations on such surfaces combine indexes, not colours.
void ReadIndexRow(const Surface& s, int y, int x, int count, uint32_t* out);
void WriteIndexRow(const Surface& s, int y, int x, int count, const uint32_t* in);
// Pixels of two surfaces are byte-compatible (copying bytes keeps colours).
bool SameLayout(const Surface& a, const Surface& b);

inline uint32_t RgbOf(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Access to a DC's pixels: a memory DC's bitmap, or a window's client area
// (locked until End). The screen DC has none.
class DcPixels {
public:
    explicit DcPixels(Dc* dc);
    ~DcPixels();
    DcPixels(const DcPixels&) = delete;
    DcPixels& operator=(const DcPixels&) = delete;
    bool Ok() const { return ok_; }
    const Surface& Get() const { return surface_; }
    // Marks a rectangle of a window DC for presentation.
    void Touch(int left, int top, int right, int bottom);

private:
    Dc* dc_;
    Surface surface_;
    bool ok_ = false;
    bool locked_ = false;
    RECT touched_ = {0, 0, 0, 0};
};

} // namespace platform::gdi
