#include "ui/TWinApp.h"

#include "drawing/TFontList.h"
#include "foundation/SplitPath.h"
#include "foundation/TColor.h"
#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "foundation/TKeys.h"
#include "foundation/TMMTimer.h"
#include "foundation/TServices.h"
#include "gdl/draw.h"
#include "gdl/windows.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/resources/TPalette.h"
#include "media/sound/TSndDev.h"
#include "platform/User.h"
#include "platform/Vfw.h"

#include <cstring>
#include <string>

namespace {

int32_t g_errorDepth = 0;

// The engine's application while its main loop runs.
TWinApp* Running() {
    TServices& s = Services();
    return s.applicationRunning ? dynamic_cast<TWinApp*>(s.application.Get()) : nullptr;
}

int ErrorCallback(void* owner, const char* text) {
    return static_cast<TWinApp*>(owner)->OnError(text) ? 1 : 0;
}

bool AppRunning() {
    TWinApp* running = Running();
    return running && running->IsEnabled();
}

void AppActivation(TEvent* event) {
    TWinApp* running = Running();
    if (!running || !event) return;
    if (event->type == evQueryEnd)
        running->OnQueryEndSession(event);
    else if (event->type == evQuit)
        running->OnCloseRequest(event);
}

void SetDisplayHooks(bool on) {
    DisplayHooks().appRunning = on ? &AppRunning : nullptr;
    DisplayHooks().appActivation = on ? &AppActivation : nullptr;
}

} // namespace

TWinApp::TWinApp() {
    AVIFileInit();
    CaptureCreate();
    SetRect(0, 0, 640, 480);
    SetStyle(stCountPresses | stHandleClicks | stTrackHover | stFocusable | stDefault);
    SetFrameStyle(0);
    SetTransparent(1);
    SetBorderWidth(0);
    // Inside already, so that showing the application sets its cursor.
    inside_ = 1;
    SetApplication(this);
}

TWinApp::~TWinApp() {
    AVIFileExit();
    TServices& s = Services();
    if (s.application.Is(this)) {
        // An application deleted without Stop leaves no way back to it.
        if (s.applicationRunning) {
            SetDisplayHooks(false);
            if (s.error) TError::SetCallback(nullptr, nullptr);
        }
        s.application.Reset();
        s.applicationRunning = false;
    }
    CaptureDestroy();
}

TWinApp* TWinApp::GetApp() {
    return dynamic_cast<TWinApp*>(Services().application.Get());
}

TWinApp* TWinApp::GetRunningApp() {
    return Running();
}

void TWinApp::SetHintWindow(TWinForm* hint) {
    Services().hintWindow = TRef<TWinForm>(hint);
}

TWinForm* TWinApp::GetHintWindow() {
    return Services().hintWindow.Get();
}

int32_t TWinApp::ErrorDialogDepth() {
    return g_errorDepth;
}

// --- Set-up ----------------------------------------------------------------------------

void TWinApp::SetPaths(const char* programPath) {
    std::string folder, file;
    if (programPath) {
        const TPathParts parts = SplitPath(programPath);
        folder = parts.drive + parts.dir;
        file = parts.name + parts.ext;
    }
    programFolder_ = folder.c_str();
    programFileName_ = file.c_str();
    protocolPath_ = (folder + "error.log").c_str();
    TFileCtl::SetRootPath(folder.c_str());
    TFileCtl::SetProfile((folder + "resource.ini").c_str());
    programPath_ = (folder + file).c_str();
}

void TWinApp::SetResourceFile(const char* fileName) {
    if (!fileName) return;
    const bool relative = !std::strchr(fileName, ':') && !std::strchr(fileName, '\\');
    const std::string folder = programFolder_.c_str() ? programFolder_.c_str() : "";
    TFileCtl::SetProfile(relative ? (folder + fileName).c_str() : fileName);
}

void TWinApp::SetInstance(HINSTANCE instance, HINSTANCE previous, int32_t showCommand) {
    TDispDev::Global().SetInstance(instance, previous, showCommand);
}

void TWinApp::SetDisplayOption(uint32_t option) {
    displayOption_ = option;
    TDispDev::Global().SetPaintFlags(option);
}

void TWinApp::SetWindowStyle(uint32_t style) {
    TDispDev::Global().SetWindowStyle(style);
}

