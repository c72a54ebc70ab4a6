// The integer-valued scroll bar: a value between a minimum and a maximum,
// changed by two arrow buttons, the track on either side of the thumb and by
// dragging the thumb; every change is told to the bar's handlers as event 24.
// A bar whose maximum is not above its minimum is inert: no input, no thumb.
// The bar has no timer: a held arrow steps once at the press, then on the
// held button's repeats (presses with the claim word set), at least the
// repeat interval apart.
#pragma once

#include "ui/TControl.h"

#include <cstdint>

class TScrollBar : public TControl {
public:
    // Parts of the bar under a point.
    enum Part : int32_t {
        ptNone = 0,
        ptFirst = 1,
        ptSecond = 2,
        ptTrackBefore = 3,
        ptTrackAfter = 4,
        ptThumb = 5
    };
    static constexpr int32_t evChanged = evUser24;

    TScrollBar();
    ~TScrollBar() override;

    uint32_t Update() override;
    void Draw() override;
    void OnHide(TEvent* event) override;
    void OnClose(TEvent* event) override;
    void OnLeftDown(TEvent* event) override;
    void OnLeftUp(TEvent* event) override;
    void OnMouseMove(TEvent* event) override;
    void OnMouseEnter(TEvent* event) override;
    void OnMouseLeave(TEvent* event) override;
    // Sees every event 24 just before it is dispatched.
    virtual void OnChange(TEvent* event);

    int32_t GetPosition() const;
    void SetPosition(int32_t value);
    int32_t GetMinimum() const { return minimum_; }
    void SetMinimum(int32_t value);
    int32_t GetMaximum() const { return maximum_; }
    void SetMaximum(int32_t value);
    void SetRange(int32_t position, int32_t minimum, int32_t maximum);
    int32_t GetPageStep() const { return pageStep_; }
    void SetPageStep(int32_t value) { pageStep_ = value; }
    int32_t GetLineStep() const { return lineStep_; }
    void SetLineStep(int32_t value) { lineStep_ = value; }
    int32_t GetRepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int32_t ms) { repeatInterval_ = ms; }
    bool IsInert() const { return maximum_ <= minimum_; }
    bool IsHorizontal() const { return horizontal_ != 0; }
    int32_t GetPressedPart() const { return pressedPart_; }
    bool IsPressed() const { return pressed_ != 0; }
    int32_t GetHoverPart() const { return hoverPart_; }
    const TRectArea& FirstButtonRect() const { return firstRect_; }
    const TRectArea& SecondButtonRect() const { return secondRect_; }
    const TRectArea& ThumbRect() const { return thumbRect_; }
    // The part under a point in screen coordinates.
    int32_t HitPart(int32_t x, int32_t y);

protected:
    // Lays out the buttons and the thumb with the current part lengths.
    void LayoutParts();
    void LayoutThumb();
    void ClampPosition();
    // One step of a part; event 24 when the value changed.
    void Step(int32_t part);
    void DragTo(TPoint own);
    void ChangeTo(int32_t value);
    // Track geometry along the bar's axis.
    int32_t TrackStart() const;
    int32_t SecondStart() const;
    int32_t Along(TPoint p) const { return horizontal_ ? p.x : p.y; }

    int32_t position_ = 150;
    int32_t minimum_ = 100;
    int32_t maximum_ = 200;
    int32_t pageStep_ = 1;
    int32_t lineStep_ = 1;
    int32_t repeatInterval_ = 150;
    int32_t firstLength_ = 16;
    int32_t secondLength_ = 16;
    int32_t thumbLength_ = 16;
    int32_t horizontal_ = 1;
    int32_t pressed_ = 0;
    int32_t pressedPart_ = ptNone;
    int32_t hoverPart_ = ptNone;
    TRectArea firstRect_{0, 0, 0, 0};
    TRectArea secondRect_{0, 0, 0, 0};
    TRectArea thumbRect_{0, 0, 0, 0};
    uint32_t lastStepTime_ = 0;

private:
    void DrawButton(const TRectArea& rect, int32_t part);
    void DrawChevron(const TRectArea& inner, int32_t part, bool down);
    void DrawTrack();
    bool PartDown(int32_t part) const { return pressedPart_ == part && pressed_ == 1; }
    void SetPressedFlag(int32_t on);
};
