// The canvas's image output: opaque, transparent and stretched puts of
// library bitmaps, with the conversions an 8-bit context needs and the
// scratch context for what the library cannot put directly.
#include "drawing/TCanvas.h"
#include "drawing/TPutPlan.h"
#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/result.h"
#include "media/devices/TDispDev.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSource = "Source\\TCanvas";
constexpr int32_t kNewBitmapLine = 963;

int32_t DepthOf(GdlDeviceContext* dc) {
    return int32_t(GDL_liveDC(dc)->mode.bitsPerPixel);
}

int32_t WidthOf(GdlDeviceContext* dc) {
    return int32_t(GDL_liveDC(dc)->mode.maxX) + 1;
}

int32_t HeightOf(GdlDeviceContext* dc) {
    return int32_t(GDL_liveDC(dc)->mode.maxY) + 1;
}

// Whether a direct-colour bitmap stores its pixels as the context does: the
// same depth and the same red, green and blue fields.
bool InContextLayout(GdlDeviceContext* dc, const GdlBitmap& bitmap) {
    const GdlDeviceContext* live = GDL_liveDC(dc);
    const GdlPixelFormat* b = bitmap.pixelFormat;
    const GdlPixelFormat& d = live->format;
    return bitmap.bitsPerPixel > 8 && b &&
           bitmap.bitsPerPixel == int32_t(live->mode.bitsPerPixel) && b->redMask == d.redMask &&
           b->greenMask == d.greenMask && b->blueMask == d.blueMask &&
           b->redPosition == d.redPosition && b->greenPosition == d.greenPosition &&
           b->bluePosition == d.bluePosition;
}

// The layout a temporary of `depth` is written in when the context has
// another depth: what the converters write.
const GdlPixelFormat& StandardFormat(int32_t depth) {
    switch (depth) {
        case 15: return GDL_pixelFormat555;
        case 16: return GDL_pixelFormat565;
        case 32: return GDL_pixelFormatARGB;
        default: return GDL_pixelFormatRGB;
    }
}

// The library's palette check off for one put, when the plan says so.
class TPaletteCheckOff {
public:
    explicit TPaletteCheckOff(bool off) : off_(off) {
        if (off_) previous_ = GDL_setPaletteCheck(0);
    }
    ~TPaletteCheckOff() {
        if (off_) GDL_setPaletteCheck(previous_);
    }
    TPaletteCheckOff(const TPaletteCheckOff&) = delete;
    TPaletteCheckOff& operator=(const TPaletteCheckOff&) = delete;

private:
    bool off_;
    int32_t previous_ = 1;
};

// For one put the context is mapped to the display's default palette, when
// asked and the display's current palette differs from it.
class TDefaultPalette {
public:
    TDefaultPalette(GdlDeviceContext* dc, bool wanted) : dc_(dc) {
        const TDispDev& display = TDispDev::Global();
        current_ = display.GetPalette();
        const GdlPaletteEntry* standard = display.GetDefaultPalette();
        on_ = wanted && current_ &&
              std::memcmp(current_, standard, 256 * sizeof(GdlPaletteEntry)) != 0;
        if (!on_) return;
        count_ = std::clamp(GDL_getPaletteSize(dc_), 0, 256);
        GDL_mapToPalette(dc_, standard);
        GDL_setPalette(dc_, standard, count_, 0);
    }
    ~TDefaultPalette() {
        if (!on_) return;
        GDL_mapToPalette(dc_, current_);
        GDL_setPalette(dc_, current_, count_, 0);
    }
    TDefaultPalette(const TDefaultPalette&) = delete;
    TDefaultPalette& operator=(const TDefaultPalette&) = delete;

private:
    GdlDeviceContext* dc_;
    const GdlPaletteEntry* current_ = nullptr;
    int32_t count_ = 0;
    bool on_ = false;
};

// The part of a width x height area at (x, y) that lies on the context.
TRectArea OnContext(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t width, int32_t height) {
    return {std::max(x, 0), std::max(y, 0),
            int32_t(std::min<int64_t>(int64_t(x) + width, WidthOf(dc))),
            int32_t(std::min<int64_t>(int64_t(y) + height, HeightOf(dc)))};
}

} // namespace

// --- Temporaries and palettes --------------------------------------------------------------

