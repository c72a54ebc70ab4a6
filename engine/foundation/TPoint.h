// A point of two 32-bit coordinates (the event manager's last mouse position).
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class TPoint : public TObject {
public:
    TPoint() = default;
    TPoint(int32_t x, int32_t y) : x(x), y(y) {}
    TPoint(const TPoint& other) : TObject(), x(other.x), y(other.y) {}
    TPoint& operator=(const TPoint& other) {
        x = other.x;
        y = other.y;
        return *this;
    }

    int32_t x = 0;
    int32_t y = 0;
};
