#include "media/resources/TDrawAttr.h"

#include "gdl/draw.h"

void TDrawAttr::Apply() const {
    GDL_setPenStyle(penStyle_);
    GDL_setLineStyle(linePattern_);
    GDL_setLineStylePos(0);
    GDL_setFillStyle(fillStyle_);
    if ((fillStyle_ == kMono1 || fillStyle_ == kMono2) && monoPattern_)
        GDL_setMonoPattern(monoPattern_);
    if (fillStyle_ == kColour && colorPattern_) GDL_setColorPattern(colorPattern_);
    GDL_setWriteMode(writeMode_);
    GDL_setPenSize(penHeight_, penWidth_);
}

TDrawAttr& TDrawAttr::Default() {
    static TDrawAttr attributes;
    return attributes;
}
