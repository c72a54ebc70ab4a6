// GDI handles: the object table, stock objects, device contexts, selection,
// deletion and the questions a DC answers about its device.
#include "../kernel/OutOfMemory.h"
#include "GdiInternal.h"
#include "../adapter/AdapterInternal.h"

#include "../window/WindowSurface.h"
#include "platform/User.h"

#include <algorithm>
#include <cstring>

namespace platform::gdi {

const PALETTEENTRY kStaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

State& GetState() {
    static State* state = [] {
        auto* s = new State;
        for (int i = 0; i < 10; ++i) {
            s->system[i] = kStaticColors[i];
            s->system[246 + i] = kStaticColors[10 + i];
        }
        return s;
    }();
    return *state;
}

Object* Lookup(const void* handle) {
    if (!handle) return nullptr;
    State& s = GetState();
    auto it = s.live.find(static_cast<Object*>(const_cast<void*>(handle)));
    return it == s.live.end() ? nullptr : it->second.get();
}

void Destroy(Object* object) {
    GetState().live.erase(object);
}

int DesktopBitsPerPixel() {
    DisplayMode mode{};
    GetCurrentDisplayMode(&mode);
    return mode.bitsPerPixel > 0 ? mode.bitsPerPixel : 32;
}

bool DesktopIsPaletted() {
    return DesktopBitsPerPixel() <= 8;
}

void EnsureStock() {
    State& s = GetState();
    if (s.stock[DEFAULT_PALETTE]) return;
    struct BrushSpec {
        int index;
        COLORREF color;
        bool hollow;
    };
    const BrushSpec brushes[] = {
        {WHITE_BRUSH, RGB(255, 255, 255), false}, {LTGRAY_BRUSH, RGB(192, 192, 192), false},
        {GRAY_BRUSH, RGB(128, 128, 128), false},  {DKGRAY_BRUSH, RGB(64, 64, 64), false},
        {BLACK_BRUSH, RGB(0, 0, 0), false},       {NULL_BRUSH, 0, true},
    };
    for (const BrushSpec& b : brushes) {
        auto brush = std::make_unique<Brush>();
        brush->color = b.color;
        brush->hollow = b.hollow;
        brush->stock = true;
        s.stock[b.index] = Adopt(std::move(brush));
    }
    // Every stock font is the same face in its own size and pitch.
    struct FontSpec {
        int index;
        LONG height;
        BYTE pitch;
        const char* face;
        LONG weight;
    };
    const FontSpec fonts[] = {
        {OEM_FIXED_FONT, 12, FIXED_PITCH | FF_MODERN, "Courier New", FW_NORMAL},
        {ANSI_FIXED_FONT, 13, FIXED_PITCH | FF_MODERN, "Courier New", FW_NORMAL},
        {ANSI_VAR_FONT, 13, VARIABLE_PITCH | FF_SWISS, "Arial", FW_NORMAL},
        {SYSTEM_FONT, 16, VARIABLE_PITCH | FF_SWISS, "System", FW_BOLD},
        {DEVICE_DEFAULT_FONT, 16, VARIABLE_PITCH | FF_SWISS, "System", FW_BOLD},
        {SYSTEM_FIXED_FONT, 16, FIXED_PITCH | FF_MODERN, "Courier New", FW_BOLD},
        {DEFAULT_GUI_FONT, 13, VARIABLE_PITCH | FF_SWISS, "Arial", FW_NORMAL},
    };
    for (const FontSpec& f : fonts) {
        auto font = std::make_unique<Font>();
        font->log.lfHeight = f.height;
        font->log.lfWeight = f.weight;
        font->log.lfPitchAndFamily = f.pitch;
        std::strncpy(font->log.lfFaceName, f.face, LF_FACESIZE - 1);
        font->stock = true;
        s.stock[f.index] = Adopt(std::move(font));
    }
    auto palette = std::make_unique<Palette>();
    palette->entries.assign(kStaticColors, kStaticColors + 20);
    palette->stock = true;
    s.stock[DEFAULT_PALETTE] = Adopt(std::move(palette));

    auto mono = std::make_unique<Bitmap>();
    mono->width = mono->height = 1;
    mono->bpp = 1;
    mono->stride = 4;
    mono->pixels.reset(new uint8_t[4]());
    mono->colors[1] = {255, 255, 255, 0};
    mono->colorCount = 2;
    mono->stock = true;
    s.defaultBitmap = Adopt(std::move(mono));
}

Palette* DefaultPalette() {
    EnsureStock();
    return static_cast<Palette*>(GetState().stock[DEFAULT_PALETTE]);
}

Font* SystemFont() {
    EnsureStock();
    return static_cast<Font*>(GetState().stock[SYSTEM_FONT]);
}

namespace {

Dc* NewDc(DcKind kind, HWND window) {
    EnsureStock();
    auto dc = std::make_unique<Dc>();
    dc->dcKind = kind;
    dc->window = window;
    dc->palette = DefaultPalette();
    dc->font = SystemFont();
    dc->brush = static_cast<Brush*>(GetState().stock[WHITE_BRUSH]);
    if (kind == DcKind::Memory) {
        dc->bitmap = GetState().defaultBitmap;
    }
    return Adopt(std::move(dc));
}

void FreeDc(Dc* dc) {
    if (dc->bitmap && dc->bitmap->selectedIn == dc) dc->bitmap->selectedIn = nullptr;
    Destroy(dc);
}

bool IsSelectedAnywhere(Object* object) {
    for (auto& [raw, owned] : GetState().live) {
        if (raw->kind != Kind::Dc) continue;
        const Dc* dc = static_cast<const Dc*>(raw);
        if (dc->bitmap == object || dc->palette == object || dc->font == object ||
            dc->brush == object)
            return true;
    }
    return false;
}

} // namespace

} // namespace platform::gdi

