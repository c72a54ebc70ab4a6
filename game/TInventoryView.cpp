#include "TInventoryView.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"

#include "foundation/TEvent.h"

TInventoryView::TInventoryView() {
    Statics().inventory = this;
}

TInventoryView::~TInventoryView() {
    // The world that goes without its exit still owns records here.
    DestroyRecords();
    GameStatics& s = Statics();
    if (s.inventory == this) s.inventory = nullptr;
}

TInventoryView* TInventoryView::Instance() {
    return Statics().inventory;
}

bool TInventoryView::HandleEvent(TObject* sender, TEvent* event) {
    if (IsVisible() && event && (event->type == evLeftDown || event->type == evLeftUp)) {
        // The window's rectangle on the screen, as it stands now: the
        // layout pass may not have run since it was shown.
        TRectArea r;
        GetBounds(r);
        const TPoint origin = ParentToScreen(TPoint(r.left, r.top));
        const int64_t x = int64_t(event->record.x) - origin.x;
        const int64_t y = int64_t(event->record.y) - origin.y;
        const bool inside =
            x >= 0 && x < int64_t(r.right) - r.left && y >= 0 && y < int64_t(r.bottom) - r.top;
        GameWorld* world = App().World();
        if (!inside && world && &world->InventoryView() == this) {
            world->HideInventory();
            return true;
        }
    }
    return TPanel::HandleEvent(sender, event);
}

void TInventoryView::Create(TControl* parent) {
    SetRect(80, 120, 635, 352);
    slots_.assign(kSlots, nullptr);
    Show(parent);
}

void TInventoryView::Clear() {
    DestroyRecords();
    Hide();
}

void TInventoryView::DestroyRecords() {
    while (!slots_.empty()) {
        delete slots_.back();
        slots_.pop_back();
    }
}

bool TInventoryView::Add(InventorySlot* record) {
    if (!record) return false;
    for (InventorySlot*& slot : slots_) {
        if (slot) continue;
        slot = record;
        return true;
    }
    return false;
}

int32_t TInventoryView::Find(int32_t id) const {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i] && slots_[i]->id == id) return int32_t(i);
    return -1;
}

void TInventoryView::RemoveAt(int32_t index) {
    if (index < 0 || index >= SlotCount()) return;
    delete slots_[size_t(index)];
    slots_.erase(slots_.begin() + index);
    slots_.push_back(nullptr);
}

InventorySlot* TInventoryView::SlotAt(int32_t index) const {
    return index >= 0 && index < SlotCount() ? slots_[size_t(index)] : nullptr;
}
