// Grids and lists: the cursor and the window under keys, range selection
// across its anchor, commands from clicks, dragging past the edge, item
// layouts, the events of selection changes, and grids that leave their bars.
#include "ListFixture.h"
#include "TextFonts.h"

#include "foundation/TKeys.h"
#include "ui/TStrList.h"

#include <memory>
#include <string>

namespace {

using uitest::Heard;
using uitest::InputTest;

constexpr uint32_t kShift = 0x08;

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
    TStrList list;
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
