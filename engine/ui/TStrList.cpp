#include "ui/TStrList.h"

#include "foundation/TError.h"
#include "ui/UiPaint.h"

#include <cstring>
#include <new>

TStrList::TStrList() : listTextColor_(TColor::Default(43)) {
    SetVertAlign(taCentre);
    SetAlign(taLeft);
}

TStrList::~TStrList() {
    FreeAll();
}

void TStrList::SetListTextColor(TColor color) {
    if (color.Value() == listTextColor_.Value()) return;
    listTextColor_ = color;
    Invalidate(true);
}

TListItem* TStrList::NewItem(uintptr_t text, uintptr_t data) {
    const char* source = reinterpret_cast<const char*>(text);
    if (!source) return nullptr;
    const size_t size = std::strlen(source) + 1;
    char* copy = new (std::nothrow) char[size];
    if (!copy) {
        TError::Raise(9, nullptr, nullptr, "Source\\TStrList", 128);
        return nullptr;
    }
    std::memcpy(copy, source, size);
    TListItem* item = new (std::nothrow) TListItem{reinterpret_cast<uintptr_t>(copy), data, 0};
    if (!item) {
        delete[] copy;
        TError::Raise(9, nullptr, nullptr, "Source\\TStrList", 133);
    }
    return item;
}

void TStrList::FreeItem(TListItem* item) {
    if (!item) return;
    delete[] reinterpret_cast<char*>(item->first);
    delete item;
}

int TStrList::AddItem(const char* text, uintptr_t data) {
    return TListBox::AddItem(reinterpret_cast<uintptr_t>(text), data);
}

int TStrList::GetNext(const char** text, uintptr_t* data) {
    uintptr_t first = 0;
    const int found = TListBox::GetNext(&first, data);
    if (text) *text = reinterpret_cast<const char*>(first);
    return found;
}

int TStrList::GetNextSelected(const char** text, uintptr_t* data) {
    uintptr_t first = 0;
    const int found = TListBox::GetNextSelected(&first, data);
    if (text) *text = reinterpret_cast<const char*>(first);
    return found;
}

TPoint TStrList::ComputeCellSize(const TRectArea& area) {
    TPoint size = TListBox::ComputeCellSize(area);
    if (RequestedCellSize().y > 0 || GetMaxRows() == 1) return size;
    // One line of the list's font.
    BindFont();
    size.y = GetTextHeight(" ") + 1;
    ReleaseFont();
    return size;
}

void TStrList::PaintCellBack(const TListItem* item, const TRectArea& rect) {
    TColor ink = listTextColor_;
    if (item->flags & kSelected) {
        GetCanvas().SetForeColor(TColor::Default(45));
        GetCanvas().FillRect(rect);
        ink = TColor::Default(44);
    }
    // The text graphic draws in its own colour; setting it here is part of
    // drawing, not a change to draw again for.
    const uint32_t kept = flags_;
    SetTextColor(ink);
    flags_ = kept;
}

void TStrList::PaintCellFocus(int32_t column, int32_t row, const TListItem* item,
                              const TRectArea& rect) {
    const TPoint cursor = GetCursorCell();
    if (!IsFocused() || cursor.x != column || cursor.y != row) return;
    ui::DottedFrame(GetCanvas(), rect, TColor::Default(item->flags & kSelected ? 46 : 43));
}

void TStrList::DrawCell(int32_t column, int32_t row, const TRectArea& rect) {
    const TListItem* item = GetItemAt(column, row);
    if (!TextOf(item)) return;
    PaintCellBack(item, rect);
    DrawText(rect, TextOf(item));
    PaintCellFocus(column, row, item, rect);
}
