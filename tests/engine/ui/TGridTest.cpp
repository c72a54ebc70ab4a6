// Grids and lists: the cursor and the window under keys, range selection
// across its anchor, commands from clicks, dragging past the edge, item
// layouts, the events of selection changes, and grids that leave their bars.

#include "ListFixture.h"
#include "TextFonts.h"
#include "foundation/TKeys.h"
#include "ui/TStrList.h"

#include <memory>
#include <cstdlib>
#include <string>

namespace {

using uitest::Heard;
using uitest::InputTest;

constexpr uint32_t kShift = 0x08;

// Remembers the order of the command hook and the handlers.
struct Hooked : TStrList {
    void OnCommand(TEvent* e) override { order.push_back(e->type * 10 + 1); }
    int Listened(TObject*, TEvent* e) {
        order.push_back(e->type * 10 + 2);
        return 0;
    }
    std::vector<int> order;
};

// A string list of 20 items "i00" to "i19" at (100, 100): the pixel font's
// lines are 8 high, so cells are 9 high and 6 rows show inside the frame.
class Lists : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        bar.SetRect(230, 100, 20, 60);
        bar.Show(&root);
        list.SetFont(fonts.pixel.get());
        list.SetRect(100, 100, 120, 60);
        list.SetVertScrollBar(&bar);
        list.Show(&root);
        for (int i = 0; i < 20; ++i) {
            const std::string name = (i < 10 ? "i0" : "i") + std::to_string(i);
            list.AddItem(name.c_str(), uintptr_t(i));
        }
        list.Focus(true);
        heard.Listen(list, {evUser24, evCommand});
        Frame();
    }
    void TearDown() override {
        list.Hide();
        bar.Hide();
        InputTest::TearDown();
    }
    std::vector<uintptr_t> Selected() {
        std::vector<uintptr_t> out;
        list.Rewind(1);
        const char* text;
        uintptr_t data;
        while (list.GetNextSelected(&text, &data))
            out.push_back(data);
        return out;
    }
    // The screen y of the middle of a visible row.
    int RowY(int32_t row) { return 100 + 3 + (row - list.FirstVisibleRow()) * 9 + 4; }

    uitest::TextFonts fonts;
    TScrollBar bar;
    Hooked list;
    Heard heard;
};

TEST_F(Lists, DownMovesTheCursorAndScrollsOnlyPastTheWindow) {
    EXPECT_EQ(list.VisibleRows(), 6);
    list.SetCursor(1, 1);
    list.MoveCursor(TPoint(1, 1), 0, 0);
    EXPECT_EQ(Selected(), (std::vector<uintptr_t>{0}));
    EXPECT_TRUE(Press(kKeyDown));
    EXPECT_EQ(list.GetCursorCell().y, 2);
    EXPECT_EQ(Selected(), (std::vector<uintptr_t>{1}));
    EXPECT_EQ(bar.GetPosition(), 1);
    for (int i = 0; i < 4; ++i)
        Press(kKeyDown);
    EXPECT_EQ(bar.GetPosition(), 1); // row 6 is the window's last
    Press(kKeyDown);
    list.Update();
    EXPECT_EQ(bar.GetPosition(), 2);
    EXPECT_EQ(list.FirstVisibleRow(), 2);
    EXPECT_EQ(list.GetCursorCell().y, 7);
}

TEST_F(Lists, PageDownPutsTheCursorRowFirstButShowsAFullLastPage) {
    list.SetCursor(1, 1);
    Press(kKeyPageDown);
    list.Update();
    EXPECT_EQ(list.GetCursorCell().y, 7);
    EXPECT_EQ(list.FirstVisibleRow(), 7);
    list.SetCursor(1, 17);
    Press(kKeyPageDown);
    list.Update();
    EXPECT_EQ(list.GetCursorCell().y, 20);
    EXPECT_EQ(list.FirstVisibleRow(), 15); // rows 15 to 20
    EXPECT_EQ(bar.GetMaximum(), 15);
}

TEST_F(Lists, EndInAnEmptyGridIsConsumedAndChangesNothing) {
    struct Empty : TGrid {
        void LayoutCells() override { SetRanges(0, 0, 0, 0); }
    } grid;
    grid.SetRect(300, 100, 50, 50);
    grid.Show(&root);
    grid.Focus(true);
    grid.Update();
    EXPECT_TRUE(grid.IsEmpty());
    const TPoint before = grid.GetCursorCell();
    EXPECT_TRUE(Press(kKeyEnd));
    EXPECT_EQ(grid.GetCursorCell().y, before.y);
    grid.Hide();
}

