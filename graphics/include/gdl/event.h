// The library's event ring: a queue of 100 input records filled from the
// Windows messages of the calling thread. The engine's event manager keeps its
// own, larger ring of the same kind (gdl/event_ring.h) and uses this one only
// when it has no window. The ring has no lock: only the thread that owns the
// windows uses it.
#pragma once

#include "platform/Types.h"
#include "platform/User.h"

#include <cstdint>

// Event codes of `what`; the engine adds its own from 0x100 up.
enum : uint32_t {
    GDL_KEYDOWN = 1,
    GDL_KEYREPEAT = 2,
    GDL_KEYUP = 4,
    GDL_MOUSEDOWN = 8,
    GDL_MOUSEUP = 16,
    GDL_MOUSEMOVE = 32,
    GDL_TIMER = 64,
    GDL_USEREVENT = 128,
};

// Modifier bits.
enum : uint32_t {
    GDL_LEFTBUT = 1,
    GDL_RIGHTBUT = 2,
    GDL_SHIFT = 0x18,
    GDL_CTRL = 0x20,
    GDL_ALT = 0x40,
    GDL_DBLCLICK = 0x8000,
};

// One record. `message` and `modifiers` are pointer-sized: posted engine
// events carry object pointers in them.
struct GDLEvent {
    uint32_t which; // 0 for records made from messages; the poster's word
    uint32_t what;  // event code
    uint32_t when;  // ms: the message time, or timeGetTime for posted records
    int32_t x;      // mouse position
    int32_t y;
    uintptr_t message; // keys: scan code * 256 + character (+ repeat count << 16);
                       // buttons: 1 left, 4 right; posted: the poster's word
    uintptr_t modifiers;
    int32_t next; // chain links, -1 = none
    int32_t prev;
};

constexpr int GDL_EVENT_SLOTS = 100;

void GDL_initEvents(HWND window);
void GDL_resetEvents();
// Pumps the thread's messages, then takes the oldest record matching `mask`.
int GDL_getEvent(GDLEvent* event, uint32_t mask);
// 1 queued, 0 when the ring is full.
int GDL_postEvent(uint32_t which, uint32_t what, uintptr_t message, uintptr_t modifiers);
void GDL_flushEvents(uint32_t mask);
// Sets the window timer to `ticks` of 54.925 ms; returns the previous count.
uint32_t GDL_setTimerTick(uint32_t ticks);
void GDL_enqueueEvent(const GDLEvent* record);
void GDL_pumpEvents();
int GDL_eventCount();
// Full-screen modes scale mouse positions from the desktop to the mode; a
// desktop width of 0 means windowed (positions go through ScreenToClient).
void GDL_setEventScale(int desktopWidth, int desktopHeight, int modeWidth, int modeHeight);

// Shared with the engine's pump, which maps the same messages:
// the record of one message before TranslateMessage (what 0: none); mouse
// records keep the message point for the caller to convert.
uint32_t GDL_mapMessage(const MSG* msg, GDLEvent* record);
// For key records after TranslateMessage: takes the character from a
// following WM_CHAR or WM_SYSCHAR, forms the key code (remembered per scan
// code in `keyTable` for the key-up) and the modifier keys.
void GDL_keyRecord(const MSG* msg, GDLEvent* record, uint16_t* keyTable);