GdlBitmap* TCanvas::NewBitmap(int32_t width, int32_t height, int32_t depth) {
    const int32_t own = dc_ ? DepthOf(dc_) : 8;
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) depth = own;
    if (width <= 0 || height <= 0) return nullptr;
    const size_t pitch = size_t((depth + 1) >> 3) * size_t(width);
    const size_t format = depth > 8 ? sizeof(GdlPixelFormat) : 0;
    const size_t pixels = pitch * size_t(height);
    void* block = pitch > 0x7FFFFFFF || pixels / size_t(height) != pitch
                      ? nullptr
                      : EngineAlloc(sizeof(GdlBitmap) + format + pixels);
    if (!block) {
        TError::Raise(9, nullptr, nullptr, kSource, kNewBitmapLine);
        return nullptr;
    }
    auto* bitmap = static_cast<GdlBitmap*>(block);
    uint8_t* after = static_cast<uint8_t*>(block) + sizeof(GdlBitmap);
    *bitmap = GdlBitmap{width, height, depth, int32_t(pitch), after + format, nullptr, nullptr};
    if (depth > 8) {
        bitmap->pixelFormat = reinterpret_cast<GdlPixelFormat*>(after);
        *bitmap->pixelFormat =
            dc_ && own == depth ? GDL_liveDC(dc_)->format : StandardFormat(depth);
    } else {
        bitmap->palette = const_cast<GdlPaletteEntry*>(TDispDev::Global().GetPalette());
    }
    return bitmap;
}

void TCanvas::FreeBitmap(GdlBitmap* bitmap) {
    EngineFree(bitmap);
}

// A copy of the record with the display's palette when it has none; the
// caller's record is never written.
GdlBitmap TCanvas::LendPalette(const GdlBitmap& bitmap) {
    GdlBitmap copy = bitmap;
    if (!copy.palette) copy.palette = const_cast<GdlPaletteEntry*>(TDispDev::Global().GetPalette());
    return copy;
}

GdlDeviceContext* TCanvas::Scratch(int32_t width, int32_t height) {
    scratch_ = TDispDev::Global().ResizeCanvasContext({0, 0, width, height}, scratch_);
    return scratch_;
}

// --- Entries ---------------------------------------------------------------------------

void TCanvas::PutImage(int32_t x, int32_t y, const GdlBitmap* bitmap) {
    if (!dc_ || !bitmap) return;
    const GdlBitmap lent = LendPalette(*bitmap);
    DoPutImage(x, y, &lent);
}

void TCanvas::PutImageTransparent(int32_t x, int32_t y, const GdlBitmap* bitmap) {
    if (!dc_ || !bitmap) return;
    const GdlBitmap lent = LendPalette(*bitmap);
    DoPutImageTransparent(x, y, &lent);
}

void TCanvas::StretchImage(int32_t x, int32_t y, int32_t width, int32_t height,
                           const GdlBitmap* bitmap) {
    if (width <= 0 || height <= 0 || !dc_ || !bitmap) return;
    const GdlBitmap lent = LendPalette(*bitmap);
    DoStretchImage(x, y, width, height, &lent);
}

void TCanvas::DoPutSectionTransparent(int32_t x, int32_t y, const GdlBitmap* bitmap,
                                      const TRectArea& rect) {
    if (!dc_ || !bitmap || rect.left >= rect.right || rect.top >= rect.bottom) return;
    PutTransparent(ToOwner(x, y), bitmap, rect);
}

// --- Puts ------------------------------------------------------------------------------

namespace {

// The bitmap a plan puts: the image itself, or a converted temporary that
// the holder frees.
class TPlanned {
public:
    TPlanned(TCanvas& canvas, const TPutPlan& plan, const GdlBitmap* image) : image_(image) {
        if (plan.source != TPutPlan::kTemp8 && plan.source != TPutPlan::kTemp24) return;
        temp_ =
            canvas.NewBitmap(image->width, image->height, plan.source == TPutPlan::kTemp8 ? 8 : 24);
        if (temp_) plan.convert(temp_, image);
        image_ = temp_;
    }
    ~TPlanned() { TCanvas::FreeBitmap(temp_); }
    TPlanned(const TPlanned&) = delete;
    TPlanned& operator=(const TPlanned&) = delete;
    const GdlBitmap* Get() const { return image_; }

private:
    const GdlBitmap* image_;
    GdlBitmap* temp_ = nullptr;
};

} // namespace

void TCanvas::DoPutImage(int32_t x, int32_t y, const GdlBitmap* bitmap) {
    const TPoint at = ToOwner(x, y);
    const TPutPlan plan = TPutPlan::Opaque(DepthOf(dc_), bitmap->bitsPerPixel,
                                           int32_t(colorMapMode_), int32_t(autoColorAdjust_));
    const TPlanned put(*this, plan, bitmap);
    if (!put.Get()) return;
    TPaletteCheckOff check(plan.paletteCheckOff);
    TDefaultPalette palette(dc_, plan.defaultPalette);
    GDL_lastResult();
    GDL_putBitmap(dc_, at.x, at.y, put.Get(), int32_t(writeMode_));
    ReportLibrary();
}

void TCanvas::DoPutImageTransparent(int32_t x, int32_t y, const GdlBitmap* bitmap) {
    PutTransparent(ToOwner(x, y), bitmap, {0, 0, bitmap->width, bitmap->height});
}

