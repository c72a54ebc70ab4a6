#include "drawing/TCanvas.h"

#include "drawing/TAlphaTables.h"
#include "foundation/Saturate.h"
#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/result.h"
#include "gdl/text.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TDrawAttr.h"
#include "platform/Gdi.h"

#include <algorithm>

namespace {

constexpr const char* kSource = "Source\\TCanvas";
constexpr int32_t kLibraryLine = 10874;

// Makes a context current for one operation when it is not already.
class TMakeCurrent {
public:
    explicit TMakeCurrent(GdlDeviceContext* dc) : switched_(!GDL_isCurrentDC(dc)) {
        if (switched_) previous_ = GDL_selectCurrentDC(dc);
    }
    ~TMakeCurrent() {
        if (switched_) GDL_selectCurrentDC(previous_);
    }
    TMakeCurrent(const TMakeCurrent&) = delete;
    TMakeCurrent& operator=(const TMakeCurrent&) = delete;

private:
    bool switched_;
    GdlDeviceContext* previous_ = nullptr;
};

TRectArea Normalised(TRectArea r) {
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

COLORREF ColorRef(const TColor& c) {
    return RGB(c.Red(), c.Green(), c.Blue());
}

} // namespace

void TCanvas::ReportLibrary() {
    const int32_t result = GDL_lastResult();
    if (result != GDL_OK) TError::Raise(21, GDL_errorText(result), nullptr, kSource, kLibraryLine);
}

TCanvas::TCanvas() : fore_(255, 255, 255), back_(0, 0, 0), color3_(0, 255, 0) {
    // The blend tables live for the process; building them here keeps the
    // first blit of a frame from paying for them.
    TAlphaTables::Get();
}

TCanvas::~TCanvas() {
    ReleaseDevice();
}

GdlDeviceContext* TCanvas::MainDC() {
    return MainContext();
}

// --- Modes and contexts --------------------------------------------------------------

void TCanvas::SetKeep(uint32_t keep) {
    keep_ = keep;
    if (keep_ && mode_ == kDirect && dc_) ResizeDevice(rect_);
}

void TCanvas::SetBuffered(uint32_t mode) {
    mode_ = (TDispDev::Global().GetDriverFlags() & TDispDev::fAllowDirectMode) ? mode : kBuffered;
    if (keep_ && mode_ == kDirect && dc_) ResizeDevice(rect_);
}

// Lets go of the context: the main context is the display's and is only
// dropped, a memory context is destroyed.
void TCanvas::DropContext() {
    if (dc_ && dc_ != MainDC()) TDispDev::Global().DestroyCanvasContext(dc_);
    dc_ = nullptr;
}

void TCanvas::TakeMemoryContext(const TRectArea& rect) {
    mode_ = kBuffered;
    // A buffered canvas never resizes (or destroys) the display's context.
    if (dc_ == MainDC()) dc_ = nullptr;
    dc_ = dc_ ? TDispDev::Global().ResizeCanvasContext(rect, dc_)
              : TDispDev::Global().CreateCanvasContext(rect);
}

void TCanvas::KeepWinDC() {
    winDC_ = dc_ ? GDL_getWinDC(dc_) : nullptr;
}

bool TCanvas::CreateDevice(const TRectArea& rect) {
    rect_ = rect;
    if (mode_ == kBuffered || (mode_ == kDirect && keep_)) {
        if (mode_ == kDirect) DropContext();
        TakeMemoryContext(rect);
    } else if (!dc_ && (mode_ == kDirect || mode_ == kAlwaysDirect)) {
        dc_ = MainDC();
    }
    KeepWinDC();
    return dc_ != nullptr;
}

bool TCanvas::ResizeDevice(const TRectArea& rect) {
    rect_ = rect;
    GdlDeviceContext* main = MainDC();
    if (mode_ == kBuffered) {
        TakeMemoryContext(rect);
    } else if (mode_ == kAlwaysDirect) {
        DropContext();
        dc_ = main;
    } else if (mode_ == kDirect) {
        if (dc_ && dc_ == main) {
            if (keep_) {
                // The direct canvas may have narrowed the main context's clip.
                const GdlDeviceContext* m = GDL_liveDC(main);
                GDL_setClipRect(main, 0, 0, int32_t(m->mode.maxX) + 1, int32_t(m->mode.maxY) + 1);
                dc_ = nullptr;
                TakeMemoryContext(rect);
            }
        } else {
            DropContext();
            if (keep_)
                TakeMemoryContext(rect);
            else
                dc_ = main;
        }
    }
    KeepWinDC();
    return dc_ != nullptr;
}

void TCanvas::ReleaseDevice() {
    if (selected_) Deselect();
    DropContext();
    if (scratch_) TDispDev::Global().DestroyCanvasContext(scratch_);
    scratch_ = nullptr;
    winDC_ = nullptr;
}

void TCanvas::SetClipRect(const TRectArea& rect) {
    if (dc_) GDL_setClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void TCanvas::GetClipRect(TRectArea* out) {
    if (!out) return;
    GdlRect r{0, 0, 0, 0};
    if (dc_) GDL_getClipRect(dc_, &r);
    *out = {r.left, r.top, r.right, r.bottom};
}

GdlDeviceContext* TCanvas::Select(const TRectArea* ownerScreen) {
    hasOwner_ = ownerScreen != nullptr;
    owner_ = ownerScreen ? *ownerScreen : TRectArea{0, 0, 0, 0};
    return dc_ ? GDL_selectCurrentDC(dc_) : GDL_currentDC();
}

void TCanvas::Deselect(GdlDeviceContext* previous) {
    hasOwner_ = false;
    if (previous) GDL_selectCurrentDC(previous);
}

bool TCanvas::Select() {
    if (!dc_) return false;
    previous_ = Select(nullptr);
    selected_ = true;
    SetColors();
    return true;
}

void TCanvas::Deselect() {
    if (!selected_) return;
    selected_ = false;
    Deselect(previous_);
    previous_ = nullptr;
}

// --- Drawing state ---------------------------------------------------------------------

bool TCanvas::IsCurrent() const {
    return dc_ && GDL_isCurrentDC(dc_);
}

TRectArea TCanvas::OwnerToScreen(TRectArea r) const {
    return {SatAdd(r.left, owner_.left), SatAdd(r.top, owner_.top), SatAdd(r.right, owner_.left),
            SatAdd(r.bottom, owner_.top)};
}

TRectArea TCanvas::ScreenToOwner(TRectArea r) const {
    return {SatSub(r.left, owner_.left), SatSub(r.top, owner_.top), SatSub(r.right, owner_.left),
            SatSub(r.bottom, owner_.top)};
}

TPoint TCanvas::ToOwner(int32_t x, int32_t y) const {
    if (!Direct() || !hasOwner_) return TPoint(x, y);
    return TPoint(SatAdd(x, owner_.left), SatAdd(y, owner_.top));
}

TRectArea TCanvas::ToOwner(TRectArea r) const {
    r = Normalised(r);
    return Direct() && hasOwner_ ? OwnerToScreen(r) : r;
}

// Write mode, back and fore colour of the current context.
void TCanvas::SetColors() {
    GdlDeviceContext* live = GDL_liveDC(dc_);
    GDL_setWriteMode(int32_t(writeMode_));
    GDL_setBackColor(back_.GetPixel(live));
    GDL_setColor(fore_.GetPixel(live));
}

void TCanvas::ApplyAttr() {
    if (attr_)
        attr_->Apply();
    else
        TDrawAttr::Default().Apply();
}

// --- Output ----------------------------------------------------------------------------

void TCanvas::Clear() {
    if (!dc_) return;
    TMakeCurrent current(dc_);
    GDL_setWriteMode(int32_t(writeMode_));
    GDL_setBackColor(back_.GetPixel(GDL_liveDC(dc_)));
    GDL_lastResult();
    GDL_clearDevice();
    ReportLibrary();
}

void TCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (left >= right || top >= bottom || !IsCurrent()) return;
    SetColors();
    const TRectArea r = ToOwner(TRectArea{left, top, right, bottom});
    ApplyAttr();
    GDL_lastResult();
    GDL_fillRect(r.left, r.top, r.right, r.bottom);
    ReportLibrary();
}

void TCanvas::FrameRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (left >= right || top >= bottom || !IsCurrent()) return;
    SetColors();
    const TRectArea r = ToOwner(TRectArea{left, top, right, bottom});
    ApplyAttr();
    const int32_t l = r.left, t = r.top, rr = r.right - 1, b = r.bottom - 1;
    GDL_lastResult();
    GDL_line(l, t, rr, t);
    GDL_line(rr, t, rr, b);
    GDL_line(rr, b, l, b);
    GDL_line(l, b, l, t);
    ReportLibrary();
}

void TCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Line(TPoint(x1, y1), TPoint(x2, y2));
}

void TCanvas::Line(TPoint p1, TPoint p2) {
    if (!IsCurrent()) return;
    SetColors();
    const TPoint a = ToOwner(p1.x, p1.y), b = ToOwner(p2.x, p2.y);
    ApplyAttr();
    GDL_lastResult();
    GDL_line(a.x, a.y, b.x, b.y);
    ReportLibrary();
}

void TCanvas::DrawBevel(const TRectArea& rect, int32_t style, int32_t width) {
    if (!IsCurrent()) return;
    const TRectArea r = ToOwner(rect);
    GdlDeviceContext* live = GDL_liveDC(dc_);
    GDL_setWriteMode(int32_t(writeMode_));
    GDL_setBevelColors(fore_.GetPixel(live), back_.GetPixel(live));
    GDL_lastResult();
    GDL_drawBevel(r.left, r.top, r.right, r.bottom, style, width);
    ReportLibrary();
}

void TCanvas::PutMonoImage(int32_t x, int32_t y, int32_t byteWidth, int32_t height,
                           const uint8_t* bits) {
    if (!dc_ || !bits || byteWidth <= 0 || height <= 0) return;
    TMakeCurrent current(dc_);
    SetColors();
    const TPoint p = ToOwner(x, y);
    GDL_lastResult();
    GDL_drawMonoImage(dc_, p.x, p.y, byteWidth, height, bits);
    ReportLibrary();
}

