// The process-wide store of changed screen rectangles: one list per page, the
// changed flag, and the walk that presentation uses.
#pragma once

#include "foundation/TRectLst.h"

#include <cstdint>

class TDirtyRects {
public:
    static void SetTracking(bool on);
    static void ClearTracking();
    static bool Tracking();
    static void SetTwoPages(int32_t value);
    static void AddDirtyArea(int32_t x, int32_t y, int32_t width, int32_t height);
    static void AddDirtyRect(const TRectArea& rect);
    static void SetChanged(int32_t value);
    static bool IsChanged();
    static int32_t CurrentPage();
    static void BeginDirtyRects(const TRectArea& clip);
    static bool NextDirtyRect(TRectArea* out);
    // The store as a new engine finds it (no tracking, nothing changed, page
    // 0): the engine calls it as it is built and as it goes.
    static void Forget();
};
