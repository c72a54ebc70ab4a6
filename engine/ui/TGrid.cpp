#include "ui/TGrid.h"

#include "foundation/TKeys.h"
#include "ui/UiPaint.h"

#include <algorithm>

namespace {

enum : uint8_t {
    kLeftScan = KeyScanOf(kKeyLeft),
    kRightScan = KeyScanOf(kKeyRight),
    kUpScan = KeyScanOf(kKeyUp),
    kDownScan = KeyScanOf(kKeyDown),
    kHomeScan = KeyScanOf(kKeyHome),
    kEndScan = KeyScanOf(kKeyEnd),
    kPageUpScan = KeyScanOf(kKeyPageUp),
    kPageDownScan = KeyScanOf(kKeyPageDown),
};
constexpr uint32_t kShift = TControl::kShiftMask, kCtrl = TControl::kCtrlMask;

// Navigation keys go by the scan code alone.
bool IsNavigation(const TEvent* event) {
    switch (event->KeyScan()) {
        case kLeftScan:
        case kRightScan:
        case kUpScan:
        case kDownScan:
        case kHomeScan:
        case kEndScan:
        case kPageUpScan:
        case kPageDownScan: return true;
        default: return false;
    }
}

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

TGrid::TGrid() {
    SetColor(TColor::Default(42));
    SetTransparent(0);
    SetBorderWidth(0);
    TControl::SetStyle(stCountPresses | stHandleClicks | stTrackHover | stFocusable | stDefault);
}

TGrid::~TGrid() {
    StopListening(HBar());
    StopListening(VBar());
}

// --- Bars ------------------------------------------------------------------------------

int TGrid::OnBarChanged(TObject*, TEvent* event) {
    OnScroll(event);
    return 0;
}

void TGrid::OnScroll(TEvent*) {
    Invalidate(true);
}

// One entry per bar and grid however often the grid is shown.
void TGrid::Listen(TScrollBar* bar) {
    if (bar && !bar->Has(evUser24, this)) bar->Add<TGrid, &TGrid::OnBarChanged>(evUser24, this);
}

void TGrid::StopListening(TScrollBar* bar) {
    if (bar) bar->Remove(evUser24, this);
}

void TGrid::SetVertScrollBar(TScrollBar* bar) {
    if (vBar_.Is(bar)) return;
    StopListening(VBar());
    vBar_ = TRef<TScrollBar>(bar);
    if (IsShown()) Listen(bar);
    Invalidate(true);
}

void TGrid::SetHorzScrollBar(TScrollBar* bar) {
    if (hBar_.Is(bar)) return;
    StopListening(HBar());
    hBar_ = TRef<TScrollBar>(bar);
    if (IsShown()) Listen(bar);
    Invalidate(true);
}

bool TGrid::BarShows(const TScrollBar* bar) const {
    return bar && bar->IsVisible();
}

// --- Properties ------------------------------------------------------------------------

void TGrid::Show(TControl* parent) {
    TControl::Show(parent);
    selFlags_ &= ~slDirections;
    firstCol_ = firstRow_ = 0;
    colEnd_ = rowEnd_ = 1;
    SetRanges(0, 1, 0, 1);
    cursorCell_ = TPoint(0, 0);
    sel_ = {0, 0, 1, 1};
    EnsureVisible(1);
    Invalidate(true);
    Listen(HBar());
    Listen(VBar());
}

void TGrid::Hide() {
    StopListening(HBar());
    StopListening(VBar());
    TControl::Hide();
}

void TGrid::SetCursor(int32_t column, int32_t row) {
    cursorCell_ = TPoint(column, row);
    sel_ = {column, row, column + 1, row + 1};
    EnsureVisible(1);
    Invalidate(true);
}

void TGrid::SetLayoutFlags(int32_t flags) {
    if (flags == layoutFlags_) return;
    layoutFlags_ = flags;
    Invalidate(true);
}

void TGrid::SetSelectionFlags(int32_t flags) {
    if (flags == selFlags_) return;
    selFlags_ = flags;
    Invalidate(true);
}

void TGrid::SetCellSize(TPoint size) {
    if (size.x == reqCell_.x && size.y == reqCell_.y) return;
    reqCell_ = size;
    Invalidate(true);
}

void TGrid::SetFrameStyle(int32_t style) {
    if (style == frameStyle_) return;
    frameStyle_ = style;
    Invalidate(true);
}

void TGrid::SetBarThickness(int32_t thickness) {
    if (thickness == barThickness_) return;
    barThickness_ = thickness;
    Invalidate(true);
}

void TGrid::SetRanges(int32_t columnStart, int32_t columnEnd, int32_t rowStart, int32_t rowEnd) {
    colStart_ = columnStart;
    colRangeEnd_ = columnEnd;
    rowStart_ = rowStart;
    rowRangeEnd_ = rowEnd;
}

// --- Layout ----------------------------------------------------------------------------

TRectArea& TGrid::GetClientRect(TRectArea& rect) {
    return TRectComp::GetClientRect(rect);
}

TRectArea TGrid::CellArea() {
    TRectArea inner;
    TGraphic::GetClientRect(inner);
    const int32_t inset = frameStyle_ == frSunken ? 3 : frameStyle_ == frLine ? 1 : 0;
    TRectArea area = DeflateRect(inner, inset);
    if (layoutFlags_ & lyDocked) {
        if (BarShows(HBar())) area.bottom -= HBar()->GetHeight();
        if (BarShows(VBar())) area.right -= VBar()->GetWidth();
        if (area.right <= area.left || area.bottom <= area.top) area = {0, 0, 0, 0};
    }
    return area;
}

TPoint TGrid::ComputeCellSize(const TRectArea& area) {
    return TPoint(reqCell_.x >= 1 ? reqCell_.x : area.right - area.left,
                  reqCell_.y >= 1 ? reqCell_.y : area.bottom - area.top);
}

void TGrid::PlaceBars() {
    const int32_t width = GetWidth(), height = GetHeight();
    if (layoutFlags_ & lySizeBars) {
        if (barThickness_ > 0) {
            if (HBar()) HBar()->SetHeight(barThickness_);
            if (VBar()) VBar()->SetWidth(barThickness_);
        }
        if (HBar())
            HBar()->SetWidth(std::max(width - (BarShows(VBar()) ? VBar()->GetWidth() : 0), 0));
        if (VBar())
            VBar()->SetHeight(std::max(height - (BarShows(HBar()) ? HBar()->GetHeight() : 0), 0));
    }
    if (layoutFlags_ & lyDocked) {
        if (HBar()) HBar()->SetPos(0, std::max(height - HBar()->GetHeight(), 0));
        if (VBar()) VBar()->SetPos(std::max(width - VBar()->GetWidth(), 0), 0);
    }
}

void TGrid::SyncBars() {
    const int32_t columns = colEnd_ - firstCol_, rows = rowEnd_ - firstRow_;
    if (HBar()) {
        HBar()->SetPageStep(std::max(columns - 1, 1));
        HBar()->SetMinimum(colStart_);
        HBar()->SetMaximum(std::max(colRangeEnd_ - columns, colStart_));
    }
    if (VBar()) {
        VBar()->SetPageStep(std::max(rows - 1, 1));
        VBar()->SetMinimum(rowStart_);
        VBar()->SetMaximum(std::max(rowRangeEnd_ - rows, rowStart_));
    }
    // The window follows the bars, read after their ranges are set.
    firstCol_ = HBar() ? HBar()->GetPosition() : 1;
    firstRow_ = VBar() ? VBar()->GetPosition() : 1;
    colEnd_ = firstCol_ + columns;
    rowEnd_ = firstRow_ + rows;
}

uint32_t TGrid::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TText::Update();
    style_ = (selFlags_ & slHotTrack) ? (style_ | stReportMoves) : (style_ & ~stReportMoves);
    PlaceBars();
    const TRectArea area = CellArea();
    cell_ = ComputeCellSize(area);
    const int32_t areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    auto count = [&](int32_t extent, int32_t size) {
        if (size < 1) return 1;
        const int32_t n = (layoutFlags_ & lyPartial) ? (extent + size - 1) / size : extent / size;
        return std::max(n, 1);
    };
    colEnd_ = firstCol_ + count(areaWidth, cell_.x);
    rowEnd_ = firstRow_ + count(areaHeight, cell_.y);
    LayoutCells();
    SyncBars();
    return flags_;
}

