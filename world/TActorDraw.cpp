// The actor's geometry, its frame rendered into the shared scratch surface,
// and its drawing and hit test.
#include "BlitSprite16.h"
#include "Camera3D.h"
#include "FloatToInt.h"
#include "GameServices.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "SpanEffect.h"
#include "SpriteCanvas16.h"
#include "TActor.h"
#include "TRlaFile.h"
#include "TRoom.h"

#include "gdl/bitmap.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "media/TDispDev.h"

#include <algorithm>

namespace {
constexpr int32_t kScratchWidth = 800;
constexpr int32_t kScratchHeight = 600;

// One scratch surface serves every actor: each renders and is drawn at once.
Surface16& Scratch() {
    static Surface16 scratch(kScratchWidth, kScratchHeight);
    return scratch;
}

GdlPixelFormat& ScratchFormat() {
    static GdlPixelFormat format{};
    return format;
}

// The pixel layout of the room's frames: the display's when it has 15 or 16
// bits, else the 5:5:5 or 5:6:5 layout the sprites were loaded in.
void FillFormat(GdlPixelFormat& format) {
    GdlDeviceContext* dc = TDispDev::Global().GetContext();
    if (dc) {
        const GdlDeviceContext* live = GDL_liveDC(dc);
        if (live->mode.bitsPerPixel == 15 || live->mode.bitsPerPixel == 16) {
            format = live->format;
            return;
        }
    }
    format = {};
    format.redMask = Display555() ? 0x7C00u : 0xF800u;
    format.greenMask = Display555() ? 0x03E0u : 0x07E0u;
    format.blueMask = 0x001Fu;
    format.redPosition = Display555() ? 10 : 11;
    format.greenPosition = 5;
    format.redAdjust = 3;
    format.greenAdjust = Display555() ? 3 : 2;
    format.blueAdjust = 3;
}
} // namespace

RleSprite16* TActor::ShownSprite() {
    if (!source_ || shownGroup_ < 0 || shownFrame_ < 0) return nullptr;
    return dynamic_cast<RleSprite16*>(source_->GetFrame(shownGroup_, shownFrame_));
}

uint32_t TActor::Update() {
    if (!(flags_ & (kDirty | kRedraw)) || !current_) return flags_;
    const bool redraw = (flags_ & kRedraw) != 0;
    TControl::Update();
    Invalidate(false);
    int32_t frameX = 0, frameY = 0;
    if (RleSprite16* sprite = ShownSprite()) {
        frameX = sprite->x;
        frameY = sprite->y;
        frameBox_[0] = sprite->x;
        frameBox_[1] = sprite->y;
        frameBox_[2] = std::max(sprite->x + sprite->width, sprite->x);
        frameBox_[3] = std::max(sprite->y + sprite->height, sprite->y);
    } else {
        frameBox_[0] = 0;
        frameBox_[1] = 0;
        frameBox_[2] = 80;
        frameBox_[3] = 120;
    }
    const int32_t boxWidth = frameBox_[2] - frameBox_[0];
    const int32_t boxHeight = frameBox_[3] - frameBox_[1];
    TRectArea before;
    GetBounds(before);
    if ((elementFlags_ & efDepthScaling) && CurrentRoom()) {
        const float d = CurrentRoom()->GetCamera().DepthScale(depth3_);
        elementFlags_ = d <= 1.0f ? (elementFlags_ | efScaled) : (elementFlags_ & ~efScaled);
        const float s = d * current_->scale;
        const int32_t w = FloatToInt32(float(boxWidth) * s + 0.5f);
        const int32_t h = FloatToInt32(float(boxHeight) * s + 0.5f);
        const int32_t x =
            FloatToInt32(screenX_ - float(FloatToInt32(float(current_->x - frameX) * s)));
        const int32_t y =
            FloatToInt32(screenY_ - float(FloatToInt32(float(current_->y - frameY) * s)));
        SetRect(x, y, w, h);
    } else {
        SetRect(current_->x + frameX, current_->y + frameY, boxWidth, boxHeight);
        elementFlags_ &= ~efScaled;
    }
    TRectArea after;
    GetBounds(after);
    // A new frame or place repaints; an unchanged actor rests.
    if (redraw || after.left != before.left || after.top != before.top ||
        after.right != before.right || after.bottom != before.bottom)
        Invalidate(true);
    return flags_;
}