TEST_F(Lists, ARangeFlipsAcrossItsAnchor) {
    list.SetSelectionFlags(TGrid::slSingle | TGrid::slRange);
    list.SetCursor(1, 5);
    list.MoveCursor(TPoint(1, 5), 0, 0);
    for (int i = 0; i < 3; ++i)
        Press(kKeyDown, kShift);
    EXPECT_EQ(Selected(), (std::vector<uintptr_t>{4, 5, 6, 7}));
    for (int i = 0; i < 4; ++i)
        Press(kKeyUp, kShift);
    EXPECT_EQ(Selected(), (std::vector<uintptr_t>{3, 4}));
    Press(kKeyDown); // without Shift the range collapses to the cursor
    EXPECT_EQ(Selected(), (std::vector<uintptr_t>{4}));
}

TEST_F(Lists, CommandsComeFromDoubleClicksOrHotTrackedSingleClicks) {
    struct Case {
        int32_t flags;
        int commandsAfterFirst, commandsAfterSecond;
    } cases[] = {{TGrid::slSingle, 0, 1}, {TGrid::slSingle | TGrid::slHotTrack, 1, 1}};
    for (const Case& c : cases) {
        list.SetSelectionFlags(c.flags);
        Frame();
        heard.count[evCommand] = 0;
        platform::ClockAdvance(1000);
        Click(150, RowY(3));
        EXPECT_EQ(heard.count[evCommand], c.commandsAfterFirst) << c.flags;
        Click(150, RowY(3)); // the second press of a double click
        EXPECT_EQ(heard.count[evCommand], c.commandsAfterSecond) << c.flags;
        EXPECT_EQ(list.GetCursorCell().y, list.FirstVisibleRow() + 2);
    }
    // Enter posts one command, not one per pass of the key.
    heard.count[evCommand] = 0;
    Press(kKeyEnter);
    EXPECT_EQ(heard.count[evCommand], 1);
}

TEST_F(Lists, DraggingBelowTheLastRowExtendsOneRowPerMove) {
    list.SetSelectionFlags(TGrid::slSingle | TGrid::slRange);
    Frame();
    MoveTo(150, RowY(2));
    Mouse(true, 150, RowY(2));
    for (int i = 0; i < 3; ++i)
        MoveTo(150, 250 + i); // below the list
    Mouse(false, 150, 252);
    EXPECT_EQ(list.GetCursorCell().y, 5);
    EXPECT_EQ(Selected(), (std::vector<uintptr_t>{1, 2, 3, 4}));
}

TEST_F(Lists, ItemsLieInRowsOrColumns) {
    struct Case {
        int32_t columns, maxRows, count;
        int32_t expectColumns, expectRows;
        std::vector<std::pair<TPoint, const char*>> cells;
    } cases[] = {
        {1, 0, 3, 1, 3, {{{1, 1}, "a"}, {{1, 2}, "b"}, {{1, 3}, "c"}}},
        {2, 0, 3, 2, 2, {{{1, 1}, "a"}, {{2, 1}, "b"}, {{1, 2}, "c"}, {{2, 2}, nullptr}}},
        {0,
         2,
         5,
         3,
         2,
         {{{1, 1}, "a"}, {{1, 2}, "b"}, {{2, 1}, "c"}, {{3, 1}, "e"}, {{3, 2}, nullptr}}},
        {1, 0, 0, 1, 1, {{{1, 1}, nullptr}}},
    };
    for (const Case& c : cases) {
        TStrList l;
        l.SetFont(fonts.pixel.get());
        l.SetRect(300, 300, 100, 100);
        l.SetColumns(c.columns);
        l.SetMaxRows(c.maxRows);
        l.Show(&root);
        for (int i = 0; i < c.count; ++i)
            l.AddItem(std::string(1, char('a' + i)).c_str(), 0);
        l.Update();
        EXPECT_EQ(l.GetColumns(), c.expectColumns) << c.columns << " " << c.count;
        EXPECT_EQ(l.GetRows(), c.expectRows) << c.columns << " " << c.count;
        for (const auto& [cell, text] : c.cells) {
            const TListItem* item = l.GetItemAt(cell.x, cell.y);
            if (!text)
                EXPECT_EQ(item, nullptr);
            else
                EXPECT_STREQ(item ? reinterpret_cast<const char*>(item->first) : "", text);
        }
        l.Hide();
    }
}

