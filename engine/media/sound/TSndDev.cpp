#include "media/sound/TSndDev.h"

#include "foundation/TError.h"
#include "foundation/TServices.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/sound/SoundSystem.h"

namespace {

struct SoundMessage {
    int code;
    int32_t error;
    const char* text;
};

constexpr SoundMessage kMessages[] = {
    {1, 9, "alloc memory for sound device"},
    {2, 9, "alloc locked memory for sound device"},
    {3, 26, "no sound device available"},
    {4, 26, "no valid sound format"},
    {5, 26, "cannot open sound device"},
    {6, 26, "cannot prepare sound buffer"},
    {7, 26, "cannot write sound buffer"},
    {9, 26, "create direct sound primary buffer"},
    {10, 26, "create direct sound secondary buffer"},
    {11, 26, "play direct sound primary buffer"},
    {12, 26, "play direct sound secondary buffer"},
};

HWND DisplayWindow() {
    TDispDev* display = TDispDev::Active();
    return display ? display->GetWindow() : nullptr;
}

} // namespace

void TSndDev::FocusHook(int32_t state) {
    if (TSndDev* sound = Services().sound) sound->SetFocusState(state);
}

TSndDev::TSndDev() {
    flags_ &= ~kEnabled;
    Invalidate(true);
    Update();
}

TSndDev::~TSndDev() {
    if (DisplayHooks().soundFocus == &FocusHook && Services().sound == this)
        DisplayHooks().soundFocus = nullptr;
}

TSndDev& TSndDev::Global() {
    return RequireService(Services().sound, "sound device");
}

void TSndDev::Report(int code, int32_t line) {
    const SoundMessage* found = nullptr;
    for (const SoundMessage& m : kMessages)
        if (m.code == code) found = &m;
    TError::Raise(found ? found->error : 26, found ? found->text : "unknown error", nullptr,
                  "Source\\TSndDev", line);
}

void TSndDev::SetOutputFlags(uint32_t flags) {
    outputFlags_ = static_cast<uint16_t>(flags);
    Invalidate(true);
    Update();
}

int TSndDev::OnTick(void*, TObject*, TEvent*) {
    return 0;
}

int TSndDev::Attach(TComp* parent) {
    SetParent(parent);
    if (outputFlags_ == 0) return 1;
    if (started_) return 0;
    const int code = SoundSystemStart(DisplayWindow(), outputFlags_);
    if (code == 0)
        started_ = true;
    else
        Report(code, 98);
    timer_.SetInterval(300.0f);
    timer_.Add(evTick, &timer_, &TSndDev::OnTick, 0);
    Invalidate(true);
    Update();
    return started_;
}

void TSndDev::Detach() {
    if (started_) {
        SoundCloseOutput();
        SoundSystemStop();
    }
    TComp::Detach();
    started_ = false;
    outputOpen_ = false;
    outputAsked_ = false;
}

uint32_t TSndDev::SetEnabled(bool on) {
    flags_ = on ? (flags_ | kEnabled) : (flags_ & ~kEnabled);
    Invalidate(true);
    Update();
    return flags_;
}

int TSndDev::SetFocusState(int32_t state) {
    if (state == 2) focusLost_ = false;
    if (state == 1) focusLost_ = true;
    Invalidate(true);
    Update();
    return 1;
}

bool TSndDev::IsReady() const {
    return started_ && SoundSystemIsReady();
}

uint32_t TSndDev::Update() {
    if (!IsDirty()) return flags_;
    flags_ &= ~kDirty;
    if (!started_) return flags_;
    if ((flags_ & kEnabled) && !focusLost_) {
        if (!outputOpen_) OpenOutput();
    } else if (outputOpen_ || outputAsked_) {
        SoundCloseOutput();
        outputOpen_ = false;
        outputAsked_ = false;
    }
    return flags_;
}

bool TSndDev::OpenOutput() {
    if (outputOpen_ || !started_) return true;
    const int code = SoundOpenOutput();
    outputAsked_ = true;
    if (code == 0) {
        outputOpen_ = true;
        return true;
    }
    Report(code, 196);
    return false;
}
