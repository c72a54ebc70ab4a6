// A few rectangles standing for an area that changed: a window's update
// region or the part of its pixels waiting to be presented. Two small boxes
// far apart stay two, so repainting them costs their own area and not the
// box around both. Rectangles that overlap are merged, and past the capacity
// the two whose union wastes the least area become one, so the list stays
// short and never loses any of the area.
#pragma once

#include "platform/Types.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace platform::user {

class RectList {
public:
    static constexpr int kCapacity = 8;

    void Clear() { count_ = 0; }
    bool Empty() const { return count_ == 0; }
    int Count() const { return count_; }
    const RECT& operator[](int i) const { return rects_[size_t(i)]; }

    // Adds a rectangle; an empty one adds nothing.
    void Add(RECT r) {
        if (r.right <= r.left || r.bottom <= r.top) return;
        for (int i = 0; i < count_;) {
            if (Overlap(rects_[size_t(i)], r)) {
                r = Unite(rects_[size_t(i)], r);
                rects_[size_t(i)] = rects_[size_t(--count_)];
                i = 0; // the grown rectangle may now meet one passed already
                continue;
            }
            ++i;
        }
        if (count_ == kCapacity) MergeCheapest();
        rects_[size_t(count_++)] = r;
    }

    RECT Bounds() const {
        if (count_ == 0) return RECT{0, 0, 0, 0};
        RECT b = rects_[0];
        for (int i = 1; i < count_; ++i)
            b = Unite(b, rects_[size_t(i)]);
        return b;
    }

private:
    static RECT Unite(const RECT& a, const RECT& b) {
        return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                    std::max(a.bottom, b.bottom)};
    }
    static bool Overlap(const RECT& a, const RECT& b) {
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    }
    static int64_t Area(const RECT& r) {
        return int64_t(r.right - r.left) * int64_t(r.bottom - r.top);
    }

    // Makes room: the pair whose union adds the least area over its two
    // rectangles becomes one.
    void MergeCheapest() {
        int bestA = 0, bestB = 1;
        int64_t best = INT64_MAX;
        for (int a = 0; a < count_; ++a)
            for (int b = a + 1; b < count_; ++b) {
                const RECT& ra = rects_[size_t(a)];
                const RECT& rb = rects_[size_t(b)];
                const int64_t waste = Area(Unite(ra, rb)) - Area(ra) - Area(rb);
                if (waste < best) best = waste, bestA = a, bestB = b;
            }
        rects_[size_t(bestA)] = Unite(rects_[size_t(bestA)], rects_[size_t(bestB)]);
        rects_[size_t(bestB)] = rects_[size_t(--count_)];
    }

    std::array<RECT, kCapacity> rects_{};
    int count_ = 0;
};

} // namespace platform::user