TEST_F(Lists, SelectionChangesPostOneEventEach) {
    heard.count[evUser24] = 0;
    list.SelectCell(1, 3);
    list.SelectCell(1, 3);
    EXPECT_EQ(heard.count[evUser24], 1);
    list.ToggleCell(1, 3);
    list.ToggleCell(1, 3);
    EXPECT_EQ(heard.count[evUser24], 3);
    list.SelectCell(1, 40); // no item there
    EXPECT_EQ(heard.count[evUser24], 3);
    list.ClearItems();
    EXPECT_EQ(heard.count[evUser24], 4);
    EXPECT_EQ(list.GetCursorCell().x, 0);
    EXPECT_EQ(list.GetCursorCell().y, 0);
    EXPECT_EQ(list.GetItemAt(1, 1), nullptr);
    list.Update();
    EXPECT_FALSE(list.IsEmpty()); // the range stays [1, 2)
}

TEST_F(Lists, AGridListensToItsBarOnceAndNotAfterItGoes) {
    struct Counting : TStrList {
        void OnScroll(TEvent* e) override {
            ++scrolls;
            TStrList::OnScroll(e);
        }
        int scrolls = 0;
    };
    TScrollBar own;
    auto changed = [&](TScrollBar& b) {
        TEvent e;
        e.SetType(evUser24);
        b.Dispatch(&b, &e);
    };
    auto grid = std::make_unique<Counting>();
    grid->SetVertScrollBar(&own);
    grid->Show(&root);
    grid->Show(&root);
    changed(own);
    EXPECT_EQ(grid->scrolls, 1);
    grid->Hide();
    changed(own);
    EXPECT_EQ(grid->scrolls, 1);
    grid->Show(&root);
    grid->SetVertScrollBar(&bar); // the old bar is left
    changed(own);
    changed(bar);
    EXPECT_EQ(grid->scrolls, 2);
    grid->SetVertScrollBar(&own);
    const void* gone = grid.get();
    EXPECT_TRUE(own.Has(evUser24, const_cast<void*>(gone)));
    grid.reset(); // deleted while shown and listening
    EXPECT_FALSE(own.Has(evUser24, const_cast<void*>(gone)));
    changed(own); // reaches nobody
}

} // namespace

