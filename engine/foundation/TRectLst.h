// A set of screen areas kept as disjoint tagged rectangles: the bookkeeping
// behind partial redrawing. Adding splits the new area around what is already
// listed, and same-tag neighbours sharing a whole edge are merged.
#pragma once

#include "foundation/TList.h"

#include <cstdint>

class TRectItem : public TObject {
public:
    TRectItem(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t tag)
        : left(left), top(top), right(right), bottom(bottom), tag(tag) {}
    // Half-open: right and bottom are the first column and row outside.
    int32_t left, top, right, bottom;
    uint32_t tag;
};

struct TRectArea {
    int32_t left, top, right, bottom;
};

class TRectLst : public TObjList {
public:
    void AddRect(const TRectArea& rect, uint32_t tag);
    void SubtractRect(const TRectArea& rect, uint32_t tag);
    // Continues the iteration (Rewind first) to the next item of `tag` that
    // overlaps the rectangle; null at the end.
    TRectItem* FindRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t tag);
    void AddList(TRectLst* other);
};