bool TGrid::CursorVisible() const {
    return cursorCell_.x >= firstCol_ && cursorCell_.x < colEnd_ && cursorCell_.y >= firstRow_ &&
           cursorCell_.y < rowEnd_;
}

void TGrid::EnsureVisible(int32_t mode) {
    Update();
    if (CursorVisible()) return;
    const int32_t rows = rowEnd_ - firstRow_, columns = colEnd_ - firstCol_;
    bool moved = false;
    if (VBar() && cursorCell_.y < firstRow_) {
        VBar()->SetPosition(cursorCell_.y);
        moved = true;
    } else if (VBar() && cursorCell_.y >= rowEnd_) {
        VBar()->SetPosition(mode == 1
                                ? std::min(cursorCell_.y, Clamp32(int64_t(rowRangeEnd_) - rows))
                                : Clamp32(int64_t(cursorCell_.y) - rows + 1));
        moved = true;
    }
    if (HBar() && cursorCell_.x < firstCol_) {
        HBar()->SetPosition(cursorCell_.x);
        moved = true;
    } else if (HBar() && cursorCell_.x >= colEnd_) {
        HBar()->SetPosition(Clamp32(int64_t(cursorCell_.x) - columns + 1));
        moved = true;
    }
    if (moved) Invalidate(true);
}

