// The event ring and its message pump, written once for the two queues of
// the system: the library's own ring of 100 records and the engine's event
// manager's queue of 1024 (which keeps it under a lock of its own, since its
// tick arrives from the timer thread). Full-screen windows run the library's
// ring beside the engine's, so the two differ only in the parameters below.
#pragma once

#include "gdl/event.h"
#include "platform/Types.h"
#include "platform/User.h"

#include <cstdint>

// How one pump reads the thread's messages into a ring.
struct GdlPumpRules {
    HWND peekWindow = nullptr;   // whose messages are read; null: the thread's
    HWND clientWindow = nullptr; // mouse positions become relative to it...
    // ...unless a full-screen mode scales them from the desktop to the mode.
    int desktopW = 0, desktopH = 0, modeW = 0, modeH = 0;
    // The owner's codes for messages the library maps to nothing (0: none).
    uint32_t (*ownCode)(UINT message) = nullptr;
};

// `Slots` records chained into a queue (oldest first) and a free chain.
// `Count` is the type of the record count: an atomic where it is read
// without the owner's lock.
template <int Slots, class Count = int32_t> struct GdlEventRing {
    static_assert(Slots > 0);

    constexpr GdlEventRing() { Link(); }

    // Empties the ring and forgets the keys held down.
    void Reset() {
        Link();
        count = 0;
    }

    // Appends a copy; the slot it took, or -1 when the ring is full (the
    // record is dropped).
    int32_t Push(const GDLEvent& record) {
        if (count >= Slots || freeHead < 0) return -1;
        const int32_t i = freeHead;
        GDLEvent& slot = slots[i];
        freeHead = slot.next;
        slot = record;
        slot.next = -1;
        slot.prev = tail;
        if (tail >= 0)
            slots[tail].next = i;
        else
            head = i;
        tail = i;
        ++count;
        return i;
    }

    // Takes the oldest record whose code matches `mask` into `out` (its
    // chain words as they stood in the ring); 1 when one was taken.
    int Take(uint32_t mask, GDLEvent* out) {
        for (int32_t i = head; i >= 0; i = slots[i].next) {
            if (!(slots[i].what & mask)) continue;
            *out = slots[i];
            Unlink(i);
            if (out->what == GDL_MOUSEMOVE) lastMove = -1;
            return 1;
        }
        return 0;
    }

    // Reads every waiting message: mouse, key and timer messages become
    // records handed to `enqueue` (which returns the slot taken or -1), a
    // move coalesces into the move still waiting; each message is then
    // dispatched.
    template <class Enqueue> void Pump(const GdlPumpRules& rules, Enqueue&& enqueue) {
        MSG msg;
        while (PeekMessageA(&msg, rules.peekWindow, 0, 0, PM_REMOVE)) {
            GDLEvent record;
            uint32_t what = GDL_mapMessage(&msg, &record);
            if (!what && rules.ownCode) what = record.what = rules.ownCode(msg.message);
            bool queue = what != 0;
            const bool move = what == GDL_MOUSEMOVE;
            if (what & (GDL_MOUSEDOWN | GDL_MOUSEUP | GDL_MOUSEMOVE)) {
                Place(rules, record);
                if (move && lastMove >= 0) {
                    // Later moves only update the move still waiting, in its place.
                    slots[lastMove].x = record.x;
                    slots[lastMove].y = record.y;
                    queue = false;
                } else if (!move) {
                    lastMove = -1;
                }
            }
            TranslateMessage(&msg);
            if (what & (GDL_KEYDOWN | GDL_KEYREPEAT | GDL_KEYUP)) {
                GDL_keyRecord(&msg, &record, keyTable);
                lastMove = -1;
            }
            if (queue) {
                record.when = msg.time;
                const int32_t slot = enqueue(record);
                if (move && slot >= 0) lastMove = slot;
            }
            DispatchMessageA(&msg);
        }
    }

    GDLEvent slots[Slots] = {};
    int32_t head = -1, tail = -1, freeHead = 0;
    int32_t lastMove = -1; // the queued move later moves update; -1 none
    Count count{0};
    uint16_t keyTable[256] = {}; // key codes by scan code, for the key-ups

private:
    constexpr void Link() {
        head = tail = lastMove = -1;
        for (int i = 0; i < Slots; ++i)
            slots[i].next = i + 1;
        slots[Slots - 1].next = -1;
        freeHead = 0;
        for (uint16_t& k : keyTable)
            k = 0;
    }

    void Unlink(int32_t i) {
        GDLEvent& e = slots[i];
        if (e.prev >= 0)
            slots[e.prev].next = e.next;
        else
            head = e.next;
        if (e.next >= 0)
            slots[e.next].prev = e.prev;
        else
            tail = e.prev;
        e.next = freeHead;
        freeHead = i;
        --count;
    }

    static void Place(const GdlPumpRules& rules, GDLEvent& record) {
        if (rules.desktopW > 0 && rules.desktopH > 0) {
            record.x = record.x * rules.modeW / rules.desktopW;
            record.y = record.y * rules.modeH / rules.desktopH;
            return;
        }
        POINT p = {record.x, record.y};
        ScreenToClient(rules.clientWindow, &p);
        record.x = p.x;
        record.y = p.y;
    }
};
