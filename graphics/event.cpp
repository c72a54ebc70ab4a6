#include "gdl/event.h"
#include "gdl/event_ring.h"
#include "library_state.h"

#include "platform/Kernel.h"

#include <cstring>

namespace {

using Ring = gdl_internal::EventRing;

// The ring, reached from the library's own thread only (the default argument
// names the caller).
Ring& R(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return gdl_internal::state().events;
}

struct Button {
    UINT message;
    uint32_t what;
    uintptr_t word;
    uint32_t extra;
};

// Mouse messages: event code, message word and added modifier bits.
const Button kButtons[] = {
    {WM_MOUSEMOVE, GDL_MOUSEMOVE, 0, 0},
    {WM_LBUTTONDOWN, GDL_MOUSEDOWN, 1, 0},
    {WM_LBUTTONUP, GDL_MOUSEUP, 1, 0},
    {WM_LBUTTONDBLCLK, GDL_MOUSEDOWN, 1, GDL_DBLCLICK},
    {WM_RBUTTONDOWN, GDL_MOUSEDOWN, 4, 0},
    {WM_RBUTTONUP, GDL_MOUSEUP, 4, 0},
    {WM_RBUTTONDBLCLK, GDL_MOUSEDOWN, 4, GDL_DBLCLICK},
};

} // namespace

uint32_t GDL_mapMessage(const MSG* msg, GDLEvent* record) {
    std::memset(record, 0, sizeof *record);
    record->next = record->prev = -1;
    for (const Button& b : kButtons) {
        if (msg->message != b.message) continue;
        uint32_t buttons = 0;
        if (msg->wParam & MK_LBUTTON) buttons |= GDL_LEFTBUT;
        if (msg->wParam & MK_RBUTTON) buttons |= GDL_RIGHTBUT;
        if (msg->wParam & MK_SHIFT) buttons |= GDL_SHIFT;
        if (msg->wParam & MK_CONTROL) buttons |= GDL_CTRL;
        record->what = b.what;
        record->message = b.word;
        record->modifiers = buttons | b.extra;
        record->x = msg->pt.x;
        record->y = msg->pt.y;
        return record->what;
    }
    switch (msg->message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Bit 30 of lParam: the key was already down, so this is a repeat.
            record->what = (msg->lParam & (1 << 30)) ? GDL_KEYREPEAT : GDL_KEYDOWN;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP: record->what = GDL_KEYUP; break;
        case WM_TIMER: record->what = GDL_TIMER; break;
        default: break;
    }
    return record->what;
}

void GDL_keyRecord(const MSG* msg, GDLEvent* record, uint16_t* keyTable) {
    uint32_t scan = (static_cast<uint32_t>(msg->lParam) >> 16) & 0xFF;
    if (record->what == GDL_KEYUP) {
        record->message = keyTable[scan];
        keyTable[scan] = 0;
    } else {
        // The characters TranslateMessage made for this key stand next in
        // the queue; the last one found is the key's character.
        uint32_t character = 0;
        MSG next;
        if (PeekMessageA(&next, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE))
            character = static_cast<uint32_t>(next.wParam) & 0xFF;
        if (PeekMessageA(&next, nullptr, WM_SYSCHAR, WM_SYSCHAR, PM_REMOVE))
            character = static_cast<uint32_t>(next.wParam) & 0xFF;
        uint16_t code = static_cast<uint16_t>(scan * 256 + character);
        keyTable[scan] = code;
        record->message = code;
        // The repeat count (lParam's low word) goes to the upper half.
        if (record->what == GDL_KEYREPEAT)
            record->message += (static_cast<uint32_t>(msg->lParam) & 0xFFFF) << 16;
    }
    uint32_t keys = 0;
    if (msg->lParam & (1 << 29)) keys |= GDL_ALT;
    if (GetKeyState(VK_SHIFT) & 0x8000) keys |= GDL_SHIFT;
    if (GetKeyState(VK_CONTROL) & 0x8000) keys |= GDL_CTRL;
    record->modifiers = keys;
}

void GDL_resetEvents() {
    R().Reset();
}

void GDL_initEvents(HWND window) {
    GDL_resetEvents();
    R().window = window;
}

int GDL_eventCount() {
    return R().count;
}

void GDL_setEventScale(int desktopWidth, int desktopHeight, int modeWidth, int modeHeight) {
    Ring& r = R();
    r.desktopW = desktopWidth;
    r.desktopH = desktopHeight;
    r.modeW = modeWidth;
    r.modeH = modeHeight;
}

void GDL_enqueueEvent(const GDLEvent* record) {
    R().Push(*record); // callers check the count; never overrun
}

void GDL_pumpEvents() {
    Ring& r = R();
    GdlPumpRules rules;
    rules.clientWindow = r.window;
    rules.desktopW = r.desktopW;
    rules.desktopH = r.desktopH;
    rules.modeW = r.modeW;
    rules.modeH = r.modeH;
    r.Pump(rules, [&r](const GDLEvent& record) { return r.Push(record); });
}

int GDL_getEvent(GDLEvent* event, uint32_t mask) {
    Ring& r = R();
    GDL_pumpEvents();
    event->what = 0;
    return r.Take(mask, event);
}

int GDL_postEvent(uint32_t which, uint32_t what, uintptr_t message, uintptr_t modifiers) {
    Ring& r = R();
    if (r.count >= GDL_EVENT_SLOTS) return 0;
    GDLEvent record = {};
    record.which = which;
    record.what = what;
    record.when = timeGetTime();
    record.message = message;
    record.modifiers = modifiers;
    r.Push(record);
    return 1;
}

void GDL_flushEvents(uint32_t mask) {
    GDL_checkThread(__func__);
    GDLEvent event;
    while (GDL_getEvent(&event, mask)) {
    }
}

uint32_t GDL_setTimerTick(uint32_t ticks) {
    Ring& r = R();
    uint32_t previous = r.ticks;
    if (r.timerId) KillTimer(r.timerWindow, r.timerId);
    r.timerId = 0;
    r.ticks = ticks;
    if (ticks) {
        r.timerWindow = r.window;
        r.timerId = SetTimer(r.window, 1, static_cast<UINT>(ticks * 54.925), nullptr);
    }
    return previous;
}
