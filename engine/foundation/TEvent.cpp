#include "foundation/TEvent.h"

#include <cstring>

namespace {

using C = TEventCarry;

// Every engine type that reaches the queue: the one table behind TypeToMask,
// TEventMgr::Post and TEventMgr::Translate.
const TEventRoute kRoutes[] = {
    {evMouse, GDL_MOUSEDOWN | GDL_MOUSEUP | GDL_MOUSEMOVE, 0, C::Record},
    {evMouseMove, GDL_MOUSEMOVE, 0, C::Record},
    {evLeftDown, GDL_MOUSEDOWN, 0, C::Record},
    {evLeftUp, GDL_MOUSEUP, 0, C::Record},
    {evRightDown, GDL_MOUSEDOWN, 0, C::Record},
    {evRightUp, GDL_MOUSEUP, 0, C::Record},
    {evMiddleDown, GDL_MOUSEDOWN, 0, C::Record},
    {evMiddleUp, GDL_MOUSEUP, 0, C::Record},
    {evKey, GDL_KEYDOWN | GDL_KEYREPEAT | GDL_KEYUP, 0, C::Record},
    {evKeyDown, GDL_KEYDOWN | GDL_KEYREPEAT, 0, C::Record},
    {evKeyUp, GDL_KEYUP, 0, C::Record},
    {evTick, GDL_TIMER, 0, C::Record},
    {evCommand, ecCommand, ecCommand, C::Target},
    {evPaint, ecPaint, ecPaint, C::Target},
    {evFocus, ecFocus, ecFocus, C::Focus},
    {evQuit, ecQuit, ecQuit, C::TargetOut},
    {evQueryEnd, ecQueryEnd, ecQueryEnd, C::TargetOut},
    {evRadio, ecRadio, ecRadio, C::TargetWord},
    {evProperty, ecProperty, ecProperty, C::TargetWord},
    {evTargeted, ecTargeted, ecTargeted, C::TargetWord},
    {evShown, ecShown, ecShown, C::Target},
    {evCloseRequest, ecCloseRequest, ecCloseRequest, C::Target},
    {evAll, ecAll, 0, C::Record},
};

} // namespace

const TEventRoute* TEvent::RouteOfType(int32_t type) {
    for (const TEventRoute& r : kRoutes)
        if (r.type == type) return &r;
    return nullptr;
}

const TEventRoute* TEvent::RouteOfCode(uint32_t code) {
    if (code == 0) return nullptr;
    for (const TEventRoute& r : kRoutes)
        if (r.code == code) return &r;
    return nullptr;
}

uint32_t TEvent::TypeToMask(int32_t type) {
    const TEventRoute* r = RouteOfType(type);
    return r ? r->mask : 0;
}

TEvent::TEvent() {
    std::memset(&record, 0, sizeof record);
    record.next = record.prev = -1;
    std::memset(data, 0, sizeof data);
    SetType(0);
}

TEvent::TEvent(const TEvent& other) : TObject() {
    *this = other;
}

TEvent& TEvent::operator=(const TEvent& other) {
    record = other.record;
    type = other.type;
    target = other.target;
    passState = other.passState;
    userWord = other.userWord;
    extra = other.extra;
    std::memcpy(data, other.data, sizeof data);
    return *this;
}

void TEvent::SetType(int32_t newType) {
    type = newType;
    target = 0;
    passState = 0;
    userWord = 0;
    extra = 0;
    if (newType >= evMouse && newType <= evMouseLeave) {
        std::memset(data, 0, 6 * sizeof data[0]);
    } else if (newType >= evKey && newType <= evKeyUp) {
        data[0] = 0;
        data[1] = 0;
    } else if (newType == evPaint) {
        std::memset(data, 0, sizeof data);
    } else if (newType == evRegion) {
        std::memset(data, 0, 7 * sizeof data[0]);
        data[7] = 1;
    } else if (newType == evTick || newType == evRadio || newType == evProperty ||
               newType == evTargeted) {
        data[0] = 0;
    } else if (newType == evFocus) {
        data[0] = data[1] = data[2] = 0;
        data[3] = 1;
    } else if (newType == evUser23) {
        data[0] = 5;
    }
}
