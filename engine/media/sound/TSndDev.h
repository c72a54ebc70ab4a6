// The sound device: the engine's one component that starts and stops the sound
// system, opens the mixer's output only while sound is enabled and the
// display window has the focus, and reports the sound system's failures.
#pragma once

#include "foundation/TComp.h"
#include "foundation/TTimer.h"

#include <cstdint>

class TSndDev : public TComp {
public:
    TSndDev();
    ~TSndDev() override;

    // The current engine's device (ui/TEngine.h builds it and registers
    // FocusHook with the display).
    static TSndDev& Global();
    // The display's focus hook: hands the state to the current device.
    static void FocusHook(int32_t state);

    void SetOutputFlags(uint32_t flags);
    uint32_t GetOutputFlags() const { return outputFlags_; }
    // Attaches under `parent` and starts the sound system: 1 without output
    // flags (nothing starts), 0 when already started, else whether it started.
    int Attach(TComp* parent);
    void Detach();
    uint32_t SetEnabled(bool on) override;
    // 2 focus gained, 1 lost; other values are ignored. Returns 1.
    int SetFocusState(int32_t state);
    bool IsReady() const;
    uint32_t Update() override;
    bool OpenOutput();

    bool IsStarted() const { return started_; }
    bool IsOutputOpen() const { return outputOpen_; }
    bool IsFocusLost() const { return focusLost_; }
    TTimer& Timer() { return timer_; }

private:
    static int OnTick(void* target, TObject* sender, TEvent* event);
    void Report(int code, int32_t line);

    uint16_t outputFlags_ = 0;
    bool started_ = false;
    bool focusLost_ = false;
    bool outputOpen_ = false;
    // The mixer was asked to open its output and has not closed it since.
    // An open that answered a code may still play: DirectSound without a
    // format it names opens with its default one.
    bool outputAsked_ = false;
    TTimer timer_;
};
