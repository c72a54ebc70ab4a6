#include "media/devices/TDirtyRects.h"

#include <algorithm>

namespace {

struct Store {
    TRectLst pages[2];
    TRectArea clip{0, 0, 0, 0};
    int32_t changed = 0;
    int32_t current = 0;
    int32_t twoPages = 0;
    int32_t tracking = 0;
};

Store& store() {
    static Store instance;
    return instance;
}

bool empty(const TRectArea& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

} // namespace

void TDirtyRects::SetTracking(bool on) {
    if (on)
        store().tracking = 1;
    else
        ClearTracking();
}

void TDirtyRects::ClearTracking() {
    Store& s = store();
    s.tracking = 0;
    s.pages[0].DeleteAll();
    s.pages[1].DeleteAll();
}

bool TDirtyRects::Tracking() {
    return store().tracking != 0;
}

void TDirtyRects::SetTwoPages(int32_t value) {
    store().twoPages = value;
}

void TDirtyRects::AddDirtyArea(int32_t x, int32_t y, int32_t width, int32_t height) {
    AddDirtyRect({x, y, std::max(x + width, x), std::max(y + height, y)});
}

void TDirtyRects::AddDirtyRect(const TRectArea& rect) {
    Store& s = store();
    if (!s.tracking) {
        s.changed = 1;
        return;
    }
    if (empty(rect)) return;
    s.changed = 1;
    s.pages[s.current].AddRect(rect, 1);
    if (s.twoPages) s.pages[1 - s.current].AddRect(rect, 1);
}

void TDirtyRects::SetChanged(int32_t value) {
    Store& s = store();
    s.changed = value;
    if (value || !s.tracking) return;
    s.pages[s.current].DeleteAll();
    s.current = s.twoPages ? 1 - s.current : 0;
}

bool TDirtyRects::IsChanged() {
    return !store().tracking || store().changed != 0;
}

int32_t TDirtyRects::CurrentPage() {
    return store().current;
}

void TDirtyRects::BeginDirtyRects(const TRectArea& clip) {
    Store& s = store();
    s.clip = clip;
    if (s.tracking) s.pages[s.current].Rewind();
}

bool TDirtyRects::NextDirtyRect(TRectArea* out) {
    Store& s = store();
    const TRectArea& c = s.clip;
    if (!s.tracking) {
        if (empty(c)) return false;
        *out = c;
        s.clip = {0, 0, 0, 0};
        return true;
    }
    TRectItem* item = s.pages[s.current].FindRect(c.left, c.top, c.right, c.bottom, 1);
    if (!item) return false;
    *out = {std::max(item->left, c.left), std::max(item->top, c.top),
            std::min(item->right, c.right), std::min(item->bottom, c.bottom)};
    return true;
}

void TDirtyRects::Forget() {
    ClearTracking();
    Store& s = store();
    s.clip = {0, 0, 0, 0};
    s.changed = 0;
    s.current = 0;
    s.twoPages = 0;
}
