#include "RoomSurface.h"

#include "ui/TGraphic.h"
#include "gdl/dc.h"

#include <algorithm>

bool RoomSurface::Wrap(GdlDeviceContext* dc, const TRectArea& deviceClip) {
    if (!dc) return false;
    const GdlDeviceContext* d = GDL_liveDC(dc);
    const int32_t bits = int32_t(d->mode.bitsPerPixel);
    if ((bits != 15 && bits != 16) || !d->surface) return false;
    const int32_t width = int32_t(d->mode.maxX) + 1;
    const int32_t height = int32_t(d->mode.maxY) + 1;
    surface.Attach(width, height, d->surface, int32_t(d->mode.bytesPerLine));
    originX = (width - kWidth) / 2;
    originY = (height - kHeight) / 2;
    clip.left = std::max({deviceClip.left, originX, 0});
    clip.top = std::max({deviceClip.top, originY, 0});
    clip.right = std::min({deviceClip.right, originX + kWidth, width});
    clip.bottom = std::min({deviceClip.bottom, originY + kHeight, height});
    return clip.left < clip.right && clip.top < clip.bottom;
}

bool PaintDirectly(TGraphic& graphic, TEvent* event, void (*draw)(TGraphic&, const TRectArea&)) {
    if (!event || TGraphic::GetPaintPhase(event) != TGraphic::phPaint) return false;
    if (graphic.IsHollow()) return false;
    TRectLst& dirty = graphic.GetDirtyList();
    TRectArea visible;
    graphic.GetVisibleRect(visible);
    graphic.SetFlags(TComp::kRedraw, false);
    dirty.TList::Rewind(1);
    while (TRectItem* item =
               dirty.FindRect(visible.left, visible.top, visible.right, visible.bottom, 0)) {
        TRectArea clip{item->left, item->top, item->right, item->bottom};
        if (TGraphic::IntersectRect(clip, visible)) draw(graphic, clip);
    }
    dirty.DeleteAll();
    return true;
}
