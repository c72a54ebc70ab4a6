// The engine's one display device: chooses and registers the graphics
// library's drivers from a flags word, starts a full-screen video mode or,
// failing that, opens a framed main window, keeps the screen's context and
// the drawing context everything is drawn into, the palette and the
// brightness level, and presents what changed.
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TRectLst.h"
#include "foundation/TString.h"
#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "media/devices/TImgAdj.h"
#include "media/devices/TPalCache.h"
#include "platform/User.h"

#include <cstdint>

// The display's current palette with its nearest-colour cache, where the
// depth conversions into 8 bits look colours up.
class TPalTable {
public:
    TPalTable();
    void Set(const GdlPaletteEntry* entries, int32_t count);
    int32_t Count() const { return cache_.count; }
    const GdlPaletteEntry* Entries() const { return cache_.entries; }
    TPalCache* Cache() { return &cache_; }

private:
    TPalCache cache_;
};

// A display driver linked into the program: its file name and header (the
// graphics library's hardware drivers give their table in this form).
using TLinkedDriver = GdlLinkedDriver;

class TDispDev : public TNamedObj {
public:
    enum : uint32_t {
        fDirectDraw = 0x0001,
        fFSDirect = 0x003E,
        fVGA = 0x0002,
        fVGAX = 0x0004,
        fVBE = 0x0008,
        fLinear = 0x0010,
        fVBEAF = 0x0020,
        fFullscreenDIB = 0x0040,
        fWaitRetrace = 0x0080,
        fDblBuf = 0x0100,
        fWindowed = 0x0200,
        fDirtyRect = 0x0400,
        fVarColorDepth = 0x0800,
        fVarSize = 0x1000,
        fAllowDirectMode = 0x2000,
        fFullScreenDrivers = 0x007F,
    };
    enum : int32_t { kWindowDriver = 86 };

    TDispDev();
    ~TDispDev() override;

    static TDispDev& Global();
    // The display that opened last (its window procedures answer for it).
    static TDispDev* Active();

    // The table of linked-in display drivers (file name to header), where
    // the hardware back ends plug in; empty by default.
    static void SetLinkedDrivers(const TLinkedDriver* drivers, int32_t count);

    // --- Configuration ---
    void SetInstance(HINSTANCE instance, HINSTANCE previous, int32_t showCommand);
    void SetClassName(const char* name);
    void SetTitle(const char* title);
    void SetWindowStyle(uint32_t style) { windowStyle_ = style; }
    void SetPaintFlags(uint32_t options) { viewOptions_ = options; }
    void SetDriverFlags(uint32_t flags);
    uint32_t GetDriverFlags() const { return driverFlags_; }
    int32_t SetMode(int32_t width, int32_t height, int32_t depth);
    int32_t GetMode(int32_t* width, int32_t* height, int32_t* depth) const;
    // Asks for a mode by its number, for a driver whose records size a mode
    // otherwise than the library's size table; -1 for a number outside it.
    int32_t SetModeNumber(int32_t mode);
    static int32_t FindMode(int32_t width, int32_t height, int32_t depth);

    // --- Life ---
    bool Open();
    void Close();
    void ReleaseLibrary();
    bool IsOpen() const { return (state_ & 2) != 0; }

    // --- Palette and level ---
    void SetPalette(const GdlPaletteEntry* palette);
    const GdlPaletteEntry* GetAppPalette() const { return appPalette_; }
    const GdlPaletteEntry* GetPalette() const { return palette_; }
    const GdlPaletteEntry* GetDefaultPalette() const { return defaultPalette_; }
    void SetAdjustLevel(int32_t level);
    int32_t GetAdjustLevel() const { return level_; }
    const TPalTable& GetImageAdjust() const { return palTable_; }
    TPalTable& GetPalTable() { return palTable_; }

