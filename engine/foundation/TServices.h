// The services of the engine that runs now, as every layer reads them. The
// engine object (ui/TEngine.h) builds the services, fills these slots while it
// lives and empties them as it tears the services down; the accessors
// (TError's operations, TCache::Global, TEventMgr::Global, TDispDev::Global,
// TCursDev::Global, TSndDev::Global, TFontList::Global, the timers) read them.
// Using a service while no engine holds it is a fault of the program: it
// ends with a report that names the service, instead of a service made up on
// the spot that would outlive every engine.
#pragma once

#include "foundation/TRef.h"

class TCache;
class TComp;
class TCursDev;
class TDispDev;
class TError;
class TEventMgr;
class TFontList;
class TSndDev;
class TWinForm;
struct TTimerRegistry;

struct TServices {
    TError* error = nullptr;
    TTimerRegistry* timers = nullptr;
    TCache* cache = nullptr;
    TEventMgr* events = nullptr;
    TDispDev* display = nullptr;
    TCursDev* cursor = nullptr;
    TSndDev* sound = nullptr;
    TFontList* fonts = nullptr;
    // The application (the root of the component tree, a TWinApp in a
    // program) and whether its main loop runs; both belong to the engine's
    // run, never to the process. Checked: the display's hooks and every
    // control reach them long after the call that set them.
    TRef<TComp> application;
    bool applicationRunning = false;
    // The application's hint window while one is shown.
    TRef<TWinForm> hintWindow;
};

// The slots of the current engine; all empty while none is built. Written
// only while the engine is built and torn down, when no thread of it runs.
TServices& Services();

// Ends the program with a report that `service` was used with no engine.
[[noreturn]] void MissingService(const char* service);

// The service in `slot`, or the report above.
template <class T> T& RequireService(T* slot, const char* service) {
    if (!slot) MissingService(service);
    return *slot;
}
