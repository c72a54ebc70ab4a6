// Screen capture: a timer component that, at every firing, writes the
// display's drawing context as the next frame of an animation opened for
// writing (an AVI film or a delta animation, by the file's extension).
// Frames are dropped while the display has another size than at the start.
#pragma once

#include "foundation/TTimer.h"
#include "gdl/bitmap.h"
#include "gdl/pixelformat.h"

#include <cstdint>

class TDispDev;
class TMetaAni;

class TCapture : public TTimer {
public:
    TCapture();
    ~TCapture() override;

    void SetDisplay(TDispDev* display);
    void SetAnimation(TMetaAni* animation);
    TDispDev* GetDisplay() const { return display_; }
    TMetaAni* GetAnimation() const { return animation_; }

    // Opens the animation for writing, writes frame 0 and starts the timer;
    // false (and nothing changed) when that cannot be done.
    bool StartRecording();
    void StopRecording();
    void Pause();
    void Resume();
    bool IsRunning() const { return running_ != 0; }
    // Started and not yet stopped: running or paused, the animation open.
    bool IsRecording() const { return recording_; }
    // Stops the timer and leaves the parent.
    void Close();

    // The timer's handler for ticks: one frame.
    int OnTick(TObject* sender, TEvent* event);

    int32_t FrameNumber() const { return frame_; }
    int32_t RecordedWidth() const { return width_; }
    int32_t RecordedHeight() const { return height_; }
    int32_t RecordedDepth() const { return depth_; }
    const GdlBitmap& FrameDescription() const { return description_; }

private:
    void SetTimerOn(bool on);
    void FreeFormat();

    TDispDev* display_ = nullptr;
    TMetaAni* animation_ = nullptr;
    GdlBitmap description_{};
    int32_t width_ = 0, height_ = 0, depth_ = 0;
    int32_t frame_ = 0;
    int32_t running_ = 0;
    bool recording_ = false;
    bool handlerAdded_ = false;
};
