// Lines drawn with a wide pen: the pen rectangle swept along the line becomes
// one span per row, drawn as a span list.
#include <algorithm>

#include "gdl/draw.h"
#include "gdl/driver.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/shading.h"
#include "line_walker.h"

namespace {

int32_t roundFx(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

} // namespace

int32_t GDL_scanWideLine(GdlSpanListHead* out, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         int32_t penHeight, int32_t penWidth) {
    penHeight = std::max(penHeight, 1);
    penWidth = std::max(penWidth, 1);
    int32_t minY = INT32_MAX, maxY = INT32_MIN;
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {}, [&](int32_t, int32_t y) {
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    });
    if (minY > maxY) minY = maxY = roundFx(y1);
    const int64_t lineRows = int64_t(maxY) - minY + 1;
    const int64_t rows = lineRows + penHeight - 1;
    // A sweep taller than the scratch buffer holds fails the call rather than
    // the program.
    if (rows * int64_t(sizeof(GdlSpan16)) > GDL_SCRATCH_SIZE) {
        GDL_setResult(GDL_GENERAL_ERROR);
        *out = {};
        return 0;
    }
    GdlSpan16* list = reinterpret_cast<GdlSpan16*>(GDL_scratchBuffer());
    // Empty rows are marked x1 > x2 until the walk reaches them.
    for (int64_t i = 0; i < rows; ++i)
        list[i] = {1, 0};
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {}, [&](int32_t x, int32_t y) {
        GdlSpan16& r = list[y - minY];
        if (r.x1 > r.x2) {
            r.x1 = int16_t(x);
            r.x2 = int16_t(x);
            return;
        }
        r.x1 = int16_t(std::min<int32_t>(r.x1, x));
        r.x2 = int16_t(std::max<int32_t>(r.x2, x));
    });
    // Row r of the sweep covers the centre rows r - penHeight + 1 .. r; going
    // from the bottom up, the rows still to be read are unchanged.
    int32_t leftmost = INT32_MAX;
    for (int64_t r = rows - 1; r >= 0; --r) {
        int32_t lo = INT32_MAX, hi = INT32_MIN;
        for (int64_t k = std::max<int64_t>(0, r - penHeight + 1); k <= std::min(r, lineRows - 1);
             ++k) {
            if (list[k].x1 > list[k].x2) continue;
            lo = std::min<int32_t>(lo, list[k].x1);
            hi = std::max<int32_t>(hi, list[k].x2);
        }
        if (lo > hi) {
            list[r] = {0, 0};
            continue;
        }
        list[r] = {int16_t(lo), int16_t(hi + penWidth)};
        leftmost = std::min(leftmost, lo);
    }
    out->count = int32_t(rows);
    out->firstRow = minY;
    out->list = list;
    return leftmost == INT32_MAX ? 0 : leftmost;
}

void DRV_wideLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = GDL_stateBlock;
    GdlSpanListHead head{};
    int32_t left =
        GDL_scanWideLine(&head, x1, y1, x2, y2, s.attr.penHeight + 1, s.attr.penWidth + 1);
    if (head.count <= 0) return;
    int32_t right = INT32_MIN;
    for (int32_t i = 0; i < head.count; ++i)
        right = std::max<int32_t>(right, head.list[i].x2);
    // The centre line was cut to the clip (or, with clipping off, to the
    // surface), but the pen reaches beyond it: the sweep is cut the same way.
    const GdlRect& c = s.attr.clipOn ? s.clipDevice : s.bounds;
    // Only a sweep wholly inside may skip the clipping span drawer.
    if (left >= c.left && right <= c.right && head.firstRow >= c.top &&
        int64_t(head.firstRow) + head.count <= c.bottom)
        s.v.current.spanList(head.firstRow, head.count, head.list);
    else
        gdl_internal::drawSpansWithin(head.firstRow, head.count, head.list, c);
}

void DRV_setWideLineSlots(GdlDeviceContext* dc) {
    for (int t = 2; t < 8; ++t)
        dc->v.tables[t].line = DRV_wideLine;
}
