// Items in the cells of a grid: an ordered item list laid out in columns
// and rows, cell selection as a flag on each item, every change reported as
// event 24. Cells are numbered from 1. The list box draws nothing itself.
#pragma once

#include "foundation/TList.h"
#include "ui/TGrid.h"

#include <cstdint>

// An item: two values the list's class gives their meaning (a text and a
// data word in the string list) and the selected flag. The values are
// pointer-sized, as they may carry pointers.
struct TListItem {
    uintptr_t first = 0;
    uintptr_t second = 0;
    uint32_t flags = 0; // bit 0: selected
};

class TListBox : public TGrid {
public:
    static constexpr uint32_t kSelected = 1;
    static constexpr int32_t evChanged = evUser24;

    TListBox();
    ~TListBox() override;

    void SelectCell(int32_t column, int32_t row) override;
    void DeselectCell(int32_t column, int32_t row) override;
    void ToggleCell(int32_t column, int32_t row) override;
    // A new item record, or null; FreeItem destroys one.
    virtual TListItem* NewItem(uintptr_t first, uintptr_t second);
    virtual void FreeItem(TListItem* item);
    // Sees every event 24 just before it is dispatched.
    virtual void OnChange(TEvent* event);

    void Show(TControl* parent);
    void Hide();
    int AddItem(uintptr_t first, uintptr_t second);
    void ClearItems();
    void Rewind(int32_t direction);
    int GetNext(uintptr_t* first, uintptr_t* second);
    int GetNextSelected(uintptr_t* first, uintptr_t* second);
    TListItem* GetItemAt(int32_t column, int32_t row);
    int32_t GetMaxRows() const { return maxRows_; }
    void SetMaxRows(int32_t rows);
    void SetColumns(int32_t columns);
    int32_t GetItemCount() const { return items_.Count(); }
    int32_t GetRows() const { return rows_; }
    int32_t GetColumns() const { return columns_; }

protected:
    void LayoutCells() override;
    // The order of the items; the list box calls every pair equal.
    virtual int32_t CompareItems(const TListItem* a, const TListItem* b);
    // Reports a change of the selection or the items.
    void Changed();
    TList& Items() { return items_; }
    // Frees every item. Each class that frees items its own way calls it in
    // its destructor, where its FreeItem is still the one called.
    void FreeAll();

private:
    static int32_t CompareCallback(void* owner, void* a, void* b);
    void SetSelected(TListItem* item, bool on);

    int32_t maxRows_ = 0;
    int32_t requestedColumns_ = 1;
    TList items_;
    int32_t rows_ = 1;
    int32_t columns_ = 1;
};