using namespace platform::gdi;

HDC GetDC(HWND window) {
    return platform::OrOutOfMemory<HDC>(nullptr, [&]() -> HDC {
        // Ask the window module before taking the GDI lock: the lock order is
        // GDI, then windows.
        if (window && !platform::IsLiveWindow(window)) return nullptr;
        std::lock_guard guard(GetState().lock);
        return reinterpret_cast<HDC>(NewDc(window ? DcKind::Window : DcKind::Screen, window));
    });
}

int ReleaseDC(HWND, HDC handle) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    if (!dc || dc->dcKind == DcKind::Memory) return 0;
    FreeDc(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC handle) {
    return platform::OrOutOfMemory<HDC>(nullptr, [&]() -> HDC {
        std::lock_guard guard(GetState().lock);
        if (handle && !AsDc(handle)) return nullptr;
        return reinterpret_cast<HDC>(NewDc(DcKind::Memory, nullptr));
    });
}

BOOL DeleteDC(HDC handle) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    if (!dc) return FALSE;
    FreeDc(dc);
    return TRUE;
}

HWND WindowFromDC(HDC handle) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    return dc ? dc->window : nullptr;
}

BOOL GetDCOrgEx(HDC handle, LPPOINT origin) {
    HWND window = nullptr;
    {
        std::lock_guard guard(GetState().lock);
        Dc* dc = AsDc(handle);
        if (!dc || !origin) return FALSE;
        window = dc->window;
    }
    *origin = POINT{0, 0};
    // Asked outside the GDI lock: the window module has its own.
    if (window) ClientToScreen(window, origin);
    return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
    std::lock_guard guard(GetState().lock);
    if (!AsDc(handle)) return 0;
    platform::DisplayMode mode{};
    platform::GetCurrentDisplayMode(&mode);
    const int bits = mode.bitsPerPixel > 0 ? mode.bitsPerPixel : 32;
    const bool paletted = bits <= 8;
    switch (index) {
        case DRIVERVERSION: return 0x400;
        case TECHNOLOGY: return DT_RASDISPLAY;
        case HORZSIZE: return mode.width * 254 / 960; // millimetres at 96 dots an inch
        case VERTSIZE: return mode.height * 254 / 960;
        case HORZRES:
        case DESKTOPHORZRES: return mode.width;
        case VERTRES:
        case DESKTOPVERTRES: return mode.height;
        case BITSPIXEL: return bits;
        case PLANES: return 1;
        case NUMBRUSHES:
        case NUMPENS: return -1;
        case NUMFONTS: return 0;
        case NUMCOLORS: return paletted ? 20 : -1;
        case RASTERCAPS:
            return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT |
                   (paletted ? RC_PALETTE : 0);
        case ASPECTX:
        case ASPECTY: return 36;
        case ASPECTXY: return 51;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case SIZEPALETTE: return paletted ? 256 : 0;
        case NUMRESERVED: return paletted ? 20 : 0;
        case COLORRES: return paletted ? 18 : 24;
        case VREFRESH: return mode.frequency > 0 ? mode.frequency : 60;
        default: return 0;
    }
}

