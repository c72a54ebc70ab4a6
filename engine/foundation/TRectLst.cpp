#include "foundation/TRectLst.h"

#include "foundation/TError.h"

#include <algorithm>

namespace {

const char kSource[] = "Source\\TRectLst";

bool Empty(const TRectArea& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Overlap(const TRectItem& a, const TRectArea& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Contains(const TRectArea& outer, const TRectArea& inner) {
    return inner.left >= outer.left && inner.left < outer.right && inner.top >= outer.top &&
           inner.top < outer.bottom && inner.right - 1 >= outer.left &&
           inner.right - 1 < outer.right && inner.bottom - 1 >= outer.top &&
           inner.bottom - 1 < outer.bottom;
}

TRectArea AreaOf(const TRectItem& item) {
    return {item.left, item.top, item.right, item.bottom};
}

TRectArea Intersection(const TRectArea& a, const TRectArea& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

} // namespace

void TRectLst::AddRect(const TRectArea& r, uint32_t tag) {
    if (Empty(r)) return;
    TList::Rewind(1);
    while (auto* item = static_cast<TRectItem*>(Next())) {
        if (!Overlap(*item, r)) continue;
        TRectArea area = AreaOf(*item);
        if (Contains(area, r)) return; // already covered, whatever its tag
        if (Contains(r, area)) {
            Remove(item);
            delete item;
            continue;
        }
        // Partial overlap: add the parts of r around the intersection, which
        // stays covered by the item (and keeps its tag).
        TRectArea x = Intersection(r, area);
        if (x.top > r.top) AddRect({r.left, r.top, r.right, x.top}, tag);
        if (x.left > r.left) AddRect({r.left, x.top, x.left, x.bottom}, tag);
        if (x.right < r.right) AddRect({x.right, x.top, r.right, x.bottom}, tag);
        if (x.bottom < r.bottom) AddRect({r.left, x.bottom, r.right, r.bottom}, tag);
        return;
    }

    // One pass of merging with same-tag neighbours that share a whole edge.
    TRectArea n = r;
    TList::Rewind(1);
    while (auto* item = static_cast<TRectItem*>(Next())) {
        if (item->tag != tag) continue;
        bool merged = false;
        if (item->left == n.left && item->right == n.right) {
            if (item->top == n.bottom) {
                n.bottom = item->bottom;
                merged = true;
            } else if (item->bottom == n.top) {
                n.top = item->top;
                merged = true;
            }
        } else if (item->top == n.top && item->bottom == n.bottom) {
            if (item->right == n.left) {
                n.left = item->left;
                merged = true;
            } else if (item->left == n.right) {
                n.right = item->right;
                merged = true;
            }
        }
        if (merged) {
            Remove(item);
            delete item;
        }
    }
    TRectItem* fresh = new TRectItem(n.left, n.top, n.right, n.bottom, tag);
    if (!fresh) {
        TError::Raise(9, nullptr, nullptr, kSource, 165);
        return;
    }
    if (!Insert(fresh)) delete fresh;
}

void TRectLst::SubtractRect(const TRectArea& r, uint32_t tag) {
    if (Empty(r)) return;
    TList::Rewind(1);
    while (auto* item = static_cast<TRectItem*>(Next())) {
        if (item->tag != tag || !Overlap(*item, r)) continue;
        TRectArea i = AreaOf(*item);
        Remove(item);
        delete item;
        TRectArea x = Intersection(r, i);
        // The pieces go to the head, behind the forward iteration.
        struct Piece {
            bool wanted;
            TRectArea area;
            int32_t line;
        } pieces[] = {
            {x.top > i.top, {i.left, i.top, i.right, x.top}, 207},
            {x.left > i.left, {i.left, x.top, x.left, x.bottom}, 220},
            {x.right < i.right, {x.right, x.top, i.right, x.bottom}, 233},
            {x.bottom < i.bottom, {i.left, x.bottom, i.right, i.bottom}, 246},
        };
        for (const Piece& p : pieces) {
            if (!p.wanted) continue;
            TRectItem* piece =
                new TRectItem(p.area.left, p.area.top, p.area.right, p.area.bottom, tag);
            if (!piece) {
                TError::Raise(9, nullptr, nullptr, kSource, p.line);
                continue;
            }
            if (!Insert(piece)) delete piece;
        }
    }
}

TRectItem* TRectLst::FindRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              uint32_t tag) {
    TRectArea r{left, top, right, bottom};
    while (auto* item = static_cast<TRectItem*>(Next()))
        if (item->tag == tag && Overlap(*item, r)) return item;
    return nullptr;
}

void TRectLst::AddList(TRectLst* other) {
    if (!other) return;
    // Walk the other list's nodes directly: AddRect uses this list's iterator,
    // and `other` may be this very list.
    if (other == this) return; // adding a list to itself changes nothing
    for (TListNode* n = other->Head(); n; n = n->next) {
        auto* item = static_cast<TRectItem*>(n->item);
        AddRect(AreaOf(*item), item->tag);
    }
}
