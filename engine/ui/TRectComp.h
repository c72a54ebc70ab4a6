// A component that occupies a rectangle: its bounds in the parent's client
// coordinates, an alignment inside the area the layout offers it (its
// extent), an auto-size flag, and the screen and visible rectangles that the
// layout pass writes.
#pragma once

#include "foundation/TComp.h"
#include "foundation/TPoint.h"

#include <algorithm>
#include <cstdint>

class TRectComp : public TComp {
public:
    enum Align : int32_t { alNone = 0, alTop, alBottom, alLeft, alRight, alFill };

    TRectComp() = default;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;

    void SetX(int32_t x);
    void SetY(int32_t y);
    int32_t GetX();
    int32_t GetY();
    void SetWidth(int32_t w);
    void SetHeight(int32_t h);
    int32_t GetWidth();
    int32_t GetHeight();
    void SetRect(int32_t x, int32_t y, int32_t w, int32_t h);
    void SetPos(int32_t x, int32_t y);
    void SetPos(TPoint p) { SetPos(p.x, p.y); }
    void GetPosSize(int32_t& x, int32_t& y, int32_t& w, int32_t& h);
    TRectArea& GetBounds(TRectArea& rect);
    void AdjustWidth(int32_t w);
    void AdjustHeight(int32_t h);
    void SetBottom(int32_t b);
    void SetAlign(int32_t mode);
    int32_t GetAlign() const { return align_; }
    void SetAutoSize(uint32_t flag);
    uint32_t GetAutoSize() const { return autoSize_; }
    void SetExtent(const TRectArea& rect);
    TRectArea& GetExtent(TRectArea& rect) const;
    TRectArea& GetVisibleRect(TRectArea& rect) const;
    TRectArea& GetScreenRect(TRectArea& rect) const;
    // Written by the layout pass.
    void SetScreenRect(const TRectArea& rect) { screen_ = rect; }
    void SetVisibleRect(const TRectArea& rect);

    // Own coordinates to screen coordinates and back.
    TPoint PointToParent(TPoint p) const;
    TRectArea RectToParent(TRectArea r) const;
    TPoint PointFromParent(TPoint p) const;
    TRectArea RectFromParent(TRectArea r) const;
    // Screen coordinates to the parent's client coordinates and back; (0, 0)
    // without a positioned parent.
    TPoint ScreenToParent(TPoint p) const;
    TPoint ParentToScreen(TPoint p) const;

private:
    void ClearAlign();
    void ClearAutoSize();
    void SetEdge(int32_t& edge, int32_t value);
    void ApplyAlign();
    // A width past the 32-bit range reads as the largest one.
    static int32_t Extent(int32_t from, int32_t to) {
        return to > from ? int32_t(std::min<int64_t>(int64_t{to} - from, INT32_MAX)) : 0;
    }

    TRectArea visible_{0, 0, 0, 0};
    TRectArea bounds_{0, 0, 0, 0};
    TRectArea extent_{0, 0, 0, 0};
    int32_t align_ = alNone;
    uint32_t autoSize_ = 1;
    TRectArea screen_{0, 0, 0, 0};
};