int32_t TGrid::HitCell(TPoint screen, int32_t& column, int32_t& row) {
    const TPoint p = PointFromParent(screen);
    const TRectArea area = CellArea();
    TRectArea test = area;
    if (!(layoutFlags_ & lyPartial)) {
        test.right = Clamp32(area.left + int64_t(colEnd_ - firstCol_) * cell_.x);
        test.bottom = Clamp32(area.top + int64_t(rowEnd_ - firstRow_) * cell_.y);
    }
    int32_t result = 0;
    if (p.y < test.top) result |= htAbove;
    if (p.y >= test.bottom) result |= htBelow;
    if (p.x < test.left) result |= htLeft;
    if (p.x >= test.right) result |= htRight;
    if (result) return result;
    column = firstCol_ + (cell_.x < 1 ? 0 : (p.x - area.left) / cell_.x);
    row = firstRow_ + (cell_.y < 1 ? 0 : (p.y - area.top) / cell_.y);
    return htCell;
}

// --- Selection -------------------------------------------------------------------------

void TGrid::SelectCell(int32_t, int32_t) {}
void TGrid::DeselectCell(int32_t, int32_t) {}
void TGrid::ToggleCell(int32_t, int32_t) {}
void TGrid::DrawCell(int32_t, int32_t, const TRectArea&) {}

void TGrid::SelectBlock(const TRectArea& block) {
    for (int32_t c = std::max(block.left, colStart_); c < std::min(block.right, colRangeEnd_); ++c)
        for (int32_t r = std::max(block.top, rowStart_); r < std::min(block.bottom, rowRangeEnd_);
             ++r)
            SelectCell(c, r);
}

void TGrid::DeselectBlock(const TRectArea& block) {
    for (int32_t c = std::max(block.left, colStart_); c < std::min(block.right, colRangeEnd_); ++c)
        for (int32_t r = std::max(block.top, rowStart_); r < std::min(block.bottom, rowRangeEnd_);
             ++r)
            DeselectCell(c, r);
}

// One axis of a range stretched to the cursor: the side opposite the
// direction bit is the anchor; a one-cell extent takes the direction of the
// move; crossing the anchor flips the direction.
void TGrid::StretchAxis(int32_t old, int32_t now, int32_t& low, int32_t& high, int32_t lowBit,
                        int32_t highBit) {
    if (now == old) return;
    int32_t anchor;
    if (selFlags_ & highBit)
        anchor = low;
    else if (selFlags_ & lowBit)
        anchor = high - 1;
    else if (high - low <= 1)
        anchor = low;
    else
        anchor = old == low ? high - 1 : low;
    selFlags_ &= ~(lowBit | highBit);
    if (now > anchor) selFlags_ |= highBit;
    if (now < anchor) selFlags_ |= lowBit;
    low = std::min(anchor, now);
    high = std::max(anchor, now) + 1;
}