// The transparent put of a section of the bitmap (the whole of it for a
// plain transparent put) at a point already in the context's coordinates.
void TCanvas::PutTransparent(TPoint at, const GdlBitmap* bitmap, const TRectArea& section) {
    const uint32_t key = color3_.GetPixel(GDL_liveDC(dc_));
    const TPutPlan plan = TPutPlan::Transparent(DepthOf(dc_), bitmap->bitsPerPixel,
                                                int32_t(colorMapMode_), int32_t(autoColorAdjust_));
    const TPlanned put(*this, plan, bitmap);
    if (!put.Get()) return;
    TPaletteCheckOff check(plan.paletteCheckOff);
    if (plan.source == TPutPlan::kBuffered) {
        PutTransparentBuffered(at, put.Get(), section, key);
        return;
    }
    GDL_lastResult();
    GDL_putBitmapTransparentSection(dc_, section.left, section.top, section.right, section.bottom,
                                    at.x, at.y, put.Get(), key, 1);
    ReportLibrary();
}

void TCanvas::PutTransparentBuffered(TPoint at, const GdlBitmap* bitmap, const TRectArea& section,
                                     uint32_t key) {
    if (section.left >= section.right || section.top >= section.bottom) return;
    const int32_t depth = DepthOf(dc_);
    const GdlPixelFormat& own = GDL_liveDC(dc_)->format;
    const GdlPixelFormat* format = bitmap->pixelFormat;
    const bool direct = bitmap->bitsPerPixel == depth &&
                        (depth <= 8 || (format && format->redPosition == own.redPosition &&
                                        format->greenPosition == own.greenPosition &&
                                        format->bluePosition == own.bluePosition));
    GDL_lastResult();
    if (direct) {
        GDL_putBitmapTransparentSection(dc_, section.left, section.top, section.right,
                                        section.bottom, at.x, at.y, bitmap, key, 1);
        ReportLibrary();
        return;
    }
    // Through the scratch context in the context's layout. It takes only
    // the part of the section that lands on the context, so an image at a
    // negative position keeps its right and bottom parts.
    const TRectArea part =
        OnContext(dc_, at.x, at.y, section.right - section.left, section.bottom - section.top);
    if (part.left >= part.right || part.top >= part.bottom) return;
    GdlDeviceContext* scratch = Scratch(part.right - part.left, part.bottom - part.top);
    if (!scratch) return;
    GDL_lastResult();
    GDL_putBitmap(scratch, at.x - section.left - part.left, at.y - section.top - part.top, bitmap,
                  0);
    GDL_transBlt(dc_, scratch, 0, 0, part.right - part.left, part.bottom - part.top, part.left,
                 part.top, key, 1);
    ReportLibrary();
}

void TCanvas::DoStretchImage(int32_t x, int32_t y, int32_t width, int32_t height,
                             const GdlBitmap* bitmap) {
    const TPoint at = ToOwner(x, y);
    if (DepthOf(dc_) == 8) {
        const TPutPlan plan = TPutPlan::Opaque(8, bitmap->bitsPerPixel, int32_t(colorMapMode_),
                                               int32_t(autoColorAdjust_));
        const TPlanned put(*this, plan, bitmap);
        if (!put.Get()) return;
        TPaletteCheckOff check(plan.paletteCheckOff);
        TDefaultPalette palette(dc_, plan.defaultPalette);
        GDL_lastResult();
        GDL_stretchBitmap(dc_, at.x, at.y, at.x + width, at.y + height, put.Get());
        ReportLibrary();
        return;
    }
    if (mode_ != kDirect && InContextLayout(dc_, *bitmap)) {
        // Put into the scratch context it would come out as it is: it is
        // stretched straight from its own pixels.
        GDL_lastResult();
        GDL_stretchBitmap(dc_, at.x, at.y, at.x + width, at.y + height, bitmap);
        ReportLibrary();
        return;
    }
    GdlDeviceContext* scratch = Scratch(bitmap->width, bitmap->height);
    if (!scratch) return;
    GDL_lastResult();
    GDL_putBitmap(scratch, 0, 0, bitmap, 0);
    if (mode_ != kDirect) {
        GDL_stretchBlt(dc_, scratch, 0, 0, bitmap->width, bitmap->height, at.x, at.y, at.x + width,
                       at.y + height);
        ReportLibrary();
        return;
    }
    TDispDev& display = TDispDev::Global();
    GdlDeviceContext* second = display.CreateCanvasContext({0, 0, width, height});
    if (!second) return;
    GDL_stretchBlt(second, scratch, 0, 0, bitmap->width, bitmap->height, 0, 0, width, height);
    GDL_bitBlt(dc_, second, 0, 0, width, height, at.x, at.y, 0);
    ReportLibrary();
    display.DestroyCanvasContext(second);
}