bool TCanvas::IsPixel(TPoint point, TColor color) {
    if (!dc_) return false;
    TMakeCurrent current(dc_);
    const TPoint p = ToOwner(point.x, point.y);
    return GDL_getPixel(p.x, p.y) == color.GetPixel(GDL_liveDC(dc_));
}

void TCanvas::DrawChar(int32_t x, int32_t y, char ch) {
    if (!IsCurrent() || !font_) return;
    const char text[2] = {ch, 0};
    switch (font_->GetKind()) {
        case TCanvasFont::kLibrary:
        case TCanvasFont::kLibraryAlt: {
            SetColors();
            GDL_setTextSettings(font_->GetTextSettings());
            GdlFontMetrics metrics{};
            GDL_fontMetrics(&metrics);
            y += metrics.leading; // the sixth of the seven values
            const TPoint p = ToOwner(x, y);
            GDL_lastResult();
            GDL_drawStrAt(p.x, p.y, text);
            ReportLibrary();
            if (font_->GetFlags() & TCanvasFont::kUnderline) {
                int32_t ux = x, uy = y;
                GDL_underlineLocation(&ux, &uy, text);
                const int32_t width = font_->GetCharWidth(uint8_t(ch)) + font_->GetExtraSpace();
                Line(ux, uy, ux + width, uy);
            }
            break;
        }
        case TCanvasFont::kGlyphs: {
            font_->SelectChar(uint8_t(ch));
            TRectArea r{0, 0, 0, 0};
            const GdlBitmap* glyph = font_->GetExtents(&r);
            if (glyph && r.left < r.right && r.top < r.bottom) {
                const TColor saved = color3_;
                color3_ = TColor(0, 0, 0);
                const GdlBitmap lent = LendPalette(*glyph);
                DoPutSectionTransparent(x, y, &lent, r);
                color3_ = saved;
            }
            font_->DeselectChar();
            break;
        }
        case 4:
        case 8:
        case 16:
        case 28: {
            if (!winDC_) break;
            SetBkColor(winDC_, ColorRef(back_));
            SetTextColor(winDC_, ColorRef(fore_));
            SetBkMode(winDC_, TRANSPARENT);
            const TPoint p = ToOwner(x, y);
            TextOutA(winDC_, p.x, p.y, text, 1);
            break;
        }
        default: break;
    }
}

// --- Copies ----------------------------------------------------------------------------

void TCanvas::Present(int32_t x, int32_t y, const TRectArea& clip) {
    TDispDev& display = TDispDev::Global();
    GdlDeviceContext* target = display.GetDrawContext();
    if (!target || !dc_) return;
    GdlRect saved{};
    GDL_getClipRect(target, &saved);
    GDL_setClipRect(target, clip.left, clip.top, clip.right, clip.bottom);
    const int32_t width = rect_.right - rect_.left, height = rect_.bottom - rect_.top;
    display.DrawCanvas(x, y, dc_, width, height, keep_ != 0, keep_ ? color3_.GetPixel(dc_) : 0);
    GDL_setClipRect(target, saved.left, saved.top, saved.right, saved.bottom);
}

void TCanvas::CopyToDC(int32_t x, int32_t y, const TRectArea& clip, GdlDeviceContext* target) {
    if (!target || !dc_) return;
    GdlRect saved{};
    GDL_getClipRect(target, &saved);
    GDL_setClipRect(target, clip.left, clip.top, clip.right, clip.bottom);
    const int32_t check = GDL_setPaletteCheck(0);
    const GdlDeviceContext* live = GDL_liveDC(dc_);
    const int32_t right = std::max(int32_t(live->mode.maxX) + 1, 0);
    const int32_t bottom = std::max(int32_t(live->mode.maxY) + 1, 0);
    const TPoint p = ToOwner(x, y);
    GDL_lastResult();
    if (keep_)
        GDL_transBlt(target, dc_, 0, 0, right, bottom, p.x, p.y, color3_.GetPixel(GDL_liveDC(dc_)),
                     1);
    else
        GDL_bitBlt(target, dc_, 0, 0, right, bottom, p.x, p.y, 0);
    ReportLibrary();
    GDL_setPaletteCheck(check);
    GDL_setClipRect(target, saved.left, saved.top, saved.right, saved.bottom);
}

bool TCanvas::CopyToDC(HDC dc, int32_t x, int32_t y) {
    HDC source = dc_ ? GDL_getWinDC(dc_) : nullptr;
    if (!source || !dc) return false;
    return BitBlt(dc, x, y, rect_.right - rect_.left, rect_.bottom - rect_.top, source, 0, 0,
                  SRCCOPY) != FALSE;
}
