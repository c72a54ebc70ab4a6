// The engine: the one owner of its services. A program's entry builds one
// before anything of the engine is used, and so does every test (the shared
// test main builds a fresh one around each test). It builds, in this order,
// the platform's session (host, clock, windows, registry, sound), the error
// handler, the timers' registry, the cache, the event manager, the display,
// the cursor device, the sound device and the font list, makes them what
// TError, TCache::Global, TEventMgr::Global, TDispDev::Global,
// TCursDev::Global, TSndDev::Global and TFontList::Global reach, and destroys
// them in the reverse order. Parts of the layers above (the world's state)
// hang on it too, and go before the services.
//
// The application is the program's own object (a TWinApp or a class derived
// from it), built after the engine and destroyed before it; it registers
// itself while it lives. One still running when the engine goes is stopped
// first, so its devices close in order.
//
// Engines nest: an engine built while another lives takes over the accessors
// (with a fresh platform session) and hands them back when it goes.
#pragma once

#include "foundation/TServices.h"
#include "platform/Session.h"

#include <memory>
#include <vector>

class TCache;
class TCursDev;
class TDispDev;
class TError;
class TEventMgr;
class TFontList;
class TSndDev;
struct GdlDeviceContext;
struct TPalCache;
struct TTimerRegistry;

// Something a layer above the engine keeps per engine (the world's state).
class TEnginePart {
public:
    virtual ~TEnginePart() = default;
};

class TEngine {
public:
    explicit TEngine(const platform::SessionOptions& platform = {});
    ~TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    // The engine built last and still alive, or null.
    static TEngine* Current();
    // The same, ending the program with a report when there is none.
    static TEngine& Require(const char* what);

    // The part of type T, built on first use and kept until the engine goes.
    template <class T> T& Part() {
        for (const std::unique_ptr<TEnginePart>& part : parts_)
            if (T* found = dynamic_cast<T*>(part.get())) return *found;
        parts_.push_back(std::make_unique<T>());
        return static_cast<T&>(*parts_.back());
    }

    bool HostReady() const { return session_.HostReady(); }

private:
    void Install();
    void StopApplication();
    void TearDown();

    platform::Session session_;
    std::unique_ptr<TError> error_;
    std::unique_ptr<TTimerRegistry> timers_;
    std::unique_ptr<TCache> cache_;
    std::unique_ptr<TEventMgr> events_;
    std::unique_ptr<TDispDev> display_;
    std::unique_ptr<TCursDev> cursor_;
    std::unique_ptr<TSndDev> sound_;
    std::unique_ptr<TFontList> fonts_;
    std::vector<std::unique_ptr<TEnginePart>> parts_;
    TServices outerServices_;
    TEngine* outer_ = nullptr;
    // The drawing layer's reach into the display, as the outer engine (or a
    // test) had set it.
    GdlDeviceContext* (*outerContextSource_)() = nullptr;
    TPalCache* (*outerCacheSource_)() = nullptr;
};
