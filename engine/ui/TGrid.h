// The cell grid every list control is built on: equally sized cells by
// column and row, a keyboard cursor, a selection rectangle with single,
// range and toggle selection, optional scroll bars (not owned) whose
// positions are the first visible column and row, and a sunken or flat
// frame. What a cell holds, how it is drawn and what selecting it means are
// left to the lists.
//
// The grid listens to its bars while it is shown; bars given to it must
// outlive it or be taken back (SetVertScrollBar(nullptr)) before they go.
#pragma once

#include "foundation/TPoint.h"
#include "ui/TScrollBar.h"
#include "ui/TText.h"

#include <cstdint>

class TGrid : public TText {
public:
    enum Layout : int32_t { lyDocked = 2, lySizeBars = 4, lyPartial = 8 };
    enum Selection : int32_t {
        slSingle = 1,
        slRange = 2,
        slToggle = 4,
        slHotTrack = 8,
        slLeft = 16,
        slRight = 32,
        slUp = 64,
        slDown = 128,
        slModes = slSingle | slRange | slToggle,
        slDirections = slLeft | slRight | slUp | slDown,
    };
    // HitCell results.
    enum Hit : int32_t { htAbove = 1, htBelow = 2, htLeft = 4, htRight = 8, htCell = 16 };
    enum Frame : int32_t { frNone = 0, frLine = 1, frSunken = 2 };

    TGrid();
    ~TGrid() override;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;
    void OnLeftDown(TEvent* event) override;
    void OnMouseMove(TEvent* event) override;
    void OnKeyUp(TEvent* event) override;
    void OnKeyDown(TEvent* event) override;

    // --- Operations the lists fill in ---
    virtual void OnScroll(TEvent* event);
    virtual void DrawCell(int32_t column, int32_t row, const TRectArea& rect);
    virtual void SelectCell(int32_t column, int32_t row);
    virtual void DeselectCell(int32_t column, int32_t row);
    virtual void ToggleCell(int32_t column, int32_t row);

    void Show(TControl* parent);
    void Hide();
    void SetCursor(int32_t column, int32_t row);
    TPoint GetCursorCell() const { return cursorCell_; }
    void SetVertScrollBar(TScrollBar* bar);
    void SetHorzScrollBar(TScrollBar* bar);
    TScrollBar* GetVertScrollBar() const { return vBar_.Get(); }
    void SetLayoutFlags(int32_t flags);
    void SetSelectionFlags(int32_t flags);
    int32_t GetSelectionFlags() const { return selFlags_; }
    void SetCellSize(TPoint size);
    void SetFrameStyle(int32_t style);
    void SetBarThickness(int32_t thickness);
    int32_t HitCell(TPoint screen, int32_t& column, int32_t& row);
    void MoveCursor(TPoint target, uint32_t modifiers, int32_t mode);
    void MoveCursorLeft(int32_t delta, uint32_t modifiers);
    void MoveCursorRight(int32_t delta, uint32_t modifiers);
    void SelectBlock(const TRectArea& block);
    void DeselectBlock(const TRectArea& block);
    void EnsureVisible(int32_t mode);

    const TRectArea& GetSelection() const { return sel_; }
    TPoint GetCellSize() const { return cell_; }
    int32_t FirstVisibleColumn() const { return firstCol_; }
    int32_t FirstVisibleRow() const { return firstRow_; }
    int32_t VisibleColumns() const { return colEnd_ - firstCol_; }
    int32_t VisibleRows() const { return rowEnd_ - firstRow_; }
    bool IsEmpty() const { return colRangeEnd_ <= colStart_ || rowRangeEnd_ <= rowStart_; }
    TRectArea CellArea();

protected:
    // The cell size in use for a cell area; the string list measures its
    // line height here.
    virtual TPoint ComputeCellSize(const TRectArea& area);
    TPoint RequestedCellSize() const { return reqCell_; }
    // The lists lay their items out here and set the ranges.
    virtual void LayoutCells() {}
    void SetRanges(int32_t columnStart, int32_t columnEnd, int32_t rowStart, int32_t rowEnd);
    // Builds event 14, shows it to OnCommand and dispatches it.
    void PostCommand(const TEvent* cause);

private:
    int OnBarChanged(TObject* sender, TEvent* event);
    void Listen(TScrollBar* bar);
    void StopListening(TScrollBar* bar);
    void PlaceBars();
    void SyncBars();
    bool BarShows(const TScrollBar* bar) const;
    bool CursorVisible() const;
    void Stretch(TPoint old);
    void StretchAxis(int32_t old, int32_t now, int32_t& low, int32_t& high, int32_t lowBit,
                     int32_t highBit);
    void CollapseTo(TPoint cell);
    void ClickCursorCell(uint32_t modifiers);
    bool NavigationKey(TEvent* event);
    void ScrollBy(TScrollBar* bar, int64_t delta);
    void DrawCells(const TRectArea& area);
    static bool Inside(const TRectArea& r, int32_t column, int32_t row) {
        return column >= r.left && column < r.right && row >= r.top && row < r.bottom;
    }

    TPoint reqCell_{0, 0};
    int32_t barThickness_ = 20;
    int32_t frameStyle_ = frSunken;
    // The bars are the caller's and may be deleted before the grid.
    TScrollBar* HBar() const { return hBar_.Get(); }
    TScrollBar* VBar() const { return vBar_.Get(); }
    TRef<TScrollBar> hBar_;
    TRef<TScrollBar> vBar_;
    int32_t layoutFlags_ = 0;
    int32_t selFlags_ = slSingle;
    int32_t firstCol_ = 0, firstRow_ = 0;
    int32_t colEnd_ = 1, rowEnd_ = 1;
    int32_t colStart_ = 0, rowStart_ = 0;
    int32_t colRangeEnd_ = 1, rowRangeEnd_ = 1;
    TRectArea sel_{0, 0, 1, 1};
    TPoint cursorCell_{0, 0}; // the selected cell, apart from the mouse cursor
    TPoint cell_{1, 1};
};
