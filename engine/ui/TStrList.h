// The list box of texts: each item is a copied string with one data word,
// drawn as one line of text per cell with selection colours and a focus
// frame.
#pragma once

#include "ui/TListBox.h"

#include <cstdint>

class TStrList : public TListBox {
public:
    TStrList();
    ~TStrList() override;

    void DrawCell(int32_t column, int32_t row, const TRectArea& rect) override;
    TListItem* NewItem(uintptr_t text, uintptr_t data) override;
    void FreeItem(TListItem* item) override;

    int AddItem(const char* text, uintptr_t data);
    int GetNext(const char** text, uintptr_t* data);
    int GetNextSelected(const char** text, uintptr_t* data);
    // The list's own text colour (the text graphic's is set per cell).
    TColor GetTextColor() const { return listTextColor_; }
    void SetListTextColor(TColor color);

protected:
    TPoint ComputeCellSize(const TRectArea& area) override;
    static const char* TextOf(const TListItem* item) {
        return item ? reinterpret_cast<const char*>(item->first) : nullptr;
    }
    // Fills a selected cell and sets the colour its text is drawn in.
    void PaintCellBack(const TListItem* item, const TRectArea& rect);
    // The focus frame of the cursor cell.
    void PaintCellFocus(int32_t column, int32_t row, const TListItem* item, const TRectArea& rect);

private:
    TColor listTextColor_;
};