// Grids, list boxes and string lists checked rule by rule: defaults, the
// bars' ranges and page steps, docked and sized bars, hit results around the
// cells, the toggle and scroll-only modes under keys, the iterator, cell
// sizes of the string list, layouts with row limits, hot tracking and the
// command hook.
namespace {

using uitest::Heard;
using uitest::InputTest;

constexpr uint32_t kCtrl = 0x20;

// The list of the suite's fixture with its command hook recorded as well.
class GridCheck : public Lists {
protected:
    void SetUp() override {
        Lists::SetUp();
        list.Add<Hooked, &Hooked::Listened>(evCommand, &list);
    }
    using V = std::vector<uintptr_t>;
};

// A string list with nothing set but its font, place and items: one column
// of cells over the grid's colour, each item's text at the left of its cell,
// centred in its height, in the list's text colour; nothing selected.
TEST_F(GridCheck, ANewListDrawsOneColumnOfTextsInTheListColours) {
    TStrList fresh;
    fresh.SetFont(fonts.library.get()); // drawn in the text colour
    fresh.SetRect(300, 200, 120, 60);
    fresh.Show(&root);
    for (const char* item : {"ab", "cd", "ef"})
        fresh.AddItem(item, 0);
    Frame();
    EXPECT_EQ(fresh.GetColumns(), 1);
    fresh.Rewind(1);
    const char* text;
    uintptr_t data;
    EXPECT_FALSE(fresh.GetNextSelected(&text, &data));
    const int32_t cellHeight = fresh.GetCellSize().y;
    constexpr int32_t kFrame = 3; // the list's sunken frame, drawn partly in black
    const uint16_t ink = PixelOf(TColor::Default(43));
    for (int32_t row = 0; row < 3; ++row) {
        const int32_t top = 200 + kFrame + row * cellHeight;
        const TRectArea cell{300 + kFrame, top, 420 - kFrame, top + cellHeight};
        const TRectArea glyphs = BoundsOf(ink, cell);
        EXPECT_EQ(glyphs.bottom - glyphs.top, 7) << row;
        EXPECT_LE(std::abs((glyphs.top - cell.top) - (cell.bottom - glyphs.bottom)), 1) << row;
        EXPECT_LT(glyphs.left - cell.left, 4) << row;
        EXPECT_EQ(At(cell.right - 10, top + 1), PixelOf(TColor::Default(42))) << row;
    }
    fresh.Hide();
}

TEST_F(GridCheck, TheBarTakesTheRowRangeAndAPageStep) {
    list.Update();
    EXPECT_EQ(list.GetCellSize().y, 9);
    EXPECT_EQ(list.VisibleRows(), 6);
    EXPECT_EQ(bar.GetMinimum(), 1);
    EXPECT_EQ(bar.GetMaximum(), 21 - 6);
    EXPECT_EQ(bar.GetPageStep(), 5);
    EXPECT_EQ(list.FirstVisibleRow(), 1);
    EXPECT_EQ(list.FirstVisibleColumn(), 1); // no horizontal bar
    // The bar moves the window.
    bar.SetPosition(9); // a setter tells nobody: the grid reads it at its next layout
    list.Invalidate(true);
    list.Update();
    EXPECT_EQ(list.FirstVisibleRow(), 9);
    // Fewer items than rows: a range of one position.
    list.ClearItems();
    list.AddItem("x", 0);
    list.Update();
    EXPECT_EQ(bar.GetMinimum(), 1);
    EXPECT_EQ(bar.GetMaximum(), 1);
    EXPECT_EQ(list.FirstVisibleRow(), 1);
}

TEST_F(GridCheck, DockedBarsAreSizedAndLeaveTheCellArea) {
    TScrollBar across;
    across.SetRect(0, 0, 50, 10);
    across.Show(&root);
    list.SetHorzScrollBar(&across);
    list.SetLayoutFlags(TGrid::lyDocked | TGrid::lySizeBars);
    list.SetBarThickness(14);
    list.Update();
    EXPECT_EQ(bar.GetWidth(), 14);
    EXPECT_EQ(bar.GetHeight(), 60 - 14);
    EXPECT_EQ(across.GetHeight(), 14);
    EXPECT_EQ(across.GetWidth(), 120 - 14);
    EXPECT_EQ(bar.GetX(), 120 - 14);
    EXPECT_EQ(bar.GetY(), 0);
    EXPECT_EQ(across.GetX(), 0);
    EXPECT_EQ(across.GetY(), 60 - 14);
    EXPECT_EQ(list.CellArea(), (TRectArea{3, 3, 120 - 3 - 14, 60 - 3 - 14}));
    EXPECT_EQ(list.VisibleRows(), (60 - 6 - 14) / 9);
    // The corner between the bars is silver.
    Frame();
    EXPECT_EQ(At(100 + 120 - 2, 100 + 60 - 2), PixelOf(TColor::Default(14)));
    list.SetHorzScrollBar(nullptr);
    across.Hide();
}

TEST_F(GridCheck, HitResultsAroundTheCells) {
    list.Update();
    // Cell area (103, 103) to (217, 157); 6 rows of 9 end at 157.
    struct Case {
        int32_t x, y, result, column, row;
    } cases[] = {
        {150, 103, 16, 1, 1}, {150, 111, 16, 1, 1}, {150, 112, 16, 1, 2}, {103, 156, 16, 1, 6},
        {150, 102, 1, 0, 0},  {150, 157, 2, 0, 0},  {102, 130, 4, 0, 0},  {217, 130, 8, 0, 0},
        {90, 90, 5, 0, 0},    {300, 300, 10, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t column = 0, row = 0;
        EXPECT_EQ(list.HitCell(TPoint(c.x, c.y), column, row), c.result) << c.x << "," << c.y;
        if (c.result == 16) {
            EXPECT_EQ(column, c.column);
            EXPECT_EQ(row, c.row) << c.x << "," << c.y;
        }
    }
}

TEST_F(GridCheck, ToggleSelectionUnderKeys) {
    list.SetSelectionFlags(TGrid::slToggle);
    list.SetCursor(1, 1);
    struct Case {
        uint16_t key;
        uint32_t modifiers;
        V selected;
    } cases[] = {
        {kKeySpace, kCtrl, {0}},    {kKeyDown, kCtrl, {0, 1}},
        {kKeyDown, kShift, {0, 1}}, {kKeySpace, kCtrl, {0, 1, 2}},
        {kKeySpace, 0, {0, 1, 2}},  {kKeySpace, kCtrl, {0, 1}},
        {kKeyUp, 0, {1}},           {kKeyDown, 0, {2}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Press(c.key, c.modifiers));
        EXPECT_EQ(Selected(), c.selected) << std::hex << c.key << " " << c.modifiers;
    }
}

TEST_F(GridCheck, WithoutASelectionModeKeysOnlyScroll) {
    list.SetSelectionFlags(0);
    list.Update();
    const TPoint cursor = list.GetCursorCell();
    struct Case {
        uint16_t key;
        int32_t position;
    } cases[] = {{kKeyDown, 2},      {kKeyDown, 3},   {kKeyUp, 2},   {kKeyPageDown, 8},
                 {kKeyPageDown, 14}, {kKeyPageUp, 8}, {kKeyEnd, 15}, {kKeyHome, 1},
                 {kKeySpace, 1},     {kKeyUp, 1}};
    for (const Case& c : cases) {
        EXPECT_TRUE(Press(c.key)) << std::hex << c.key;
        EXPECT_EQ(bar.GetPosition(), c.position) << std::hex << c.key;
    }
    EXPECT_EQ(list.GetCursorCell().y, cursor.y);
    EXPECT_TRUE(Selected().empty());
    // Not focused: the keys are not the grid's.
    list.Focus(false);
    EXPECT_FALSE(Press(kKeyDown));
    EXPECT_EQ(bar.GetPosition(), 1);
}

TEST_F(GridCheck, CursorMovesScrollTheWindowBothWays) {
    struct Case {
        uint16_t key;
        int presses;
        int32_t cursor, firstRow;
    } cases[] = {{kKeyEnd, 1, 20, 15},  {kKeyUp, 5, 15, 15},       {kKeyUp, 1, 14, 14},
                 {kKeyPageUp, 1, 8, 8}, {kKeyPageDown, 1, 14, 14}, {kKeyHome, 1, 1, 1}};
    list.SetCursor(1, 1);
    for (const Case& c : cases) {
        for (int i = 0; i < c.presses; ++i)
            Press(c.key);
        list.Update();
        EXPECT_EQ(list.GetCursorCell().y, c.cursor) << std::hex << c.key;
        EXPECT_EQ(list.FirstVisibleRow(), c.firstRow) << std::hex << c.key;
        EXPECT_EQ(Selected(), V{uintptr_t(c.cursor - 1)}) << std::hex << c.key;
    }
}

TEST_F(GridCheck, TheIteratorAndItemsWithoutText) {
    list.SelectCell(1, 2);
    list.SelectCell(1, 5);
    EXPECT_EQ(Selected(), (V{1, 4}));
    list.Rewind(1);
    int count = 0;
    while (list.GetNext(nullptr, nullptr))
        ++count;
    EXPECT_EQ(count, 20);
    const char* text = "x";
    uintptr_t data = 99;
    EXPECT_EQ(list.GetNext(&text, &data), 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(data, 0u);
    EXPECT_EQ(list.AddItem(nullptr, 5), 0);
    EXPECT_EQ(list.GetItemCount(), 20);
}

TEST_F(GridCheck, CellSizesAndLayoutsOfTheStringList) {
    struct Case {
        TPoint requested;
        int32_t maxRows, columns, count;
        TPoint cell;
        int32_t layoutColumns, layoutRows;
    } cases[] = {
        {{0, 0}, 0, 1, 20, {114, 9}, 1, 20}, {{0, 15}, 0, 1, 20, {114, 15}, 1, 20},
        {{0, 0}, 1, 1, 20, {114, 54}, 1, 1}, // one row: the whole area
        {{30, 0}, 2, 3, 10, {30, 9}, 3, 2},  // rows limited to 2
        {{30, 0}, 0, 0, 20, {30, 9}, 4, 6},  // columns of the visible rows
        {{30, 0}, 4, 0, 5, {30, 9}, 2, 4},   {{0, 0}, 0, 1, 0, {114, 9}, 1, 1},
    };
    for (const Case& c : cases) {
        list.ClearItems();
        list.SetCellSize(c.requested);
        list.SetMaxRows(c.maxRows);
        list.SetColumns(c.columns);
        for (int i = 0; i < c.count; ++i)
            list.AddItem("n", uintptr_t(i));
        list.Update();
        EXPECT_EQ(list.GetCellSize().x, c.cell.x) << c.requested.x << " " << c.requested.y;
        EXPECT_EQ(list.GetCellSize().y, c.cell.y) << c.requested.x << " " << c.requested.y;
        EXPECT_EQ(list.GetColumns(), c.layoutColumns) << c.maxRows << " " << c.columns;
        EXPECT_EQ(list.GetRows(), c.layoutRows) << c.maxRows << " " << c.columns;
    }
    // A partly shown last row counts with layout flag 8.
    list.SetCellSize(TPoint(0, 10));
    list.SetMaxRows(0);
    list.SetColumns(1);
    list.Update();
    EXPECT_EQ(list.VisibleRows(), 5);
    list.SetLayoutFlags(TGrid::lyPartial);
    list.Update();
    EXPECT_EQ(list.VisibleRows(), 6);
}

TEST_F(GridCheck, HotTrackingFollowsThePointerWithoutAButton) {
    list.SetSelectionFlags(TGrid::slSingle | TGrid::slHotTrack);
    list.Update();
    EXPECT_NE(list.TControl::GetStyle() & TControl::stReportMoves, 0u);
    MoveTo(150, RowY(4));
    EXPECT_EQ(list.GetCursorCell().y, 4);
    EXPECT_EQ(Selected(), V{3});
    MoveTo(150, 300); // outside: nothing
    EXPECT_EQ(list.GetCursorCell().y, 4);
    list.SetSelectionFlags(TGrid::slSingle);
    list.Update();
    EXPECT_EQ(list.TControl::GetStyle() & TControl::stReportMoves, 0u);
}

TEST_F(GridCheck, DraggingAboveScrollsUpOneRowPerMove) {
    list.SetSelectionFlags(TGrid::slSingle | TGrid::slRange);
    list.SetCursor(1, 10);
    list.MoveCursor(TPoint(1, 10), 0, 0);
    list.Update();
    const int32_t first = list.FirstVisibleRow();
    MoveTo(150, RowY(10));
    Mouse(true, 150, RowY(10));
    for (int i = 0; i < 3; ++i)
        MoveTo(150 + i, 50); // above the list
    Mouse(false, 152, 50);
    list.Update();
    EXPECT_EQ(list.GetCursorCell().y, 7);
    EXPECT_EQ(Selected(), (V{6, 7, 8, 9}));
    EXPECT_EQ(first, 10);
    EXPECT_EQ(list.FirstVisibleRow(), 7);
}

TEST_F(GridCheck, TheCommandHookComesBeforeTheHandlersOnce) {
    list.SetCursor(1, 3);
    list.order.clear();
    Press(kKeyEnter);
    EXPECT_EQ(list.order, (std::vector<int>{141, 142}));
    EXPECT_EQ(heard.count[evCommand], 1);
    // A double click on a cell is one command too.
    platform::ClockAdvance(1000);
    Click(150, RowY(2));
    Click(150, RowY(2));
    EXPECT_EQ(heard.count[evCommand], 2);
    EXPECT_EQ(list.GetCursorCell().y, 2);
}

TEST_F(GridCheck, SelectedCellsAreSilverAndTheCursorCellIsOutlined) {
    list.MoveCursor(TPoint(1, 2), 0, 0);
    Frame();
    // Cells span x 103 to 217; row 2 is y 112 to 121. Right of the text.
    EXPECT_EQ(At(200, 116), PixelOf(TColor::Default(45)));
    EXPECT_EQ(At(200, 125), PixelOf(TColor::Default(42)));
    const uint16_t outline = PixelOf(TColor::Default(46));
    int dots = 0;
    for (int x = 150; x < 160; ++x)
        dots += At(x, 112) == outline;
    EXPECT_GE(dots, 4); // every other pixel
    EXPECT_LE(dots, 6);
    list.Focus(false);
    Frame();
    EXPECT_EQ(At(150, 112), PixelOf(TColor::Default(45)));
    EXPECT_EQ(At(151, 112), PixelOf(TColor::Default(45)));
}

} // namespace
