// The application's screen capture: a capture timer child of the application
// writing display frames into an animation file, driven by Alt+F11 (pause,
// resume) and Alt+F12 (start, stop). The capture timer and its animation are
// built when capture is on.
#include "foundation/TError.h"
#include "foundation/TKeys.h"
#include "gdl/driver.h"
#include "media/devices/TDispDev.h"
#include "ui/TWinApp.h"

#include "media/animation/TCapture.h"
#include "media/animation/TMetaAni.h"

#include <new>

struct TWinApp::TCaptureParts {
    TCapture timer;
    TMetaAni animation;
};

// Without memory for it the application runs without capture.
void TWinApp::CaptureCreate() {
    capture_ = new (std::nothrow) TCaptureParts;
    if (!capture_) TError::Raise(9, nullptr, nullptr, "Source\\TWinApp", __LINE__);
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
    // A paused recording is finished too: its file is complete only when closed.
    if (capture_->timer.IsRecording()) capture_->timer.StopRecording();
    capture_->timer.Close();
}

// F11 pauses and resumes a recording; F12 starts one or stops it. A paused
// recording still holds its file open, so F12 stops it rather than opening
// the file for writing again, and F11 without a recording has nothing to
// resume.
void TWinApp::CaptureKey(uint16_t key) {
    if (!capture_) return;
    TCapture& timer = capture_->timer;
    if (key == kKeyF11) {
        if (timer.IsRunning())
            timer.Pause();
        else if (timer.IsRecording())
            timer.Resume();
    } else if (!timer.IsRecording()) {
        timer.StartRecording();
        GDL_beep();
    } else {
        GDL_beep();
        timer.StopRecording();
    }
}

void TWinApp::CaptureDestroy() {
    CaptureShutdown();
    delete capture_;
    capture_ = nullptr;
}