    // --- Accessors ---
    GdlDeviceContext* GetDrawContext() const { return drawDC_; }
    // The main context (the frame being composed); null while closed.
    GdlDeviceContext* GetContext() const { return IsOpen() ? drawDC_ : nullptr; }
    GdlDeviceContext* GetScreenContext() const { return screenDC_; }
    HWND GetWindow() const;
    HDC GetWindowDC() const { return windowDC_; }
    uint32_t GetFlags() const { return effective_; }
    HINSTANCE GetInstance() const { return instance_; }
    int32_t GetDriver() const { return driver_; }
    int32_t TwoPages() const { return twoPages_; }

    // --- Canvases ---
    GdlDeviceContext* CreateCanvasContext(const TRectArea& rect);
    GdlDeviceContext* ResizeCanvasContext(const TRectArea& rect, GdlDeviceContext* dc);
    void DestroyCanvasContext(GdlDeviceContext* dc);
    // Copies a canvas's context (its picture is `width` x `height`) to (x, y)
    // of the drawing context; with `keep` set, pixels of `key` stay out.
    void DrawCanvas(int32_t x, int32_t y, GdlDeviceContext* canvas, int32_t width, int32_t height,
                    bool keep, uint32_t key);

    // --- Presentation ---
    void GetScreenRect(TRectArea* out);
    void UpdateView();
    const TRectArea& ViewRect() const { return view_; }
    float ScaleX() const { return scaleX_; }
    float ScaleY() const { return scaleY_; }
    void Present();
    void FlipPage();
    void Paint(HWND window);

    // --- Window procedures ---
    static LRESULT CALLBACK TWndProc_Main(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TWndProc_FullScreen(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam);
    // Rebuilds the windowed contexts after the window got its size.
    bool BuildWindowedContexts();
    // Re-selects and realises the windowed palette; true when colours changed.
    bool RealizeWindowPalette();

private:
    bool SetupVideoMode();
    bool StartLibrary(int32_t* mode);
    bool CreateMainWindow();
    bool CreateDrawContext(int32_t depth);
    bool SetupPalette();
    void SetCaption(HWND window);
    void UnregisterOwnClass();
    void RegisterLinkedDrivers();
    void CopyDirtyRects();
    void CopyAdjusted(GdlDeviceContext* source, const TRectArea& r, int32_t x, int32_t y);
    uint32_t FullScreenFlags(int32_t driverId) const;

    int32_t requestedMode_ = -1;
    int32_t width_ = 640, height_ = 480, depth_ = 8;
    uint32_t driverFlags_ = 0x700; // the configured drivers, not the named object's state word
    const GdlPaletteEntry* ownPalette_ = nullptr;
    uint32_t viewOptions_ = 0;
    int32_t level_ = 256;
    HINSTANCE instance_ = nullptr, previous_ = nullptr;
    int32_t showCommand_ = SW_SHOWNORMAL;
    uint32_t windowStyle_ = WS_OVERLAPPEDWINDOW;
    TString className_;
    TString registeredClass_; // the window class Open registered, until Close
    TString title_;
    uint32_t state_ = 0;
    int32_t driver_ = -1;
    int32_t mode_ = -1;
    uint32_t effective_ = 0;
    GdlDeviceContext* screenDC_ = nullptr;
    GdlDeviceContext* drawDC_ = nullptr;
    int32_t dirtyWidth_ = 0, dirtyHeight_ = 0;
    int32_t contextWidth_ = 0, contextHeight_ = 0;
    float scaleX_ = 1.0f, scaleY_ = 1.0f;
    int32_t twoPages_ = 0;
    const GdlPaletteEntry* palette_;
    int32_t paletteCount_ = 0;
    GdlPaletteEntry appPalette_[256] = {};
    GdlPaletteEntry defaultPalette_[256] = {};
    GdlPaletteEntry sixteen_[256] = {};
    TPalTable palTable_;
    TImgAdj adjust_;
    HWND window_ = nullptr;
    HDC windowDC_ = nullptr;
    TRectArea view_{0, 0, 0, 0};
    int32_t visualPage_ = 0, activePage_ = 0;
};
