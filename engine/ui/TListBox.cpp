#include "ui/TListBox.h"

#include "foundation/TError.h"

#include <algorithm>
#include <new>

TListBox::TListBox() {
    items_.SetCompare(this, &TListBox::CompareCallback);
}

TListBox::~TListBox() {
    FreeAll();
}

int32_t TListBox::CompareCallback(void* owner, void* a, void* b) {
    return static_cast<TListBox*>(owner)->CompareItems(static_cast<const TListItem*>(a),
                                                       static_cast<const TListItem*>(b));
}

int32_t TListBox::CompareItems(const TListItem*, const TListItem*) {
    return 0;
}

TListItem* TListBox::NewItem(uintptr_t first, uintptr_t second) {
    TListItem* item = new (std::nothrow) TListItem{first, second, 0};
    if (!item) TError::Raise(9, nullptr, nullptr, "Source\\TListBox", 364);
    return item;
}

void TListBox::FreeItem(TListItem* item) {
    delete item;
}

void TListBox::OnChange(TEvent*) {}

void TListBox::Changed() {
    TEvent e;
    e.SetType(evChanged);
    OnChange(&e);
    Dispatch(this, &e);
}

void TListBox::Show(TControl* parent) {
    TGrid::Show(parent);
}

void TListBox::Hide() {
    ClearItems();
    TGrid::Hide();
}

void TListBox::SetMaxRows(int32_t rows) {
    if (rows == maxRows_) return;
    maxRows_ = rows;
    Invalidate(true);
}

void TListBox::SetColumns(int32_t columns) {
    if (columns == requestedColumns_) return;
    requestedColumns_ = columns;
    Invalidate(true);
}

// --- Items -----------------------------------------------------------------------------

int TListBox::AddItem(uintptr_t first, uintptr_t second) {
    TListItem* item = NewItem(first, second);
    if (!item) return 0;
    if (!items_.InsertFromEnd(item)) {
        FreeItem(item);
        return 0;
    }
    Invalidate(true);
    return 1;
}

void TListBox::FreeAll() {
    while (TListNode* n = items_.Head()) {
        TListItem* item = static_cast<TListItem*>(n->item);
        items_.Remove(item);
        FreeItem(item);
    }
}

void TListBox::ClearItems() {
    FreeAll();
    SetSelectionFlags(GetSelectionFlags() & ~slDirections);
    SetCursor(0, 0);
    Invalidate(true);
    Changed();
}

void TListBox::Rewind(int32_t direction) {
    items_.Rewind(direction);
}

int TListBox::GetNext(uintptr_t* first, uintptr_t* second) {
    const TListItem* item = static_cast<const TListItem*>(items_.Next());
    if (first) *first = item ? item->first : 0;
    if (second) *second = item ? item->second : 0;
    return item ? 1 : 0;
}

int TListBox::GetNextSelected(uintptr_t* first, uintptr_t* second) {
    const TListItem* item;
    do
        item = static_cast<const TListItem*>(items_.Next());
    while (item && !(item->flags & kSelected));
    if (first) *first = item ? item->first : 0;
    if (second) *second = item ? item->second : 0;
    return item ? 1 : 0;
}

TListItem* TListBox::GetItemAt(int32_t column, int32_t row) {
    if (column < 1 || row < 1 || column > columns_ || row > rows_) return nullptr;
    const int64_t index = requestedColumns_ >= 1 ? int64_t(row - 1) * columns_ + column - 1
                                                 : int64_t(column - 1) * rows_ + row - 1;
    if (index >= items_.Count()) return nullptr;
    TListNode* n = items_.Head();
    for (int64_t i = 0; n && i < index; ++i)
        n = n->next;
    return n ? static_cast<TListItem*>(n->item) : nullptr;
}

// --- Selection -------------------------------------------------------------------------

void TListBox::SetSelected(TListItem* item, bool on) {
    if (!item || ((item->flags & kSelected) != 0) == on) return;
    item->flags = on ? (item->flags | kSelected) : (item->flags & ~kSelected);
    SetRedraw(true);
    Changed();
}

void TListBox::SelectCell(int32_t column, int32_t row) {
    SetSelected(GetItemAt(column, row), true);
}

void TListBox::DeselectCell(int32_t column, int32_t row) {
    SetSelected(GetItemAt(column, row), false);
}

void TListBox::ToggleCell(int32_t column, int32_t row) {
    TListItem* item = GetItemAt(column, row);
    if (item) SetSelected(item, !(item->flags & kSelected));
}

// --- Layout ----------------------------------------------------------------------------

void TListBox::LayoutCells() {
    const int32_t count = items_.Count();
    if (requestedColumns_ >= 1) {
        columns_ = std::max(std::min(requestedColumns_, count), 1);
        rows_ = int32_t((int64_t(count) + columns_ - 1) / columns_);
        if (maxRows_ >= 1) rows_ = std::min(rows_, maxRows_);
        rows_ = std::max(rows_, 1);
    } else {
        rows_ = maxRows_ >= 1 ? maxRows_ : VisibleRows();
        rows_ = std::max(std::min(rows_, count), 1);
        columns_ = std::max(int32_t((int64_t(count) + rows_ - 1) / rows_), 1);
    }
    SetRanges(1, columns_ + 1, 1, rows_ + 1);
}
