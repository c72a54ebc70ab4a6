// A picture blended over what lies behind it with the graphic's own alpha:
// the half-transparent panels of the dialog view and the inventory. Colour-
// keyed pixels leave the screen as it is; it takes no clicks of its own.
#pragma once

#include "foundation/TRectLst.h"
#include "ui/TImage.h"

struct GdlBitmap;

class TImageButton : public TImage {
public:
    TImageButton();
    void Draw() override;

    // The part of the graphic (its own coordinates) that a picture of
    // `width` x `height` placed by the fit flags covers within `clip`; empty
    // when they do not meet.
    TRectArea DrawnPart(const TRectArea& clip, int32_t width, int32_t height);

private:
    void Blend(const GdlBitmap& picture);
    // A buffered canvas shows through where nothing is blended.
    void ClearBuffer();
};
