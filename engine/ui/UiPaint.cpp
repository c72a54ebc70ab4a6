#include "ui/UiPaint.h"

#include "gdl/draw.h"
#include "media/TPicture.h"
#include "media/TResource.h"

namespace ui {
namespace {

// The drawing state of a checkerboard: the opaque mono pattern of rows 0xAA
// and 0x55, set bits in the fore colour and clear ones in the back colour.
class TCheckerAttr : public TCanvasAttr {
public:
    void Apply() override {
        static const uint8_t pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
        GDL_setPenStyle(1);
        GDL_setPenSize(1, 1);
        GDL_setWriteMode(0);
        GDL_setMonoPattern(pattern);
        GDL_setFillStyle(1);
    }
};

void FillWithAttr(TCanvas& canvas, const TRectArea& rect, TCanvasAttr& attr) {
    canvas.SetDrawAttr(&attr);
    canvas.FillRect(rect);
    canvas.SetDrawAttr(nullptr);
}

} // namespace

void Bevel(TCanvas& canvas, const TRectArea& rect, const TColor& first, const TColor& second,
           bool sunken, int32_t width) {
    // The library's style 1 puts the fore colour on the top and left edges,
    // style 0 the back colour.
    canvas.SetForeColor(first);
    canvas.SetBackColor(second);
    canvas.DrawBevel(rect, sunken ? 0 : 1, width);
}

void FillCheckered(TCanvas& canvas, const TRectArea& rect, const TColor& first,
                   const TColor& second) {
    static TCheckerAttr checker;
    canvas.SetForeColor(first);
    canvas.SetBackColor(second);
    FillWithAttr(canvas, rect, checker);
}

void DottedFrame(TCanvas& canvas, const TRectArea& rect, const TColor& color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    canvas.SetForeColor(color);
    // Every other pixel along the outline, counted from the top-left corner.
    const int32_t right = rect.right - 1, bottom = rect.bottom - 1;
    for (int32_t x = rect.left; x <= right; x += 2) {
        canvas.FillRect(x, rect.top, x + 1, rect.top + 1);
        canvas.FillRect(x, bottom, x + 1, bottom + 1);
    }
    for (int32_t y = rect.top; y <= bottom; y += 2) {
        canvas.FillRect(rect.left, y, rect.left + 1, y + 1);
        canvas.FillRect(right, y, right + 1, y + 1);
    }
}

TRectArea Inset(const TRectArea& rect, int32_t n) {
    TRectArea r{rect.left + n, rect.top + n, rect.right - n, rect.bottom - n};
    if (r.right <= r.left || r.bottom <= r.top) return TRectArea{0, 0, 0, 0};
    return r;
}

const GdlBitmap* LockImage(TPicture* picture, int32_t index, int32_t variant) {
    if (!picture || !picture->Lock(index, variant)) return nullptr;
    // Every picture source of the engine is a resource whose loaded record
    // is the library's bitmap.
    TResource* resource = dynamic_cast<TResource*>(picture);
    const GdlBitmap* image = resource ? static_cast<const GdlBitmap*>(resource->GetData()) : nullptr;
    if (!image) picture->Unlock();
    return image;
}

void ReleaseImage(TPicture* picture) {
    if (picture) picture->Unlock();
}

} // namespace ui
