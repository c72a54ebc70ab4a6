// The engine's picture button: a click control whose picture and colour
// follow its state (normal, pressed, disabled, pointer over, pressed and
// over; the sixth style record is the focus picture), and which a transparent
// form takes clicks on only where its picture is not the background colour.
// The style records are a part of the form (both root in the engine object,
// which may be only once in an object).
#pragma once

#include "ui/TClickCtl.h"
#include "ui/TStyle.h"

class TListForm : public TClickCtl {
public:
    TListForm();
    ~TListForm() override;

    uint32_t Update() override;
    bool IsDirty() override;
    void Draw() override;
    bool HitTest(int32_t x, int32_t y) override;

    // The colour of the graphic and of the style.
    void SetColor(TColor color);
    TStyle& GetStyleRecords() { return styles_; }
    const TStyleRec& GetLook() const { return look_; }

private:
    TStyleRec LookOfState() const;
    static bool SameLook(const TStyleRec& a, const TStyleRec& b);

    TStyle styles_; // the style records, apart from the control's style word
    TStyleRec look_;
};
