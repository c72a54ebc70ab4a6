// The graphic that shows one picture of a picture resource fitted into its
// rectangle: put or stretched by the graphics library, blended with the key
// colour left out and the edges smoothed, or blended with its alpha, as its
// fit flags and transparency choose.
#pragma once

#include "foundation/TColor.h"
#include "ui/TGraphic.h"

#include <cstdint>

class TPicture;
struct GdlBitmap;

class TImage : public TGraphic {
public:
    // Fit bits of the image's own drawing, beside the graphic's 1, 2 and 4.
    static constexpr int32_t fitKeyed = 8, fitSmooth = 16, fitAlpha = 32;

    TImage();
    ~TImage() override;

    uint32_t Update() override;
    void Draw() override;

    void SetSource(TPicture* source);
    TPicture* GetSource() const { return source_; }
    void SetIndex(int32_t index);
    int32_t GetIndex() const { return index_; }
    void SetSubIndex(int32_t subIndex);
    int32_t GetSubIndex() const { return subIndex_; }
    TColor GetFillColor() const { return fillColor_; }

    // The bitmap record of a locked picture (the resource's data), or null.
    static const GdlBitmap* LockedBitmap(TPicture* source);

private:
    enum Way { kKeyedTranslucent, kAlpha, kKeyed, kLibrary };
    Way ChooseWay() const;
    void DrawPicture(const GdlBitmap& picture);

    TColor fillColor_;
    TPicture* source_ = nullptr;
    int32_t index_ = 0;
    int32_t subIndex_ = 0;
};
