// Where the children of a graphic with many children lie, for the region
// walks (marks and redraws in place): a child graphic whose visible
// rectangle misses the walk's rectangle does nothing in any of them, so a walk need
// only visit those that meet it, and every child that is no graphic. The
// index keeps the children in list order with their visible rectangles on a
// grid, and is built again once the tree has changed (TComp::TreeGeneration).
#pragma once

#include "foundation/TComp.h"
#include "foundation/TRectLst.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class TRegionIndex {
public:
    // True when built from the tree as it stands.
    bool Fresh() const { return built_ && generation_ == TComp::TreeGeneration(); }
    void Build(TComp& parent);
    // The place of a child in the list (0 at the head), or -1.
    int32_t PositionOf(const TComp* child) const;
    TListNode* NodeAt(int32_t position) const { return entries_[size_t(position)].node; }
    // The places, in list order, of the children a walk of `rect` visits:
    // the graphics whose visible rectangle meets it and the other children.
    void Select(const TRectArea& rect, std::vector<int32_t>& out);

private:
    struct Entry {
        TListNode* node;
        TRectArea visible; // empty for a graphic that shows nothing
        bool graphic;
    };
    void BuildGrid();

    bool built_ = false;
    uint64_t generation_ = 0;
    std::vector<Entry> entries_;
    std::vector<int32_t> others_; // places of the children that are no graphics
    std::unordered_map<const TComp*, int32_t> places_;
    // The grid over the visible rectangles' bounds: cell c holds the places
    // in cells_[start_[c]] up to cells_[start_[c + 1]].
    TRectArea bounds_{0, 0, 0, 0};
    int32_t cellWidth_ = 1, cellHeight_ = 1, columns_ = 0, rows_ = 0;
    std::vector<int32_t> start_, cells_;
    std::vector<uint32_t> seen_; // the last query that took each place
    uint32_t query_ = 0;
};
