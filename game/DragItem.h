// The picture of the inventory item the player has picked up: it follows
// the pointer, centred on it, until the item is used or dropped, and turns
// to its highlighted picture while the pointer is over room elements that
// take it. The world owns one; the item it carries is the world's held item.
#pragma once

#include "InventorySlot.h"

#include "foundation/TRef.h"
#include "ui/TImage.h"

#include <cstdint>

class DragItem : public TImage {
public:
    DragItem();

    // Attached to `parent` with nothing carried and the hold count reset;
    // the graphic takes its picture's size from now on.
    void Show(TComp* parent);
    // Nothing carried; off its parent.
    void Hide();
    // The record's picture, or none for null.
    void SetItem(InventorySlot* record);
    InventorySlot* Item() const { return item_.Get(); }
    // One more (enter) or one fewer room element under the pointer; the
    // count is not clamped, and only a positive one highlights.
    void Hold(bool enter);
    int32_t HoldCount() const { return holds_; }

    // Follows pointer moves; a right button press drops the item.
    bool HandleEvent(TObject* sender, TEvent* event) override;
    // Centres the picture on the event's pointer position.
    int Follow(TEvent* event);

private:
    TRef<InventorySlot> item_;
    int32_t holds_ = 0;
};