void TGrid::Stretch(TPoint old) {
    const TRectArea before = sel_;
    TRectArea after = sel_;
    StretchAxis(old.x, cursorCell_.x, after.left, after.right, slLeft, slRight);
    StretchAxis(old.y, cursorCell_.y, after.top, after.bottom, slUp, slDown);
    for (int32_t c = before.left; c < before.right; ++c)
        for (int32_t r = before.top; r < before.bottom; ++r)
            if (!Inside(after, c, r)) DeselectBlock({c, r, c + 1, r + 1});
    sel_ = after;
    for (int32_t c = after.left; c < after.right; ++c)
        for (int32_t r = after.top; r < after.bottom; ++r)
            if (!Inside(before, c, r)) SelectBlock({c, r, c + 1, r + 1});
}

void TGrid::CollapseTo(TPoint cell) {
    sel_ = {cell.x, cell.y, cell.x + 1, cell.y + 1};
    selFlags_ &= ~slDirections;
}

void TGrid::MoveCursor(TPoint target, uint32_t modifiers, int32_t mode) {
    if (!(selFlags_ & slModes)) return;
    target.x = Clamp(target.x, colStart_, colRangeEnd_ - 1);
    target.y = Clamp(target.y, rowStart_, rowRangeEnd_ - 1);
    const TPoint old = cursorCell_;
    const bool moved = target.x != old.x || target.y != old.y;
    cursorCell_ = target;
    if (moved) SetRedraw(true);
    const bool shift = (modifiers & kShift) != 0, ctrl = (modifiers & kCtrl) != 0;
    if (moved && (selFlags_ & slRange) && shift) Stretch(old);
    if (selFlags_ & slToggle) {
        if (!shift && !ctrl) {
            DeselectBlock({colStart_, rowStart_, colRangeEnd_, rowRangeEnd_});
            CollapseTo(cursorCell_);
        }
        if (!shift) ToggleCell(cursorCell_.x, cursorCell_.y);
    } else if (!(selFlags_ & slRange) || !shift) {
        DeselectBlock(sel_);
        CollapseTo(cursorCell_);
        SelectCell(cursorCell_.x, cursorCell_.y);
    }
    if (moved) EnsureVisible(mode);
}

void TGrid::MoveCursorLeft(int32_t delta, uint32_t modifiers) {
    if (!(selFlags_ & slModes)) return;
    MoveCursor(TPoint(Clamp32(int64_t(cursorCell_.x) - delta), cursorCell_.y), modifiers, 0);
}

void TGrid::MoveCursorRight(int32_t delta, uint32_t modifiers) {
    if (!(selFlags_ & slModes)) return;
    MoveCursor(TPoint(Clamp32(int64_t(cursorCell_.x) + delta), cursorCell_.y), modifiers, 0);
}

void TGrid::PostCommand(const TEvent* cause) {
    TEvent e;
    e.SetType(evCommand);
    e.target = TEvent::WordOf(this);
    if (cause) e.record.modifiers = cause->record.modifiers;
    OnCommand(&e);
    Dispatch(this, &e);
}

// --- Keys ------------------------------------------------------------------------------

void TGrid::ScrollBy(TScrollBar* bar, int64_t delta) {
    if (!bar) return;
    bar->SetPosition(Clamp32(bar->GetPosition() + delta));
    Invalidate(true);
}