void TWinApp::SetClassName(const char* name) {
    TDispDev::Global().SetClassName(name);
}

void TWinApp::SetCaption(const char* text) {
    SetTitle(text);
    TDispDev::Global().SetTitle(text);
    if (HWND window = TDispDev::Global().GetWindow()) SetWindowTextA(window, text);
}

// --- Life ------------------------------------------------------------------------------

void TWinApp::Start() {
    SetApplication(this);
    Services().applicationRunning = true;
    SetDisplayHooks(true);
    TError::ClearLists();
    TError::SetCallback(this, &ErrorCallback);
    TFileCtl::InitCache();
    ReadConfig();
    TDispDev& display = TDispDev::Global();
    if (palette_) {
        palette_->Load();
        display.SetPalette(palette_->GetEntries());
        palette_->Release();
    } else {
        display.SetPalette(nullptr);
    }
    started_ = display.Open();
    if (started_) StartDevices();
    Open(nullptr);
    cursorOpened_ = TCursDev::Global().Open(this) != 0;
}

void TWinApp::StartDevices() {
    GDL_setSuspendAppCallback(&OnDisplayMode);
    HiTimer_init();
    HiTimer_start();
    framesPerSecond_ = frameCount_ = nextFrameTime_ = measureStart_ = 0;
    TEventMgr& manager = TEventMgr::Global();
    manager.InitQueue(TDispDev::Global().GetWindow());
    if (freq_ > 0) manager.SetTimer(1000 / freq_);
    TSndDev::Global().Attach(this);
    TSndDev::Global().SetEnabled(true);
    CaptureAttach();
    TFontList::Global().Fill();
}

void TWinApp::Stop() {
    Close();
    // What the last steps queued goes while the devices it may use are open.
    DrainDeleteLater();
    if (started_) {
        started_ = false;
        StopDevices();
    } else if (cursorOpened_) {
        // The cursor device would keep this application as its receiver.
        TCursDev::Global().Close();
    }
    cursorOpened_ = false;
    TDispDev::Global().Close();
    TFileCtl::DoneCache();
    TError::WriteProtocol(protocolPath_.c_str());
    TDispDev::Global().ReleaseLibrary();
    if (Services().application.Is(this)) Services().applicationRunning = false;
    SetDisplayHooks(false);
}

void TWinApp::StopDevices() {
    TFontList::Global().Empty();
    TSndDev::Global().SetEnabled(false);
    TSndDev::Global().Detach();
    CaptureShutdown();
    HiTimer_stop();
    TCursDev::Global().Close();
    TEventMgr::Global().SetTimer(0);
}

// --- Errors ----------------------------------------------------------------------------

bool TWinApp::OnError(const char* text) {
    TError::Hold();
    TError::WriteProtocol(protocolPath_.c_str());
    bool stop = false;
    // A report that arrives while the user answers another one is answered
    // "go on" without a box.
    if (g_errorDepth == 0) {
        g_errorDepth = 1;
        TSndDev& sound = TSndDev::Global();
        const bool soundOn = (sound.Flags() & kEnabled) != 0;
        sound.SetEnabled(false);
        stop = AskUser(text);
        sound.SetEnabled(soundOn);
        --g_errorDepth;
    }
    TError::Release();
    return stop;
}

bool TWinApp::AskUser(const char* text) {
    TDispDev& display = TDispDev::Global();
    // Full screen has no box to show: every report stops.
    if (!(display.GetFlags() & TDispDev::fWindowed)) return true;
    const int answer =
        MessageBoxA(display.GetWindow(), text, nullptr, MB_ABORTRETRYIGNORE | MB_ICONSTOP);
    return answer == IDCANCEL || answer == IDABORT;
}

int32_t TWinApp::ReservedQuery(int32_t) {
    return 0;
}

