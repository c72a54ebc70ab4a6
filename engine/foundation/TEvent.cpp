#include "foundation/TEvent.h"

#include <cstring>

namespace {

struct Mask {
    int32_t type;
    uint32_t mask;
};

// The engine codes 0x1000-0x7000 are not single bits, so masks overlap:
// 0x3000 also selects 0x1000, 0x2000, 0x5000, 0x6000 and 0x7000 records.
const Mask kMasks[] = {
    {evMouse, 0x38},      {evMouseMove, 0x20},      {evLeftDown, 0x08},   {evLeftUp, 0x10},
    {evRightDown, 0x08},  {evRightUp, 0x10},        {evMiddleDown, 0x08}, {evMiddleUp, 0x10},
    {evKey, 0x07},        {evKeyDown, 0x03},        {evKeyUp, 0x04},      {evCommand, 0x100},
    {evPaint, 0x80},      {evTick, 0x40},           {evFocus, 0x3000},    {evQuit, 0x1000},
    {evQueryEnd, 0x2000}, {evRadio, 0x5000},        {evProperty, 0x6000}, {evTargeted, 0x200},
    {evShown, 0x7000},    {evCloseRequest, 0x4000}, {evAll, 0xFFFF},
};

} // namespace

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

uint32_t TEvent::TypeToMask(int32_t type) {
    for (const Mask& m : kMasks)
        if (m.type == type) return m.mask;
    return 0;
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
