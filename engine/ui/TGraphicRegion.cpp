// The region walks of a graphic: marks, and redraws in place that take away
// what opaque graphics in front cover and mark what see-through ones show.
#include "ui/TGraphic.h"

#include "ui/TRegionIndex.h"

#include <algorithm>
#include <vector>

namespace {

bool Empty(const TRectArea& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

} // namespace

int32_t TGraphic::indexedChildren_ = TGraphic::kIndexedChildrenDefault;

// --- Region walks --------------------------------------------------------------------

bool TGraphic::Overlaps(const TRectArea& rect) const {
    TRectArea visible;
    GetVisibleRect(visible);
    return !Empty(visible) && !Empty(rect) && !RectsDisjoint(visible, rect);
}

void TGraphic::PassUp(TEvent* event) {
    TComp* parent = GetParent();
    if (!parent) return;
    SetRegionOrigin(event, this);
    parent->HandleEvent(this, event);
}

void TGraphic::RegionToChildren(TEvent* event, bool fromFront, bool skipToOrigin) {
    if (ChildNodeCount() >= indexedChildren_) {
        IndexedRegionToChildren(event, fromFront, skipToOrigin);
        return;
    }
    bool skipping = skipToOrigin;
    WalkChildren(fromFront, [&](TComp* child) {
        if (skipping) {
            if (child == GetRegionOrigin(event)) {
                skipping = false;
                SetRegionOrigin(event, nullptr);
            }
            return false;
        }
        child->HandleEvent(this, event);
        return false;
    });
}

// The same walk through the index of the children: only the children that
// can act on the region are visited, in the same order. Should the tree
// change under the walk, the rest of it visits every child as above.
void TGraphic::IndexedRegionToChildren(TEvent* event, bool fromFront, bool skipToOrigin) {
    if (!regionIndex_) regionIndex_ = std::make_unique<TRegionIndex>();
    TRegionIndex& index = *regionIndex_;
    if (!index.Fresh()) index.Build(*this);
    const uint64_t generation = TComp::TreeGeneration();
    ChildWalk walk(*this);
    TListNode* resume = nullptr; // the walk goes on after this node
    int32_t from = -1;           // only places past this one, in walk order
    if (skipToOrigin) {
        from = index.PositionOf(GetRegionOrigin(event));
        // An origin that is not a child (or is going) stops the walk before
        // any child, and stays set.
        if (from < 0 || !ChildAt(index.NodeAt(from))) return;
        resume = index.NodeAt(from);
        SetRegionOrigin(event, nullptr);
    }
    std::vector<int32_t> places;
    index.Select(GetRegionRect(event), places);
    if (!fromFront) std::reverse(places.begin(), places.end());
    for (const int32_t place : places) {
        if (from >= 0 && (fromFront ? place <= from : place >= from)) continue;
        if (TComp::TreeGeneration() != generation) {
            for (TListNode* n = resume ? (fromFront ? resume->next : resume->prev)
                                       : (fromFront ? walk.Head() : walk.Tail());
                 n; n = fromFront ? n->next : n->prev)
                if (TComp* child = ChildAt(n)) child->HandleEvent(this, event);
            return;
        }
        TListNode* node = index.NodeAt(place);
        if (TComp* child = ChildAt(node)) child->HandleEvent(this, event);
        resume = node;
    }
}

bool TGraphic::OnRedrawRegion(TEvent* event) {
    if (!event || !(flags_ & kVisible)) return false;
    if (GetRegionKind(event) != rkInPlace) {
        RegionMark(event);
        return false;
    }
    switch (GetRegionPhase(event)) {
        case 1: RegionTakeAway(event); break;
        case 2: RegionMarkInFront(event); break;
        case 3: RegionMarkBehind(event); break;
        default: break;
    }
    return false;
}

void TGraphic::RegionMark(TEvent* event) {
    // A graphic the rectangle misses has nothing there to repaint, and
    // neither have its children, which lie inside it.
    if (!Overlaps(GetRegionRect(event))) return;
    if (!hollow_) dirty_.AddRect(GetRegionRect(event), 0);
    RegionToChildren(event, false, false);
}

// What phases 1 and 2 share: the walk starts at its origin and goes down
// into the children and then up; coming up from a child, every ancestor,
// opaque or not, hands the region to the children in front of that child (an
// opaque parent covers only what lies behind it, never its own children).
// True when that settled the event.
bool TGraphic::RegionPassOn(TEvent* event) {
    TGraphic* origin = GetRegionOrigin(event);
    if (origin == this) {
        SetRegionOrigin(event, nullptr);
        RegionToChildren(event, false, false);
        PassUp(event);
        return true;
    }
    if (!Overlaps(GetRegionRect(event))) {
        if (origin) PassUp(event);
        return true;
    }
    if (!origin) return false;
    RegionToChildren(event, false, true);
    PassUp(event);
    return true;
}

// Phase 1: opaque graphics in front take their area out of the region.
void TGraphic::RegionTakeAway(TEvent* event) {
    if (RegionPassOn(event)) return;
    if (!IsOpaque()) {
        RegionToChildren(event, false, false);
        return;
    }
    TRectArea visible;
    GetVisibleRect(visible);
    if (TRectLst* list = GetRegionList(event)) list->SubtractRect(visible, 0);
}

// Phase 2: see-through graphics in front repaint their part of the region.
void TGraphic::RegionMarkInFront(TEvent* event) {
    if (RegionPassOn(event) || IsOpaque()) return;
    if (!hollow_)
        if (TRectLst* list = GetRegionList(event)) dirty_.AddList(list);
    RegionToChildren(event, false, false);
}

// Phase 3: what lies behind a see-through graphic repaints its part.
void TGraphic::RegionMarkBehind(TEvent* event) {
    TGraphic* origin = GetRegionOrigin(event);
    if (origin == this) {
        PassUp(event);
        return;
    }
    if (Overlaps(GetRegionRect(event))) {
        RegionToChildren(event, true, origin != nullptr);
        TRectLst* list = GetRegionList(event);
        if (list && !hollow_) dirty_.AddList(list);
        if (list && IsOpaque()) {
            TRectArea visible;
            GetVisibleRect(visible);
            list->SubtractRect(visible, 0);
        }
    }
    if (origin) PassUp(event);
}
