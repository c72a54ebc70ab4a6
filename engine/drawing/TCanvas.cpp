#include "drawing/TCanvas.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "media/TDispDev.h"
#include "platform/Gdi.h"

TCanvas::TCanvas() : fore_(255, 255, 255), back_(0, 0, 0), color3_(0, 255, 0) {}

TCanvas::~TCanvas() {
    ReleaseDevice();
}

bool TCanvas::CreateDevice(const TRectArea& rect) {
    ReleaseDevice();
    rect_ = rect;
    dc_ = TDispDev::Global().CreateCanvasContext(rect);
    return dc_ != nullptr;
}

bool TCanvas::ResizeDevice(const TRectArea& rect) {
    rect_ = rect;
    dc_ = TDispDev::Global().ResizeCanvasContext(rect, dc_);
    return dc_ != nullptr;
}

void TCanvas::ReleaseDevice() {
    if (selected_) Deselect();
    if (dc_) TDispDev::Global().DestroyCanvasContext(dc_);
    dc_ = nullptr;
}

bool TCanvas::Select() {
    if (!dc_) return false;
    previous_ = GDL_selectCurrentDC(dc_);
    selected_ = true;
    GDL_setColor(fore_.GetPixel(dc_));
    GDL_setBackColor(back_.GetPixel(dc_));
    GDL_setWriteMode(writeMode_);
    return true;
}

void TCanvas::Deselect() {
    if (!selected_) return;
    selected_ = false;
    GDL_selectCurrentDC(previous_);
    previous_ = nullptr;
}

void TCanvas::PutMonoImage(int32_t x, int32_t y, int32_t bytesPerLine, int32_t rows,
                           const uint8_t* bits) {
    if (!dc_ || !bits || bytesPerLine <= 0 || rows <= 0) return;
    // Write mode and colours as they are now: the cursor draws its AND mask
    // and then its XOR mask through one canvas, changing both in between.
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc_);
    GDL_setWriteMode(writeMode_);
    GDL_setBackColor(back_.GetPixel(dc_));
    GDL_setColor(fore_.GetPixel(dc_));
    GDL_drawMonoImage(dc_, x, y, bytesPerLine, rows, bits);
    if (previous != dc_) GDL_selectCurrentDC(previous);
}

void TCanvas::Clear() {
    if (!dc_) return;
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc_);
    GDL_setBackColor(back_.GetPixel(dc_));
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
}

void TCanvas::Present(const TRectArea& clip) {
    TDispDev& display = TDispDev::Global();
    GdlDeviceContext* target = display.GetDrawContext();
    if (!target || !dc_) return;
    GdlRect old{};
    GDL_getClipRect(target, &old);
    GDL_setClipRect(target, clip.left, clip.top, clip.right, clip.bottom);
    display.DrawCanvas(rect_.left, rect_.top, this);
    GDL_setClipRect(target, old.left, old.top, old.right, old.bottom);
}

bool TCanvas::CopyToDC(HDC dc, int32_t x, int32_t y) {
    HDC source = dc_ ? GDL_getWinDC(dc_) : nullptr;
    if (!source || !dc) return false;
    return BitBlt(dc, x, y, rect_.right - rect_.left, rect_.bottom - rect_.top, source, 0, 0,
                  SRCCOPY) != FALSE;
}