int32_t TWinApp::OnDisplayMode(GdlDeviceContext* dc, int32_t reason) {
    if (!dc) return 1;
    if (reason == 2) {
        GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
        TColor black(0, 0, 0);
        GDL_setColor(black.GetPixel(dc));
        GDL_fillRect(0, 0, GDL_maxX(dc) + 1, GDL_maxY(dc) + 1);
        GDL_selectCurrentDC(previous);
        TDirtyRects::AddDirtyArea(0, 0, GDL_maxX(dc) + 1, GDL_maxY(dc) + 1);
        TEvent change;
        change.SetType(evProperty);
        change.data[0] = pcSystem;
        TEventMgr::Global().QueueCopy(&change);
        // The palette again, from a copy: the display copies it into itself.
        static GdlPaletteEntry again[256];
        std::memcpy(again, TDispDev::Global().GetAppPalette(), sizeof again);
        TDispDev::Global().SetPalette(again);
        TSndDev::Global().SetFocusState(2);
    } else if (reason == 1) {
        TSndDev::Global().SetFocusState(1);
    }
    return 1;
}

// --- Routing ---------------------------------------------------------------------------

void TWinApp::OnAppMouseLeave(TEvent*) {
    TCursDev::Global().SetCursorRes(cursor_.Get(), 0);
}

void TWinApp::OnAppMouseEnter(TEvent*) {
    TCursDev::Global().SetCursorRes(cursor_.Get(), 0);
}

void TWinApp::OnCloseRequest(TEvent*) {
    SetEnabled(false);
}

void TWinApp::OnQueryEndSession(TEvent*) {
    SetEnabled(false);
}

bool TWinApp::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    switch (event->type) {
        case evMouseMove: TrackAppHover(event); return TControl::HandleEvent(sender, event);
        case evKeyDown:
        case evKeyUp: return KeyPasses(event);
        case evPaint: return OnFrame(event);
        case evFocus: return FocusRequest(event);
        case evQuit:
        case evQueryEnd:
            if (event->type == evQuit)
                OnCloseRequest(event);
            else
                OnQueryEndSession(event);
            if (IsEnabled()) return true;
            return TFocusCtl::HandleEvent(this, event);
        default: return TFocusCtl::HandleEvent(sender, event);
    }
}

void TWinApp::TrackAppHover(TEvent* event) {
    if (!(style_ & stTrackHover)) return;
    const bool inside = HitTest(event->record.x, event->record.y);
    if (inside && !mouseInside_) {
        mouseInside_ = true;
        OnAppMouseEnter(event);
    } else if (!inside && mouseInside_) {
        mouseInside_ = false;
        OnAppMouseLeave(event);
    }
}

bool TWinApp::KeyPasses(TEvent* event) {
    if (!IsVisible() || !IsEnabled()) return false;
    if (OfferKeyToChildren(event, true)) return true;
    event->passState = psSecond;
    if (OfferKeyToChildren(event, false)) return true;
    return OwnKeyPass(event);
}

bool TWinApp::FocusRequest(TEvent* event) {
    intptr_t* d = event->data;
    if (!IsVisible() || !IsEnabled() || d[fwDone]) return false;
    auto everyChild = [&] {
        WalkChildren(true, [&](TComp* child) {
            child->HandleEvent(this, event);
            return false;
        });
    };
    if (event->Targets(this)) {
        if (!IsContainerKind(d[fwKind])) return false;
        d[fwDone] = 1;
        everyChild();
        return true;
    }
    if (!event->target) return false;
    auto offer = [&] {
        return WalkChildren(d[fwDirection] == 1,
                            [&](TComp* child) { return child->HandleEvent(this, event); });
    };
    bool took = offer();
    if (!took && d[fwMode] == fmWalk) took = offer();
    // A container that passed its focus on (a page closing) and left the
    // tree before the request arrived is never reached, so the request never
    // starts searching: the front-most container that can take the focus
    // gets it, as the form below the page would have.
    if (!took && !d[fwDone] && IsContainerKind(d[fwKind]) &&
        (d[fwMode] == fmNext || d[fwMode] == fmPrevious)) {
        d[fwMode] = fmWalk;
        took = offer();
    }
    if (!took) return false;
    if (d[fwDone]) everyChild();
    return true;
}

void TWinApp::OnKeyDown(TEvent* event) {
    if (!event) return;
    const uint16_t key = event->KeyCode();
    const bool alt = (uint32_t(event->record.modifiers) & kAltMask) != 0;
    if ((key == kKeyF11 || key == kKeyF12) && alt) {
        event->passState = psConsumed;
        if (useCapture_) CaptureKey(key);
        return;
    }
    TFocusCtl::OnKeyDown(event);
}