int Escape(HDC handle, int code, int inputSize, LPCSTR input, LPVOID) {
    {
        std::lock_guard guard(GetState().lock);
        if (!AsDc(handle)) return 0;
    }
    // A new drawing surface (42) or palette (43) of a hardware back end: our
    // window DCs always draw into the window's own pixels, so there is
    // nothing to follow. The adapter keeps where the surface is in its
    // memory: a 32-bit offset, whatever the size of an address here.
    if (code == 42 && input && inputSize == int(sizeof(void*))) {
        const uint8_t* address = nullptr;
        std::memcpy(&address, input, sizeof(address));
        const platform::VideoMemoryView v = platform::AdapterVideoMemory();
        if (v.base && address >= v.base && address < v.base + v.size)
            platform::adapter::RecordEscapeOffset(int64_t(address - v.base));
    }
    return code == 42 || code == 43 ? 1 : 0;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    Object* o = Lookup(object);
    if (!dc || !o) return nullptr;
    switch (o->kind) {
        case Kind::Bitmap: {
            auto* bitmap = static_cast<Bitmap*>(o);
            if (dc->dcKind != DcKind::Memory) return nullptr;
            if (bitmap->selectedIn && bitmap->selectedIn != dc) return nullptr;
            Bitmap* old = dc->bitmap;
            if (old && old->selectedIn == dc) old->selectedIn = nullptr;
            dc->bitmap = bitmap;
            if (bitmap != GetState().defaultBitmap) bitmap->selectedIn = dc;
            return old;
        }
        case Kind::Brush: {
            Brush* old = dc->brush;
            dc->brush = static_cast<Brush*>(o);
            return old;
        }
        case Kind::Font: {
            Font* old = dc->font;
            dc->font = static_cast<Font*>(o);
            return old;
        }
        default: return nullptr; // palettes go through SelectPalette
    }
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard guard(GetState().lock);
    Object* o = Lookup(object);
    if (!o || o->kind == Kind::Dc) return FALSE;
    if (o->stock || o == GetState().defaultBitmap) return TRUE;
    if (o->kind == Kind::Bitmap && static_cast<Bitmap*>(o)->selectedIn) return FALSE;
    if (IsSelectedAnywhere(o)) return FALSE;
    if (GetState().realized == o) GetState().realized = nullptr;
    Destroy(o);
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    std::lock_guard guard(GetState().lock);
    EnsureStock();
    if (index < 0 || index >= static_cast<int>(std::size(GetState().stock))) return nullptr;
    return GetState().stock[index];
}

