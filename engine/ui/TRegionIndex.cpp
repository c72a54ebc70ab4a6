#include "ui/TRegionIndex.h"

#include "ui/TGraphic.h"

#include <algorithm>

namespace {

bool Empty(const TRectArea& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Meet(const TRectArea& a, const TRectArea& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// At most this many cells a side: enough to part small children, few enough
// that a large child costs little to enter.
constexpr int64_t kMaxCells = 64;
constexpr int64_t kMinCellSize = 16;

} // namespace

void TRegionIndex::Build(TComp& parent) {
    entries_.clear();
    others_.clear();
    places_.clear();
    {
        TComp::ChildWalk walk(parent);
        for (TListNode* n = walk.Head(); n; n = n->next) {
            TComp* child = TComp::ChildAt(n);
            if (!child) continue;
            const auto place = int32_t(entries_.size());
            Entry e{n, {0, 0, 0, 0}, false};
            if (auto* graphic = dynamic_cast<TGraphic*>(child)) {
                e.graphic = true;
                graphic->GetVisibleRect(e.visible);
            } else {
                others_.push_back(place);
            }
            entries_.push_back(e);
            places_.emplace(child, place);
        }
    }
    BuildGrid();
    seen_.assign(entries_.size(), 0);
    query_ = 0;
    generation_ = TComp::TreeGeneration();
    built_ = true;
}

void TRegionIndex::BuildGrid() {
    bool any = false;
    for (const Entry& e : entries_) {
        if (!e.graphic || Empty(e.visible)) continue;
        if (!any) {
            bounds_ = e.visible;
            any = true;
            continue;
        }
        bounds_ = {std::min(bounds_.left, e.visible.left), std::min(bounds_.top, e.visible.top),
                   std::max(bounds_.right, e.visible.right),
                   std::max(bounds_.bottom, e.visible.bottom)};
    }
    if (!any) bounds_ = {0, 0, 0, 0};
    const int64_t width = int64_t(bounds_.right) - bounds_.left;
    const int64_t height = int64_t(bounds_.bottom) - bounds_.top;
    cellWidth_ = int32_t(std::max(kMinCellSize, (width + kMaxCells - 1) / kMaxCells));
    cellHeight_ = int32_t(std::max(kMinCellSize, (height + kMaxCells - 1) / kMaxCells));
    columns_ = any ? int32_t((width + cellWidth_ - 1) / cellWidth_) : 0;
    rows_ = any ? int32_t((height + cellHeight_ - 1) / cellHeight_) : 0;
    const size_t cellCount = size_t(columns_) * size_t(rows_);
    start_.assign(cellCount + 1, 0);
    // Two passes: the count of each cell, then the places, in list order.
    auto forCells = [&](const TRectArea& r, auto&& visit) {
        const auto c0 = int32_t((int64_t(r.left) - bounds_.left) / cellWidth_);
        const auto c1 = int32_t((int64_t(r.right) - 1 - bounds_.left) / cellWidth_);
        const auto r0 = int32_t((int64_t(r.top) - bounds_.top) / cellHeight_);
        const auto r1 = int32_t((int64_t(r.bottom) - 1 - bounds_.top) / cellHeight_);
        for (int32_t y = r0; y <= r1; ++y)
            for (int32_t x = c0; x <= c1; ++x)
                visit(size_t(y) * size_t(columns_) + size_t(x));
    };
    for (const Entry& e : entries_)
        if (e.graphic && !Empty(e.visible)) forCells(e.visible, [&](size_t c) { ++start_[c + 1]; });
    for (size_t c = 0; c < cellCount; ++c)
        start_[c + 1] += start_[c];
    cells_.assign(size_t(start_[cellCount]), 0);
    std::vector<int32_t> fill(start_.begin(), start_.end() - 1);
    for (size_t place = 0; place < entries_.size(); ++place) {
        const Entry& e = entries_[place];
        if (e.graphic && !Empty(e.visible))
            forCells(e.visible, [&](size_t c) { cells_[size_t(fill[c]++)] = int32_t(place); });
    }
}

int32_t TRegionIndex::PositionOf(const TComp* child) const {
    const auto it = places_.find(child);
    return it == places_.end() ? -1 : it->second;
}

void TRegionIndex::Select(const TRectArea& rect, std::vector<int32_t>& out) {
    out.clear();
    out.insert(out.end(), others_.begin(), others_.end());
    TRectArea r = rect;
    r = {std::max(r.left, bounds_.left), std::max(r.top, bounds_.top),
         std::min(r.right, bounds_.right), std::min(r.bottom, bounds_.bottom)};
    if (!Empty(r) && !Empty(rect)) {
        if (++query_ == 0) { // the stamps wrapped: start them again
            std::fill(seen_.begin(), seen_.end(), 0);
            query_ = 1;
        }
        const auto c0 = int32_t((int64_t(r.left) - bounds_.left) / cellWidth_);
        const auto c1 = int32_t((int64_t(r.right) - 1 - bounds_.left) / cellWidth_);
        const auto r0 = int32_t((int64_t(r.top) - bounds_.top) / cellHeight_);
        const auto r1 = int32_t((int64_t(r.bottom) - 1 - bounds_.top) / cellHeight_);
        for (int32_t y = r0; y <= r1; ++y)
            for (int32_t x = c0; x <= c1; ++x) {
                const size_t c = size_t(y) * size_t(columns_) + size_t(x);
                for (int32_t k = start_[c]; k < start_[c + 1]; ++k) {
                    const int32_t place = cells_[size_t(k)];
                    if (seen_[size_t(place)] == query_) continue;
                    seen_[size_t(place)] = query_;
                    if (Meet(entries_[size_t(place)].visible, rect)) out.push_back(place);
                }
            }
    }
    std::sort(out.begin(), out.end());
}