GdlBitmap* TActor::RenderFrame() {
    static GdlBitmap header{};
    Surface16& scratch = Scratch();
    if (!source_ || !CurrentRoom() || !scratch.pixels) return nullptr;
    // Never wider or taller than the scratch surface the header describes.
    const int32_t w = std::min((frameBox_[2] - frameBox_[0] + 3) & ~3, scratch.width);
    const int32_t h = std::min(frameBox_[3] - frameBox_[1], scratch.height);
    if (w <= 0 || h <= 0) return nullptr;
    SpriteCanvas16& canvas = CurrentRoom()->GetSpriteCanvas();
    SpanEffectKeyFill key(Display555() ? 0x03E0 : 0x07E0);
    canvas.SetTarget(&scratch, {0, 0, w, h});
    canvas.SetEffect(&key);
    canvas.FillRect(0, 0, w, h);
    canvas.ApplyEffect();
    canvas.SetEffect(nullptr);
    canvas.ClearSpans();
    if (RleSprite16* sprite = ShownSprite())
        canvas.DrawRle(sprite, sprite->x - frameBox_[0], sprite->y - frameBox_[1]);
    canvas.SetTarget(nullptr, {0, 0, 0, 0});
    FillFormat(ScratchFormat());
    header.width = w;
    header.height = h;
    header.bitsPerPixel = Display555() ? 15 : 16;
    header.bytesPerLine = scratch.pitch;
    header.surface = scratch.pixels;
    header.palette = nullptr;
    header.pixelFormat = &ScratchFormat();
    return &header;
}

void TActor::Draw() {
    GdlBitmap* header = RenderFrame();
    if (!header) return;
    TCanvas& canvas = GetCanvas();
    GdlDeviceContext* dc = canvas.GetDevice();
    if (!dc || !GDL_liveDC(dc)->surface) return;
    TRectArea screen;
    GetScreenRect(screen);
    canvas.SetKeep(1);
    if (Game().Filtering() && (elementFlags_ & efScaled)) {
        const GdlDeviceContext* d = GDL_liveDC(dc);
        GDL_beginPixelAccess();
        BlitSprite16(d->surface, header->surface, header->bytesPerLine, header->width,
                     header->height, header->bitsPerPixel, int32_t(d->mode.bytesPerLine),
                     int32_t(d->mode.maxX) + 1, int32_t(d->mode.maxY) + 1, GetWidth(), GetHeight(),
                     int32_t(d->mode.bitsPerPixel), screen.left, screen.top, 0, 0);
        GDL_endPixelAccess();
        return;
    }
    canvas.StretchImage(0, 0, GetWidth(), GetHeight(), header);
}

bool TActor::HitTest(int32_t x, int32_t y) {
    if (!(elementFlags_ & efSelectable)) return false;
    TRectArea screen, visible;
    GetScreenRect(screen);
    GetVisibleRect(visible);
    const int32_t left = std::max(screen.left, visible.left);
    const int32_t top = std::max(screen.top, visible.top);
    const int32_t right = std::min(screen.right, visible.right);
    const int32_t bottom = std::min(screen.bottom, visible.bottom);
    if (x < left || x >= right || y < top || y >= bottom) return false;
    TCanvas& canvas = GetCanvas();
    if (!canvas.HasDevice()) return false;
    return !canvas.IsPixel(TPoint(x - screen.left, y - screen.top), TColor(0, 255, 0));
}
