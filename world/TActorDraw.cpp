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

#include "foundation/Saturate.h"
#include "gdl/bitmap.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "media/devices/TDispDev.h"

#include <algorithm>
#include <cmath>

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
// bits, else the library's 5:5:5 or 5:6:5 record the sprites were loaded in
// (its masks unshifted, as every converter of the library reads them).
void FillFormat(GdlPixelFormat& format) {
    GdlDeviceContext* dc = TDispDev::Global().GetContext();
    if (dc) {
        const GdlDeviceContext* live = GDL_liveDC(dc);
        if (live->mode.bitsPerPixel == 15 || live->mode.bitsPerPixel == 16) {
            format = live->format;
            return;
        }
    }
    format = Display555() ? GDL_pixelFormat555 : GDL_pixelFormat565;
}

// The transparent key of the frames: pure green in the room's layout.
uint16_t KeyPixel() {
    return Display555() ? 0x03E0 : 0x07E0;
}

// The key as the actor's canvas holds it once converted to the display: pure
// green on 15 and 16 bits; on deeper displays green without the low bits,
// which the library's conversion leaves empty. The canvas lets this colour
// through and the hit test misses it.
TColor KeyColor() {
    GdlPixelFormat format;
    FillFormat(format);
    uint8_t red, green, blue;
    GDL_unpackColor(&format, KeyPixel(), &red, &green, &blue);
    return TColor(red, green, blue);
}

// An animation scale that is no number (a script's 100 / 0) draws the frame
// at its own size.
float UsableScale(float scale) {
    return std::isfinite(scale) ? scale : 1.0f;
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
        frameBox_[2] = std::max(SatAdd(sprite->x, sprite->width), sprite->x);
        frameBox_[3] = std::max(SatAdd(sprite->y, sprite->height), sprite->y);
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
    // Anchors from scripts and offsets from files may lie anywhere in the
    // 32-bit range: their sums are made in 64 bits and every edge is held in
    // range, so the rectangle asked for is the one stored and the layout
    // settles.
    if ((elementFlags_ & efDepthScaling) && CurrentRoom()) {
        const float d = CurrentRoom()->GetCamera().DepthScale(depth3_);
        elementFlags_ = d <= 1.0f ? (elementFlags_ | efScaled) : (elementFlags_ & ~efScaled);
        const float s = UsableScale(d * UsableScale(current_->scale));
        const int32_t w = FloatToInt32(float(boxWidth) * s + 0.5f);
        const int32_t h = FloatToInt32(float(boxHeight) * s + 0.5f);
        const int32_t x =
            FloatToInt32(screenX_ - float(FloatToInt32(float(int64_t{current_->x} - frameX) * s)));
        const int32_t y =
            FloatToInt32(screenY_ - float(FloatToInt32(float(int64_t{current_->y} - frameY) * s)));
        SetRect(x, y, w, h);
    } else {
        SetRect(SatAdd(current_->x, frameX), SatAdd(current_->y, frameY), boxWidth, boxHeight);
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
    SpanEffectKeyFill key(KeyPixel());
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
    canvas.SetColor3(KeyColor());
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
    return !canvas.IsPixel(TPoint(x - screen.left, y - screen.top), KeyColor());
}