bool TGrid::NavigationKey(TEvent* event) {
    const uint8_t scan = event->KeyScan();
    if (!IsNavigation(event) && event->KeyCode() != kKeySpace) return false;
    event->passState = psConsumed;
    Update();
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    const int32_t rows = rowEnd_ - firstRow_;
    if (event->KeyCode() == kKeySpace) {
        if ((selFlags_ & slToggle) && (modifiers & kCtrl)) ToggleCell(cursorCell_.x, cursorCell_.y);
        return true;
    }
    if (IsEmpty()) return true;
    if (!(selFlags_ & slModes)) {
        switch (scan) {
            case kLeftScan: ScrollBy(HBar(), -1); break;
            case kRightScan: ScrollBy(HBar(), 1); break;
            case kUpScan: ScrollBy(VBar(), -1); break;
            case kDownScan: ScrollBy(VBar(), 1); break;
            case kPageUpScan: ScrollBy(VBar(), -int64_t(rows)); break;
            case kPageDownScan: ScrollBy(VBar(), rows); break;
            case kHomeScan:
            case kEndScan:
                if (VBar()) VBar()->SetPosition(scan == kHomeScan ? rowStart_ : rowRangeEnd_);
                if (HBar()) HBar()->SetPosition(scan == kHomeScan ? colStart_ : colRangeEnd_);
                Invalidate(true);
                break;
            default: break;
        }
        return true;
    }
    const int64_t x = cursorCell_.x, y = cursorCell_.y;
    switch (scan) {
        case kLeftScan: MoveCursor(TPoint(Clamp32(x - 1), cursorCell_.y), modifiers, 0); break;
        case kRightScan: MoveCursor(TPoint(Clamp32(x + 1), cursorCell_.y), modifiers, 0); break;
        case kUpScan: MoveCursor(TPoint(cursorCell_.x, Clamp32(y - 1)), modifiers, 0); break;
        case kDownScan: MoveCursor(TPoint(cursorCell_.x, Clamp32(y + 1)), modifiers, 0); break;
        case kHomeScan: MoveCursor(TPoint(colStart_, rowStart_), modifiers, 0); break;
        case kEndScan: MoveCursor(TPoint(colRangeEnd_ - 1, rowRangeEnd_ - 1), modifiers, 0); break;
        case kPageUpScan: MoveCursor(TPoint(cursorCell_.x, Clamp32(y - rows)), modifiers, 1); break;
        case kPageDownScan:
            MoveCursor(TPoint(cursorCell_.x, Clamp32(y + rows)), modifiers, 1);
            break;
        default: break;
    }
    return true;
}

void TGrid::OnKeyDown(TEvent* event) {
    if (IsFocused() && NavigationKey(event)) return;
    if (IsFocused() && event->KeyCode() == kKeyEnter) {
        Update();
        if (sel_.right > sel_.left && sel_.bottom > sel_.top) {
            PostCommand(event);
            // Taken here, so the second pass of the key does not post it again.
            event->passState = psConsumed;
            return;
        }
    }
    TControl::OnKeyDown(event);
}

void TGrid::OnKeyUp(TEvent* event) {
    if (IsFocused() && (IsNavigation(event) || event->KeyCode() == kKeySpace))
        event->passState = psConsumed;
    else
        TControl::OnKeyUp(event);
}

// --- Mouse -----------------------------------------------------------------------------

void TGrid::ClickCursorCell(uint32_t modifiers) {
    const bool shift = (modifiers & kShift) != 0, ctrl = (modifiers & kCtrl) != 0;
    if ((selFlags_ & slToggle) && shift) {
        SelectCell(cursorCell_.x, cursorCell_.y);
    } else if ((selFlags_ & slToggle) && ctrl) {
        ToggleCell(cursorCell_.x, cursorCell_.y);
    } else if ((selFlags_ & slToggle)) {
        DeselectBlock({colStart_, rowStart_, colRangeEnd_, rowRangeEnd_});
        CollapseTo(cursorCell_);
        SelectCell(cursorCell_.x, cursorCell_.y);
    } else if ((selFlags_ & slRange) && shift) {
        SelectCell(cursorCell_.x, cursorCell_.y);
    } else {
        DeselectBlock(sel_);
        CollapseTo(cursorCell_);
        SelectCell(cursorCell_.x, cursorCell_.y);
    }
}

void TGrid::OnLeftDown(TEvent* event) {
    if (event->data[mwPressClaim]) return;
    Update();
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    if ((selFlags_ & slModes) && !IsEmpty()) {
        int32_t column = 0, row = 0;
        if (HitCell(TPoint(event->record.x, event->record.y), column, row) == htCell) {
            if (column != cursorCell_.x || row != cursorCell_.y)
                MoveCursor(TPoint(column, row), modifiers, 0);
            else
                ClickCursorCell(modifiers);
        }
    }
    if (sel_.right <= sel_.left || sel_.bottom <= sel_.top) return;
    const bool twice = event->data[mwDoubleClick] != 0;
    const bool hot = (selFlags_ & slHotTrack) != 0;
    if (twice != hot) PostCommand(event);
}

