// The scroll bar drawn from pictures: its buttons and thumb take their looks
// from style records (normal, pressed, disabled, hover, pressed and hovered),
// its track from a picture source, and the parts' lengths from the looks'
// pictures.
#pragma once

#include "ui/TScrollBar.h"
#include "ui/TStyle.h"

#include <cstdint>

class TPicture;

class TStyleScrollBar : public TScrollBar {
public:
    // Style records by visual state.
    enum Look : int32_t {
        lkNormal = 1,
        lkPressed = 2,
        lkDisabled = 3,
        lkHover = 4,
        lkPressedHover = 5
    };

    TStyleScrollBar();
    ~TStyleScrollBar() override;

    uint32_t Update() override;
    void Draw() override;

    void SetFirstButtonStyle(TStyle* style);
    void SetSecondButtonStyle(TStyle* style);
    void SetThumbStyle(TStyle* style);
    void SetTrack(TPicture* source, int32_t index1, int32_t index2);
    void SetAutoSizeTrack(int32_t on) { autoSize_ = on; }
    // The state record (1 to 5) each part shows now; 0 for no look.
    int32_t GetLookOf(int32_t part) const { return lookState_[part == ptThumb ? 2 : part - 1]; }

private:
    int32_t ChooseLook(int32_t part, bool disabled) const;
    void TakeLook(int32_t slot, TStyle* style, int32_t state);
    int32_t LookLength(int32_t slot) const;
    void DrawPart(int32_t slot, const TRectArea& rect);
    void SetStyleOf(TStyle*& field, TStyle* style);

    TStyle* styles_[3] = {nullptr, nullptr, nullptr}; // first, second, thumb
    TPicture* track_ = nullptr;
    int32_t trackIndex1_ = 0;
    int32_t trackIndex2_ = 0;
    int32_t autoSize_ = 1;
    TStyleRec looks_[3];
    int32_t lookState_[3] = {0, 0, 0};
};
