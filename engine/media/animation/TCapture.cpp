#include "media/animation/TCapture.h"

#include "gdl/dc.h"
#include "media/animation/TMetaAni.h"
#include "media/devices/TDispDev.h"

#include <algorithm>
#include <cstring>

TCapture::TCapture() {
    SetTimerOn(false);
}

TCapture::~TCapture() {
    if (flags_ & kEnabled) SetTimerOn(false);
    FreeFormat();
}

void TCapture::SetTimerOn(bool on) {
    SetFlags(kEnabled, on);
}

void TCapture::FreeFormat() {
    EngineFree(description_.pixelFormat);
    description_.pixelFormat = nullptr;
}

void TCapture::SetDisplay(TDispDev* display) {
    if (display != display_) display_ = display;
}

void TCapture::SetAnimation(TMetaAni* animation) {
    if (animation != animation_) animation_ = animation;
}

bool TCapture::StartRecording() {
    if (!display_ || !animation_ || !display_->GetDrawContext()) return false;
    const GdlDeviceContext* dc = GDL_liveDC(display_->GetDrawContext());
    const int32_t width = static_cast<int32_t>(dc->mode.maxX) + 1;
    const int32_t height = static_cast<int32_t>(dc->mode.maxY) + 1;
    const int32_t bits = static_cast<int32_t>(dc->mode.bitsPerPixel);
    const int32_t depth = bits == 15 ? 16 : bits;
    auto* format = static_cast<GdlPixelFormat*>(EngineAlloc(sizeof(GdlPixelFormat)));
    if (!format || !animation_->Open(2)) {
        EngineFree(format);
        return false;
    }
    FreeFormat();
    *format = dc->format;
    width_ = width;
    height_ = height;
    depth_ = depth;
    description_.width = width;
    description_.height = height;
    description_.bitsPerPixel = depth;
    // The context's own row length: rows may be padded.
    description_.bytesPerLine = static_cast<int32_t>(dc->mode.bytesPerLine);
    description_.surface = dc->surface;
    description_.palette =
        depth <= 8 ? const_cast<GdlPaletteEntry*>(display_->GetPalette()) : nullptr;
    description_.pixelFormat = format;
    animation_->SetPixelFormat(&description_);
    animation_->SetRate(1000.0f / std::max(GetInterval(), 1.0f));
    if (!animation_->WriteFrame(0)) {
        animation_->Close();
        FreeFormat();
        return false;
    }
    frame_ = 1;
    SetTimerOn(true);
    if (!handlerAdded_) handlerAdded_ = Add<TCapture, &TCapture::OnTick>(evTick, this) != 0;
    running_ = 1;
    recording_ = true;
    return true;
}

int TCapture::OnTick(TObject*, TEvent*) {
    if (!running_ || !display_ || !animation_ || !display_->GetDrawContext()) return 0;
    // The context is rebuilt when the window changes size: take its pixels
    // and row length afresh each time.
    const GdlDeviceContext* dc = GDL_liveDC(display_->GetDrawContext());
    if (static_cast<int32_t>(dc->mode.maxX) + 1 != width_ ||
        static_cast<int32_t>(dc->mode.maxY) + 1 != height_)
        return 0;
    description_.surface = dc->surface;
    description_.bytesPerLine = static_cast<int32_t>(dc->mode.bytesPerLine);
    if (depth_ <= 8) description_.palette = const_cast<GdlPaletteEntry*>(display_->GetPalette());
    animation_->WriteFrame(frame_);
    ++frame_;
    return 0;
}

void TCapture::StopRecording() {
    running_ = 0;
    recording_ = false;
    SetTimerOn(false);
    if (animation_) animation_->Close();
    FreeFormat();
}

void TCapture::Pause() {
    SetTimerOn(false);
    running_ = 0;
}

void TCapture::Resume() {
    SetTimerOn(true);
    running_ = 1;
}

void TCapture::Close() {
    if (flags_ & kEnabled) SetTimerOn(false);
    Detach();
}
