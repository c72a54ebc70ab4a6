// The engine's one event object: a copy of the input record it came from, an
// engine event type, four common words and a block of per-type data. Words
// that may carry an object (the target, the user word, the data words) are
// pointer-sized; an object the engine names in them goes by its serial.
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TObject.h"
#include "gdl/event.h"

#include <cstdint>

// Engine event types.
enum TEventType : int32_t {
    evNone = 0,
    evMouse = 1,
    evMouseMove = 2,
    evLeftDown = 3,
    evLeftUp = 4,
    evRightDown = 5,
    evRightUp = 6,
    evMiddleDown = 7,
    evMiddleUp = 8,
    evMouseEnter = 9,
    evMouseLeave = 10,
    evKey = 11,
    evKeyDown = 12,
    evKeyUp = 13,
    evCommand = 14,
    evPaint = 15,
    evRegion = 16,
    evTick = 17,
    evFocus = 18,
    evQuit = 19,
    evQueryEnd = 20,
    evRadio = 21,
    evProperty = 22,
    evUser23 = 23,
    evUser24 = 24,
    evTargeted = 25,
    evAttached = 26,
    evDetached = 27,
    evShown = 28,
    evHidden = 29,
    evCloseRequest = 30,
    evAll = 35,
};

// The record codes (`what`) of the library's event ring that the engine's own
// events travel as, beside the library's input codes. Above 0x200 they are
// not single bits, so a mask of one selects some others too (0x3000 also
// takes 0x1000, 0x2000, 0x5000, 0x6000 and 0x7000).
enum TEventCode : uint32_t {
    ecPaint = GDL_USEREVENT,
    ecCommand = 0x100,
    ecTargeted = 0x200,
    ecQuit = 0x1000,
    ecQueryEnd = 0x2000,
    ecFocus = 0x3000,
    ecCloseRequest = 0x4000,
    ecRadio = 0x5000,
    ecProperty = 0x6000,
    ecShown = 0x7000,
    ecAll = 0xFFFF,
};

// Which of an event's words a queue record carries, posted and read back.
enum class TEventCarry : uint8_t {
    Record,     // the record's own words (input events)
    TargetOut,  // the target as message; not read back
    Target,     // the target as message
    TargetWord, // the target as message, data[0] as modifiers
    Focus,      // the target as message, data[1] as modifiers, data[2] as which
};

// One engine type: the record codes it selects (its mask), and for the
// engine's own events the code it travels as and the words that go along.
struct TEventRoute {
    int32_t type;
    uint32_t mask;
    uint32_t code; // 0: not an engine code (input, or selection only)
    TEventCarry carry;
};

static_assert(sizeof(uintptr_t) >= sizeof(uint64_t), "an event word holds a whole serial");

class TEvent : public TObject {
public:
    static constexpr int kDataWords = 18;

    TEvent();
    TEvent(const TEvent& other);
    TEvent& operator=(const TEvent& other);

    // Sets the type, clears the common words and prepares the type's data;
    // the record is never touched.
    void SetType(int32_t type);
    // The input-record codes an engine type stands for (0 for none).
    static uint32_t TypeToMask(int32_t type);
    // The route of a type, or of an engine record code; null for none.
    static const TEventRoute* RouteOfType(int32_t type);
    static const TEventRoute* RouteOfCode(uint32_t code);

    // Key events: data[0] holds the key code (scan code * 256 + character).
    uint16_t KeyCode() const { return static_cast<uint16_t>(data[0] & 0xFFFF); }
    uint8_t KeyChar() const { return static_cast<uint8_t>(data[0] & 0xFF); }
    uint8_t KeyScan() const { return static_cast<uint8_t>((data[0] >> 8) & 0xFF); }

    // The word that names `object` in an event (its target, the modal owner, a
    // radio group's chosen button): its serial, never its address. A queued
    // event may outlive the object; serials are never reused, so the event
    // then reaches nothing instead of a later object built at the same place.
    static uintptr_t WordOf(const TNamedObj* object) {
        return object ? static_cast<uintptr_t>(object->Serial()) : 0;
    }
    bool Targets(const TNamedObj* object) const { return target != 0 && target == WordOf(object); }

    GDLEvent record;
    int32_t type = 0;
    uintptr_t target = 0; // the target's WordOf, or a queued engine event's message word
    int32_t passState = 0;
    uintptr_t userWord = 0;
    uintptr_t extra = 0; // the modal owner: the control whose modal loop runs
    intptr_t data[kDataWords];
};
