// The application's frame: pacing by the engine clock, the frames-per-second
// count, and the paint walk of the tree into the display.
#include "foundation/TMMTimer.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "ui/TWinApp.h"

#include <cmath>

double TWinApp::ClockResolution() {
    // The clock reports its resolution as a float: slightly above 0.001, so
    // a frame period that is a whole number of milliseconds paces one less.
    return static_cast<double>(static_cast<float>(HiTimer_resolution()));
}

bool TWinApp::FrameDue(int32_t now, int32_t next, int32_t frameRate) {
    const int32_t difference = static_cast<int32_t>(static_cast<uint32_t>(now) - uint32_t(next));
    return ClockResolution() * difference > 1.0 / frameRate;
}

int32_t TWinApp::FrameStep(int32_t frameRate) {
    return static_cast<int32_t>(std::trunc(1.0 / (ClockResolution() * frameRate)));
}

bool TWinApp::OnFrame(TEvent* event) {
    if (!event) return false;
    const int32_t now = static_cast<int32_t>(HiTimer_lap());
    if (frameRate_ >= 1) {
        if (!FrameDue(now, nextFrameTime_, frameRate_)) return false;
        // By one period, not to now: frames after a late one catch up.
        nextFrameTime_ += FrameStep(frameRate_);
    } else {
        nextFrameTime_ = now;
    }
    CountFrame(now);
    if (!IsVisible()) return true;
    PaintFrame(event);
    if (TDirtyRects::IsChanged()) {
        TDispDev::Global().Present();
        TDispDev::Global().FlipPage();
        TDirtyRects::SetChanged(0);
    }
    return true;
}

void TWinApp::CountFrame(int32_t now) {
    ++frameCount_;
    const int32_t since =
        static_cast<int32_t>(static_cast<uint32_t>(now) - uint32_t(measureStart_));
    const double window = ClockResolution() * since;
    if (window > 1.0) {
        framesPerSecond_ = static_cast<int32_t>(std::trunc(frameCount_ * 10.0 / window));
        frameCount_ = 0;
        measureStart_ = now;
    }
}

void TWinApp::PaintFrame(TEvent* event) {
    TRectArea screen;
    TDispDev::Global().GetScreenRect(&screen);
    SetPos(screen.left, screen.top);
    TRectArea client;
    GetClientRect(client);
    int32_t x, y, w, h;
    GetPosSize(x, y, w, h);
    const TRectArea absolute{x, y, x + w, y + h};
    SetPaintPhase(event, phLayout);
    SetPaintRect(event, prClient, client);
    SetPaintRect(event, prExtent, {0, 0, client.right - client.left, client.bottom - client.top});
    SetPaintRect(event, prVisibleClient, absolute);
    SetPaintRect(event, prVisibleExtent, absolute);
    TGraphic::HandleEvent(this, event);
    TCursDev::Global().Move();
    if (!TDirtyRects::IsChanged()) return;
    SetPaintPhase(event, phFlush);
    TGraphic::HandleEvent(this, event);
    SetPaintPhase(event, phPaint);
    TGraphic::HandleEvent(this, event);
    TCursDev::Global().Draw();
}
