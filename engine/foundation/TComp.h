// The node of the component tree: state flags, one parent, children sorted by
// depth and the node's own handler table. Events are routed children first,
// from the front of the child list; a node never owns its children.
#pragma once

#include "foundation/TEvent.h"
#include "foundation/THandlerTable.h"
#include "foundation/TList.h"
#include "foundation/TRectLst.h"

#include <cstdint>

class TComp : public THandlerTable {
public:
    // Flags of the state word, shared by every class of the tree.
    static constexpr uint32_t kDirty = 1;
    static constexpr uint32_t kRedraw = 2;
    static constexpr uint32_t kEnabled = 4;
    static constexpr uint32_t kVisible = 8;
    static constexpr uint32_t kShown = 16;

    TComp();
    ~TComp() override;

    virtual bool DefaultHandler(TObject* sender, TEvent* event);
    virtual TRectArea& GetClientRect(TRectArea& rect);
    virtual bool HandleEvent(TObject* sender, TEvent* event);
    virtual void OnTargetEvent(TEvent* event);

    // Attaches the node under `parent` when it has none yet; the attached
    // event goes to the node's own handlers either way and its result is
    // returned.
    int SetParent(TComp* parent);
    void Detach();
    // Moves a child to the front (0) or back (1) of its run of equal depth.
    bool Reposition(TComp* child, int direction);

    TComp* GetParent() const { return parent_; }
    int32_t GetDepth() const { return depth_; }
    // The depth orders the node among its siblings from its next attach on.
    void SetDepth(int32_t depth) { depth_ = depth; }
    void SetFlags(uint32_t mask, bool on) { flags_ = on ? (flags_ | mask) : (flags_ & ~mask); }
    int32_t ChildCount() const;
    // The nodes of the child list, those of removed children still waiting
    // included: ChildCount without walking the list.
    int32_t ChildNodeCount() const { return children_.Count(); }

    // Calls `visit(child)` for each child, from the front (head) or from the
    // back, until one answers true. Safe against a visit that attaches,
    // detaches or deletes nodes: removals from this list wait for the
    // outermost walk to end, and a node attached meanwhile is attached.
    template <class Visit> bool WalkChildren(bool fromFront, Visit&& visit) {
        WalkGuard guard(*this);
        for (TListNode* n = fromFront ? children_.Head() : children_.Tail(); n;
             n = fromFront ? n->next : n->prev) {
            if (IsRemoved(n)) continue;
            if (visit(static_cast<TComp*>(n->item))) return true;
        }
        return false;
    }

    // A walk over the child list that the caller steps itself: while one is
    // held, removals wait as they do for WalkChildren. ChildAt gives the
    // child of a node, or null for a node whose child was removed.
    class ChildWalk {
    public:
        explicit ChildWalk(TComp& c) : comp_(c) { ++comp_.walks_; }
        ~ChildWalk() { comp_.EndWalk(); }
        ChildWalk(const ChildWalk&) = delete;
        ChildWalk& operator=(const ChildWalk&) = delete;
        TListNode* Head() const { return comp_.children_.Head(); }
        TListNode* Tail() const { return comp_.children_.Tail(); }

    private:
        TComp& comp_;
    };
    static TComp* ChildAt(const TListNode* n) {
        return IsRemoved(n) ? nullptr : static_cast<TComp*>(n->item);
    }

    // Moves on whenever a child list anywhere changes (an attach, a removal,
    // a new order) and whenever NoteTreeChange is called (a graphic's
    // visible rectangle changed): what a cache built from child lists
    // compares to know it still holds.
    static uint64_t TreeGeneration();
    static void NoteTreeChange();

private:
    struct WalkGuard {
        explicit WalkGuard(TComp& c) : comp(c) { ++comp.walks_; }
        ~WalkGuard() { comp.EndWalk(); }
        TComp& comp;
    };
    static int32_t CompareDepth(void* owner, void* a, void* b);
    static bool IsRemoved(const TListNode* n);
    bool PassesFilter(int32_t type) const;
    bool RouteToChildren(TEvent* event);
    bool RouteTargeted(TObject* sender, TEvent* event);
    void RemoveChild(TComp* child);
    void OrphanChildren();
    void EndWalk();

    int32_t depth_ = 0;
    TComp* parent_ = nullptr;
    TList children_;
    int32_t walks_ = 0;        // walks of the child list in progress
    bool removalsDue_ = false; // removed children wait for the walks to end
};
