#include "ui/TEngine.h"

#include "drawing/TCanvasBlit.h"
#include "drawing/TConvBmp.h"
#include "drawing/TFontList.h"
#include "foundation/TCache.h"
#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TMMTimer.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/sound/TSndDev.h"
#include "ui/TWinApp.h"

#include <new>
#include <type_traits>

namespace {

TEngine* g_current = nullptr;

// The blitters read their background from the frame being composed and the
// conversions into 8 bits look colours up in the palette's cache.
GdlDeviceContext* DisplayContext() {
    TDispDev* display = Services().display;
    return display ? display->GetContext() : nullptr;
}

TPalCache* DisplayPalCache() {
    TDispDev* display = Services().display;
    return display ? display->GetPalTable().Cache() : nullptr;
}

// Builds one service and makes it reachable at once, so the next one may use
// it while it is built (the event manager's timer needs the registry).
template <class T> void Build(std::unique_ptr<T>& owner, T*& slot) {
    // Engine objects allocate through the engine's operator new, which gives
    // null on failure; the rest is asked not to throw.
    if constexpr (std::is_base_of_v<TObject, T>)
        owner.reset(new T);
    else
        owner.reset(new (std::nothrow) T);
    if (!owner) MissingService("memory (out of memory while building the engine)");
    slot = owner.get();
}

// Destroys one service, then empties its slot: its own destructor may still
// reach it through its accessor.
template <class T> void Destroy(std::unique_ptr<T>& owner, T*& slot) {
    owner.reset();
    slot = nullptr;
}

} // namespace

TEngine::TEngine(const platform::SessionOptions& platform) : session_(platform) {
    outer_ = g_current;
    outerServices_ = Services();
    g_current = this;
    TServices& s = Services();
    s = TServices{};
    DisplayHooks() = TDispHooks{};
    TDirtyRects::Forget();
    Build(error_, s.error);
    Build(timers_, s.timers);
    Build(cache_, s.cache);
    Build(events_, s.events);
    Build(display_, s.display);
    outerContextSource_ = TCanvasBlit::SetContextSource(&DisplayContext);
    outerCacheSource_ = TConvBmp::SetCacheSource(&DisplayPalCache);
    Build(cursor_, s.cursor);
    Build(sound_, s.sound);
    DisplayHooks().soundFocus = &TSndDev::FocusHook;
    Build(fonts_, s.fonts);
}

TEngine::~TEngine() {
    StopApplication();
    // The application's loop has ended and every service still runs, so
    // objects queued for deletion may still use them as they go.
    DrainDeleteLater();
    TearDown();
    g_current = outer_;
    Services() = outerServices_;
}

TEngine* TEngine::Current() {
    return g_current;
}

TEngine& TEngine::Require(const char* what) {
    if (!g_current) MissingService(what);
    return *g_current;
}

void TEngine::StopApplication() {
    TServices& s = Services();
    auto* app = dynamic_cast<TWinApp*>(s.application.Get());
    if (app && app->IsStarted()) app->Stop();
    // The application object is the program's: it only stops being reachable.
    s.application.Reset();
    s.applicationRunning = false;
    s.hintWindow.Reset();
}

void TEngine::TearDown() {
    TServices& s = Services();
    while (!parts_.empty())
        parts_.pop_back();
    fonts_->Empty();
    Destroy(fonts_, s.fonts);
    if (sound_->IsStarted()) {
        sound_->SetEnabled(false);
        sound_->Detach();
    }
    Destroy(sound_, s.sound);
    cursor_->Close();
    Destroy(cursor_, s.cursor);
    display_->Close();
    display_->ReleaseLibrary();
    TCanvasBlit::SetContextSource(outerContextSource_);
    TConvBmp::SetCacheSource(outerCacheSource_);
    Destroy(display_, s.display);
    DisplayHooks() = TDispHooks{};
    TDirtyRects::Forget();
    Destroy(events_, s.events);
    Destroy(cache_, s.cache);
    // A timer callback already on its way looks its timer up in the registry.
    platform::StopTimerThread();
    Destroy(timers_, s.timers);
    Destroy(error_, s.error);
}
