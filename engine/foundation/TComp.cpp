#include "foundation/TComp.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"

namespace {

// A child removed while its list is walked keeps its node until the walks
// end; the node then points here instead of at the (maybe deleted) child.
char removedMark;
void* const kRemoved = &removedMark;

struct TypeFilter {
    int32_t first, last;
    uint32_t needs;
};

// Input, command and focus need an enabled and visible node; frames and
// close requests a visible one; ticks an enabled one; the rest always pass.
constexpr TypeFilter kFilters[] = {
    {1, 8, TComp::kEnabled | TComp::kVisible},
    {11, 14, TComp::kEnabled | TComp::kVisible},
    {18, 18, TComp::kEnabled | TComp::kVisible},
    {15, 15, TComp::kVisible},
    {30, 30, TComp::kVisible},
    {17, 17, TComp::kEnabled},
};

} // namespace

TComp::TComp() {
    flags_ = kDirty | kEnabled;
    children_.SetCompare(this, &TComp::CompareDepth);
    SetEnabled(true);
}

TComp::~TComp() {
    Clear();
    if (parent_) parent_->RemoveChild(this);
    parent_ = nullptr;
    OrphanChildren();
}

int32_t TComp::CompareDepth(void*, void* a, void* b) {
    // A removed node never holds a new child back from its place.
    if (b == kRemoved) return 1;
    if (a == kRemoved) return -1;
    if (!a || !b) return 0;
    return static_cast<TComp*>(a)->depth_ - static_cast<TComp*>(b)->depth_;
}

bool TComp::IsRemoved(const TListNode* n) {
    return n->item == kRemoved;
}

bool TComp::DefaultHandler(TObject*, TEvent*) {
    return false;
}

TRectArea& TComp::GetClientRect(TRectArea& rect) {
    rect = {0, 0, 0, 0};
    return rect;
}

void TComp::OnTargetEvent(TEvent*) {}

int32_t TComp::ChildCount() const {
    int32_t n = 0;
    for (TListNode* node = children_.Head(); node; node = node->next)
        if (!IsRemoved(node)) ++n;
    return n;
}

int TComp::SetParent(TComp* parent) {
    if (!parent_ && parent && parent != this) {
        // A node the parent's list refused stays unattached: a parent pointer
        // without the listing would outlive the parent.
        if (parent->children_.Insert(this))
            parent_ = parent;
        else
            TError::Raise(9, nullptr, nullptr, "Source\\TComp", 118);
    }
    TEvent attached;
    attached.SetType(evAttached);
    return Dispatch(this, &attached);
}

void TComp::Detach() {
    TEvent detached;
    detached.SetType(evDetached);
    Dispatch(this, &detached);
    Clear();
    if (parent_) parent_->RemoveChild(this);
    parent_ = nullptr;
    OrphanChildren();
}

bool TComp::Reposition(TComp* child, int direction) {
    return child && children_.Reposition(child, direction) != 0;
}

void TComp::RemoveChild(TComp* child) {
    if (walks_ == 0) {
        children_.Remove(child);
        return;
    }
    for (TListNode* n = children_.Head(); n; n = n->next)
        if (n->item == child) {
            n->item = kRemoved;
            removalsDue_ = true;
            return;
        }
}

void TComp::OrphanChildren() {
    for (TListNode* n = children_.Head(); n; n = n->next)
        if (!IsRemoved(n)) static_cast<TComp*>(n->item)->parent_ = nullptr;
    if (walks_ == 0) {
        children_.Clear();
        return;
    }
    for (TListNode* n = children_.Head(); n; n = n->next)
        n->item = kRemoved;
    removalsDue_ = true;
}

void TComp::EndWalk() {
    if (--walks_ > 0 || !removalsDue_) return;
    removalsDue_ = false;
    for (TListNode* n = children_.Head(); n;) {
        TListNode* next = n->next;
        if (IsRemoved(n)) children_.Remove(kRemoved);
        n = next;
    }
}

bool TComp::PassesFilter(int32_t type) const {
    for (const TypeFilter& f : kFilters)
        if (type >= f.first && type <= f.last) return (flags_ & f.needs) == f.needs;
    return true;
}

bool TComp::RouteToChildren(TEvent* event) {
    return WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); });
}

bool TComp::RouteTargeted(TObject*, TEvent* event) {
    const uintptr_t self = reinterpret_cast<uintptr_t>(this);
    if (event->target != self && event->target != 0) return RouteToChildren(event);
    OnTargetEvent(event);
    Dispatch(this, event);
    if (event->target == self) return true;
    return RouteToChildren(event);
}

bool TComp::HandleEvent(TObject* sender, TEvent* event) {
    if (!event || !PassesFilter(event->type)) return false;
    // Nothing queued for deletion under the routing goes before it is done
    // with the nodes it walks.
    TDeleteLaterHold hold;
    if (event->type == evTargeted) return RouteTargeted(sender, event);
    if (RouteToChildren(event)) return true;
    if (Has(event->type)) return Dispatch(sender, event) != 0;
    return DefaultHandler(sender, event);
}
