#include "TImageButton.h"

#include "drawing/BlitCore.h"
#include "gdl/bitmap.h"
#include "media/resources/TPicture.h"

#include <algorithm>

TImageButton::TImageButton() {
    SetTransparent(1);
    GetCanvas().SetKeep(1);
    GetCanvas().SetBuffered(TCanvas::kAlwaysDirect);
    // What a buffered canvas presents in this colour shows what lies behind.
    GetCanvas().SetColor3(TColor(0, 255, 0));
}

void TImageButton::Draw() {
    TPicture* source = GetSource();
    // Alpha 0 shows nothing: the picture is not even made ready.
    if (GetAlpha() == 0 || !source) {
        ClearBuffer();
        return;
    }
    if (!source->Lock(GetIndex(), GetSubIndex()))
        ClearBuffer();
    else if (const GdlBitmap* picture = LockedBitmap(source))
        Blend(*picture);
    else
        ClearBuffer();
    source->Unlock();
}

void TImageButton::ClearBuffer() {
    TCanvas& canvas = GetCanvas();
    if (!canvas.GetDevice() || canvas.GetDevice() == TCanvasBlit::MainContext()) return;
    canvas.SetBackColor(canvas.GetColor3());
    canvas.Clear();
}

TRectArea TImageButton::DrawnPart(const TRectArea& clip, int32_t width, int32_t height) {
    TRectArea placed{0, 0, std::max(0, width), std::max(0, height)};
    FitRect(placed);
    // A scaled fit does not stretch the picture: only its own pixels blend.
    TRectArea part{placed.left, placed.top, placed.left + std::max(0, width),
                   placed.top + std::max(0, height)};
    const TRectArea own{0, 0, GetWidth(), GetHeight()};
    if (!IntersectRect(part, clip) || !IntersectRect(part, own)) return {0, 0, 0, 0};
    return part;
}

void TImageButton::Blend(const GdlBitmap& picture) {
    TCanvas& canvas = GetCanvas();
    blitcore::TBackground target;
    if (!picture.surface || !blitcore::ReadBackground(canvas.GetDevice(), target)) return;
    // A direct canvas draws at screen places; a buffered one holds the
    // graphic alone from its top left corner.
    TRectArea screen;
    GetScreenRect(screen);
    const bool direct = canvas.GetDevice() == TCanvasBlit::MainContext();
    const int32_t originX = direct ? screen.left : 0, originY = direct ? screen.top : 0;
    TRectArea clip;
    canvas.GetClipRect(&clip);
    clip = {clip.left - originX, clip.top - originY, clip.right - originX, clip.bottom - originY};
    TRectArea placed{0, 0, std::max(0, picture.width), std::max(0, picture.height)};
    FitRect(placed);
    const TRectArea part = DrawnPart(clip, picture.width, picture.height);
    const int32_t width = part.right - part.left, height = part.bottom - part.top;
    if (!direct &&
        (part.left > 0 || part.top > 0 || part.right < GetWidth() || part.bottom < GetHeight()))
        ClearBuffer();
    if (width <= 0 || height <= 0) return;
    const int32_t bytes = picture.bitsPerPixel == 15 ? 2 : picture.bitsPerPixel / 8;
    const uint8_t* first = picture.surface +
                           intptr_t(part.top - placed.top) * picture.bytesPerLine +
                           intptr_t(part.left - placed.left) * bytes;
    TCanvas::Blit(target.surface, first, picture.bytesPerLine, width, height, picture.bitsPerPixel,
                  target.pitch, target.width, target.height, width, height, target.depth,
                  screen.left + part.left, screen.top + part.top, originX + part.left,
                  originY + part.top, GetAlpha());
}