DWORD GetObjectType(HGDIOBJ object) {
    std::lock_guard guard(GetState().lock);
    Object* o = Lookup(object);
    if (!o) return 0;
    switch (o->kind) {
        case Kind::Dc: return static_cast<Dc*>(o)->dcKind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
        case Kind::Bitmap: return OBJ_BITMAP;
        case Kind::Palette: return OBJ_PAL;
        case Kind::Brush: return OBJ_BRUSH;
        case Kind::Font: return OBJ_FONT;
    }
    return 0;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
    std::lock_guard guard(GetState().lock);
    Object* o = Lookup(object);
    if (!o || size < 0) return 0;
    switch (o->kind) {
        case Kind::Bitmap: {
            const auto* b = static_cast<const Bitmap*>(o);
            DIBSECTION ds{};
            ds.dsBm.bmWidth = b->width;
            ds.dsBm.bmHeight = b->height;
            ds.dsBm.bmWidthBytes = b->dibSection ? b->stride : ((b->width * b->bpp + 15) / 16) * 2;
            ds.dsBm.bmPlanes = 1;
            ds.dsBm.bmBitsPixel = static_cast<WORD>(b->bpp);
            ds.dsBm.bmBits = b->dibSection ? b->pixels.get() : nullptr;
            ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
            ds.dsBmih.biWidth = b->width;
            ds.dsBmih.biHeight = b->topDown ? -b->height : b->height;
            ds.dsBmih.biPlanes = 1;
            ds.dsBmih.biBitCount = static_cast<WORD>(b->bpp);
            ds.dsBmih.biCompression = b->bitfields ? BI_BITFIELDS : BI_RGB;
            ds.dsBmih.biSizeImage = static_cast<DWORD>(b->stride) * b->height;
            ds.dsBmih.biClrUsed = b->bpp <= 8 ? static_cast<DWORD>(b->colorCount) : 0;
            if (b->bpp == 16 || b->bpp == 32 || b->bitfields)
                std::memcpy(ds.dsBitfields, b->masks, 12);
            const int want = b->dibSection && size >= static_cast<int>(sizeof(DIBSECTION))
                                 ? static_cast<int>(sizeof(DIBSECTION))
                                 : static_cast<int>(sizeof(BITMAP));
            if (!out) return want;
            if (size < static_cast<int>(sizeof(BITMAP))) return 0;
            std::memcpy(out, &ds, want);
            return want;
        }
        case Kind::Palette: {
            if (!out) return sizeof(WORD);
            if (size < static_cast<int>(sizeof(WORD))) return 0;
            const WORD count = static_cast<WORD>(static_cast<Palette*>(o)->entries.size());
            std::memcpy(out, &count, sizeof count);
            return sizeof(WORD);
        }
        case Kind::Font: {
            const int n = std::min<int>(size, sizeof(LOGFONTA));
            if (!out) return sizeof(LOGFONTA);
            std::memcpy(out, &static_cast<Font*>(o)->log, n);
            return n;
        }
        default: return 0;
    }
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return platform::OrOutOfMemory<HBRUSH>(nullptr, [&]() -> HBRUSH {
        std::lock_guard guard(GetState().lock);
        auto brush = std::make_unique<Brush>();
        brush->color = color & 0xFFFFFF;
        return reinterpret_cast<HBRUSH>(Adopt(std::move(brush)));
    });
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    Brush* brush = As<Brush>(brushHandle, Kind::Brush);
    if (!dc || !rect || !brush) return 0;
    if (brush->hollow) return 1;
    DcPixels px(dc);
    if (!px.Ok()) return dc->dcKind == DcKind::Screen ? 1 : 0;
    const Surface& s = px.Get();
    const int left = std::max<int>(rect->left, 0), right = std::min<int>(rect->right, s.width);
    const int top = std::max<int>(rect->top, 0), bottom = std::min<int>(rect->bottom, s.height);
    NearestCache cache;
    for (int y = top; y < bottom; ++y)
        FillSpan(s, y, left, right - left, RgbOf(brush->color), cache);
    px.Touch(left, top, right, bottom);
    return 1;
}
