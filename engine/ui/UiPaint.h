// Drawing steps of the list and input controls, beside those of UiDraw.h:
// frames in two given colours, the checkerboard of a scroll bar's track, a
// dotted outline in a given colour, and the image of a picture source.
#pragma once

#include "drawing/TCanvas.h"
#include "foundation/TColor.h"
#include "gdl/bitmap.h"

#include <cstdint>

class TPicture;

namespace ui {

// A frame of `width` pixels: raised draws the top and left edges in `first`
// and the bottom and right edges in `second`, sunken the reverse.
void Bevel(TCanvas& canvas, const TRectArea& rect, const TColor& first, const TColor& second,
           bool sunken, int32_t width);
// Fills the rectangle with alternate pixels of the two colours.
void FillCheckered(TCanvas& canvas, const TRectArea& rect, const TColor& first,
                   const TColor& second);
// A one-pixel outline of every other pixel.
void DottedFrame(TCanvas& canvas, const TRectArea& rect, const TColor& color);

// The canvas's clip rectangle in its owner's coordinates, and back: a
// direct canvas clips in screen coordinates.
TRectArea GetOwnClip(TCanvas& canvas);
void SetOwnClip(TCanvas& canvas, const TRectArea& rect);

// The image of `picture` for (index, variant), available until ReleaseImage;
// null (and nothing to release) when it has none.
const GdlBitmap* LockImage(TPicture* picture, int32_t index, int32_t variant);
void ReleaseImage(TPicture* picture);

} // namespace ui