void TGrid::OnMouseMove(TEvent* event) {
    if (!(selFlags_ & slModes) || IsEmpty()) return;
    int32_t column = 0, row = 0;
    const int32_t hit = HitCell(TPoint(event->record.x, event->record.y), column, row);
    const bool hot = (selFlags_ & slHotTrack) != 0;
    if (hit != htCell) {
        if (hot) return;
        // Dragging past an edge extends the selection one cell per move.
        TPoint target = cursorCell_;
        if (hit & htAbove) target.y = Clamp32(int64_t(target.y) - 1);
        if (hit & htBelow) target.y = Clamp32(int64_t(target.y) + 1);
        if (hit & htLeft) target.x = Clamp32(int64_t(target.x) - 1);
        if (hit & htRight) target.x = Clamp32(int64_t(target.x) + 1);
        MoveCursor(target, kShift, 0);
    } else if (!hot) {
        MoveCursor(TPoint(column, cursorCell_.y), kShift, 0);
        MoveCursor(TPoint(column, row), kShift, 0);
    } else if (column != cursorCell_.x || row != cursorCell_.y) {
        MoveCursor(TPoint(column, row), 0, 0);
    }
}

// --- Drawing ---------------------------------------------------------------------------

void TGrid::DrawCells(const TRectArea& area) {
    TCanvas& canvas = GetCanvas();
    const TRectArea kept = ui::GetOwnClip(canvas);
    const int32_t firstC = std::max(firstCol_, colStart_), endC = std::min(colEnd_, colRangeEnd_);
    const int32_t firstR = std::max(firstRow_, rowStart_), endR = std::min(rowEnd_, rowRangeEnd_);
    for (int32_t c = firstC; c < endC; ++c)
        for (int32_t r = firstR; r < endR; ++r) {
            const int32_t left = Clamp32(area.left + int64_t(c - firstCol_) * cell_.x);
            const int32_t top = Clamp32(area.top + int64_t(r - firstRow_) * cell_.y);
            const TRectArea cell{left, top, Clamp32(int64_t(left) + cell_.x),
                                 Clamp32(int64_t(top) + cell_.y)};
            TRectArea clip = cell;
            if (!IntersectRect(clip, area) || !IntersectRect(clip, kept)) continue;
            ui::SetOwnClip(canvas, clip);
            DrawCell(c, r, cell);
        }
    ui::SetOwnClip(canvas, kept);
}

void TGrid::Draw() {
    TCanvas& canvas = GetCanvas();
    canvas.SetKeep(0);
    canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    canvas.SetMapMode(uint32_t(GetColorMapMode()));
    TRectArea client;
    GetClientRect(client);
    const bool docked = (layoutFlags_ & lyDocked) != 0;
    const int32_t barW = docked && BarShows(VBar()) ? VBar()->GetWidth() : 0;
    const int32_t barH = docked && BarShows(HBar()) ? HBar()->GetHeight() : 0;
    if (barW && barH && (layoutFlags_ & lySizeBars)) {
        canvas.SetForeColor(TColor::Default(14));
        canvas.FillRect(client.right - barW, client.bottom - barH, client.right, client.bottom);
    }
    TRectArea body = client;
    body.right -= barW;
    body.bottom -= barH;
    canvas.SetForeColor(GetColor());
    canvas.FillRect(body);
    if (frameStyle_ == frSunken) {
        ui::Bevel(canvas, body, TColor::Default(8), TColor::Default(10), true, 2);
        ui::Bevel(canvas, DeflateRect(body, 2), TColor::Default(9), TColor::Default(11), true, 1);
    } else if (frameStyle_ == frLine) {
        canvas.SetForeColor(TColor::Default(11));
        canvas.FrameRect(body);
    }
    const TRectArea area = CellArea();
    DrawCells(area);
    if (IsEmpty() && IsFocused())
        ui::DottedFrame(canvas, {area.left, area.top, area.left + cell_.x, area.top + cell_.y},
                        TColor::Default(43));
    canvas.SetKeep(uint32_t(IsTransparent()));
    canvas.SetColor3(GetColor());
}
