// The application's screen capture: a capture timer child of the application
// writing display frames into an animation file, driven by Alt+F11 (pause,
// resume) and Alt+F12 (start, stop). The capture timer and its animation are
// built with the media layer's animations; without them the keys are still
// taken and the settings kept.
#include "gdl/driver.h"
#include "media/TDispDev.h"
#include "ui/TWinApp.h"

#if __has_include("media/TCapture.h")
#include "media/TCapture.h"
#include "media/TMetaAni.h"

struct TWinApp::TCaptureParts {
    TCapture timer;
    TMetaAni animation;
};

void TWinApp::CaptureCreate() {
    capture_ = new TCaptureParts;
}

void TWinApp::CaptureSetInterval(float ms) {
    if (capture_) capture_->timer.SetInterval(ms);
}

float TWinApp::GetCaptureTimerInterval() const {
    return capture_ ? capture_->timer.GetInterval() : 0.0f;
}

void TWinApp::CaptureConfigure() {
    if (!capture_) return;
    capture_->animation.SetName(captureFileName_.c_str());
    capture_->timer.SetAnimation(&capture_->animation);
    capture_->timer.SetDisplay(&TDispDev::Global());
}

void TWinApp::CaptureAttach() {
    if (capture_) capture_->timer.SetParent(this);
}

void TWinApp::CaptureShutdown() {
    if (!capture_) return;
    if (capture_->timer.IsRunning()) capture_->timer.StopRecording();
    capture_->timer.Close();
}

void TWinApp::CaptureKey(uint16_t key) {
    if (!capture_) return;
    TCapture& timer = capture_->timer;
    if (key == kF11Key) {
        if (timer.IsRunning())
            timer.Pause();
        else
            timer.Resume();
    } else if (!timer.IsRunning()) {
        timer.StartRecording();
        GDL_beep();
    } else {
        GDL_beep();
        timer.StopRecording();
    }
}

#else

struct TWinApp::TCaptureParts {};

void TWinApp::CaptureCreate() {}

void TWinApp::CaptureSetInterval(float) {}

float TWinApp::GetCaptureTimerInterval() const {
    return 0.0f;
}

void TWinApp::CaptureConfigure() {}
void TWinApp::CaptureAttach() {}
void TWinApp::CaptureShutdown() {}

void TWinApp::CaptureKey(uint16_t) {}

#endif

void TWinApp::CaptureDestroy() {
    CaptureShutdown();
    delete capture_;
    capture_ = nullptr;
}
