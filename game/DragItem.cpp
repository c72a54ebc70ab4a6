#include "DragItem.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"

#include "foundation/TEvent.h"
#include "media/resources/TMetaImg.h"

DragItem::DragItem() = default;

void DragItem::Show(TComp* parent) {
    item_.Reset();
    holds_ = 0;
    SetRect(0, 0, 1, 1);
    SetAutoSize(1);
    Attach(parent);
}

void DragItem::Hide() {
    item_.Reset();
    Detach();
}

void DragItem::SetItem(InventorySlot* record) {
    if (!record) {
        SetSource(nullptr);
        item_.Reset();
        return;
    }
    SetSource(dynamic_cast<TMetaImg*>(Resources().Find("albInventory")));
    SetTransparent(1);
    SetSubIndex(record->id);
    SetIndex(0);
    item_ = TRef<InventorySlot>(record);
}

void DragItem::Hold(bool enter) {
    holds_ += enter ? 1 : -1;
    SetIndex(holds_ > 0 ? 1 : 0);
}

bool DragItem::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    if (event->type == evMouseMove) {
        Follow(event);
    } else if (event->type == evRightDown) {
        if (GameWorld* world = App().World()) world->DropHeldItem();
    }
    return TImage::HandleEvent(sender, event);
}

int DragItem::Follow(TEvent* event) {
    // The size follows the picture only once the graphic is brought up to
    // date; a picture set since the last frame counts already.
    Update();
    TPoint at = ScreenToParent(TPoint(event->record.x, event->record.y));
    at.x -= GetWidth() / 2;
    at.y -= GetHeight() / 2;
    SetPos(at);
    ToFront();
    return 1;
}
