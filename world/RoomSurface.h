// The room draws its layers, objects and sky straight into the display's
// surface: the whole surface is wrapped, the 800 x 600 room sits centred in
// it, and drawing is clipped to the region being repainted.
#pragma once

#include "SpriteCanvas16.h"
#include "Surface16.h"

#include "foundation/TRectLst.h"

#include <cstdint>

class TGraphic;
class TEvent;
struct GdlDeviceContext;

struct RoomSurface {
    static constexpr int32_t kWidth = 800;
    static constexpr int32_t kHeight = 600;

    Surface16 surface;   // the whole display surface, not owned
    int32_t originX = 0; // the room's top-left corner on the surface
    int32_t originY = 0;
    ClipRect clip{0, 0, 0, 0};

    // False unless `dc` has a 15- or 16-bit surface and the clip (device
    // coordinates) meets the room's area on it.
    bool Wrap(GdlDeviceContext* dc, const TRectArea& deviceClip);
};

// The room, its objects and the sky draw straight into the display whatever
// the display's direct-mode setting: a buffer of their own would be presented
// empty over their drawing. Their paint pass calls `draw` with each dirty
// rectangle inside the visible one (device coordinates), as a direct canvas
// would, then empties the dirty list. True when it painted; false for the
// phases the graphic's own pass handles.
bool PaintDirectly(TGraphic& graphic, TEvent* event, void (*draw)(TGraphic&, const TRectArea&));
